// Timer1 sleeps while nothing happens, yet each of its duties is done by the
// very first tick after its cause: the window is looked at right after that
// tick, with no later tick to cover for a late wake-up.

#include <QMainWindow>
#include <functional>

#include "window_fixture.h"

using namespace md5z;
using namespace md5z::test;
using enum ControlId;

namespace {

QTimer* timerOf(const Window& window, TimerId id) {
    return window.platform.window().findChild<QTimer*>(QString::fromLatin1(nameOf(id)));
}

// What the housekeeping tick looks after.
struct Snapshot {
    QStringList rows;
    QList<bool> copyEnabled;
    Qt::WindowStates state;
    QSize size;
};

Snapshot snapshotOf(const Window& window) {
    Snapshot shot;
    for (const ControlId row : {Label8, Label9, Label10, Label11, Label12}) {
        shot.rows.append(window.caption(row));
    }
    for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
        shot.copyEnabled.append(window.label(copy)->isEnabled());
    }
    shot.state = window.platform.window().windowState();
    shot.size = window.platform.window().size();
    return shot;
}

// Lets the housekeeping fall asleep, runs `cause`, and returns the window as
// it stands right after the first tick of Timer1 that follows.
std::optional<Snapshot> afterFirstTick(Window& window, const std::function<void()>& cause) {
    if (!QTest::qWaitFor([&] { return !window.platform.housekeepingAwake(); }, 1000)) {
        return std::nullopt;
    }
    std::optional<Snapshot> shot;
    // Connected after the window's own handler, so it runs after the tick.
    const auto observer = QObject::connect(timerOf(window, TimerId::Timer1), &QTimer::timeout, [&] {
        if (!shot) {
            shot = snapshotOf(window);
        }
    });
    cause();
    (void)QTest::qWaitFor([&] { return shot.has_value(); }, 1000);
    QObject::disconnect(observer);
    return shot;
}

void showDigest(Window& window, const QString& text) {
    typeInto(window.input(), text);
    QTest::mouseClick(window.control(ann1), Qt::LeftButton);
}

}  // namespace

class HousekeepingTickTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        isolateRuntimeDirectory(runtime_);
        substituteMissingFaces();
    }

    void emptyingTheInputResetsTheRowsAtTheFirstTick_data() {
        QTest::addColumn<std::function<void(QLineEdit*)>>("empty");
        QTest::newRow("select all, backspace")
            << std::function<void(QLineEdit*)>([](QLineEdit* box) {
                   QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
                   QTest::keyClick(box, Qt::Key_Backspace);
               });
        QTest::newRow("backspace by backspace")
            << std::function<void(QLineEdit*)>([](QLineEdit* box) {
                   QTest::keyClick(box, Qt::Key_End);
                   QTest::keyClick(box, Qt::Key_Backspace);
                   QTest::keyClick(box, Qt::Key_Backspace);
               });
        QTest::newRow("cut") << std::function<void(QLineEdit*)>([](QLineEdit* box) {
            box->selectAll();
            box->cut();
        });
    }

    void emptyingTheInputResetsTheRowsAtTheFirstTick() {
        QFETCH(std::function<void(QLineEdit*)>, empty);
        Window window;
        showDigest(window, QStringLiteral("ab"));
        QVERIFY(window.caption(Label8) == QStringLiteral("ab"));

        const auto shot = afterFirstTick(window, [&] { empty(window.input()); });
        QVERIFY2(shot, "no tick followed the change");
        QVERIFY(window.input()->text().isEmpty());
        for (const QString& row : shot->rows) {
            QCOMPARE(row, QStringLiteral("Loading..."));
        }
        QCOMPARE(shot->copyEnabled, QList<bool>({false, false, false, false}));
    }

    // A non-empty input leaves the rows alone, however many ticks go by.
    void aShortenedInputKeepsTheRows() {
        Window window;
        showDigest(window, QStringLiteral("ab"));
        const auto shot = afterFirstTick(window, [&] {
            QTest::keyClick(window.input(), Qt::Key_End);
            QTest::keyClick(window.input(), Qt::Key_Backspace);
        });
        QVERIFY2(shot, "no tick followed the change");
        QCOMPARE(shot->rows.first(), QStringLiteral("ab"));
        QCOMPARE(shot->copyEnabled, QList<bool>({true, true, true, true}));
    }

    void theWindowIsBackAtItsDesignSizeAfterTheFirstTick_data() {
        QTest::addColumn<std::function<void(QMainWindow&)>>("disturb");
        QTest::newRow("maximized")
            << std::function<void(QMainWindow&)>([](QMainWindow& main) { main.showMaximized(); });
        QTest::newRow("full screen")
            << std::function<void(QMainWindow&)>([](QMainWindow& main) { main.showFullScreen(); });
        QTest::newRow("resized") << std::function<void(QMainWindow&)>([](QMainWindow& main) {
            main.setMinimumSize(0, 0);
            main.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            main.resize(800, 600);
        });
    }

    void theWindowIsBackAtItsDesignSizeAfterTheFirstTick() {
        QFETCH(std::function<void(QMainWindow&)>, disturb);
        Window window;
        QMainWindow& main = window.platform.window();
        const QSize design = main.size();

        const auto shot = afterFirstTick(window, [&] { disturb(main); });
        QVERIFY2(shot, "no tick followed the change");
        QCOMPARE(shot->state, Qt::WindowStates(Qt::WindowNoState));
        QCOMPARE(shot->size, design);
    }
};

QTEST_MAIN(HousekeepingTickTest)
#include "housekeeping_tick_test.moc"
