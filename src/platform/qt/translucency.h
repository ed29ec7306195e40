#pragma once

#include <cstdint>

class QGraphicsOpacityEffect;
class QWidget;

namespace md5z {

// How a top-level window is shown at an alpha of its own. Where the
// compositor honours the window-opacity property (any X compositing
// manager on an X server of its own; KWin through Xwayland) the whole window
// fades, frame included. Where it ignores that property (mutter, sway and
// weston through Xwayland) or there is no such property (native Wayland),
// the window draws its own pixels with alpha on a translucent surface, and
// the compositor's frame stays opaque. Never both: the alphas would
// multiply. Without a compositor the property is set all the same and the
// window stays opaque, as the X server shows it.
class Translucency {
  public:
    // Chooses the way for the desktop the application runs on; the window's
    // native surface must not exist yet.
    explicit Translucency(QWidget& window);
    Translucency(const Translucency&) = delete;
    Translucency& operator=(const Translucency&) = delete;

    void setAlpha(std::uint8_t alpha);

  private:
    QWidget& window_;
    QGraphicsOpacityEffect* effect_ = nullptr;
};

}  // namespace md5z
