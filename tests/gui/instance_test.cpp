// The window program as a user starts it: real processes on an X server of
// the test's own, the start-up notice found and answered through the X
// server as a person would (xdotool). One window per user and display,
// whatever the folders and environment around the starts, and a clear line
// when there is no display at all.

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kTimeoutMs = 20000;
constexpr int kPollMs = 100;
// How long a second notice is given to appear.
constexpr int kSettleMs = 1500;

const QString kNoticeTitle = QStringLiteral("^提示$");
const QString kWindowTitle = QStringLiteral("^MD5Zevrin$");

// An Xvfb that picks a free display number itself, so parallel runs never meet.
class XServer {
  public:
    XServer() {
        server_.start(QStringLiteral("Xvfb"),
                      {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        if (!server_.waitForStarted(kTimeoutMs)) {
            return;
        }
        const QDeadlineTimer deadline(kTimeoutMs);
        while (!server_.canReadLine() && !deadline.hasExpired() &&
               server_.state() == QProcess::Running) {
            server_.waitForReadyRead(kPollMs);
        }
        const QByteArray number = server_.readLine().trimmed();
        if (!number.isEmpty()) {
            display_ = ':' + QString::fromLatin1(number);
        }
    }
    ~XServer() {
        server_.kill();
        server_.waitForFinished(kTimeoutMs);
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const QString& display() const { return display_; }

    // Visible top-level windows whose name matches `title`.
    QStringList windows(const QString& title) const {
        return xdotool({"search", "--onlyvisible", "--name", title});
    }
    // Waits until exactly `count` such windows show.
    bool waitForWindows(const QString& title, int count) const {
        const QDeadlineTimer deadline(kTimeoutMs);
        while (windows(title).size() != count) {
            if (deadline.hasExpired()) {
                return false;
            }
            QTest::qWait(kPollMs);
        }
        return true;
    }
    // Focuses the window and presses Return, as a person answers a notice.
    void pressReturnIn(const QString& window) const {
        xdotool({"windowfocus", "--sync", window});
        xdotool({"key", "Return"});
    }

  private:
    QStringList xdotool(const QStringList& arguments) const {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display_);
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral("xdotool"), arguments);
        tool.waitForFinished(kTimeoutMs);
        return QString::fromLatin1(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    QProcess server_;
    QString display_;
};

// What a start of the program sees of its surroundings.
struct Surroundings {
    QString display;
    QString runtimeDirectory;  // empty: XDG_RUNTIME_DIR unset
    QString temporaryDirectory;
    QString home;
    QString workingDirectory;
};

class Start {
  public:
    explicit Start(const Surroundings& around) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"}) {
            environment.remove(QString::fromLatin1(name));
        }
        environment.insert(QStringLiteral("DISPLAY"), around.display);
        const auto set = [&environment](const char* name, const QString& value) {
            if (!value.isEmpty()) {
                environment.insert(QString::fromLatin1(name), value);
            }
        };
        set("XDG_RUNTIME_DIR", around.runtimeDirectory);
        set("TMPDIR", around.temporaryDirectory);
        set("HOME", around.home);
        process_->setProcessEnvironment(environment);
        if (!around.workingDirectory.isEmpty()) {
            process_->setWorkingDirectory(around.workingDirectory);
        }
        process_->start(QStringLiteral(MD5ZEVRIN_PROGRAM), {});
    }
    ~Start() {
        if (running()) {
            process_->kill();
            process_->waitForFinished(kTimeoutMs);
        }
    }
    Start(Start&&) = default;

    bool running() const { return process_ && process_->state() != QProcess::NotRunning; }
    bool endedCleanly() {
        return (!running() || process_->waitForFinished(kTimeoutMs)) &&
               process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0;
    }
    void killOutright() {
        process_->kill();
        process_->waitForFinished(kTimeoutMs);
    }

  private:
    std::unique_ptr<QProcess> process_ = std::make_unique<QProcess>();
};

// Waits until all but one of the starts have ended; a start that passed
// the rule never ends by itself.
bool allButOneEnd(const std::vector<Start>& starts) {
    const QDeadlineTimer deadline(kTimeoutMs);
    const auto runningCount = [&starts] {
        return std::count_if(starts.begin(), starts.end(),
                             [](const Start& start) { return start.running(); });
    };
    while (runningCount() > 1 && !deadline.hasExpired()) {
        QTest::qWait(kPollMs);
    }
    return runningCount() == 1;
}

bool toolsPresent() {
    return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

}  // namespace

class InstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;

    QString folder(const QString& name) const {
        QDir(scratch_.path()).mkpath(name);
        return QDir(scratch_.path()).filePath(name);
    }

    // One running instance on `server`, its notice shown.
    Start startFirst(const XServer& server) const {
        Start first({server.display(), folder("runtime"), folder("tmp"), folder("home"), {}});
        return first;
    }

  private Q_SLOTS:
    void initTestCase() {
        if (!toolsPresent()) {
            QSKIP("Xvfb and xdotool are needed (tools/install-deps installs them)");
        }
        QVERIFY(scratch_.isValid());
    }

