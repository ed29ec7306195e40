#pragma once

namespace md5z {

// Chooses Qt's platform and input method before the application object
// exists, by what answers, never against the user's word:
// - a QT_QPA_PLATFORM the user set always wins;
// - otherwise X11 where an X server answers: only there the window places
//   itself in the middle of the screen and its notice over itself;
// - otherwise Wayland where a Wayland compositor answers, so a DISPLAY left
//   over from a server that has gone does not end the program;
// - otherwise nothing is chosen, and Qt's failure names no display.
// With QT_IM_MODULE unset, the window uses the input method the session
// runs (fcitx or ibus, by XMODIFIERS or their names on the session bus):
// Qt 6 has no XIM, so without this a window on X gets no Chinese input.
//
// What it chose is set in the environment for Qt to read, and taken back by
// forget() once the application object exists: programs the window starts
// (the browser) choose for themselves.
class PlatformChoice {
  public:
    PlatformChoice();
    void forget();

  private:
    bool platform_ = false;
    bool inputMethod_ = false;
};

}  // namespace md5z
