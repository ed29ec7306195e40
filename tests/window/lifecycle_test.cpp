// Start-up, the housekeeping tick and the close sequence.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"

namespace md5z::testing {
namespace {

using enum ControlId;
using Calls = std::vector<std::string>;

constexpr int kDesignWidth = 9675;
constexpr int kDesignHeight = 5760;

// Why the desktop asks the window to close: the close box, code, shutdown,
// the task manager, an MDI parent, an owner.
constexpr std::int16_t kCloseReasons[] = {0, 1, 2, 3, 4, 5};

// ---- Start-up --------------------------------------------------------------

TEST(Startup, PreparesTheWindowThenShowsItAndTheNotice) {
    FakeWindow w;
    FakePlatform& p = w.platform;
    EXPECT_EQ(p.passwordChar(), u"#");
    ASSERT_TRUE(p.load());
    EXPECT_EQ(p.log(),
              (Calls{
                  "setPasswordChar ",
                  "mouseIcon ann1",
                  "setMouseIcon fz1 CommandPointer",
                  "mouseIcon ann1",
                  "setMouseIcon fz2 CommandPointer",
                  "mouseIcon ann1",
                  "setMouseIcon fz3 CommandPointer",
                  "mouseIcon ann1",
                  "setMouseIcon fz4 CommandPointer",
                  "windowIcon",
                  "setMouseIcon Label1 ProgramIcon",
                  "makeLayered",
                  "setOpacity 235",
                  "previousInstance",
                  "showWindow",
                  "messageBox MD5并不支持加密中文, 如输入了中文会自动转换成缩写并加密 64 提示",
              }));
    EXPECT_EQ(p.passwordChar(), u"");
    EXPECT_EQ(p.opacity(), 235);
    EXPECT_TRUE(p.windowShown());
    ASSERT_EQ(p.messageBoxes().size(), 1u);
    EXPECT_EQ(p.messageBoxes()[0].text,
              u"MD5\u5E76\u4E0D\u652F\u6301\u52A0\u5BC6\u4E2D\u6587, "
              u"\u5982\u8F93\u5165\u4E86\u4E2D\u6587\u4F1A\u81EA\u52A8\u8F6C\u6362\u6210"
              u"\u7F29\u5199\u5E76\u52A0\u5BC6");
    EXPECT_EQ(p.messageBoxes()[0].style, 64);
    EXPECT_EQ(p.messageBoxes()[0].title, u"\u63D0\u793A");
}

TEST(Startup, ASecondInstanceEndsBeforeShowingAnything) {
    FakeWindow w;
    FakePlatform& p = w.platform;
    p.setPreviousInstance(true);
    p.load();
    const Calls log = p.log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "previousInstance");
    EXPECT_EQ(log.back(), "end");
    EXPECT_TRUE(p.ended());
    EXPECT_FALSE(p.windowShown());
    EXPECT_TRUE(p.messageBoxes().empty());
    EXPECT_EQ(p.callsAfterEnd(), 0);

    EXPECT_FALSE(p.tick(TimerId::Timer1));
    EXPECT_FALSE(p.closeRequest(0));
    p.advance(100);
    EXPECT_EQ(p.log().size(), log.size()) << "an ended process hears nothing";
}

// ---- The housekeeping tick ---------------------------------------------------

TEST(Housekeeping, WithTheRowsAlreadyResetAnEmptyInputWritesOnlyTheSize) {
    FakeWindow w;
    w.start();
    ASSERT_TRUE(w.platform.tick(TimerId::Timer1));
    EXPECT_EQ(w.platform.log(), (Calls{"text", "caption Label8", "windowState", "windowState",
                                       "setOuterHeight 5760", "setOuterWidth 9675"}));
}

TEST(Housekeeping, ResetsTheRowsOnceAfterTheInputIsDeletedByHand) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.type(u"ab");
    p.click(ann1);
    p.clearInput();
    EXPECT_EQ(p.captionOf(Label8), u"ab") << "the change itself leaves the rows";
    p.clearLog();
    p.tick(TimerId::Timer1);
    EXPECT_EQ(mentioning(p.writes(), {"Label8", "Label9", "Label10", "Label11", "Label12", "fz1",
                                      "fz2", "fz3", "fz4"}),
              (Calls{"setCaption Label8 Loading...", "setCaption Label9 Loading...",
                     "setCaption Label10 Loading...", "setCaption Label11 Loading...",
                     "setCaption Label12 Loading...", "setEnabled fz1 false",
                     "setEnabled fz2 false", "setEnabled fz3 false", "setEnabled fz4 false"}));
    p.clearLog();
    p.advance(500);
    EXPECT_TRUE(mentioning(p.writes(), {"Label8", "fz1"}).empty()) << "nothing written again";
}

TEST(Housekeeping, LeavesTheRowsAloneWhileThereIsInput) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.type(u"ab");
    p.click(ann1);
    p.type(u"c");
    p.clearLog();
    p.advance(100);
    EXPECT_TRUE(mentioning(p.writes(), {"Label8", "fz1"}).empty());
    EXPECT_EQ(p.captionOf(Label8), u"ab");
    EXPECT_TRUE(p.enabledOf(fz1));
}

