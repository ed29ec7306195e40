#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "window/controls.h"
#include "window/form.h"
#include "window/layout.h"
#include "window/platform.h"

namespace md5z {

// The desktop in memory, for tests. It starts as the layout creates the
// window, keeps what the logic writes, and delivers events the way the one
// event loop does: one at a time, only where the user could cause them, and
// none once the process has ended. Modal boxes are answered at once. Its
// state is open, so a test can put the desktop in any situation (another
// program holding the clipboard, a maximized window) and see everything.
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
    struct Box {
        std::u16string title;
        std::u16string text;
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

    std::u16string caption(ControlId id) const override { return controls[indexOf(id)].caption; }
    void setCaption(ControlId id, std::u16string_view text) override { at(id).caption = text; }
    void setForeColor(ControlId id, Color color) override { at(id).foreColor = color; }
    void setEnabled(ControlId id, bool on) override { at(id).enabled = on; }
    void setVisible(ControlId id, bool on) override { at(id).visible = on; }
    Picture mouseIcon(ControlId id) const override { return controls[indexOf(id)].mouseIcon; }
    void setMouseIcon(ControlId id, Picture picture) override { at(id).mouseIcon = picture; }
    void setFillColor(ControlId id, Color color) override { at(id).fillColor = color; }
    std::u16string text() const override { return input; }
    void setText(std::u16string_view text) override;
    void setPasswordChar(std::u16string_view m) override { mask = m; }
    void setTimerEnabled(TimerId timer, bool on) override;
    WindowHandle windowHandle() const override { return kHandle; }
    std::u16string windowTitle() const override { return std::u16string(kFormLayout.title); }
    Picture windowIcon() const override { return kFormLayout.icon; }
    WindowState windowState() const override { return state; }
    void setWindowState(WindowState s) override { state = s; }
    // The desktop refuses to size a minimized or maximized window.
    void setOuterHeight(int twips) override {
        outerHeight = state == WindowState::Normal ? twips : outerHeight;
    }
    void setOuterWidth(int twips) override {
        outerWidth = state == WindowState::Normal ? twips : outerWidth;
    }
    void setWindowEnabled(bool on) override { windowEnabled = on; }
    void makeLayered() override {}
    void setOpacity(std::uint8_t a) override { alpha = a; }
    void showWindow() override { shown = true; }
    void messageBox(std::u16string_view text, int, std::u16string_view title) override {
        boxes.push_back({std::u16string(title), std::u16string(text)});
    }
    void showAbout(WindowHandle, std::u16string_view title, std::u16string_view text,
                   Picture) override {
        boxes.push_back({std::u16string(title), std::u16string(text)});
    }
    void openUrl(WindowHandle, std::u16string_view address) override {
        opened.emplace_back(address);
    }
    void clearClipboard() override;
    void setClipboardText(std::u16string_view text) override;
    bool previousInstance() override { return otherInstance; }
    void end() override { ended = true; }

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
    // Every text that reached the clipboard.
    std::vector<std::u16string> copied;
    // The boxes shown and the addresses handed to the browser, in order.
    std::vector<Box> boxes;
    std::vector<std::u16string> opened;

  private:
    bool userCanReach() const { return !ended && shown && windowEnabled; }
    void fire(TimerId timer);
};

}  // namespace md5z
