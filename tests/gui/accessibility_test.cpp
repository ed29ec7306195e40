// The window as assistive technology and the keyboard reach it, offscreen:
// the accessible tree and actions, the focus frame and commands that answer
// before their boxes. What each control reads as, and the tab order, are
// rows of the contract suite (tests/contract).

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <functional>
#include <set>

#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_translations.h"
#include "test_window.h"

namespace md5z {
namespace {

using enum ControlId;

const QString kPlaceholder = QStringLiteral("Loading...");
const QString kSample = QStringLiteral("中文abc");
// Long enough for a box opened from the event loop to appear.
constexpr int kBoxWaitMs = 5000;

// The window shown without its load handler: no start-up notice, no instance
// lock, the input unmasked as the load handler leaves it.
struct Window : TestWindow {
    Window() {
        platform.setPasswordChar(u"");
        platform.showWindow();
        QApplication::setActiveWindow(&platform.window());
        (void)QTest::qWaitForWindowActive(&platform.window());
    }
    QAccessibleInterface* accessible(ControlId id) const {
        return QAccessible::queryAccessibleInterface(control(id));
    }
    QAccessibleInterface* client() const { return accessible(ControlId::Form1); }
    // As an assistive tool does: the request returns, the press follows from
    // the event loop.
    void press(ControlId id) const {
        accessible(id)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCoreApplication::processEvents();
    }
    QWidget* focusAfter(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return QApplication::focusWidget();
    }
};

QString nameOf(const QAccessibleInterface* interface) {
    return interface->text(QAccessible::Name);
}

// Every interface below `root`, depth first.
void walk(QAccessibleInterface* root, const std::function<void(QAccessibleInterface*)>& visit) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        visit(child);
        walk(child, visit);
    }
}