TEST(Housekeeping, UndoesMaximizingAndRestoresTheDesignSize) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.userSetWindowState(WindowState::Maximized);
    p.tick(TimerId::Timer1);
    EXPECT_EQ(p.log(), (Calls{"text", "caption Label8", "windowState", "setWindowState Normal",
                              "windowState", "setOuterHeight 5760", "setOuterWidth 9675"}));
    EXPECT_EQ(p.windowStateNow(), WindowState::Normal);
    EXPECT_EQ(p.outerWidth(), kDesignWidth);
    EXPECT_EQ(p.outerHeight(), kDesignHeight);
}

TEST(Housekeeping, HoldsTheSizeInTheNormalState) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.userResize(12000, 3000);
    p.advance(1);
    EXPECT_EQ(p.outerWidth(), kDesignWidth);
    EXPECT_EQ(p.outerHeight(), kDesignHeight);
}

TEST(Housekeeping, LeavesAMinimizedWindowAlone) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.userSetWindowState(WindowState::Minimized);
    p.advance(50);
    EXPECT_EQ(p.windowStateNow(), WindowState::Minimized);
    EXPECT_TRUE(p.writes().empty()) << "neither its state nor its size";
}

// ---- The close sequence ------------------------------------------------------

std::vector<int> appliedAlphas(const Calls& calls) {
    std::vector<int> alphas;
    for (const std::string& call : calls) {
        if (call.rfind("setOpacity ", 0) == 0) {
            alphas.push_back(std::stoi(call.substr(11)));
        }
    }
    return alphas;
}

std::vector<int> fadeFrom(int first, int last) {
    std::vector<int> alphas;
    for (int alpha = first; alpha >= last; alpha -= 5) {
        alphas.push_back(alpha);
    }
    return alphas;
}

TEST(CloseSequence, RefusesTheCloseAndStartsTheFade) {
    for (const std::int16_t reason : kCloseReasons) {
        SCOPED_TRACE(reason);
        FakeWindow w;
        w.start();
        FakePlatform& p = w.platform;
        ASSERT_TRUE(p.closeRequest(reason));
        EXPECT_EQ(p.lastCloseRefused(), true);
        EXPECT_EQ(p.writes(), (Calls{"setWindowEnabled false", "setCaption Label13 235",
                                     "setTimerEnabled Timer7 true"}));
        EXPECT_FALSE(p.ended());
        EXPECT_FALSE(p.windowEnabled());
    }
}

TEST(CloseSequence, OneFadeStepReadsTheLevelBackFromItsStore) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.closeRequest(0);
    p.clearLog();
    p.tick(TimerId::Timer7);
    EXPECT_EQ(p.log(), (Calls{"caption Label13", "setCaption Label13 230", "makeLayered",
                              "caption Label13", "setOpacity 230", "caption Label13"}));
}

TEST(CloseSequence, FadesInFortyFiveStepsAndEndsOnTheStepReachingTen) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.closeRequest(0);
    p.clearLog();
    for (int step = 1; step <= 44; ++step) {
        ASSERT_TRUE(p.tick(TimerId::Timer7)) << step;
    }
    EXPECT_FALSE(p.ended());
    EXPECT_EQ(p.opacity(), 15);
    p.tick(TimerId::Timer7);
    EXPECT_TRUE(p.ended());
    EXPECT_EQ(appliedAlphas(p.log()), fadeFrom(230, 10));
    const Calls writes = p.writes();
    EXPECT_EQ(Calls(writes.end() - 2, writes.end()),
              (Calls{"setTimerEnabled Timer7 false", "end"}));
    EXPECT_EQ(p.callsAfterEnd(), 0);
}

TEST(CloseSequence, TheFadeRunsOneStepPerTickWhileTheWindowIgnoresTheUser) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.closeRequest(0);
    p.advance(20);
    EXPECT_EQ(p.captionOf(Label13), u"135");
    EXPECT_FALSE(p.click(ann1));
    EXPECT_EQ(p.type(u"a"), 0u);
    EXPECT_FALSE(p.mouseMove(ann1));
    EXPECT_FALSE(p.chooseMenu(MenuId::gy3));
    EXPECT_TRUE(p.timerEnabledOf(TimerId::Timer1)) << "the housekeeping tick never stops";
    p.advance(24);
    EXPECT_FALSE(p.ended());
    p.advance(1);
    EXPECT_TRUE(p.ended());
}

TEST(CloseSequence, ACloseRequestDuringTheFadeStartsItOver) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.closeRequest(0);
    p.advance(20);
    p.clearLog();
    ASSERT_TRUE(p.closeRequest(2));
    EXPECT_EQ(p.lastCloseRefused(), true);
    EXPECT_EQ(p.captionOf(Label13), u"235");
    p.advance(44);
    EXPECT_FALSE(p.ended());
    p.advance(1);
    EXPECT_TRUE(p.ended());
    EXPECT_EQ(appliedAlphas(p.log()), fadeFrom(230, 10));
}

TEST(CloseSequence, AfterTheEndNothingIsDelivered) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.closeRequest(0);
    p.advance(45);
    ASSERT_TRUE(p.ended());
    p.clearLog();
    EXPECT_FALSE(p.closeRequest(0));
    EXPECT_FALSE(p.tick(TimerId::Timer1));
    p.advance(1000);
    EXPECT_TRUE(p.log().empty());
    EXPECT_EQ(p.callsAfterEnd(), 0);
}

}  // namespace
}  // namespace md5z::testing
