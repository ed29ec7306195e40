// The window's behaviour as one table of rows, and what a platform's driver
// must do to run them. Every driver starts each row on a window of its own,
// loaded, its start-up notice answered, and plays the row's steps in order.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "window/controls.h"

namespace md5z::contract {

// Enter and Backspace go to the input box where no other control takes the
// focus; the others to whatever has it.
enum class Key : std::uint8_t { Enter, Backspace, Tab, BackTab, Space };

// How assistive technology presents a control.
enum class Spoken : std::uint8_t { Button, Text, Entry };

// What a driver can do beyond what every driver does. A row that needs a
// capability its driver lacks is skipped there.
enum Capability : unsigned {
    kWidgets = 1,        // a keyboard focus, an accessible view, a housekeeping tick that sleeps
    kBrowser = 2,        // the addresses handed to the browser
    kHeldClipboard = 4,  // another program holding the clipboard open
};

// How long a tick of the fastest timer takes, at least and at most.
struct Pace {
    int fastest;
    int slowest;
};

// Steps that carry a text, a control, a time or nothing, told
// apart by a tag of their own.
template <typename Tag>
struct Text {
    std::u16string_view text;
};
template <typename Tag>
struct At {
    ControlId at;
};
template <typename Tag>
struct Time {
    int ms;
    int ticks = 0;  // of the fastest timer: at its slowest in a Wait, at either end in Lasts
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
    ControlId from;
    ControlId to;
};
struct Press {
    Key key;
};
struct Choose {
    MenuId item;
};
using Wait = Time<struct WaitTag>;
using Maximize = Event<struct MaximizeTag>;
using Close = Event<struct CloseTag>;                 // the desktop asks the window to close
using HoldClipboard = Text<struct HoldClipboardTag>;  // another program's, which it keeps open
using StartAnother = Event<struct StartAnotherTag>;   // a second instance on the same desktop
// The box now holds this text, and sent no change notice.
using ChangeUnnoticed = Text<struct ChangeUnnoticedTag>;

// Expectations.
struct Caption {
    ControlId of;
    std::u16string_view text;
};
using InputReads = Text<struct InputReadsTag>;  // as the box shows it
using Clipboard = Text<struct ClipboardTag>;
// Whether `color` is drawn inside the control's box: a caption's text, a
// shape's face. A disabled control's text is drawn kGreyedText.
struct Drawn {
    ControlId of;
    Color color;
    bool shown = true;
};
inline constexpr Color kGreyedText = 0x80000011u;
struct Opacity {
    int alpha;
};
// The expectation before this one holds until `ms` plus `ticks` of the
// fastest timer after the latest action, and no longer: exactly where time is
// simulated, within a tolerance on a real desktop.
using Lasts = Time<struct LastsTag>;
struct Running {  // the process has not ended
    bool yes = true;
};
// The latest box shown has a title and a text containing these.
struct Box {
    std::u16string_view title;
    std::u16string_view text;
};
using Opened = Text<struct OpenedTag>;  // the latest address handed to the browser
using Focus = At<struct FocusTag>;
// What assistive technology reads of a control; it describes the control by
// its tooltip.
struct Reads {
    ControlId of;
    Spoken as;
    std::u16string_view name;
    std::u16string_view value;
    bool enabled = true;
    std::u16string_view description = u"";
};
// Normal, at the size the layout gives, and the user cannot resize it.
using DesignSize = Event<struct DesignSizeTag>;
using Idle = Event<struct IdleTag>;  // the housekeeping tick sleeps
// The second instance ended unseen; the first is as it was.
using AnotherEnded = Event<struct AnotherEndedTag>;

// Actions first, then expectations.
using Step = std::variant<Type, Paste, Click, Drag, Press, Hover, Choose, Wait, Maximize, Close,
                          HoldClipboard, StartAnother, ChangeUnnoticed, Caption, InputReads,
                          Clipboard, Drawn, Opacity, Lasts, Running, Box, Opened, Focus, Reads,
                          DesignSize, Idle, AnotherEnded>;
inline constexpr std::size_t kFirstExpectation = Step(std::in_place_type<Caption>).index();

struct Row {
    const char* name;
    std::vector<Step> steps;
    unsigned needs = 0;  // the capabilities its steps need
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

// Whether `wanted` (0x00BBGGRR) shows in a control's drawn box of `width` by
// `height` pixels, near enough to allow for smoothing: a shape fills a
// quarter of it at least, which its smoothed edge in another colour never
// does; a caption's strokes are thin.
bool shows(ControlId id, Color wanted, int width, int height,
           const std::function<Color(int x, int y)>& pixel);

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
    virtual void changeUnnoticed(std::u16string_view text) = 0;

    virtual std::u16string caption(ControlId id) = 0;
    virtual std::u16string input() = 0;
    virtual std::u16string clipboard() = 0;
    virtual bool drawn(ControlId id, Color color) = 0;
    virtual int opacity() = 0;
    virtual bool ended() = 0;
    virtual ShownBox lastBox() = 0;  // empty before the first
    virtual std::u16string opened() { return {}; }
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
