#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/win32/window_pictures.h"
#include "window/event_delivery.h"
#include "window/form.h"
#include "window/platform.h"

namespace md5z {

class InstanceLock;
class WindowAccessible;

// The desktop of the window on Win32: one top-level window whose client area
// draws the layout's labels, shapes, lines and background itself at the DPI
// of its monitor, a native EDIT control for Text1, the menu bar, SetTimer
// timers, message boxes, the clipboard and the shell. The keyboard reaches
// the label-buttons too, and assistive technology reads the drawn controls
// through MSAA. Events reach Form1 through its dispatch entry points as
// EventDelivery hands them on, one at a time, until end().
class Win32Platform final : public Platform {
  public:
    explicit Win32Platform(HINSTANCE instance);
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    // Events reach `form` from now on.
    void attach(Form1& form);
    // Runs the load handler as an event of the window.
    void load();
    // Pumps the thread's messages until end(); returns the exit status.
    int run();

    HWND window() const { return window_; }
    HWND textBox() const { return textBox_; }
    // The DPI the window is drawn at now.
    UINT dpi() const { return dpi_; }
    // Where a control lies in the client area, in pixels, as drawn now.
    RECT controlBox(ControlId id) const { return boxes_[indexOf(id)]; }
    bool isEnabled(ControlId id) const { return enabled_[indexOf(id)]; }
    bool isVisible(ControlId id) const { return visible_[indexOf(id)]; }
    // The label-button that has the keyboard focus, if one has.
    std::optional<ControlId> keyboardFocus() const;
    // Gives the keyboard focus to an enabled label-button, or to the box.
    void focusOn(ControlId id);
    // Presses a label-button for assistive technology, once control is back
    // in the message loop, exactly as a click would; false when it could not
    // be clicked now (greyed, or the window blocked by a modal box).
    bool pressSoon(ControlId id);
    // What the latest click changed, in words for a screen reader.
    const std::u16string& notice() const { return notice_; }
    // The surface a mouse event at this client point belongs to.
    ControlId surfaceAt(POINT point) const;
    bool ended() const { return delivery_.ended(); }
    bool timerEnabled(TimerId id) const { return timerEnabled_[indexOf(id)]; }
    // Whether Timer1's ticks are being delivered right now.
    bool housekeepingAwake() const { return delivery_.housekeepingAwake(); }

    std::u16string caption(ControlId label) const override;
    void setCaption(ControlId label, std::u16string_view text) override;
    void setForeColor(ControlId label, Color color) override;
    void setEnabled(ControlId control, bool enabled) override;
    void setVisible(ControlId control, bool visible) override;
    Picture mouseIcon(ControlId label) const override;
    void setMouseIcon(ControlId label, Picture picture) override;

    void setFillColor(ControlId shape, Color color) override;

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
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
    static LRESULT CALLBACK textBoxProcedure(HWND box, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    LRESULT handleTextBox(UINT message, WPARAM w, LPARAM l);
    bool onKey(WPARAM key, LPARAM l);

    template <typename Handler>
    void react(Handler handler) {
        delivery_.react(handler);
    }
    void noteChange() { delivery_.noteChange(); }
    void runHousekeepingTimer(bool run);
    bool acceptsInput() const;
    bool clickable(ControlId id) const;
    void press(ControlId id);

    void applyDpi(UINT dpi);
    void createWindow();
    void createTextBox();
    void createToolTips();
    void startLayoutTimers();
    void onMouse(UINT message, POINT point);
    void onCommand(WPARAM w, LPARAM l);
    void onTextChange();
    void moveKeyboardFocus(bool forward);
    void showFocusChange(std::optional<ControlId> before);
    bool frameShown() const;
    RECT frameBox(ControlId id) const;
    void onDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT accessibleObject(WindowAccessible*& object, ControlId root, WPARAM w);
    bool onSetCursor(LPARAM l);
    void onClose();
    void paint();
    void drawClient(HDC dc) const;

    void placeLabel(ControlId id);
    void redraw(const RECT& box) const;
    void updateToolRect(ControlId id) const;
    SIZE outerSizeFor(int clientWidth, int clientHeight) const;
    void fitToDesign();
    void askForOuterSize(std::optional<int>& asked, int pixels, bool height);

    HINSTANCE instance_;
    // Assistive technology talks to the window through COM.
    bool oleStarted_ = false;
    UINT dpi_;
    std::unique_ptr<WindowPictures> pictures_;
    HWND window_ = nullptr;
    HWND textBox_ = nullptr;
    HWND toolTips_ = nullptr;
    WNDPROC textBoxDefault_ = nullptr;
    std::array<HFONT, kControlCount> fonts_{};
    std::array<RECT, kControlCount> boxes_{};
    std::array<std::u16string, kControlCount> captions_{};
    std::array<Color, kControlCount> foreColors_{};
    std::array<Color, kControlCount> fills_{};
    std::array<bool, kControlCount> enabled_{};
    std::array<bool, kControlCount> visible_{};
    std::array<Picture, kControlCount> mouseIcons_{};
    std::array<bool, kTimerCount> timerEnabled_{};
    std::u16string lastText_;
    std::u16string notice_;
    std::optional<ControlId> pressed_;
    std::optional<ControlId> keyFocus_;
    WindowAccessible* accessible_ = nullptr;
    WindowAccessible* boxAccessible_ = nullptr;
    std::optional<int> askedHeight_;
    std::optional<int> askedWidth_;
    std::optional<std::uint8_t> alpha_;
    std::unique_ptr<InstanceLock> instanceLock_;
    EventDelivery delivery_;
};

}  // namespace md5z
