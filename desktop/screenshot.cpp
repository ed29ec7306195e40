// md5zevrin-screenshot: the picture of the window for the documentation and
// the software centre. The real window is built from its widgets on Qt's
// offscreen platform, the start-up notice is acknowledged, "中文abc" is typed
// and "加密" clicked, and the window is grabbed with a title bar and border
// drawn around it by the widget style, since an offscreen window has no
// window manager to draw them.
//
//     md5zevrin-screenshot OUTPUT.png

#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/fonts.h"
#include "platform/qt/qt_platform.h"
#include "window/form.h"
#include "window/layout.h"
#include "window/result_model.h"

namespace {

const QString kSampleInput = QStringLiteral("中文abc");
// Long enough for the housekeeping ticks that follow a click to settle.
constexpr int kSettleMs = 100;
constexpr int kUsageError = 2;

int fail(const char* why) {
    std::fprintf(stderr, "md5zevrin-screenshot: %s\n", why);
    return EXIT_FAILURE;
}

// Types `text` as a user does: letters on the keyboard, Chinese characters
// committed one at a time by an input method.
void typeText(QWidget* field, const QString& text) {
    for (const QChar character : text) {
        if (character.unicode() < 0x80) {
            QTest::keyClick(field, character.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(character);
            QApplication::sendEvent(field, &commit);
        }
    }
}

// The window as a desktop shows it: the grabbed menu bar and client area in
// the design's outer size, with the border and a title bar (icon, title,
// minimize and close buttons) painted by the style around it.
QImage framedWindow(QMainWindow& window) {
    const QPixmap inside = window.grab();
    const int side = md5z::kFormLayout.frameSide / md5z::kTwipsPerPixel;
    const int outerHeight = md5z::kFormLayout.outerHeight / md5z::kTwipsPerPixel;
    const int top = std::max(side, outerHeight - side - inside.height());

    QImage picture(inside.width() + 2 * side, top + inside.height() + side,
                   QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    const QPalette palette = window.palette();
    painter.fillRect(picture.rect(), palette.color(QPalette::Active, QPalette::Window));

    QStyleOptionTitleBar title;
    title.initFrom(&window);
    title.rect = QRect(side, side, inside.width(), top - side);
    title.text = window.windowTitle();
    title.icon = window.windowIcon();
    title.titleBarFlags = window.windowFlags();
    title.titleBarState = Qt::WindowActive;
    title.state |= QStyle::State_Active | QStyle::State_Enabled;
    title.subControls = QStyle::SC_All;
    window.style()->drawComplexControl(QStyle::CC_TitleBar, &title, &painter, &window);

    painter.drawPixmap(side, top, inside);
    painter.setPen(palette.color(QPalette::Active, QPalette::Dark));
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    return picture;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: md5zevrin-screenshot OUTPUT.png\n");
        return kUsageError;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A private runtime directory, so that a running MD5Zevrin, whose
    // single-instance lock lives there, does not stop this one.
    QTemporaryDir runtime;
    if (runtime.isValid()) {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    md5z::setUpFonts();

    md5z::QtPlatform platform;
    md5z::Form1 form(platform);
    platform.attach(form);
    // The start-up notice is acknowledged as soon as it shows, as a user
    // does before typing.
    platform.answerBoxesWith([](QMessageBox& box) { box.accept(); });
    platform.load();
    if (platform.ended()) {
        return fail("the window ended during start-up");
    }
    platform.showWindow();
    if (!QTest::qWaitForWindowExposed(&platform.window())) {
        return fail("the window was never shown");
    }

    typeText(platform.control(md5z::ControlId::Text1), kSampleInput);
    QTest::mouseClick(platform.control(md5z::ControlId::ann1), Qt::LeftButton);
    QTest::qWait(kSettleMs);
    if (platform.caption(md5z::ControlId::Label12) == md5z::kPlaceholder) {
        return fail("the digest command showed no digest");
    }

    if (!framedWindow(platform.window()).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        return fail("the picture could not be written");
    }
    return EXIT_SUCCESS;
}
