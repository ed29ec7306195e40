// The window on its real widgets, offscreen: what the user sees and does, the
// housekeeping tick, the fade-out, hostile input and the pictures.

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDialog>
#include <QFile>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWindow>
#include <QtEndian>
#include <cmath>
#include <functional>
#include <utility>

#include "core/code_page.h"
#include "core/pinyin_initial.h"
#include "platform/qt/figure.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "test_window.h"

namespace md5z {
namespace {

using enum ControlId;

const QString kPlaceholder = QStringLiteral("Loading...");
const QString kReady = QStringLiteral("复制");
const QString kConfirming = QStringLiteral("已复制");
constexpr int kInputLimit = 30;
constexpr ControlId kCopiedRows[] = {Label9, Label10, Label11, Label12};

// The window as the program runs it; its boxes are acknowledged as they show.
struct Window : TestWindow {
    explicit Window(bool start = true) {
        platform.answerBoxesWith([](QMessageBox& box) { box.accept(); });
        if (start) {
            platform.load();
            platform.showWindow();
            (void)QTest::qWaitForWindowExposed(&main());
        }
    }
    QTimer* timer(TimerId id) const {
        return main().findChild<QTimer*>(QString::fromLatin1(nameOf(id)));
    }
    void paste(const QString& text) const {
        QGuiApplication::clipboard()->setText(text);
        QTest::keySequence(box(), QKeySequence::Paste);
    }
    // Latin-1 as key presses, anything else committed by an input method.
    void type(const QString& text) const {
        for (const QChar c : text) {
            c.unicode() < 0x100 ? QTest::keyClick(box(), c.toLatin1()) : commit(QString(c));
        }
    }
};

// What the box keeps of a text: as many whole characters as fit.
QString fitting(const QString& text) {
    QString kept = text.left(kInputLimit);
    if (kept.size() == kInputLimit && kept.back().isHighSurrogate()) {
        kept.chop(1);
    }
    return kept;
}

// The digest of an input: MD5 over the code-page bytes of its conversion.
QString md5Of(const QString& input) {
    QByteArray bytes;
    for (const char16_t unit : pyText(input.toStdU16String())) {
        bytes += static_cast<char>(CodePageValue(unit));
    }
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex())
        .toUpper();
}

// What holds after every event: the counter and the converted text follow the
// input, the stores stay hidden, and the rows show either the placeholder with
// every copy label disabled or one text's digest with every copy label enabled.
void checkConsistent(const Window& w) {
    const QString input = w.box()->text();
    QVERIFY(input.size() <= kInputLimit);
    QCOMPARE(w.caption(Label17), QString::number(kInputLimit - input.size()));
    if (!input.isEmpty()) {
        QCOMPARE(w.caption(Label15), qText(pyText(input.toStdU16String())));
    }
    for (const ControlId store : {Label13, Label15, Label16}) {
        QVERIFY(w.label(store)->isHidden());
    }
    const bool digest = w.caption(Label12) != kPlaceholder;
    for (const ControlId copy : kCopyLabels) {
        QCOMPARE(w.label(copy)->isEnabledTo(&w.main()), digest);
    }
    if (!digest) {
        for (const ControlId row : {Label8, Label9, Label10, Label11}) {
            QCOMPARE(w.caption(row), kPlaceholder);
        }
        return;
    }
    const QString upper = md5Of(w.caption(Label8));
    QCOMPARE(w.caption(Label12), upper);
    QCOMPARE(w.caption(Label11), upper.toLower());
    QCOMPARE(w.caption(Label10), upper.mid(8, 16));
    QCOMPARE(w.caption(Label9), upper.mid(8, 16).toLower());
}

QByteArray asset(const char* name) {
    QFile file(QStringLiteral(":/assets/") + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int u16At(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

int s32At(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<qint32>(data.constData() + offset);
}

// WCAG 2 relative luminance.
double luminance(QColor color) {
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

using Cause = std::function<void(Window&)>;

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    void initTestCase() { prepareWindowTests(runtime_); }

    void startsInItsDesignState() {
        Window w;
        QMainWindow& main = w.main();
        QCOMPARE(qRound(main.windowOpacity() * 255), 235);
        QCOMPARE(w.control(ControlId::Form1)->size(), QSize(639, 335));
        QCOMPARE(main.minimumSize(), main.maximumSize());
        QCOMPARE(main.size(), main.minimumSize());
        QVERIFY(!(main.windowFlags() & Qt::WindowMaximizeButtonHint));
        for (const auto& layout : controlLayouts()) {
            QCOMPARE(w.control(layout.id)->toolTip(), qText(layout.toolTip));
            if (layout.kind == ControlKind::Label) {
                QCOMPARE(w.label(layout.id)->textFormat(), Qt::PlainText);
            }
        }
        const auto menus = main.menuBar()->actions();
        QCOMPARE(menus.size(), 1);
        QCOMPARE(menus[0]->text(), QStringLiteral("关于(&G)"));
        QStringList items;
        for (const QAction* item : menus[0]->menu()->actions()) {
            items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        }
        QCOMPARE(items, QStringList({"MD5是什么?", "Zevrin官网", "进入示例软件站", "知识产权法 ->",
                                     "-", "联系开发者...", "(C)程序版权"}));
        checkConsistent(w);
    }

    void pointsAtTheTopControl_data() {
        QTest::addColumn<QPoint>("twips");
        QTest::addColumn<QString>("control");
        QTest::newRow("ann1 over Shape3") << QPoint(7460, 1540) << "ann1";
        QTest::newRow("ann2 over Shape4") << QPoint(8060, 1540) << "ann2";
        QTest::newRow("Text1 over hidden Label15") << QPoint(3200, 1450) << "Text1";
        QTest::newRow("Label8 over Shape1") << QPoint(2250, 2500) << "Label8";
        QTest::newRow("Label3 over Shape2") << QPoint(1350, 2500) << "Label3";
        // Shapes and lines let the pointer through to the background.
        QTest::newRow("Shape3's margin") << QPoint(7215, 1560) << "Image2";
        QTest::newRow("Line2") << QPoint(4000, 2760) << "Image2";
    }

    void pointsAtTheTopControl() {
        QFETCH(QPoint, twips);
        QFETCH(QString, control);
        Window w(false);
        const QWidget* found =
            w.control(ControlId::Form1)->childAt(pixels(twips.x()), pixels(twips.y()));
        QVERIFY(found != nullptr);
        QCOMPARE(found->objectName(), control);
    }

    void typingCountsDownAndEnterDigests() {
        Window w;
        w.type(QStringLiteral("中文abc"));
        QCOMPARE(w.caption(Label15), QStringLiteral("ZWABC"));
        QCOMPARE(w.caption(Label17), QStringLiteral("25"));
        QTest::keyClick(w.box(), Qt::Key_Return);
        QCOMPARE(w.caption(Label8), QStringLiteral("中文abc"));
        checkConsistent(w);
        w.type(QString(26, u'x'));  // the 31st character is refused
        QCOMPARE(w.box()->text(), QStringLiteral("中文abc") + QString(25, u'x'));
        QCOMPARE(w.caption(Label17), QStringLiteral("0"));
    }

    // Whatever another program left on the clipboard, or took back during the
    // confirmation, each copy label puts exactly its row there and confirms.
    void copyLabelsCopyExactlyTheirRow() {
        Window w;
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        for (const ControlId copy : kCopyLabels) {
            w.click(copy);
            QCOMPARE(w.caption(copy), kReady);
        }
        QCOMPARE(clipboard->text(), QStringLiteral("before"));

        w.type(QStringLiteral("MD5加密"));
        w.click(ann1);
        const char* const held[] = {"text/html", "image/png", "text/plain", nullptr};
        for (int i = 0; i < 4; ++i) {
            if (held[i] != nullptr) {
                auto* data = new QMimeData;
                data->setData(QString::fromLatin1(held[i]), "earlier");
                clipboard->setMimeData(data);
            } else {
                clipboard->clear();
            }
            w.click(kCopyLabels[i]);
            QCOMPARE(clipboard->mimeData()->formats(), QStringList{"text/plain"});
            QCOMPARE(clipboard->text(), w.caption(kCopiedRows[i]));
            QCOMPARE(w.caption(kCopyLabels[i]), kConfirming);
        }
        clipboard->setText(QStringLiteral("someone else"));
        w.click(fz1);  // confirming: ignored
        QCOMPARE(clipboard->text(), QStringLiteral("someone else"));

        QLabel* copy = w.label(fz2);
        QHelpEvent help(QEvent::ToolTip, copy->rect().center(),
                        copy->mapToGlobal(copy->rect().center()));
        QApplication::sendEvent(copy, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("点击以复制左边的字符串"));
        QToolTip::hideText();

        for (const ControlId label : kCopyLabels) {
            QTRY_COMPARE_WITH_TIMEOUT(w.caption(label), kReady, 5000);
        }
        checkConsistent(w);
    }

    // Timer1 sleeps while nothing happens, yet each duty is done by the first
    // tick after its cause: the window is looked at right after that tick.
    void housekeepingActsOnTheFirstTick_data() {
        QTest::addColumn<Cause>("cause");
        QTest::newRow("maximized") << Cause([](Window& w) { w.main().showMaximized(); });
        QTest::newRow("full screen") << Cause([](Window& w) { w.main().showFullScreen(); });
        QTest::newRow("resized") << Cause([](Window& w) {
            w.main().setMinimumSize(0, 0);
            w.main().setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            w.main().resize(800, 600);
        });
        QTest::newRow("emptied") << Cause([](Window& w) {
            QTest::keyClick(w.box(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(w.box(), Qt::Key_Backspace);
        });
        QTest::newRow("cut") << Cause([](Window& w) {
            w.box()->selectAll();
            w.box()->cut();
        });
        QTest::newRow("shortened") << Cause([](Window& w) {
            QTest::keyClick(w.box(), Qt::Key_End);
            QTest::keyClick(w.box(), Qt::Key_Backspace);
        });
    }

    void housekeepingActsOnTheFirstTick() {
        QFETCH(Cause, cause);
        Window w;
        w.paste(QStringLiteral("ab"));
        w.click(ann1);
        const QSize design = w.main().size();
        QVERIFY2(QTest::qWaitFor([&] { return !w.platform.housekeepingAwake(); }, 5000),
                 "the housekeeping never sleeps");
        bool ticked = false;
        // Connected after the window's own handler, so it runs after the tick.
        const auto look = QObject::connect(w.timer(TimerId::Timer1), &QTimer::timeout, [&] {
            if (std::exchange(ticked, true)) {
                return;
            }
            QCOMPARE(w.main().windowState(), Qt::WindowStates(Qt::WindowNoState));
            QCOMPARE(w.main().size(), design);
            QCOMPARE(w.caption(Label8) == kPlaceholder, w.box()->text().isEmpty());
            checkConsistent(w);
        });
        cause(w);
        QVERIFY2(QTest::qWaitFor([&] { return ticked; }, 5000), "no tick followed the cause");
        QObject::disconnect(look);
    }

    // The close request is refused; the window fades out in 45 steps of Timer7,
    // taking no input meanwhile, and ends. A second request starts it over.
    void closeFadesTheWindowOut_data() {
        QTest::addColumn<bool>("closeAgain");
        QTest::newRow("one request") << false;
        QTest::newRow("another request during the fade") << true;
    }

    void closeFadesTheWindowOut() {
        QFETCH(bool, closeAgain);
        Window w;
        w.paste(QStringLiteral("中文abc"));
        w.click(ann1);
        const QString digest = w.caption(Label12);
        QSignalSpy steps(w.timer(TimerId::Timer7), &QTimer::timeout);
        QObject::connect(w.timer(TimerId::Timer7), &QTimer::timeout, &w.main(), [&] {
            if (closeAgain && w.caption(Label13).toInt() < 120) {
                closeAgain = false;
                w.main().windowHandle()->close();  // as the desktop asks, e.g. at log-out
                QCOMPARE(w.caption(Label13), QStringLiteral("235"));
                steps.clear();
            }
        });
        const auto looks = [&w] {
            QList<QImage> images;
            for (const ControlId id : {ann1, ann2, fz1, fz2, fz3, fz4, Label8, Label12}) {
                images.append(w.control(id)->grab().toImage());
            }
            return images;
        };
        const QList<QImage> before = looks();
        QVERIFY(!w.main().close());
        QVERIFY(w.main().isVisible());
        // It stops taking input, but nothing is greyed.
        QCOMPARE(looks(), before);
        for (const ControlId id : {ann2, fz1, ann1}) {
            w.click(id);
        }
        w.paste(QStringLiteral("more"));
        QCOMPARE(w.caption(Label12), digest);
        QTRY_VERIFY_WITH_TIMEOUT(w.platform.ended(), 10000);
        QVERIFY(!closeAgain);
        QCOMPARE(steps.size(), 45);
        QCOMPARE(qRound(w.main().windowOpacity() * 255), 10);
        QVERIFY(!w.main().isVisible());
        for (const QTimer* timer : w.main().findChildren<QTimer*>()) {
            QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
        }
        w.main().close();
        w.click(ann2);
        QCOMPARE(w.caption(Label12), digest);
    }

    // A close request while the start-up notice waits for its OK: the fade
    // runs meanwhile and ends the program.
    void closeDuringTheNoticeEndsThroughTheFade() {
        Window w(false);
        w.platform.answerBoxesWith({});
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

    void hostileInputKeepsTheWindowConsistent_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("control characters") << QStringLiteral("a\x01\x07\t\x1b\x7f\u0085z");
        QTest::newRow("lone surrogates")
            << QString(QChar(0xD800)) + QStringLiteral("ab") + QChar(0xDC00) + QChar(0xDBFF);
        QTest::newRow("right-to-left marks")
            << QStringLiteral("\u200F\u202Eabc\u202C\u061C\u0627\u0644");
        QTest::newRow("emoji") << QStringLiteral("😀👍🏽👨‍👩‍👧🇨🇳");
        QTest::newRow("emoji cut at the limit") << QString(29, u'a') + QStringLiteral("😀xyz");
        QTest::newRow("byte-order marks") << QStringLiteral("\uFEFFabc\uFFFEN中文");
        QTest::newRow("markup") << QStringLiteral("<b>x</b>&amp;<img src=x>");
        QTest::newRow("line breaks") << QStringLiteral("one\ntwo\r\nthree\rfour\u2028five");
        QTest::newRow("non-characters") << QStringLiteral("\uFFFF\uFDD0\uFFFD");
        QTest::newRow("10,000 characters") << QStringLiteral("中文abc😀，１").repeated(1000);
    }

    // Pasted, appended, committed by an input method, then every visible label
    // clicked in turn as fast as events come: the window agrees with itself.
    void hostileInputKeepsTheWindowConsistent() {
        QFETCH(QString, text);
        Window w;
        w.paste(text);
        QCOMPARE(w.box()->text(), fitting(text));
        w.click(ann1);
        QCOMPARE(w.caption(Label8), w.box()->text());
        checkConsistent(w);
        const QString first = w.box()->text();
        w.paste(text);
        QCOMPARE(w.box()->text(), fitting(first + text));
        w.click(ann2);
        QVERIFY(w.box()->text().isEmpty());
        QCOMPARE(w.caption(Label12), kPlaceholder);
        w.commit(text);
        QCOMPARE(w.box()->text(), fitting(text));
        int step = 0;
        for (int round = 0; round < 3; ++round) {
            for (const auto& layout : controlLayouts()) {
                if (w.label(layout.id) == nullptr ||
                    !w.control(layout.id)->isVisibleTo(&w.main())) {
                    continue;
                }
                w.click(layout.id);
                if (++step % 5 == 0) {
                    w.paste(text.left(step % 7));
                } else if (step % 3 == 0) {
                    QTest::qWait(1);
                }
                checkConsistent(w);
                if (QTest::currentTestFailed()) {
                    QFAIL(qPrintable(QStringLiteral("after a click on ") +
                                     QString::fromLatin1(nameOf(layout.id))));
                }
            }
        }
    }

    void picturesKeepTheirFormats() {
        const QByteArray icon = asset("md5zevrin.ico");
        QCOMPARE(icon.size(), 4286);
        // An icon (1) of one image, 32 x 32 at 32 bits per pixel.
        QCOMPARE(u16At(icon, 2), 1);
        QCOMPARE(u16At(icon, 4), 1);
        QCOMPARE(u16At(icon, 6), 32 * 256 + 32);
        QCOMPARE(u16At(icon, 12), 32);
        QVERIFY(QImage::fromData(icon, "ico").hasAlphaChannel());

        const QByteArray cursor = asset("command.cur");
        QCOMPARE(cursor.size(), 766);
        // A cursor (2) of one image, hot spot (12, 2), 16 colors.
        QCOMPARE(u16At(cursor, 2), 2);
        QCOMPARE(u16At(cursor, 4), 1);
        QCOMPARE(u16At(cursor, 10), 12);
        QCOMPARE(u16At(cursor, 12), 2);
        QCOMPARE(u16At(cursor, s32At(cursor, 18) + 14), 4);
        const QImage pointer = QImage::fromData(cursor, "cur");
        QCOMPARE(pointer.size(), QSize(32, 32));
        QCOMPARE(qAlpha(pointer.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(pointer.pixel(12, 2)), 255);

        const QByteArray bitmap = asset("background.bmp");
        QCOMPARE(bitmap.size(), 873176);
        QVERIFY(bitmap.startsWith("BM"));
        // 642 x 340, stored bottom-up (positive height), 32 bits, uncompressed.
        QCOMPARE(s32At(bitmap, 2), 873176);
        QCOMPARE(s32At(bitmap, 18), 642);
        QCOMPARE(s32At(bitmap, 22), 340);
        QCOMPARE(u16At(bitmap, 28), 32);
        QCOMPARE(s32At(bitmap, 30), 0);
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
        Window w(false);
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
