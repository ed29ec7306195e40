// The single-instance rule with real processes of the window program, each
// on the offscreen platform with a runtime directory of the test's own, at
// its edges: neither starts in the same instant nor anything a dead instance
// left behind ever leaves other than exactly one window running.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <vector>

namespace md5z {
namespace {

constexpr int kStartTimeoutMs = 20000;
// How long a start that passed the rule must stay up to count as running.
constexpr int kStaysUpMs = 1000;
// The notice box names itself on standard error when the test answers it.
const QByteArray kNoticeShown = "box \"提示\" dismissed";
// Where the program keeps its instance lock.
const QString kLockFileName = QStringLiteral("md5zevrin.lock");

struct Instance {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QByteArray errors;

    bool running() const { return process->state() != QProcess::NotRunning; }
    bool showedNotice() {
        errors += process->readAllStandardError();
        return errors.contains(kNoticeShown);
    }
};

class Desktop {
  public:
    Desktop() { QVERIFY(runtime_.isValid()); }

    QString lockPath() const { return QDir(runtime_.path()).filePath(kLockFileName); }

    Instance start() {
        Instance instance;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("MD5ZEVRIN_TEST_DISMISS_BOXES"), QStringLiteral("1"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        instance.process->setProcessEnvironment(environment);
        instance.process->start(QStringLiteral(MD5ZEVRIN_PROGRAM), {});
        return instance;
    }

  private:
    QTemporaryDir runtime_;
};

// Waits until the instance has either ended or shown its notice.
bool settle(Instance& instance) {
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (instance.showedNotice() || !instance.running()) {
            instance.showedNotice();
            return true;
        }
        instance.process->waitForReadyRead(50);
    }
    return false;
}

// A start that passed the rule: it showed its notice and stays up.
void expectRunning(Instance& instance) {
    QVERIFY2(settle(instance), "the program neither ran nor ended");
    QVERIFY2(instance.showedNotice(), instance.errors.constData());
    QVERIFY(!instance.process->waitForFinished(kStaysUpMs));
    QVERIFY2(instance.running(), instance.errors.constData());
}

// A start that met a running instance: it ended at once, cleanly, with no
// notice and nothing else to say.
void expectEndedSilently(Instance& instance) {
    QVERIFY(!instance.running() || instance.process->waitForFinished(kStartTimeoutMs));
    instance.showedNotice();
    QCOMPARE(instance.process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(instance.process->exitCode(), 0);
    QVERIFY2(!instance.errors.contains(kNoticeShown), instance.errors.constData());
}

// SIGKILL: the instance gets no chance to clean anything up.
void kill(Instance& instance) {
    instance.process->kill();
    instance.process->waitForFinished(kStartTimeoutMs);
}

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Several starts in the same instant, on a fresh desktop and again after
    // the survivor was killed: each time exactly one window runs.
    void simultaneousStartsLeaveExactlyOneWindow() {
        Desktop desktop;
        for (int round = 0; round < 4; ++round) {
            std::vector<Instance> starts;
            for (int i = 0; i < 3; ++i) {
                starts.push_back(desktop.start());
            }
            for (Instance& instance : starts) {
                QVERIFY(settle(instance));
            }
            QTest::qWait(kStaysUpMs);
            const auto running = std::count_if(starts.begin(), starts.end(),
                                               [](Instance& i) { return i.running(); });
            const auto noticed = std::count_if(starts.begin(), starts.end(),
                                               [](Instance& i) { return i.showedNotice(); });
            QCOMPARE(running, 1);
            QCOMPARE(noticed, 1);
            for (Instance& instance : starts) {
                if (instance.running()) {
                    kill(instance);
                } else {
                    expectEndedSilently(instance);
                }
            }
        }
    }

    // Whatever a dead instance, a crash or a full disk left in the lock
    // file, the next start runs.
    void leftoverLockFilesNeverLockTheUserOut_data() {
        QTest::addColumn<QByteArray>("content");
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xff\x00garbage\n", 10);
        QTest::newRow("dead process on this host") << "999999\nmd5zevrin\n" + host + "\n";
        QTest::newRow("process on another host") << QByteArray("4242\nmd5zevrin\nelsewhere\n");
        QTest::newRow("live process of another program")
            << QByteArray::number(QCoreApplication::applicationPid()) + "\nmd5zevrin\n" + host +
                   "\n";
    }
    void leftoverLockFilesNeverLockTheUserOut() {
        QFETCH(QByteArray, content);
        Desktop desktop;
        QFile lock(desktop.lockPath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(content);
        lock.close();
        Instance instance = desktop.start();
        expectRunning(instance);
        Instance second = desktop.start();
        expectEndedSilently(second);
        kill(instance);
    }
};

}  // namespace md5z

QTEST_GUILESS_MAIN(md5z::SingleInstanceTest)
#include "single_instance_test.moc"
