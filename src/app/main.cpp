#include <QApplication>
#include <QByteArray>
#include <cstdlib>

#include "app/display_opening.h"
#include "platform/qt/fonts.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_translations.h"
#include "window/form.h"

namespace {

// Only an X server gives the window what its layout asks for: translucency,
// a place in the middle of the screen, the notice over the window. So on a
// Wayland session that also runs an X server (XWayland) the window goes to
// X; a platform the user names is always obeyed, and native Wayland serves
// where there is no X server. Returns whether it chose.
bool preferX11() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY")) {
        return false;
    }
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
    return true;
}

}  // namespace

// The window program: the window is made from its layout, its load handler
// runs, and from then on it lives on Qt's event loop until its fade-out (or
// the second-instance rule) ends it. Qt's own arguments (-platform, ...) are
// honoured; the program has none of its own.
int main(int argc, char* argv[]) {
    const bool choseX11 = preferX11();
    md5z::DisplayOpening opening;
    QApplication application(argc, argv);
    opening.opened();
    // The choice is the window's own: programs it starts (the browser)
    // choose for themselves.
    if (choseX11) {
        qunsetenv("QT_QPA_PLATFORM");
    }
    // The window refuses every close; only the logic ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // The installed desktop entry's name, so desktops show the window with its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.zevrin.MD5Zevrin"));
    md5z::setUpFonts();
    md5z::loadQtTranslations(QLocale::system());

    md5z::QtPlatform platform;
    md5z::Form1 form(platform);
    platform.attach(form);
    // The load handler shows the window, unless it ended the program.
    platform.load();
    if (platform.ended()) {
        return EXIT_SUCCESS;
    }
    return QApplication::exec();
}
