// The window as a native Wayland client of a real compositor: the notice
// belongs to the window, maximize and fullscreen requests leave the window
// alive at its design size, and a close fades out and ends without a word
// about opacity. Any warning fails the test.

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>

#include "platform/qt/qt_platform.h"

namespace md5z {
namespace {

constexpr int kDesignWidth = 639;
constexpr int kDesignClientHeight = 335;
// Generous: a loaded machine shares two cores among many builds.
constexpr int kDeadlineMs = 20000;

struct Window {
    QtPlatform platform;
    Form1 form{platform};
    QMainWindow& main() const { return platform.window(); }
};

}  // namespace

class WaylandWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;
    QSize designSize_;

    // Waits until the compositor has put the window into `state` (or
    // refused) and the housekeeping tick has brought it back.
    void expectHeldAfter(Qt::WindowState state) {
        QWindow* handle = w_->main().windowHandle();
        QSignalSpy changes(handle, &QWindow::windowStateChanged);
        handle->setWindowStates(state);
        QTRY_VERIFY_WITH_TIMEOUT(!changes.isEmpty(), kDeadlineMs);
        QTRY_COMPARE_WITH_TIMEOUT(handle->windowStates(), Qt::WindowNoState, kDeadlineMs);
        QTRY_COMPARE_WITH_TIMEOUT(w_->main().size(), designSize_, kDeadlineMs);
        // Round trips with the compositor: a protocol error would end the
        // process here.
        QTest::qWait(500);
        QCOMPARE(w_->main().size(), designSize_);
        QCOMPARE(w_->platform.windowState(), WindowState::Normal);
    }

  private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    }

    void startsWithTheNoticeOverTheWindow() {
        w_ = std::make_unique<Window>();
        w_->platform.attach(w_->form);
        QString noticeTitle;
        bool noticeBelongsToWindow = false;
        // The notice waits for the window to reach the screen, running the
        // event loop meanwhile: it is looked for until it is there.
        QTimer lookForNotice;
        lookForNotice.setInterval(10);
        QObject::connect(&lookForNotice, &QTimer::timeout, [&] {
            auto* notice = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (notice == nullptr) {
                return;
            }
            lookForNotice.stop();
            noticeTitle = notice->windowTitle();
            noticeBelongsToWindow =
                notice->windowHandle()->transientParent() == w_->main().windowHandle();
            notice->accept();
        });
        lookForNotice.start();
        w_->platform.load();
        QCOMPARE(noticeTitle, QStringLiteral("提示"));
        QVERIFY(noticeBelongsToWindow);
        QVERIFY(QTest::qWaitForWindowExposed(&w_->main()));
        designSize_ = w_->main().size();
        QCOMPARE(designSize_.width(), kDesignWidth);
        QVERIFY(designSize_.height() > kDesignClientHeight);
    }

    void maximizeLeavesTheDesignSize() { expectHeldAfter(Qt::WindowMaximized); }

    void fullscreenLeavesTheDesignSize() { expectHeldAfter(Qt::WindowFullScreen); }

    void closeFadesAndEnds() {
        QTimer* fade = w_->main().findChild<QTimer*>(QStringLiteral("Timer7"));
        QVERIFY(fade != nullptr);
        QSignalSpy steps(fade, &QTimer::timeout);
        QVERIFY(!w_->main().close());
        QTRY_VERIFY_WITH_TIMEOUT(w_->platform.ended(), kDeadlineMs);
        QCOMPARE(steps.size(), 45);
    }

    void cleanupTestCase() { w_.reset(); }
};

}  // namespace md5z

QTEST_MAIN(md5z::WaylandWindowTest)
#include "wayland_window_test.moc"
