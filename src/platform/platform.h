#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/controls.h"

namespace md5z {

using WindowHandle = std::uintptr_t;

// Everything the window's logic asks of the desktop: its controls, timers,
// boxes, clipboard, shell and process. The logic reaches the outside world
// through this interface only, so a fake can stand in for the desktop in
// tests. No caller examines whether an operation succeeded.
class Platform {
  public:
    virtual ~Platform() = default;

    // Labels (and, for caption, the hidden value stores).
    virtual std::u16string caption(ControlId label) const = 0;
    virtual void setCaption(ControlId label, std::u16string_view text) = 0;
    virtual void setForeColor(ControlId label, Colour colour) = 0;
    // A disabled label raises no click; a hidden one is never drawn.
    virtual void setEnabled(ControlId control, bool enabled) = 0;
    virtual void setVisible(ControlId control, bool visible) = 0;
    virtual Picture mouseIcon(ControlId label) const = 0;
    virtual void setMouseIcon(ControlId label, Picture picture) = 0;

    // Shapes.
    virtual void setFillColor(ControlId shape, Colour colour) = 0;

    // The input box, Text1. Writing a different text raises Text1_Change
    // before setText returns.
    virtual std::u16string text() const = 0;
    virtual void setText(std::u16string_view text) = 0;
    virtual void setPasswordChar(std::u16string_view mask) = 0;

    // Timers. Enabling one starts its interval afresh; a disabled timer
    // raises no tick.
    virtual void setTimerEnabled(TimerId timer, bool enabled) = 0;

    // The window.
    virtual WindowHandle windowHandle() const = 0;
    virtual std::u16string windowTitle() const = 0;
    virtual Picture windowIcon() const = 0;
    virtual WindowState windowState() const = 0;
    virtual void setWindowState(WindowState state) = 0;
    virtual void setOuterHeight(int twips) = 0;
    virtual void setOuterWidth(int twips) = 0;
    virtual void setWindowEnabled(bool enabled) = 0;
    // Whole-window translucency: makeLayered once, then any alpha 0..255.
    virtual void makeLayered() = 0;
    virtual void setOpacity(std::uint8_t alpha) = 0;
    virtual void showWindow() = 0;

    // Modal boxes; each returns when the user has dismissed it.
    virtual void messageBox(std::u16string_view text, int style, std::u16string_view title) = 0;
    virtual void showAbout(WindowHandle owner, std::u16string_view title, std::u16string_view text,
                           Picture icon) = 0;

    // The shell: hands an address to the default browser and returns at once.
    virtual void openUrl(WindowHandle owner, std::u16string_view address) = 0;

    // The clipboard: afterwards it holds exactly the text set.
    virtual void clearClipboard() = 0;
    virtual void setClipboardText(std::u16string_view text) = 0;

    // The process.
    virtual bool previousInstance() = 0;
    // Ends the process: no further handler runs and no close request follows.
    virtual void end() = 0;
};

// Message box style: information icon, a single OK button.
inline constexpr int kInformationBox = 64;

}  // namespace md5z