    // Started at the same moment, exactly one shows its window and notice;
    // the other and a later start end at once, showing nothing. The notice
    // is answered and the window stays.
    void simultaneousStartsGiveOneWindow() {
        const XServer server;
        QVERIFY(!server.display().isEmpty());
        const Surroundings around{server.display(), folder("runtime"), {}, {}, {}};
        std::vector<Start> starts;
        starts.emplace_back(around);
        starts.emplace_back(around);
        QVERIFY(allButOneEnd(starts));
        QVERIFY(server.waitForWindows(kNoticeTitle, 1));
        Start late(around);
        QVERIFY(late.endedCleanly());
        QTest::qWait(kSettleMs);
        QCOMPARE(server.windows(kNoticeTitle).size(), 1);
        QCOMPARE(server.windows(kWindowTitle).size(), 1);
        for (Start& start : starts) {
            QVERIFY(start.running() || start.endedCleanly());
        }

        server.pressReturnIn(server.windows(kNoticeTitle).constFirst());
        QVERIFY(server.waitForWindows(kNoticeTitle, 0));
        QCOMPARE(server.windows(kWindowTitle).size(), 1);
        QVERIFY(starts[0].running() || starts[1].running());
    }

    // Whatever the second start finds in its folders and environment, the
    // first instance on the display is found.
    void theRuleIgnoresFoldersAndEnvironment_data() {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("temporary");
        QTest::addColumn<bool>("removeFirstsFiles");
        QTest::addColumn<QString>("screen");
        // /proc takes no new files, not even from root.
        QTest::newRow("XDG_RUNTIME_DIR unset") << QString() << QString() << false << QString();
        QTest::newRow("XDG_RUNTIME_DIR missing")
            << QStringLiteral("/nonexistent/runtime") << QString() << false << QString();
        QTest::newRow("XDG_RUNTIME_DIR not writable")
            << QStringLiteral("/proc") << QStringLiteral("/proc") << false << QString();
        QTest::newRow("another runtime folder")
            << QStringLiteral("other") << QString() << false << QString();
        QTest::newRow("the first's folders emptied") << QString() << QString() << true << QString();
        QTest::newRow("display named with its screen")
            << QString() << QString() << false << QStringLiteral(".0");
    }
    void theRuleIgnoresFoldersAndEnvironment() {
        QFETCH(QString, runtime);
        QFETCH(QString, temporary);
        QFETCH(bool, removeFirstsFiles);
        QFETCH(QString, screen);
        const XServer server;
        QVERIFY(!server.display().isEmpty());
        Start first = startFirst(server);
        QVERIFY(server.waitForWindows(kNoticeTitle, 1));
        if (removeFirstsFiles) {
            for (const char* name : {"runtime", "tmp", "home"}) {
                QVERIFY(QDir(folder(QString::fromLatin1(name))).removeRecursively());
            }
        }
        if (runtime == QStringLiteral("other")) {
            runtime = folder("other-runtime");
        }
        Start second({server.display() + screen, runtime, temporary, {}, {}});
        QVERIFY(second.endedCleanly());
        QCOMPARE(server.windows(kNoticeTitle).size(), 1);
        QVERIFY(first.running());
    }

    // No folder the program could write to, from a working directory it
    // cannot write either: still exactly one window.
    void withoutAnyWritableFolderStillOneWindow() {
        const XServer server;
        QVERIFY(!server.display().isEmpty());
        const Surroundings nowhere{server.display(), QStringLiteral("/proc/nonexistent"),
                                   QStringLiteral("/proc"), QStringLiteral("/proc"),
                                   QStringLiteral("/proc")};
        std::vector<Start> starts;
        starts.emplace_back(nowhere);
        starts.emplace_back(nowhere);
        QVERIFY(allButOneEnd(starts));
        QVERIFY(server.waitForWindows(kNoticeTitle, 1));
        QTest::qWait(kSettleMs);
        QCOMPARE(server.windows(kNoticeTitle).size(), 1);
    }

    // Killed outright, the first leaves nothing that holds the next start back.
    void aStartAfterTheFirstWasKilledRuns() {
        const XServer server;
        QVERIFY(!server.display().isEmpty());
        Start first = startFirst(server);
        QVERIFY(server.waitForWindows(kNoticeTitle, 1));
        first.killOutright();
        QVERIFY(server.waitForWindows(kNoticeTitle, 0));
        Start next = startFirst(server);
        QVERIFY(server.waitForWindows(kNoticeTitle, 1));
        QVERIFY(next.running());
    }

    // The rule is per display: a window on one does not stop one on another.
    void eachDisplayHasItsOwnWindow() {
        const XServer one, two;
        QVERIFY(!one.display().isEmpty() && !two.display().isEmpty());
        Start onOne = startFirst(one);
        Start onTwo = startFirst(two);
        QVERIFY(one.waitForWindows(kNoticeTitle, 1));
        QVERIFY(two.waitForWindows(kNoticeTitle, 1));
        QVERIFY(onOne.running() && onTwo.running());
    }

    void withoutADisplayEndsWithOneLine() {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(MD5ZEVRIN_PROGRAM), {});
        QVERIFY(program.waitForFinished(kTimeoutMs));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QByteArray errors = program.readAllStandardError();
        QCOMPARE(errors.count('\n'), 1);
        QVERIFY2(errors.startsWith("md5zevrin: no display could be opened"), errors.constData());
        QCOMPARE(program.readAllStandardOutput(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(InstanceTest)
#include "instance_test.moc"
