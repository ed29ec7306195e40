// The window over time: what the user sees after a series of events.

#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace md5z {
namespace {

using enum ControlId;

constexpr std::array kCopyLabels{fz1, fz2, fz3, fz4};
constexpr std::array kCopyTimers{TimerId::Timer3, TimerId::Timer4, TimerId::Timer5,
                                 TimerId::Timer6};
const auto kConfirming = std::tuple{std::u16string(u"已复制"), Color{0x00FFC0C0}, true};
const auto kReady = std::tuple{std::u16string(u"复制"), Color{0x00FF0000}, false};

// A first instance after its start-up.
struct Started : FakePlatform {
    Started() { load(); }
};

// A copy label as the user sees it, and whether its timer runs.
auto confirmation(FakePlatform& p, std::size_t copy) {
    return std::tuple{p.at(kCopyLabels[copy]).caption, p.at(kCopyLabels[copy]).foreColor,
                      p.at(kCopyTimers[copy]).enabled};
}

TEST(Scenario, TheRoadOfOneRequest) {
    Started p;
    EXPECT_EQ(p.type(u"中文abc"), 5u);
    EXPECT_EQ(p.at(Label15).caption, u"ZWABC");
    EXPECT_EQ(p.at(Label17).caption, u"25");
    ASSERT_TRUE(p.click(ann1));
    EXPECT_EQ(p.at(Label8).caption, u"中文abc");
    EXPECT_EQ(p.at(Label9).caption, u"5fe4b3f56ca3094b");
    EXPECT_EQ(p.at(Label10).caption, u"5FE4B3F56CA3094B");
    EXPECT_EQ(p.at(Label11).caption, u"6b89cdbe5fe4b3f56ca3094b4ef674c3");
    EXPECT_EQ(p.at(Label12).caption, u"6B89CDBE5FE4B3F56CA3094B4EF674C3");
    ASSERT_TRUE(p.click(fz3));
    EXPECT_EQ(p.clipboard, u"6b89cdbe5fe4b3f56ca3094b4ef674c3");
    EXPECT_EQ(confirmation(p, 2), kConfirming);
    p.advance(1999);
    EXPECT_EQ(confirmation(p, 2), kConfirming);
    p.advance(1);
    EXPECT_EQ(confirmation(p, 2), kReady);
}

TEST(Scenario, TheEmptyInputWarningLastsTwoSecondsFromTheLatestClick) {
    Started p;
    p.click(ann1);
    p.advance(1500);
    p.click(ann1);
    p.advance(1999);
    EXPECT_TRUE(p.at(Label14).visible);
    p.advance(1);
    EXPECT_FALSE(p.at(Label14).visible);
    EXPECT_FALSE(p.at(TimerId::Timer2).enabled);
}

TEST(Scenario, AResetLetsARunningConfirmationFinishOnADisabledLabel) {
    Started p;
    p.type(u"abc");
    p.click(ann1);
    p.click(fz2);
    p.advance(500);
    p.click(ann2);
    EXPECT_EQ(confirmation(p, 1), kConfirming);
    p.advance(1500);
    EXPECT_EQ(confirmation(p, 1), kReady);
    EXPECT_FALSE(p.at(fz2).enabled);
}

TEST(Scenario, CopyLabelsIgnoreClicksWhileConfirmingAndNeverCopyThePlaceholder) {
    Started p;
    p.type(u"x");
    p.click(ann1);
    p.edit(0, 1, u"");
    p.advance(1);
    for (const ControlId copy : kCopyLabels) {
        EXPECT_FALSE(p.click(copy)) << nameOf(copy) << " after the housekeeping reset";
    }
    EXPECT_TRUE(p.copied.empty());

    p.type(u"abc");
    p.click(ann1);
    p.click(fz2);
    p.advance(1000);
    p.click(fz4);
    p.click(fz2);
    EXPECT_EQ(p.copied, (std::vector<std::u16string>{u"B1DF0C4F70B4A5D2",
                                                     u"902FBDD2B1DF0C4F70B4A5D23525E932"}));
    p.advance(1000);
    EXPECT_EQ(confirmation(p, 1), kReady) << "2000 ms after its first click";
    EXPECT_EQ(confirmation(p, 3), kConfirming);
}

TEST(Scenario, CloseFadesInFortyFiveStepsAndACloseDuringTheFadeStartsOver) {
    for (std::int16_t reason = 0; reason <= 5; ++reason) {
        Started p;
        EXPECT_TRUE(p.closeRequest(reason) && !p.ended) << "refused for reason " << reason;
    }
    Started p;
    p.closeRequest(0);
    p.advance(20);
    p.closeRequest(2);  // 135 by now; the fade starts over
    std::vector<int> expected;
    std::vector<int> shown;
    for (int alpha = 230; alpha >= 10; alpha -= 5) {
        expected.push_back(alpha);
        p.advance(1);
        shown.push_back(p.alpha);
    }
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(p.ended) << "on the step that reaches 10";
}

TEST(Scenario, WithTheClipboardHeldElsewhereTheConfirmationStillRuns) {
    Started p;
    p.type(u"中文abc");
    p.click(ann1);
    p.clipboard = u"another program's text";
    p.clipboardHeld = true;
    for (std::size_t copy = 0; copy < kCopyLabels.size(); ++copy) {
        ASSERT_TRUE(p.click(kCopyLabels[copy]));
        EXPECT_EQ(confirmation(p, copy), kConfirming) << copy;
        p.advance(2000);
        EXPECT_EQ(confirmation(p, copy), kReady) << copy;
    }
    EXPECT_EQ(p.clipboard, u"another program's text");
    EXPECT_TRUE(p.copied.empty());
}

// A change the desktop did not notify, and a character that does not fit.
TEST(Scenario, 加密DigestsTheTextShownAndTheBoxKeepsCharactersWhole) {
    Started p;
    p.type(u"abc");
    p.input = u"xyz";
    p.click(ann1);
    EXPECT_EQ(p.at(Label12).caption, u"E65075D550F9B5BF9992FA1D71A131BE");
    EXPECT_EQ(p.at(Label17).caption, u"27");
    EXPECT_EQ(p.type(std::u16string(26, u'x') + u"😀"), 26u);
    EXPECT_TRUE(p.edit(0, 1, u"😀"));
    EXPECT_EQ(p.input.substr(0, 3), u"😀y");
}

}  // namespace
}  // namespace md5z
