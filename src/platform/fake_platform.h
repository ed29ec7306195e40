#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/platform.h"
#include "window/form.h"

namespace md5z::testing {

// The desktop as the window's logic sees it, in memory. It starts as the
// layout creates the window, keeps every property the logic writes, records
// every call in order, and delivers events the way the single event loop
// does: one at a time, only to controls that can receive them, and nothing
// at all once the process has ended. Modal boxes are answered at once.
class FakePlatform final : public Platform {
  public:
    struct MessageBoxCall {
        std::u16string text;
        int style;
        std::u16string title;
    };
    struct AboutCall {
        WindowHandle owner;
        std::u16string title;
        std::u16string text;
        Picture icon;
    };
    struct UrlCall {
        WindowHandle owner;
        std::u16string address;
    };

    static constexpr WindowHandle kHandle = 0x00C0FFEE;

    FakePlatform();

    // The window whose handlers the events run; Text1_Change runs inside
    // setText, as the real edit box raises it.
    void drive(Form1& form) { form_ = &form; }
    void setPreviousInstance(bool running) { previousInstance_ = running; }
    // Another program holds the clipboard open with `content` on it (or no
    // owner at all): clearing and setting it fail the way the desktop's calls
    // do, silently and changing nothing, until it is released.
    void holdClipboardElsewhere(std::optional<std::u16string> content) {
        clipboardHeldElsewhere_ = true;
        clipboard_ = std::move(content);
    }
    void releaseClipboard() { clipboardHeldElsewhere_ = false; }

    // Events. Each returns whether it reached a handler.
    bool load();
    bool click(ControlId control);
    bool chooseMenu(MenuId item);
    bool mouseMove(ControlId surface);
    bool closeRequest(std::int16_t reason);
    bool tick(TimerId timer);
    // Lets simulated time pass, firing every tick that falls due in order
    // (earliest first, lower timer number first on a tie).
    void advance(int milliseconds);

    // The user editing Text1. Like the real box, it keeps at most 30 units:
    // what does not fit is dropped. A change raises Text1_Change once.
    bool replaceInput(std::size_t position, std::size_t count, std::u16string_view inserted);
    // One change per unit, at the end; returns how many units were taken.
    std::size_t type(std::u16string_view units);
    bool paste(std::u16string_view text);
    bool erase(std::size_t position, std::size_t count);
    bool clearInput();

    // The user or the desktop changing the window.
    void userSetWindowState(WindowState state) { windowState_ = state; }
    void userResize(int outerWidth, int outerHeight);

    // What happened, without recording anything.
    std::vector<std::string> log() const;
    // The log without the calls that only read a property.
    std::vector<std::string> writes() const;
    void clearLog() { log_.clear(); }
    // Recording costs time; long random runs switch it off.
    void setRecording(bool on) { recording_ = on; }
    int callsAfterEnd() const { return callsAfterEnd_; }

    std::u16string captionOf(ControlId id) const { return control(id).caption; }
    bool enabledOf(ControlId id) const { return control(id).enabled; }
    bool visibleOf(ControlId id) const { return control(id).visible; }
    Colour foreColorOf(ControlId id) const { return control(id).foreColor; }
    Colour fillColorOf(ControlId id) const { return control(id).fillColor; }
    Picture mouseIconOf(ControlId id) const { return control(id).mouseIcon; }
    bool timerEnabledOf(TimerId id) const { return timers_[indexOf(id)].enabled; }
    const std::u16string& inputText() const { return text_; }
    const std::u16string& passwordChar() const { return passwordChar_; }

    bool ended() const { return ended_; }
    bool windowShown() const { return shown_; }
    bool windowEnabled() const { return windowEnabled_; }
    bool layered() const { return layered_; }
    int opacity() const { return opacity_; }
    WindowState windowStateNow() const { return windowState_; }
    int outerWidth() const { return outerWidth_; }
    int outerHeight() const { return outerHeight_; }
    long long now() const { return now_; }
    std::optional<bool> lastCloseRefused() const { return lastCloseRefused_; }

    const std::optional<std::u16string>& clipboard() const { return clipboard_; }
    // Every text set on the clipboard, recorded or not.
    const std::vector<std::u16string>& clipboardHistory() const { return clipboardHistory_; }
    const std::vector<MessageBoxCall>& messageBoxes() const { return messageBoxes_; }
    const std::vector<AboutCall>& aboutBoxes() const { return aboutBoxes_; }
    const std::vector<UrlCall>& openedUrls() const { return openedUrls_; }

