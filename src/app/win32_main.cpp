#include <windows.h>

#include <cstdlib>

#include "platform/win32/win32_platform.h"
#include "window/form.h"

// The window program on Windows: the window is made from its layout, its load
// handler runs, and from then on it lives on the thread's message loop until
// its fade-out (or the second-instance rule) ends it. It takes no arguments.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    md5z::Win32Platform platform(instance);
    // Without its window the program would wait unseen for ever.
    if (platform.window() == nullptr) {
        return EXIT_FAILURE;
    }
    md5z::Form1 form(platform);
    platform.attach(form);
    // The load handler shows the window, unless it ended the program.
    platform.load();
    if (platform.ended()) {
        return 0;
    }
    return platform.run();
}
