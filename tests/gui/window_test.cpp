// What only the Qt window can get wrong, on its real widgets offscreen: its
// place on the screen, captions the fonts of this desktop must fit and stay
// readable in, and a close while the start-up notice waits. The window's
// behaviour itself is the contract suite's (tests/contract).

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/qt/figure.h"
#include "platform/qt/qt_platform.h"
#include "test_window.h"

namespace md5z {
namespace {

using enum ControlId;

// WCAG 2 relative luminance.
double luminance(QColor color) {
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    void initTestCase() { prepareWindowTests(runtime_); }

    void startsCentredOnTheAvailableScreenArea() {
        TestWindow w;
        w.platform.answerBoxesWith([](QMessageBox& box) { box.accept(); });
        w.platform.load();
        QVERIFY(QTest::qWaitForWindowExposed(&w.main()));
        const QRect area = w.main().screen()->availableGeometry();
        const QPoint offset = w.main().frameGeometry().center() - area.center();
        // The frame a desktop puts around the window is known only once it is
        // shown, after it was placed: its width may shift the centre a little.
        constexpr int kFrameShift = 3;
        QVERIFY2(
            std::abs(offset.x()) <= kFrameShift && std::abs(offset.y()) <= kFrameShift,
            qPrintable(QStringLiteral("off centre by (%1, %2)").arg(offset.x()).arg(offset.y())));
    }

    // A close request while the start-up notice waits for its OK: the fade
    // runs meanwhile and ends the program.
    void closeDuringTheNoticeEndsThroughTheFade() {
        TestWindow w;
        bool noticeWasUp = false;
        QTimer::singleShot(50, [&] {
            noticeWasUp = QApplication::activeModalWidget() != nullptr;
            w.main().close();
            QTimer::singleShot(2000, [] {  // unblocks the test if the notice stays up
                if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    box->accept();
                }
            });
        });
        w.platform.load();
        QVERIFY(noticeWasUp);
        QTRY_VERIFY_WITH_TIMEOUT(w.platform.ended(), 10000);
        QVERIFY(!w.main().isVisible());
    }

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
        TestWindow w;
        w.commit(input);
        w.form.ann1_Click();
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

    void captionsStayReadable_data() {
        QTest::addColumn<ControlId>("label");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<double>("minimum");
        QTest::newRow("title (large text)") << Label1 << QColor(Qt::black) << 3.0;
        QTest::newRow("prompt") << Label2 << QColor(Qt::black) << 4.5;
        QTest::newRow("counter") << Label17 << QColor(0xFF, 0xFF, 0x00) << 4.5;
        QTest::newRow("warning") << Label14 << QColor(0x00, 0xFF, 0xFF) << 4.5;
    }

    // Against every pixel of the background as drawn under the caption's box,
    // where the layout puts it and where this desktop's fonts make it reach.
    void captionsStayReadable() {
        QFETCH(ControlId, label);
        QFETCH(QColor, color);
        QFETCH(double, minimum);
        TestWindow w;
        const QImage drawn = w.control(Image2)->grab().toImage();
        const QRect box = (pixelBox(layoutOf(label)) | w.control(label)->geometry()) & drawn.rect();
        QVERIFY(!box.isEmpty());
        const double text = luminance(color);
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                const double back = luminance(drawn.pixelColor(x, y));
                const double ratio = (std::max(text, back) + 0.05) / (std::min(text, back) + 0.05);
                QVERIFY2(
                    ratio >= minimum,
                    qPrintable(QStringLiteral("contrast %1 at (%2, %3)").arg(ratio).arg(x).arg(y)));
            }
        }
    }
};

}  // namespace md5z

QTEST_MAIN(md5z::WindowTest)
#include "window_test.moc"