// Answers the next modal box that appears with its default button, and
// remembers its title and whether `returned` was already set by then.
struct BoxAnswerer {
    const bool* returned = nullptr;
    QString title;
    bool afterReturn = false;
    void answerNext() {
        QTimer::singleShot(10, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                afterReturn = *returned;
                box->accept();
            } else {
                answerNext();
            }
        });
    }
};

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    void initTestCase() { prepareWindowTests(runtime_); }

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
    // it shows. Parent and child links agree, as AT-SPI walks both ways.
    void treeHoldsOnlyWhatIsShown() {
        Window w;
        const auto collect = [&w] {
            std::set<QObject*> found;
            walk(QAccessible::queryAccessibleInterface(&w.main()),
                 [&found](QAccessibleInterface* each) { found.insert(each->object()); });
            return found;
        };
        const std::set<ControlId> expected{Label1, Label2,  Text1,  Label17, ann1,
                                           ann2,   Label8,  Label9, fz1,     Label10,
                                           fz2,    Label11, fz3,    Label12, fz4};
        for (int round = 0; round < 2; ++round) {
            const std::set<QObject*> found = collect();
            for (const auto& layout : controlLayouts()) {
                const bool shown =
                    expected.contains(layout.id) || (round == 1 && layout.id == Label14);
                QVERIFY2(found.contains(w.control(layout.id)) == shown, nameOf(layout.id).data());
            }
            QAccessibleInterface* client = w.client();
            QCOMPARE(client->childCount(), static_cast<int>(expected.size()) + round);
            for (int i = 0; i < client->childCount(); ++i) {
                QAccessibleInterface* child = client->child(i);
                QCOMPARE(client->indexOfChild(child), i);
                QCOMPARE(child->parent(), client);
                QVERIFY(!nameOf(child).isEmpty());
            }
            QCOMPARE(client->child(-1), nullptr);
            QCOMPARE(client->child(client->childCount()), nullptr);
            // An empty input shows the warning.
            w.box()->clear();
            w.press(ann1);
            QVERIFY(w.label(Label14)->isVisible());
        }
        // Reading order: the warning sits in the input row.
        QCOMPARE(w.client()->child(4)->object(), w.control(Label14));
        QCOMPARE(nameOf(w.client()->child(4)), w.caption(Label14));
    }

    // A press does what a click does, and only once control is back in the
    // event loop, so the tool that asked is answered first.
    void pressDigestsAndCopies() {
        Window w;
        w.box()->setText(kSample);
        w.accessible(ann1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(w.caption(Label8), kPlaceholder);
        QTRY_COMPARE(w.caption(Label8), kSample);
        const QString upper = w.caption(Label12);
        QCOMPARE(upper.size(), 32);
        QCOMPARE(w.caption(Label11), upper.toLower());

        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        for (int row = 0; row < 4; ++row) {
            const ControlId copy = kCopyLabels[row];
            w.press(copy);
            QCOMPARE(QGuiApplication::clipboard()->text(),
                     w.label(static_cast<ControlId>(indexOf(Label9) + row))->text());
            QCOMPARE(w.caption(copy), QStringLiteral("已复制"));
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), upper);

        w.press(ann2);
        QCOMPARE(w.box()->text(), QString());
        QCOMPARE(w.caption(Label8), kPlaceholder);
        // The rows are reset: a copy label greyed again copies nothing.
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        w.press(fz1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    }

    // A label that a modal box blocks cannot be pressed, as it cannot be
    // clicked; an action that names no press does nothing.
    void pressIsRefusedWhereAClickIsImpossible() {
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
        QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("x"),
                        QMessageBox::Ok, &w.main());
        box.exec();
        QVERIFY(!pressedUnderTheBox);
        w.press(ann1);
        QCOMPARE(w.caption(Label8), kSample);
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

    // The focus frame shows only while a label-button has the keyboard focus;
    // a click never gives it the focus, so the window at rest and after any
    // click is drawn as designed.
    void focusFrameOnlyWithTheKeyboardFocus() {
        Window w;
        QWidget& client = *w.control(ControlId::Form1);
        auto* frame = client.findChild<QWidget*>(QStringLiteral("focusFrame"));
        QVERIFY(frame != nullptr);
        const QRect input = w.box()->geometry();
        // The input box's caret blinks; everything else must match.
        const auto outsideInput = [&client, input] {
            QImage image = client.grab().toImage();
            for (int y = input.top(); y <= input.bottom(); ++y) {
                for (int x = input.left(); x <= input.right(); ++x) {
                    image.setPixel(x, y, 0);
                }
            }
            return image;
        };
        w.box()->setFocus();
        const QImage rest = outsideInput();
        QVERIFY(!frame->isVisible());

        w.click(ann2);
        QVERIFY(w.box()->hasFocus());
        QVERIFY(!frame->isVisible());

        QCOMPARE(w.focusAfter(Qt::Key_Tab), w.control(ann1));
        QVERIFY(frame->isVisible());
        QVERIFY(frame->geometry().contains(w.control(ann1)->geometry()));
        QCOMPARE(frame->palette().color(QPalette::WindowText),
                 w.label(ann1)->palette().color(QPalette::WindowText));
        const QImage focused = outsideInput();
        QVERIFY(focused != rest);
        // Only around the focused label.
        const QRect around = frame->geometry();
        for (int y = 0; y < rest.height(); ++y) {
            for (int x = 0; x < rest.width(); ++x) {
                if (!around.contains(x, y)) {
                    QCOMPARE(focused.pixel(x, y), rest.pixel(x, y));
                }
            }
        }

        QCOMPARE(w.focusAfter(Qt::Key_Backtab), w.control(Text1));
        QVERIFY(!frame->isVisible());
        QCOMPARE(outsideInput(), rest);
    }

    // A menu command that opens a box returns first; the box follows from the
    // event loop. The same holds when an assistive tool presses the item.
    void menuCommandsAnswerBeforeTheirBoxes() {
        Window w;
        QMenu* menu = w.main().menuBar()->actions().first()->menu();
        QAccessibleInterface* items = QAccessible::queryAccessibleInterface(menu);
        QVERIFY(items != nullptr);
        for (const MenuId id : {MenuId::gy3, MenuId::gy4}) {
            const QString caption = w.platform.menuItem(id)->text();
            QAccessibleInterface* item = nullptr;
            for (int i = 0; i < items->childCount(); ++i) {
                if (nameOf(items->child(i)) == caption) {
                    item = items->child(i);
                }
            }
            QVERIFY2(item != nullptr, qPrintable(caption));
            bool returned = false;
            BoxAnswerer answerer;
            answerer.returned = &returned;
            answerer.answerNext();
            item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            returned = true;
            QTRY_VERIFY_WITH_TIMEOUT(!answerer.title.isEmpty(), kBoxWaitMs);
            QVERIFY(answerer.afterReturn);
            QVERIFY(answerer.title.contains(id == MenuId::gy3 ? QStringLiteral("联系开发者")
                                                              : QStringLiteral("MD5Zevrin")));
        }
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
};

}  // namespace md5z

QTEST_MAIN(md5z::AccessibilityTest)
#include "accessibility_test.moc"
