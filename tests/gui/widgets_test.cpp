// The Qt layer itself, on the real widgets offscreen: what the platform
// draws, where it puts the window, which presses it counts as clicks and how
// its boxes look. Each case looks at the widgets, not at the logic's calls.

#include <QApplication>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <optional>

#include "window/result_model.h"
#include "platform/qt/figure.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "test_window.h"

namespace md5z {
namespace {

using enum ControlId;

// What a box showed while it waited for its answer.
struct ShownBox {
    QMessageBox::Icon icon;
    bool hasIconPicture;
    QMessageBox::StandardButtons buttons;
    QString title;
    bool modal;
    // Where the window's focus goes back to once the box is gone.
    QWidget* windowFocus;
};

// The window as the program runs it, started and with its notice
// acknowledged; every box it shows is noted before it is acknowledged.
struct Window : TestWindow {
    std::vector<ShownBox> boxes;

    Window() {
        platform.answerBoxesWith([this](QMessageBox& box) {
            boxes.push_back({box.icon(), !box.iconPixmap().isNull(), box.standardButtons(),
                             box.windowTitle(), box.isModal() && box.isVisible(),
                             platform.window().focusWidget()});
            box.accept();
        });
        platform.load();
        (void)QTest::qWaitForWindowExposed(&platform.window());
    }
    bool showsDigest() const { return label(Label12)->text() != qText(kPlaceholder); }
    // The client area as drawn, and one pixel of it given in twips.
    QColor drawnAt(int leftTwips, int topTwips) const {
        return control(Form1)->grab().toImage().pixelColor(pixels(leftTwips), pixels(topTwips));
    }
};

using Gesture = std::function<void(Window&)>;

QPoint centreOf(const QWidget* widget) {
    return widget->rect().center();
}

}  // namespace

class WidgetsTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    void initTestCase() { prepareWindowTests(runtime_); }

    void renditionsAreFullyVisible_data() {
        QTest::addColumn<QString>("input");
        QTest::newRow("mixed") << QStringLiteral("中文abc");
        QTest::newRow("thirty hanzi") << QString(30, QChar(0x4E2D));
        QTest::newRow("thirty wide letters") << QString(30, u'W');
    }

    // After 加密 every row's text is drawn whole: it fits inside its label,
    // and the label inside the row table and short of the copy label.
    void renditionsAreFullyVisible() {
        QFETCH(QString, input);
        Window w;
        w.commit(input);
        w.click(ann1);
        QVERIFY(w.showsDigest());
        const QRect table = pixelBox(layoutOf(Shape1));
        const struct {
            ControlId row;
            std::optional<ControlId> copy;
        } rows[] = {{Label8, {}}, {Label9, fz1}, {Label10, fz2}, {Label11, fz3}, {Label12, fz4}};
        for (const auto& [row, copy] : rows) {
            const QLabel* shown = w.label(row);
            const QFontMetrics metrics(shown->font());
            const QString name = QString::fromLatin1(nameOf(row));
            QVERIFY2(metrics.horizontalAdvance(shown->text()) <= shown->contentsRect().width(),
                     qPrintable(name + QStringLiteral(" cuts its text off")));
            QVERIFY2(metrics.height() <= shown->contentsRect().height(),
                     qPrintable(name + QStringLiteral(" cuts its text off below")));
            QVERIFY2(table.contains(shown->geometry()),
                     qPrintable(name + QStringLiteral(" reaches out of the table")));
            if (copy) {
                QVERIFY2(shown->geometry().right() < w.control(*copy)->geometry().left(),
                         qPrintable(name + QStringLiteral(" runs under its copy label")));
            }
        }
    }

    void clickNeedsPressAndReleaseOnOneEnabledLabel_data() {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<bool>("digests");
        QTest::newRow("press and release on 加密")
            << Gesture([](Window& w) { w.click(ann1); }) << true;
        QTest::newRow("released outside 加密") << Gesture([](Window& w) {
            QTest::mousePress(w.control(ann1), Qt::LeftButton, {}, centreOf(w.control(ann1)));
            QTest::mouseRelease(w.control(ann1), Qt::LeftButton, {}, QPoint(-20, -20));
        }) << false;
        QTest::newRow("pressed on 重置, released on 加密") << Gesture([](Window& w) {
            QTest::mousePress(w.control(ann2), Qt::LeftButton, {}, centreOf(w.control(ann2)));
            // The release goes to the label pressed, where the pointer now is.
            const QPoint over = w.control(ann2)->mapFromGlobal(
                w.control(ann1)->mapToGlobal(centreOf(w.control(ann1))));
            QTest::mouseRelease(w.control(ann2), Qt::LeftButton, {}, over);
        }) << false;
        QTest::newRow("right button")
            << Gesture([](Window& w) { QTest::mouseClick(w.control(ann1), Qt::RightButton); })
            << false;
        QTest::newRow("window disabled by a close") << Gesture([](Window& w) {
            w.main().close();
            w.click(ann1);
        }) << false;
    }

    // Neither command may run from anything but a whole click on its label.
    void clickNeedsPressAndReleaseOnOneEnabledLabel() {
        QFETCH(Gesture, gesture);
        QFETCH(bool, digests);
        Window w;
        w.commit(QStringLiteral("abc"));
        gesture(w);
        QCOMPARE(w.showsDigest(), digests);
        QCOMPARE(w.box()->text(), QStringLiteral("abc"));  // 重置 never ran
    }

