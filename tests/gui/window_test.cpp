// What only the Qt window can get wrong, on its real widgets offscreen: its
// place on the screen, its background picture, captions the fonts of this
// desktop must fit and stay readable in, a close while the start-up notice waits, and the window as
// assistive technology and the keyboard reach it. The window's behaviour
// itself, what each control reads as and the tab order are the contract
// suite's (tests/contract).

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>

#include "platform/qt/figure.h"
#include "platform/qt/fonts.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_translations.h"
#include "platform/qt/stretched_picture.h"
#include "window/accessible_tree.h"

namespace md5z {
namespace {

using enum ControlId;

const QString kPlaceholder = QStringLiteral("Loading...");
const QString kSample = QStringLiteral("中文abc");

// The window's widgets with its logic attached; shown, it skips its load
// handler: no start-up notice, no instance lock, the input unmasked as the
// load handler leaves it.
struct Window {
    QtPlatform platform;
    md5z::Form1 form{platform};

    explicit Window(bool shown = true) {
        platform.attach(form);
        if (shown) {
            platform.setPasswordChar(u"");
            platform.showWindow();
            QApplication::setActiveWindow(&main());
            (void)QTest::qWaitForWindowActive(&main());
        }
    }
    QMainWindow& main() const { return platform.window(); }
    QWidget* control(ControlId id) const { return platform.control(id); }
    QLabel* label(ControlId id) const { return qobject_cast<QLabel*>(control(id)); }
    QString caption(ControlId id) const { return label(id)->text(); }
    QLineEdit* box() const { return qobject_cast<QLineEdit*>(control(Text1)); }
    QAccessibleInterface* accessible(ControlId id) const {
        return QAccessible::queryAccessibleInterface(control(id));
    }
    // As an assistive tool does: the request returns, the press follows from
    // the event loop.
    void press(ControlId id) const {
        accessible(id)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCoreApplication::processEvents();
    }
};

// WCAG 2 relative luminance.
double luminance(QColor color) {
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

// Every interface below `root`, depth first.
void walk(QAccessibleInterface* root, const std::function<void(QAccessibleInterface*)>& visit) {
    for (int i = 0; i < root->childCount(); ++i) {
        visit(root->child(i));
        walk(root->child(i), visit);
    }
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    // Keeps the instance lock away from a md5zevrin the user may be running.
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        setUpFonts();
    }

    void startsCentredOnTheAvailableScreenArea() {
        Window w(false);
        w.platform.answerBoxesWith([](QMessageBox& box) { box.accept(); });
        w.platform.load();
        QVERIFY(QTest::qWaitForWindowExposed(&w.main()));
        const QPoint offset =
            w.main().frameGeometry().center() - w.main().screen()->availableGeometry().center();
        // The frame a desktop puts around the window is known only once it is
        // shown, after it was placed: its width may shift the centre a little.
        constexpr int kFrameShift = 3;
        QVERIFY2(
            std::abs(offset.x()) <= kFrameShift && std::abs(offset.y()) <= kFrameShift,
            qPrintable(QStringLiteral("off centre by (%1, %2)").arg(offset.x()).arg(offset.y())));
    }

    void renditionsAreFullyVisible_data() {
        QTest::addColumn<QString>("input");
        QTest::newRow("mixed") << kSample;
        QTest::newRow("thirty hanzi") << QString(30, QChar(0x4E2D));
        QTest::newRow("thirty wide letters") << QString(30, u'W');
    }

    // After 加密 every row's text is drawn whole: it fits inside its label,
    // and the label inside the row table and short of the copy label.
    void renditionsAreFullyVisible() {
        QFETCH(QString, input);
        Window w(false);
        w.box()->setText(input);
        w.form.ann1_Click();
        const QRect table = pixelBox(layoutOf(Shape1));
        for (const auto& [caption, row, copy] : kAccessibleRows) {
            const QLabel* shown = w.label(row);
            const QFontMetrics metrics(shown->font());
            const char* name = nameOf(row).data();
            QVERIFY2(metrics.horizontalAdvance(shown->text()) <= shown->contentsRect().width(),
                     name);
            QVERIFY2(metrics.height() <= shown->contentsRect().height(), name);
            QVERIFY2(table.contains(shown->geometry()), name);
            QVERIFY2(!copy || shown->geometry().right() < w.control(*copy)->geometry().left(),
                     name);
        }
    }

    // The background control draws the bitmap stretched smoothly to its box
    // pixel for pixel, and all it keeps is that picture, three bytes a pixel
    // with each row padded to four.
    void backgroundIsTheBitmapStretchedOnce() {
        Window w(false);
        auto* image = dynamic_cast<StretchedPicture*>(w.control(Image2));
        QVERIFY(image != nullptr);
        const QSize box = pixelBox(layoutOf(Image2)).size();
        QCOMPARE(image->size(), box);
        QCOMPARE(image->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 QImage(QStringLiteral(":/assets/background.bmp"))
                     .scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_RGB32));
        QVERIFY(image->stretched().sizeInBytes() <= (box.width() * 3 + 3) / 4 * 4 * box.height());
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

    // A row or the counter reads through its text what it shows, and a
    // screen reader reviews it by where its characters are drawn: left to
    // right without gaps inside the label, and the point inside a
    // character's place finds that character. The input box's text is one
    // run of attributes, not a run per character.
    void textsTellWhereTheyAreDrawn() {
        Window w;
        w.box()->setText(kSample);
        w.press(ann1);
        for (const ControlId id : {Label17, Label8, Label9, Label10, Label11, Label12}) {
            QAccessibleTextInterface* text = w.accessible(id)->textInterface();
            QCOMPARE(text->text(-4, 1000), w.caption(id));
            QCOMPARE(text->text(2, 5), w.caption(id).mid(2, 3));
            const QRect control(w.control(id)->mapToGlobal(QPoint()), w.control(id)->size());
            int right = text->characterRect(0).left();
            for (int offset = 0; offset < text->characterCount(); ++offset) {
                const QRect place = text->characterRect(offset);
                QVERIFY2(control.contains(place), qPrintable(w.caption(id)));
                QCOMPARE(place.left(), right);
                QCOMPARE(text->offsetAtPoint(place.center()), offset);
                right = place.right() + 1;
            }
            QVERIFY(text->characterRect(text->characterCount()).isEmpty());
        }
        int start = -1;
        int end = -1;
        w.accessible(Text1)->textInterface()->attributes(2, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(0, static_cast<int>(kSample.size())));
    }

    // The tree holds what a person can see and nothing more: no store, shape,
    // line, background, focus frame or row caption; the warning only while
    // it shows, in the input row. Parent and child links agree, as AT-SPI
    // walks both ways.
    void treeHoldsOnlyWhatIsShown() {
        Window w;
        const std::set<ControlId> expected{Label1, Label2,  Text1,  Label17, ann1,
                                           ann2,   Label8,  Label9, fz1,     Label10,
                                           fz2,    Label11, fz3,    Label12, fz4};
        QAccessibleInterface* client = w.accessible(ControlId::Form1);
        for (int round = 0; round < 2; ++round) {
            std::set<QObject*> found;
            walk(QAccessible::queryAccessibleInterface(&w.main()),
                 [&found](QAccessibleInterface* each) { found.insert(each->object()); });
            for (const auto& layout : controlLayouts()) {
                const bool shown =
                    expected.contains(layout.id) || (round == 1 && layout.id == Label14);
                QVERIFY2(found.contains(w.control(layout.id)) == shown, nameOf(layout.id).data());
            }
            QCOMPARE(client->childCount(), static_cast<int>(expected.size()) + round);
            for (int i = 0; i < client->childCount(); ++i) {
                QCOMPARE(client->indexOfChild(client->child(i)), i);
                QCOMPARE(client->child(i)->parent(), client);
                QVERIFY(!client->child(i)->text(QAccessible::Name).isEmpty());
            }
            QCOMPARE(client->child(-1), nullptr);
            QCOMPARE(client->child(client->childCount()), nullptr);
            w.press(ann1);  // of an empty input: the warning shows
        }
        QCOMPARE(client->child(4)->object(), w.control(Label14));
        QCOMPARE(client->child(4)->text(QAccessible::Name), w.caption(Label14));
    }

    // A press does what a click does, and only once control is back in the
    // event loop, so the tool that asked is answered first; a label a click
    // cannot reach (greyed, or under a modal box) cannot be pressed, and an
    // action that names no press does nothing.
    void pressActsOnlyWhereAClickWould() {
        Window w;
        w.box()->setText(kSample);
        w.accessible(ann1)->actionInterface()->doAction(QStringLiteral("ShowMenu"));
        QCoreApplication::processEvents();
        QCOMPARE(w.caption(Label8), kPlaceholder);
        bool pressedUnderTheBox = false;
        QTimer::singleShot(50, [&] {
            w.press(ann1);
            pressedUnderTheBox = w.caption(Label8) != kPlaceholder;
            QApplication::activeModalWidget()->close();
        });
        QMessageBox(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("x"),
                    QMessageBox::Ok, &w.main())
            .exec();
        QVERIFY(!pressedUnderTheBox);

        w.accessible(ann1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(w.caption(Label8), kPlaceholder);
        QTRY_COMPARE(w.caption(Label8), kSample);
        const std::pair<ControlId, ControlId> copies[] = {
            {fz1, Label9}, {fz2, Label10}, {fz3, Label11}, {fz4, Label12}};
        for (const auto& [copy, row] : copies) {
            w.press(copy);
            QCOMPARE(QGuiApplication::clipboard()->text(), w.caption(row));
            QCOMPARE(w.caption(copy), QStringLiteral("已复制"));
        }
        w.press(ann2);
        QCOMPARE(w.caption(Label8), kPlaceholder);
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        w.press(fz1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    }

    // Alt+G opens the menu whichever control has the focus.
    void altGOpensTheMenu() {
        Window w;
        QMenu* menu = w.main().menuBar()->actions().first()->menu();
        QTest::keyClick(w.control(ann2), Qt::Key_G, Qt::AltModifier);
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());
    }

    // The focus frame shows only while a label-button has the keyboard focus,
    // and only around it; a click never gives it the focus, so the window at
    // rest and after any click is drawn as designed.
    void focusFrameOnlyWithTheKeyboardFocus() {
        Window w;
        QWidget& client = *w.control(ControlId::Form1);
        const QWidget* frame = client.findChild<QWidget*>(QStringLiteral("focusFrame"));
        QVERIFY(frame != nullptr);
        // What an image shows outside `hole` and the input box, whose caret blinks.
        const auto outside = [input = w.box()->geometry()](QImage image, QRect hole = {}) {
            QPainter painter(&image);
            painter.fillRect(input, Qt::black);
            painter.fillRect(hole, Qt::black);
            painter.end();
            return image;
        };
        w.box()->setFocus();
        QVERIFY(!frame->isVisible());
        const QImage rest = client.grab().toImage();
        QTest::mouseClick(w.control(ann2), Qt::LeftButton);
        QVERIFY(w.box()->hasFocus());
        QCOMPARE(outside(client.grab().toImage()), outside(rest));

        QTest::keyClick(w.box(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.control(ann1));
        QVERIFY(frame->geometry().contains(w.control(ann1)->geometry()));
        QCOMPARE(frame->palette().color(QPalette::WindowText),
                 w.label(ann1)->palette().color(QPalette::WindowText));
        const QImage focused = client.grab().toImage();
        QVERIFY(outside(focused) != outside(rest));
        QCOMPARE(outside(focused, frame->geometry()), outside(rest, frame->geometry()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(outside(client.grab().toImage()), outside(rest));
    }

    // A menu command that opens a box returns first; the box follows from the
    // event loop. The same holds when an assistive tool presses the item.
    void menuCommandsAnswerBeforeTheirBoxes() {
        Window w;
        QAccessibleInterface* items =
            QAccessible::queryAccessibleInterface(w.main().menuBar()->actions().first()->menu());
        bool returned = false;
        QStringList titles;
        w.platform.answerBoxesWith([&](QMessageBox& box) {
            titles << (returned ? box.windowTitle() : QStringLiteral("before the return"));
            box.accept();
        });
        // By its place in the menu, as a person finds it.
        for (const MenuId id : {MenuId::gy3, MenuId::gy4}) {
            QAccessibleInterface* item = items->child(static_cast<int>(indexOf(id)) - 1);
            returned = false;
            item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            returned = true;
            QTRY_COMPARE(titles.size(), id == MenuId::gy3 ? 1 : 2);
        }
        QVERIFY(titles[0].contains(QStringLiteral("联系开发者")));
        QVERIFY(titles[1].contains(QStringLiteral("MD5Zevrin")));
    }

    // Qt's own texts follow the system's language: "确定" on a Chinese
    // system; a language Qt has no translation for keeps English.
    void standardButtonsSpeakTheSystemLanguage() {
        const auto okText = [] {
            QMessageBox box(QMessageBox::Information, QString(), QString(), QMessageBox::Ok);
            return box.button(QMessageBox::Ok)->text();
        };
        const auto unload = [] {
            for (auto* translator : qApp->findChildren<QTranslator*>()) {
                QCoreApplication::removeTranslator(translator);
                delete translator;
            }
        };
        QCOMPARE(okText(), QStringLiteral("OK"));
        QVERIFY(loadQtTranslations(QLocale(QLocale::Chinese, QLocale::China)));
        QCOMPARE(okText(), QStringLiteral("确定"));
        unload();
        QVERIFY(loadQtTranslations(QLocale(QLocale::French, QLocale::France)));
        QVERIFY(QCoreApplication::translate("QPlatformTheme", "Cancel") !=
                QStringLiteral("Cancel"));
        unload();
        QVERIFY(!loadQtTranslations(QLocale(QLocale::Swahili)));
        QCOMPARE(okText(), QStringLiteral("OK"));
        QVERIFY(qApp->findChildren<QTranslator*>().isEmpty());
    }

    // A close request while the start-up notice waits for its OK: the fade
    // runs meanwhile and ends the program. Last: the program's end quits the
    // event loops of every test after it.
    void closeDuringTheNoticeEndsThroughTheFade() {
        Window w(false);
        bool noticeWasUp = false;
        w.platform.answerBoxesWith([&](QMessageBox& box) {
            noticeWasUp = true;
            w.main().close();
            QTimer::singleShot(2000, &box, &QDialog::accept);  // should the notice stay up
        });
        w.platform.load();
        QVERIFY(noticeWasUp);
        QTRY_VERIFY_WITH_TIMEOUT(w.platform.ended(), 10000);
        QVERIFY(!w.main().isVisible());
    }
};

}  // namespace md5z

QTEST_MAIN(md5z::WindowTest)
#include "window_test.moc"
