#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "window/controls.h"
#include "window/form.h"
#include "window/layout.h"
#include "window/platform.h"

namespace md5z {

// The desktop in memory, for tests. It starts as the layout creates the
// window, keeps what the logic writes, logs every call in order, and delivers
// events the way the one event loop does: one at a time, only where the user
// could cause them, and none once the process has ended. Modal boxes are
// answered at once. Its state is open, so a test can put the desktop in any
// situation (another program holding the clipboard, a maximized window) and
// see everything.
class FakePlatform : public Platform {
  public:
    struct Control {
        std::u16string caption;
        bool enabled = true;
        bool visible = true;
        Color foreColor = 0;
        Color fillColor = 0;
        Picture mouseIcon = Picture::None;
    };
    struct Timer {
        int interval = 0;
        bool enabled = false;
        long long due = 0;
    };
    static constexpr WindowHandle kHandle = 0xC0FFEE;

    FakePlatform();

    // Events; each returns whether it reached a handler.
    bool load();
    bool click(ControlId control);
    bool chooseMenu(MenuId item);
    bool mouseMove(ControlId surface);
    bool closeRequest(std::int16_t reason);
    bool tick(TimerId timer);
    // Lets simulated time pass, firing every tick that falls due: earliest
    // first, the lower timer number first on a tie.
    void advance(int milliseconds);
    // The user replacing `count` units of the input at `position`. As in the
    // real box, what does not fit is dropped, a character whole or not at
    // all, and only a different text is a change.
    bool edit(std::size_t position, std::size_t count, std::u16string_view inserted);
    // One edit per unit, at the end; returns how many units were taken.
    std::size_t type(std::u16string_view units);

    Control& at(ControlId id) { return controls[indexOf(id)]; }
    Timer& at(TimerId id) { return timers[indexOf(id)]; }

    // The desktop's side of each call: a write is logged and kept, a read
    // answers from the state and leaves no trace, so a handler may take its
    // state from the desktop as often as it likes.
    std::u16string caption(ControlId id) const override { return controls[indexOf(id)].caption; }
    void setCaption(ControlId id, std::u16string_view text) override {
        write(at(id).caption, text, "setCaption", {id, text});
    }
    void setForeColor(ControlId id, Color color) override {
        write(at(id).foreColor, color, "setForeColor", {id, color});
    }
    void setEnabled(ControlId id, bool on) override {
        write(at(id).enabled, on, "setEnabled", {id, on});
    }
    void setVisible(ControlId id, bool on) override {
        write(at(id).visible, on, "setVisible", {id, on});
    }
    Picture mouseIcon(ControlId id) const override { return controls[indexOf(id)].mouseIcon; }
    void setMouseIcon(ControlId id, Picture picture) override {
        write(at(id).mouseIcon, picture, "setMouseIcon", {id, picture});
    }
    void setFillColor(ControlId id, Color color) override {
        write(at(id).fillColor, color, "setFillColor", {id, color});
    }
    std::u16string text() const override { return input; }
    void setText(std::u16string_view text) override;
    void setPasswordChar(std::u16string_view m) override { write(mask, m, "setPasswordChar", {m}); }
    void setTimerEnabled(TimerId timer, bool on) override;
    WindowHandle windowHandle() const override { return kHandle; }
    std::u16string windowTitle() const override { return std::u16string(kFormLayout.title); }
    Picture windowIcon() const override { return kFormLayout.icon; }
    WindowState windowState() const override { return state; }
    void setWindowState(WindowState s) override { write(state, s, "setWindowState", {s}); }
    // The desktop refuses to size a minimized or maximized window.
    void setOuterHeight(int twips) override {
        write(outerHeight, state == WindowState::Normal ? twips : outerHeight, "setOuterHeight",
              {twips});
    }
    void setOuterWidth(int twips) override {
        write(outerWidth, state == WindowState::Normal ? twips : outerWidth, "setOuterWidth",
              {twips});
    }
    void setWindowEnabled(bool on) override { write(windowEnabled, on, "setWindowEnabled", {on}); }
    void makeLayered() override { record("makeLayered"); }
    void setOpacity(std::uint8_t a) override { write(alpha, int{a}, "setOpacity", {int{a}}); }
    void showWindow() override { write(shown, true, "showWindow"); }
    void messageBox(std::u16string_view text, int style, std::u16string_view title) override {
        record("messageBox", {text, style, title});
    }
    void showAbout(WindowHandle owner, std::u16string_view title, std::u16string_view text,
                   Picture icon) override {
        record("showAbout", {owner, title, text, icon});
    }
    void openUrl(WindowHandle owner, std::u16string_view address) override {
        record("openUrl", {owner, address});
    }
    void clearClipboard() override;
    void setClipboardText(std::u16string_view text) override;
    bool previousInstance() override { return otherInstance; }
    void end() override { write(ended, true, "end"); }

    // The window whose handlers the events run.
    Form1 form{*this};

    std::array<Control, kControlCount> controls{};
    std::array<Timer, kTimerCount> timers{};
    std::u16string input;
    std::u16string mask{layoutOf(ControlId::Text1).passwordChar};
    WindowState state = WindowState::Normal;
    int outerWidth = kFormLayout.outerWidth;
    int outerHeight = kFormLayout.outerHeight;
    bool windowEnabled = true;
    bool shown = false;
    int alpha = 255;
    bool otherInstance = false;
    bool ended = false;
    long long now = 0;  // simulated milliseconds
    std::optional<std::u16string> clipboard;
    // Another program holds the clipboard open: our calls on it fail
    // silently, as the desktop's do.
    bool clipboardHeld = false;
    // Every text that reached the clipboard, whether logged or not.
    std::vector<std::u16string> copied;

    // Every call that changes the desktop, in order, "; " between them, each
    // as its name and arguments: texts in UTF-8, colors in hex, the window's
    // own handle as Form1.
    mutable std::string log;
    // Logging costs time; long random runs switch it off.
    bool recording = true;

  private:
    // Held as given; spelled out only when logged.
    using Argument = std::variant<std::u16string_view, ControlId, TimerId, bool, int, Color,
                                  Picture, WindowState, WindowHandle>;
    void record(std::string_view call, std::initializer_list<Argument> arguments = {}) const;
    template <typename Field, typename Value>
    void write(Field& field, const Value& value, std::string_view call,
               std::initializer_list<Argument> arguments = {}) {
        record(call, arguments);
        field = value;
    }
    bool userCanReach() const { return !ended && shown && windowEnabled; }
    void fire(TimerId timer);
};

}  // namespace md5z
