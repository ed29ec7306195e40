// The single-instance rule, with real processes of the window program.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kStartTimeoutMs = 15000;
const QByteArray kNoticeShown = QByteArrayLiteral("box \"提示\" dismissed");

}  // namespace

class WindowProcessTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

    // Each instance runs off screen in this test's own runtime directory,
    // with its modal boxes accepting themselves.
    void start(QProcess& process) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("MD5ZEVRIN_TEST_DISMISS_BOXES"), QStringLiteral("1"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(MD5ZEVRIN_PROGRAM), {});
        QVERIFY(process.waitForStarted(kStartTimeoutMs));
    }

    // Whether the instance got past its start-up notice, that is, runs as
    // the first instance.
    static bool waitForNotice(QProcess& process, QByteArray& errors) {
        const QDeadlineTimer deadline(kStartTimeoutMs);
        while (!errors.contains(kNoticeShown)) {
            if (!process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                return false;
            }
            errors += process.readAllStandardError();
        }
        return true;
    }

    static void stop(QProcess& process) {
        process.kill();
        process.waitForFinished(kStartTimeoutMs);
    }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(runtime_.isValid()); }

    void aSecondInstanceEndsSilently() {
        QProcess first;
        first.setReadChannel(QProcess::StandardError);
        start(first);
        QByteArray firstErrors;
        QVERIFY(waitForNotice(first, firstErrors));

        QProcess second;
        start(second);
        QVERIFY(second.waitForFinished(kStartTimeoutMs));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!second.readAllStandardError().contains("dismissed"));
        QCOMPARE(first.state(), QProcess::Running);
        stop(first);
    }

    void startsAgainAfterTheFirstInstanceWasKilled() {
        QProcess first;
        first.setReadChannel(QProcess::StandardError);
        start(first);
        QByteArray errors;
        QVERIFY(waitForNotice(first, errors));
        first.kill();  // SIGKILL: the lock file stays behind
        QVERIFY(first.waitForFinished(kStartTimeoutMs));
        QVERIFY(QFile::exists(QDir(runtime_.path()).filePath(QStringLiteral("md5zevrin.lock"))));

        QProcess again;
        again.setReadChannel(QProcess::StandardError);
        start(again);
        QByteArray againErrors;
        QVERIFY(waitForNotice(again, againErrors));
        QVERIFY(!again.waitForFinished(200));
        stop(again);
    }
};

QTEST_GUILESS_MAIN(WindowProcessTest)
#include "window_process_test.moc"
