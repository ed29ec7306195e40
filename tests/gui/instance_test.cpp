// The single-instance rule with real processes of the window program, each
// offscreen and in a runtime directory of the test's own.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>

namespace {

constexpr int kTimeoutMs = 20000;
// How long a start that passed the rule must stay up to count as running.
constexpr int kStaysUpMs = 1000;
// With MD5ZEVRIN_TEST_DISMISS_BOXES set, each box names itself on standard
// error as it answers itself; the start-up notice shows only in a first
// instance.
const QByteArray kNoticeShown = QByteArrayLiteral("box \"提示\" dismissed");

struct Instance {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QByteArray errors;

    bool running() const { return process->state() != QProcess::NotRunning; }
    bool showedNotice() {
        errors += process->readAllStandardError();
        return errors.contains(kNoticeShown);
    }
    // Waits until it has shown its notice or ended.
    bool settle() {
        const QDeadlineTimer deadline(kTimeoutMs);
        while (!showedNotice() && running()) {
            if (deadline.hasExpired()) {
                return false;
            }
            process->waitForReadyRead(50);
        }
        return true;
    }
    // A start that met a running instance ends at once, cleanly, showing nothing.
    void expectEndedSilently() {
        QVERIFY(!running() || process->waitForFinished(kTimeoutMs));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
        showedNotice();
        QVERIFY2(!errors.contains("dismissed"), errors.constData());
    }
};

}  // namespace

class InstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

    Instance start() const {
        Instance instance;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("MD5ZEVRIN_TEST_DISMISS_BOXES"), QStringLiteral("1"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        instance.process->setProcessEnvironment(environment);
        instance.process->setReadChannel(QProcess::StandardError);
        instance.process->start(QStringLiteral(MD5ZEVRIN_PROGRAM), {});
        return instance;
    }

  private Q_SLOTS:
    // Two starts at the same moment, on a fresh desktop and after the survivor
    // was killed with SIGKILL (its lock file left behind): each time exactly
    // one window runs, and a later start ends silently.
    void exactlyOneWindowRuns() {
        QVERIFY(runtime_.isValid());
        for (int round = 0; round < 3; ++round) {
            std::array<Instance, 2> starts{start(), start()};
            for (Instance& instance : starts) {
                QVERIFY2(instance.settle(), "the program neither ran nor ended");
            }
            QTest::qWait(kStaysUpMs);
            Instance late = start();
            late.expectEndedSilently();

            int running = 0;
            for (Instance& instance : starts) {
                if (instance.running()) {
                    ++running;
                    QVERIFY2(instance.showedNotice(), instance.errors.constData());
                    instance.process->kill();
                    instance.process->waitForFinished(kTimeoutMs);
                } else {
                    instance.expectEndedSilently();
                }
            }
            QCOMPARE(running, 1);
            QVERIFY(
                QFile::exists(QDir(runtime_.path()).filePath(QStringLiteral("md5zevrin.lock"))));
        }
    }
};

QTEST_GUILESS_MAIN(InstanceTest)
#include "instance_test.moc"
