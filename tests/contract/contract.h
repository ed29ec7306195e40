// The window's behaviour as one table of rows, and what a platform's driver
// must do to run them. Every driver starts each row on a window of its own,
// loaded, its start-up notice answered, and plays the row's steps in order.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "window/controls.h"

namespace md5z::contract {

// What a person sees on the window, named by the part it plays.
enum class Role : std::uint8_t {
    Input,
    DigestButton,  // 加密
    ClearButton,   // 重置
    Counter,
    Warning,
    Title,
    Prompt,
    ShownText,  // the rows, top to bottom
    Hex16Lower,
    Hex16Upper,
    Hex32Lower,
    Hex32Upper,
    CopyHex16Lower,  // the copy button at the end of each digest row
    CopyHex16Upper,
    CopyHex32Lower,
    CopyHex32Upper,
    DigestFace,  // the rounded faces under 加密 and 重置
    ClearFace,
    Background,
};
ControlId controlOf(Role role);

enum class Command : std::uint8_t { WhatIsMd5, Website, Distributor, Laws, Contact, About };
MenuId menuOf(Command command);

// Enter and Backspace go to the input box where no other control takes the
// focus; the others to whatever has it.
enum class Key : std::uint8_t { Enter, Backspace, Tab, BackTab, Space };

// How assistive technology presents a control.
enum class Spoken : std::uint8_t { Button, Text, Entry };

// What a driver can do beyond what every driver does. A row that needs a
// capability its driver lacks is skipped there.
enum Capability : unsigned {
    kKeyboardFocus = 1,       // Tab, Space and where the focus is
    kAccessibleView = 2,      // what assistive technology reads
    kBrowser = 4,             // the addresses handed to the browser
    kHeldClipboard = 8,       // another program holding the clipboard open
    kPacedHousekeeping = 16,  // whether the housekeeping tick sleeps while nothing happens
    kUnnoticedChange = 32,    // the input box changing without telling the window
    // Behaviour a platform has yet to gain, named by the rows that show it.
    kWholeCharactersAtLimit = 64,  // the input box keeps no half of a surrogate pair
};

// How long a tick of the fastest timer takes, at least and at most.
struct Pace {
    int fastest;
    int slowest;
};

// Steps that carry a text, a role, a yes or no, or nothing, told apart by a
// tag of their own.
template <typename Tag>
struct Text {
    std::u16string_view text;
};
template <typename Tag>
struct At {
    Role role;
};
template <typename Tag>
struct Yes {
    bool yes = true;
};
template <typename Tag>
struct Event {};

// Actions.
using Type = Text<struct TypeTag>;  // one unit after another, as keys or an input method give them
using Paste = Text<struct PasteTag>;  // through the clipboard, in one piece
using Click = At<struct ClickTag>;
using Hover = At<struct HoverTag>;
// The left button goes down on one control and comes up over another.
struct Drag {
    Role from;
    Role to;
};
struct Press {
    Key key;
};
struct Choose {
    Command command;
};
struct Wait {
    int ms;
    int ticks = 0;  // of the fastest timer, at its slowest
};
using Maximize = Event<struct MaximizeTag>;
using Close = Event<struct CloseTag>;                 // the desktop asks the window to close
using HoldClipboard = Text<struct HoldClipboardTag>;  // another program's, which it keeps open
using StartAnother = Event<struct StartAnotherTag>;   // a second instance on the same desktop
// The box now holds this text, and sent no change notice.
using ChangeUnnoticed = Text<struct ChangeUnnoticedTag>;

// Expectations.
struct Caption {
    Role of;
    std::u16string_view text;
};
using InputReads = Text<struct InputReadsTag>;  // as the box shows it
using Clipboard = Text<struct ClipboardTag>;
// Enabled, as a person tells: not drawn greyed.
struct Enabled {
    Role of;
    bool enabled;
};
// Whether `color` is drawn inside the control's box: a caption's text, a
// shape's face. The greyed text of a disabled control is kGreyedText.
struct Drawn {
    Role of;
    Color color;
    bool shown = true;
};
inline constexpr Color kGreyedText = 0x80000011u;
// How many pixels of a colour show it in a control's box: a shape fills a
// quarter of it at least, which its smoothed edge in another colour never
// does; a caption's strokes are thin.
int seenIn(ControlId id, int width, int height);
struct Opacity {
    int alpha;
};
// The expectation before this one holds until `ms` plus `ticks` of the
// fastest timer after the latest action, and no longer: exactly where time is
// simulated, within a tolerance on a real desktop.
struct Lasts {
    int ms;
    int ticks = 0;
};
using Running = Yes<struct RunningTag>;  // the process has not ended
// The latest box shown has a title and a text containing these.
struct Box {
    std::u16string_view title;
    std::u16string_view text;
};
using Opened = Text<struct OpenedTag>;  // the latest address handed to the browser
using Focus = At<struct FocusTag>;
// What assistive technology reads of a control.
struct Reads {
    Role of;
    Spoken as;
    std::u16string_view name;
    std::u16string_view value;
    bool enabled = true;
};
// What assistive technology describes a control as: its tooltip.
struct Describes {
    Role of;
    std::u16string_view text;
};
// Normal, at the size the layout gives, and the user cannot resize it.
using DesignSize = Event<struct DesignSizeTag>;
using Idle = Event<struct IdleTag>;  // the housekeeping tick sleeps
// The second instance ended unseen; the first is as it was.
using AnotherEnded = Event<struct AnotherEndedTag>;

// Actions first, then expectations.
using Step = std::variant<Type, Paste, Click, Drag, Press, Hover, Choose, Wait, Maximize, Close,
                          HoldClipboard, StartAnother, ChangeUnnoticed, Caption, InputReads,
                          Clipboard, Enabled, Drawn, Opacity, Lasts, Running, Box, Opened, Focus,
                          Reads, Describes, DesignSize, Idle, AnotherEnded>;
inline constexpr std::size_t kFirstExpectation = Step(std::in_place_type<Caption>).index();

struct Row {
    const char* name;
    std::vector<Step> steps;
    unsigned needs = 0;  // besides what the steps need
};
const std::vector<Row>& rows();
inline void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

struct ShownBox {
    std::u16string title;
    std::u16string text;
};

struct Accessible {
    Spoken as;
    std::u16string name;
    std::u16string value;
    bool enabled;
    std::u16string description;
};

// A platform's window as the rows drive it.
class Driver {
  public:
    virtual ~Driver() = default;
    // Milliseconds: the steady clock's, or simulated time.
    virtual bool simulated() const { return false; }
    virtual long long now() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    virtual Pace pace() const = 0;