    void startsCentredOnTheAvailableScreenArea() {
        Window w;
        const QMainWindow& main = w.main();
        const QRect area = main.screen()->availableGeometry();
        const QPoint offset = main.frameGeometry().center() - area.center();
        // The frame a desktop puts around the window is known only once it is
        // shown, after it was placed: its width may shift the centre a little.
        constexpr int kFrameShift = 3;
        QVERIFY2(
            std::abs(offset.x()) <= kFrameShift && std::abs(offset.y()) <= kFrameShift,
            qPrintable(QStringLiteral("off centre by (%1, %2)").arg(offset.x()).arg(offset.y())));
    }

    // Typing goes to the input box as soon as the notice is acknowledged: the
    // window has handed it the focus before the notice showed, whichever
    // control the desktop would pick on its own.
    void inputBoxHasTheFocusOnceTheNoticeIsGone() {
        Window w;
        QCOMPARE(w.boxes.size(), std::size_t{1});
        QCOMPARE(w.boxes.front().windowFocus, static_cast<QWidget*>(w.box()));
        QMainWindow& main = w.main();
        QCOMPARE(main.focusWidget(), static_cast<QWidget*>(w.box()));
        QApplication::setActiveWindow(&main);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.box()));
    }

    void boxesCarryTheIconAndButtonsTheirStyleAsks_data() {
        QTest::addColumn<Gesture>("show");
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("title");
        const auto style = [](int number) {
            return Gesture(
                [number](Window& w) { w.platform.messageBox(u"text", number, u"title"); });
        };
        // The notice is the first box; every other row shows a second one.
        QTest::newRow("notice at start") << Gesture([](Window&) {}) << int(QMessageBox::Information)
                                         << false << QStringLiteral("提示");
        QTest::newRow("contact") << Gesture([](Window& w) {
            w.platform.menuItem(MenuId::gy3)->trigger();
        }) << int(QMessageBox::Information)
                                 << false << QStringLiteral("联系开发者");
        QTest::newRow("about") << Gesture([](Window& w) {
            w.platform.menuItem(MenuId::gy4)->trigger();
        }) << int(QMessageBox::NoIcon)
                               << true << QStringLiteral("关于 MD5Zevrin");
        QTest::newRow("style 64") << style(64) << int(QMessageBox::Information) << false
                                  << QStringLiteral("title");
        QTest::newRow("style 48") << style(48) << int(QMessageBox::Warning) << false
                                  << QStringLiteral("title");
        QTest::newRow("style 32") << style(32) << int(QMessageBox::Question) << false
                                  << QStringLiteral("title");
        QTest::newRow("style 16") << style(16) << int(QMessageBox::Critical) << false
                                  << QStringLiteral("title");
        QTest::newRow("style 0") << style(0) << int(QMessageBox::NoIcon) << false
                                 << QStringLiteral("title");
    }

    // Each box is modal, shows one OK button, and the icon its style names
    // (the About box: the program's own picture).
    void boxesCarryTheIconAndButtonsTheirStyleAsks() {
        QFETCH(Gesture, show);
        QFETCH(int, icon);
        QFETCH(bool, picture);
        QFETCH(QString, title);
        Window w;
        show(w);
        // Menu commands run from the event loop, after the menu has closed.
        const std::size_t expected = title == QStringLiteral("提示") ? 1 : 2;
        QTRY_COMPARE(w.boxes.size(), expected);
        const ShownBox& shown = w.boxes.back();
        QCOMPARE(int(shown.icon), icon);
        QCOMPARE(shown.hasIconPicture, picture || icon != int(QMessageBox::NoIcon));
        QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(shown.title, title);
        QVERIFY(shown.modal);
    }

    void commandFacesRestLightAndRestAgain_data() {
        QTest::addColumn<ControlId>("command");
        QTest::addColumn<ControlId>("face");
        QTest::newRow("加密 over Shape3") << ann1 << Shape3;
        QTest::newRow("重置 over Shape4") << ann2 << Shape4;
    }

    // A face starts in its resting color, takes another while the pointer is
    // over its label, and gets the first back when the pointer leaves.
    void commandFacesRestLightAndRestAgain() {
        QFETCH(ControlId, command);
        QFETCH(ControlId, face);
        Window w;
        // Inside the face, beside its label.
        const Geometry& box = layoutOf(face).geometry;
        const int x = box.left + 2 * kTwipsPerPixel;
        const int y = box.top + box.height / 2;
        const QColor atStart = w.drawnAt(x, y);
        QTest::mouseMove(w.control(command));
        const QColor lit = w.drawnAt(x, y);
        QTest::mouseMove(w.control(Image2), QPoint(5, 5));
        const QColor left = w.drawnAt(x, y);
        QVERIFY2(lit != atStart, qPrintable(QStringLiteral("starts lit: ") + atStart.name()));
        QCOMPARE(left, atStart);
    }
};

}  // namespace md5z

QTEST_MAIN(md5z::WidgetsTest)
#include "widgets_test.moc"
