#include <QApplication>
#include <cstdlib>

#include "app/display_opening.h"
#include "app/platform_choice.h"
#include "platform/qt/fonts.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_translations.h"
#include "window/form.h"

// The window program: the window is made from its layout, its load handler
// runs, and from then on it lives on Qt's event loop until its fade-out (or
// the second-instance rule) ends it. Qt's own arguments (-platform, ...) are
// honoured; the program has none of its own.
int main(int argc, char* argv[]) {
    md5z::PlatformChoice choice;
    md5z::DisplayOpening opening;
    QApplication application(argc, argv);
    opening.opened();
    choice.forget();
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
