#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "window/controls.h"

namespace md5z {

using WindowHandle = std::uintptr_t;

// Everything the window's logic asks of the desktop: its controls, timers,
// boxes, clipboard, shell and process. The logic reaches the outside world
// through this interface only, so a fake can stand in for the desktop in
// tests and each operating system adds an implementation beside the others.
//
// No caller examines whether an operation succeeded, so each one says below
// what it does when the desktop refuses it; an implementation must never
// throw from one, nor report a refusal any other way. Operations on a
// control that the window does not have (a caption of a shape) do nothing,
// and reads of one give the empty or zero value.
class Platform {
  public:
    virtual ~Platform() = default;

    // Labels (and, for caption, the hidden value stores). These act on the
    // program's own widgets, which the desktop cannot refuse; the caption
    // reads back exactly what was written.
    virtual std::u16string caption(ControlId label) const = 0;
    virtual void setCaption(ControlId label, std::u16string_view text) = 0;
    virtual void setForeColor(ControlId label, Color color) = 0;
    // A disabled label raises no click; a hidden one is never drawn.
    virtual void setEnabled(ControlId control, bool enabled) = 0;
    virtual void setVisible(ControlId control, bool visible) = 0;
    // A pointer picture the desktop cannot show leaves its standard arrow;
    // the picture reads back as written all the same.
    virtual Picture mouseIcon(ControlId label) const = 0;
    virtual void setMouseIcon(ControlId label, Picture picture) = 0;

    // Shapes.
    virtual void setFillColor(ControlId shape, Color color) = 0;

    // The input box, Text1. Writing a different text raises Text1_Change
    // before setText returns.
    virtual std::u16string text() const = 0;
    virtual void setText(std::u16string_view text) = 0;
    virtual void setPasswordChar(std::u16string_view mask) = 0;

    // Timers. Enabling a stopped one starts its interval afresh; enabling a
    // running one keeps its schedule; a disabled timer raises no tick. A
    // desktop that cannot keep an interval as short as asked ticks as often
    // as it can; ticks are never queued up to catch up.
    virtual void setTimerEnabled(TimerId timer, bool enabled) = 0;

    // The window. The handle, title and icon read back what the layout gave.
    virtual WindowHandle windowHandle() const = 0;
    virtual std::u16string windowTitle() const = 0;
    virtual Picture windowIcon() const = 0;
    // The state the desktop shows, which may differ from the state last set:
    // a desktop that refuses a change keeps its own state, and reports it.
    virtual WindowState windowState() const = 0;
    virtual void setWindowState(WindowState state) = 0;
    // A size the desktop refuses (a tiling window manager, a minimized or
    // maximized window) is asked for again on the next call and otherwise
    // left to the desktop; it is not an error.
    virtual void setOuterHeight(int twips) = 0;
    virtual void setOuterWidth(int twips) = 0;
    // A disabled window takes no clicks, keys or mouse moves; close requests
    // from the desktop still arrive.
    virtual void setWindowEnabled(bool enabled) = 0;
    // Whole-window translucency: makeLayered once, then any alpha 0..255. A
    // desktop without translucency (no compositor) shows the window opaque;
    // the fade's timing and its end are the same.
    virtual void makeLayered() = 0;
    virtual void setOpacity(std::uint8_t alpha) = 0;
    // Shows the window centred on the screen's available area with the
    // focus in the input box; a desktop that places windows itself may put
    // it elsewhere. Once shown, a second call does nothing.
    virtual void showWindow() = 0;

    // Modal boxes; each returns when the user has dismissed it, or at once
    // when the box could not be shown.
    virtual void messageBox(std::u16string_view text, int style, std::u16string_view title) = 0;
    virtual void showAbout(WindowHandle owner, std::u16string_view title, std::u16string_view text,
                           Picture icon) = 0;

    // The shell: hands an address to the default browser and returns at
    // once. Without a browser, or when it refuses, nothing opens.
    virtual void openUrl(WindowHandle owner, std::u16string_view address) = 0;

    // The clipboard: afterwards it holds exactly the text set. While another
    // program holds the clipboard, both calls leave it as that program has
    // it.
    virtual void clearClipboard() = 0;
    virtual void setClipboardText(std::u16string_view text) = 0;

    // The process. Whether another instance runs for this user on this
    // desktop; when that cannot be found out, the answer is no, so the
    // window always runs.
    virtual bool previousInstance() = 0;
    // Ends the process: no further handler runs and no close request follows.
    virtual void end() = 0;
};

// Message box style: information icon, a single OK button.
inline constexpr int kInformationBox = 64;

}  // namespace md5z