    // Platform.
    std::u16string caption(ControlId label) const override;
    void setCaption(ControlId label, std::u16string_view text) override;
    void setForeColor(ControlId label, Colour colour) override;
    void setEnabled(ControlId control, bool enabled) override;
    void setVisible(ControlId control, bool visible) override;
    Picture mouseIcon(ControlId label) const override;
    void setMouseIcon(ControlId label, Picture picture) override;
    void setFillColor(ControlId shape, Colour colour) override;
    std::u16string text() const override;
    void setText(std::u16string_view text) override;
    void setPasswordChar(std::u16string_view mask) override;
    void setTimerEnabled(TimerId timer, bool enabled) override;
    WindowHandle windowHandle() const override;
    std::u16string windowTitle() const override;
    Picture windowIcon() const override;
    WindowState windowState() const override;
    void setWindowState(WindowState state) override;
    void setOuterHeight(int twips) override;
    void setOuterWidth(int twips) override;
    void setWindowEnabled(bool enabled) override;
    void makeLayered() override;
    void setOpacity(std::uint8_t alpha) override;
    void showWindow() override;
    void messageBox(std::u16string_view text, int style, std::u16string_view title) override;
    void showAbout(WindowHandle owner, std::u16string_view title, std::u16string_view text,
                   Picture icon) override;
    void openUrl(WindowHandle owner, std::u16string_view address) override;
    void clearClipboard() override;
    void setClipboardText(std::u16string_view text) override;
    bool previousInstance() override;
    void end() override;

  private:
    struct ControlState {
        std::u16string caption;
        bool enabled = true;
        bool visible = true;
        Colour foreColor = 0;
        Colour fillColor = 0;
        Picture mouseIcon = Picture::None;
    };
    struct TimerState {
        int interval = 0;
        bool enabled = false;
        long long due = 0;
    };
    struct LogEntry {
        std::string call;
        bool read;
    };

    const ControlState& control(ControlId id) const { return controls_[indexOf(id)]; }
    ControlState& control(ControlId id) { return controls_[indexOf(id)]; }

    // Whether the user can reach the window with pointer or keyboard.
    bool userCanReach() const;
    void fire(TimerId timer);

    template <typename Describe>
    void record(bool read, Describe describe) const {
        if (ended_) {
            ++callsAfterEnd_;
        }
        if (recording_) {
            log_.push_back({describe(), read});
        }
    }

    Form1* form_ = nullptr;
    std::array<ControlState, kControlCount> controls_{};
    std::array<TimerState, kTimerCount> timers_{};
    std::u16string text_;
    std::u16string passwordChar_;
    std::size_t maxLength_ = 0;
    WindowState windowState_ = WindowState::Normal;
    int outerWidth_ = 0;
    int outerHeight_ = 0;
    bool windowEnabled_ = true;
    bool shown_ = false;
    bool layered_ = false;
    int opacity_ = 255;
    bool previousInstance_ = false;
    bool ended_ = false;
    bool dispatching_ = false;
    long long now_ = 0;
    std::optional<bool> lastCloseRefused_;
    std::optional<std::u16string> clipboard_;
    bool clipboardHeldElsewhere_ = false;
    std::vector<std::u16string> clipboardHistory_;
    std::vector<MessageBoxCall> messageBoxes_;
    std::vector<AboutCall> aboutBoxes_;
    std::vector<UrlCall> openedUrls_;

    mutable std::vector<LogEntry> log_;
    mutable int callsAfterEnd_ = 0;
    bool recording_ = true;
};

// A window driven by a fake desktop, as a test starts it.
struct FakeWindow {
    FakePlatform platform;
    Form1 form{platform};

    FakeWindow() { platform.drive(form); }

    // Loads the window as a first instance and forgets what loading did.
    void start() {
        platform.load();
        platform.clearLog();
    }
};

// The calls of a log that name any of the given controls or timers.
std::vector<std::string> mentioning(const std::vector<std::string>& calls,
                                    std::initializer_list<std::string_view> names);

// Text for messages and logs.
std::string utf8(std::u16string_view text);

}  // namespace md5z::testing