    virtual void type(std::u16string_view text) = 0;
    virtual void paste(std::u16string_view text) = 0;
    virtual void drag(ControlId from, ControlId to) = 0;
    virtual void press(Key key) = 0;
    virtual void hover(ControlId id) = 0;
    virtual void choose(MenuId item) = 0;
    virtual void wait(int ms) = 0;
    virtual void maximize() = 0;
    virtual void close() = 0;
    virtual void holdClipboard(std::u16string_view) {}
    virtual void startAnother() = 0;
    virtual void changeUnnoticed(std::u16string_view) {}

    virtual std::u16string caption(ControlId id) = 0;
    virtual std::u16string input() = 0;
    virtual std::u16string clipboard() = 0;
    virtual bool drawn(ControlId id, Color color) = 0;
    virtual int opacity() = 0;
    virtual bool ended() = 0;
    virtual std::vector<ShownBox> boxes() = 0;
    virtual std::vector<std::u16string> opened() { return {}; }
    virtual bool focused(ControlId) { return false; }
    virtual Accessible accessible(ControlId) { return {}; }
    virtual bool atDesignSize() = 0;
    virtual bool idle() { return false; }
    virtual bool anotherEndedUnseen() = 0;
};

// Each driver's program defines these two: the runner plays every row whose
// needs the capabilities cover, each on a window of its own.
extern const unsigned kDriverCapabilities;
std::unique_ptr<Driver> makeDriver();

}  // namespace md5z::contract
