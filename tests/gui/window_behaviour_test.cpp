// What the user does with the window: typing, pasting, the command and copy
// labels, hover, the menu, the housekeeping tick and the fade-out close.

#include <QClipboard>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>

#include "info/product.h"
#include "platform/qt/figure.h"
#include "window_fixture.h"

using namespace md5z;
using namespace md5z::test;
using enum ControlId;

namespace {

constexpr Colour kBlue = rgb(0, 0, 255);
constexpr Colour kGreen = rgb(0, 0xC0, 0);
constexpr Colour kDarkGreen = rgb(0, 0x80, 0);

QString md5Upper(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex())
        .toUpper();
}

Colour fillOf(const Window& window, ControlId shape) {
    return dynamic_cast<Figure*>(window.control(shape))->fill();
}

QTimer* timerOf(const Window& window, TimerId id) {
    return window.platform.window().findChild<QTimer*>(QString::fromLatin1(nameOf(id)));
}

void click(const Window& window, ControlId label) {
    QTest::mouseClick(window.control(label), Qt::LeftButton);
}

void moveOver(const Window& window, QPoint twips) {
    QTest::mouseMove(window.client(), QPoint(pixels(twips.x()), pixels(twips.y())));
}

}  // namespace

// Records the addresses handed to the browser.
class Browser : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> opened;

  public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

class WindowBehaviourTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    void initTestCase() {
        isolateRuntimeDirectory(runtime_);
        substituteMissingFaces();
    }

    void typingCountsDownAndRefusesThe31stCharacter() {
        Window window;
        typeInto(window.input(), QStringLiteral("中文abc"));
        QCOMPARE(window.caption(Label15), QStringLiteral("ZWABC"));
        QCOMPARE(window.caption(Label17), QStringLiteral("25"));

        window.input()->clear();
        typeInto(window.input(), QString(31, u'x'));
        QCOMPARE(window.input()->text(), QString(30, u'x'));
        QCOMPARE(window.caption(Label17), QStringLiteral("0"));
    }

    void pastingStopsAtThirtyCharacters_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("converted");
        QTest::newRow("into an empty box") << "" << QString(40, u'码') << QString(30, u'M');
        QTest::newRow("after 25 characters")
            << QString(25, u'a') << QStringLiteral("bcdefgh") << QString(25, u'A') + "BCDEF";
    }

    void pastingStopsAtThirtyCharacters() {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, converted);
        Window window;
        typeInto(window.input(), typed);
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keySequence(window.input(), QKeySequence::Paste);
        QCOMPARE(window.input()->text().size(), 30);
        QCOMPARE(window.caption(Label15), converted);
        QCOMPARE(window.caption(Label17), QStringLiteral("0"));
    }

    void writingTheSameTextRaisesNoChange() {
        Window window;
        QSignalSpy changes(window.input(), &QLineEdit::textChanged);
        window.platform.setText(u"abc");
        QCOMPARE(changes.size(), 1);
        QCOMPARE(window.caption(Label17), QStringLiteral("27"));  // before setText returned
        window.platform.setText(u"abc");
        QCOMPARE(changes.size(), 1);
    }

    void digestsOnClickAndOnEnter_data() {
        QTest::addColumn<bool>("enter");
        QTest::newRow("click on 加密") << false;
        QTest::newRow("Enter in the input box") << true;
    }

    void digestsOnClickAndOnEnter() {
        QFETCH(bool, enter);
        Window window;
        typeInto(window.input(), QStringLiteral("中文abc"));
        if (enter) {
            QTest::keyClick(window.input(), Qt::Key_Return);
        } else {
            click(window, ann1);
        }
        const QString upper = md5Upper("ZWABC");
        QCOMPARE(window.caption(Label8), QStringLiteral("中文abc"));
        QCOMPARE(window.caption(Label12), upper);
        QCOMPARE(window.caption(Label11), upper.toLower());
        QCOMPARE(window.caption(Label10), upper.mid(8, 16));
        QCOMPARE(window.caption(Label9), upper.toLower().mid(8, 16));
        for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
            QVERIFY(window.label(copy)->isEnabled());
        }
    }

    void warnsOnAnEmptyInput() {
        Window window;
        click(window, ann1);
        QVERIFY(window.label(Label14)->isVisible());
        QVERIFY(timerOf(window, TimerId::Timer2)->isActive());
        QCOMPARE(window.caption(Label8), QStringLiteral("Loading..."));
    }

    void copiesExactlyTheRendition_data() {
        QTest::addColumn<ControlId>("copy");
        QTest::addColumn<ControlId>("row");
        QTest::newRow("fz1") << fz1 << Label9;
        QTest::newRow("fz2") << fz2 << Label10;
        QTest::newRow("fz3") << fz3 << Label11;
        QTest::newRow("fz4") << fz4 << Label12;
    }

    void copiesExactlyTheRendition() {
        QFETCH(ControlId, copy);
        QFETCH(ControlId, row);
        Window window;
        typeInto(window.input(), QStringLiteral("MD5加密"));
        click(window, ann1);
        auto* earlier = new QMimeData;
        earlier->setHtml(QStringLiteral("<b>earlier</b>"));
        earlier->setText(QStringLiteral("earlier"));
        QGuiApplication::clipboard()->setMimeData(earlier);

        click(window, copy);
        const QMimeData* now = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(now->text(), window.caption(row));
        QVERIFY(!now->hasHtml());
        QCOMPARE(window.caption(copy), QStringLiteral("已复制"));
        QCOMPARE(window.label(copy)->palette().color(QPalette::Active, QPalette::WindowText),
                 QColor(192, 192, 255));

        // A second click during the confirmation leaves the clipboard alone.
        QGuiApplication::clipboard()->setText(QStringLiteral("other"));
        click(window, copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("other"));
    }

    void disabledCopyLabelsIgnoreClicks() {
        Window window;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
            click(window, copy);
            QCOMPARE(window.caption(copy), QStringLiteral("复制"));
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void resetEmptiesTheInputAndTheRows() {
        Window window;
        typeInto(window.input(), QStringLiteral("abc"));
        click(window, ann1);
        click(window, ann2);
        QVERIFY(window.input()->text().isEmpty());
        QCOMPARE(window.caption(Label17), QStringLiteral("30"));
        for (const ControlId row : {Label8, Label9, Label10, Label11, Label12}) {
            QCOMPARE(window.caption(row), QStringLiteral("Loading..."));
        }
        QVERIFY(!window.label(fz1)->isEnabled());
    }

    void emptyingTheInputByHandResetsTheRowsAtTheNextTick() {
        Window window;
        typeInto(window.input(), QStringLiteral("abc"));
        click(window, ann1);
        QTRY_VERIFY(!window.platform.housekeepingAwake());
        QTest::keyClick(window.input(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window.input(), Qt::Key_Backspace);
        QVERIFY(window.platform.housekeepingAwake());
        QTRY_COMPARE_WITH_TIMEOUT(window.caption(Label8), QStringLiteral("Loading..."), 500);
        QCOMPARE(window.caption(Label12), QStringLiteral("Loading..."));
        QVERIFY(!window.label(fz4)->isEnabled());
    }

    void hoverColoursTheCommandFaces() {
        Window window;
        moveOver(window, {7460, 1540});  // ann1
        QCOMPARE(fillOf(window, Shape3), kBlue);
        QCOMPARE(fillOf(window, Shape4), kGreen);
        moveOver(window, {8060, 1540});  // ann2
        QCOMPARE(fillOf(window, Shape3), kSystemHighlight);
        QCOMPARE(fillOf(window, Shape4), kDarkGreen);
        moveOver(window, {7815, 1560});  // Shape4's margin, through to the background
        QCOMPARE(fillOf(window, Shape4), kGreen);
        moveOver(window, {7460, 1540});
        moveOver(window, {8460, 3000});  // the disabled fz1
        QCOMPARE(fillOf(window, Shape3), kSystemHighlight);
    }

    void housekeepingSleepsWhileNothingHappens() {
        Window window;
        QTRY_VERIFY(!window.platform.housekeepingAwake());
        QSignalSpy ticks(timerOf(window, TimerId::Timer1), &QTimer::timeout);
        QTest::qWait(100);
        QCOMPARE(ticks.size(), 0);
        QVERIFY(window.platform.timerEnabled(TimerId::Timer1));

        moveOver(window, {4000, 500});
        QVERIFY(window.platform.housekeepingAwake());
        QTRY_VERIFY(!window.platform.housekeepingAwake());
        QVERIFY(ticks.size() >= 1);
    }

    void undoesMaximizingAtTheNextTick() {
        Window window;
        QMainWindow& main = window.platform.window();
        const QSize design = main.size();
        main.showMaximized();
        QTRY_COMPARE_WITH_TIMEOUT(main.windowState(), Qt::WindowNoState, 500);
        QTRY_COMPARE_WITH_TIMEOUT(main.size(), design, 500);
    }

    void restoresTheDesignSizeAfterAnyResize() {
        Window window;
        QMainWindow& main = window.platform.window();
        const QSize design = main.size();
        main.setMinimumSize(0, 0);
        main.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        main.resize(800, 600);
        QTRY_COMPARE_WITH_TIMEOUT(main.size(), design, 500);
        QCOMPARE(main.minimumSize(), design);
        QCOMPARE(main.maximumSize(), design);
    }

    void leavesAMinimizedWindowAlone() {
        Window window;
        QMainWindow& main = window.platform.window();
        main.showMinimized();
        QTest::qWait(50);
        QVERIFY(main.windowState() & Qt::WindowMinimized);
    }

    void enablingATimerStartsItsIntervalAfresh() {
        Window window;
        window.platform.setTimerEnabled(TimerId::Timer2, true);
        QTest::qWait(300);
        window.platform.setTimerEnabled(TimerId::Timer2, true);
        QVERIFY(timerOf(window, TimerId::Timer2)->remainingTime() > 1900);
        window.platform.setTimerEnabled(TimerId::Timer2, false);
        QVERIFY(!timerOf(window, TimerId::Timer2)->isActive());
    }

    void menuLinksOpenTheirAddresses_data() {
        QTest::addColumn<MenuId>("item");
        QTest::addColumn<QString>("address");
        QTest::newRow("gyc1") << MenuId::gyc1 << qText(product::kEncyclopediaAddress);
        QTest::newRow("gy1") << MenuId::gy1 << qText(product::kHomePageAddress);
        QTest::newRow("gyc2") << MenuId::gyc2 << qText(product::kDistributorAddress);
        QTest::newRow("gyc3") << MenuId::gyc3 << qText(product::kLawsAddress);
    }

    void menuLinksOpenTheirAddresses() {
        QFETCH(MenuId, item);
        QFETCH(QString, address);
        Window window;
        Browser browser;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
        window.platform.menuItem(item)->trigger();
        window.platform.menuItem(item)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(browser.opened, QList<QUrl>({QUrl(address), QUrl(address)}));
    }

    void menuShowsTheContactAndAboutBoxes() {
        Window window;
        const auto contact = catchBox([&] { window.platform.menuItem(MenuId::gy3)->trigger(); });
        QVERIFY(contact);
        QCOMPARE(contact->title, QStringLiteral("联系开发者"));
        QCOMPARE(contact->text.split(u'\n').size(), 5);
        QVERIFY(!contact->text.contains(u'\r'));
        QCOMPARE(contact->icon, QMessageBox::Information);

        const auto about = catchBox([&] { window.platform.menuItem(MenuId::gy4)->trigger(); });
        QVERIFY(about);
        QCOMPARE(about->title, QStringLiteral("关于 MD5Zevrin"));
        QVERIFY(about->text.startsWith(QStringLiteral("MD5Zevrin\n")));
        QVERIFY(about->text.contains(QStringLiteral("开发者(所有者)：")));
        QCOMPARE(about->iconPixmap.size(), QSize(32, 32));
    }

    void secondWindowInTheSameSessionEndsDuringLoad() {
        Window first;
        Window second;
        QVERIFY(second.platform.ended());
        QVERIFY(!second.notice);
        QVERIFY(!second.platform.window().isVisible());
        QVERIFY(!first.platform.ended());
    }

    void closeIsRefusedAndTheWindowFadesOutIn45Steps() {
        Window window;
        QMainWindow& main = window.platform.window();
        QSignalSpy steps(timerOf(window, TimerId::Timer7), &QTimer::timeout);
        QVERIFY(!main.close());
        QVERIFY(main.isVisible());
        QVERIFY(!main.isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(window.platform.ended(), 3000);
        QCOMPARE(steps.size(), 45);
        QCOMPARE(window.caption(Label13), QStringLiteral("10"));
        QCOMPARE(qRound(main.windowOpacity() * 255), 10);
        QVERIFY(window.label(Label13)->isHidden());
        for (const QTimer* timer : main.findChildren<QTimer*>()) {
            QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
        }
    }

    void aCloseDuringTheFadeStartsItOver() {
        Window window;
        QMainWindow& main = window.platform.window();
        QVERIFY(!main.close());
        QTRY_VERIFY(window.caption(Label13).toInt() <= 200);
        QVERIFY(!main.close());
        QCOMPARE(window.caption(Label13), QStringLiteral("235"));
        QTRY_VERIFY_WITH_TIMEOUT(window.platform.ended(), 3000);
    }

    void anEndedWindowTakesNoFurtherEvents() {
        Window window;
        typeInto(window.input(), QStringLiteral("abc"));
        window.platform.end();
        click(window, ann1);
        QCOMPARE(window.caption(Label8), QStringLiteral("Loading..."));
        window.platform.setTimerEnabled(TimerId::Timer2, true);
        QVERIFY(!timerOf(window, TimerId::Timer2)->isActive());
        QVERIFY(!window.platform.window().isVisible());
    }
};

QTEST_MAIN(WindowBehaviourTest)
#include "window_behaviour_test.moc"
