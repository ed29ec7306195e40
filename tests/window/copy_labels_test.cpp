// The four copy labels: what each copies, the confirmation and its end.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"

namespace md5z::testing {
namespace {

using enum ControlId;
using Calls = std::vector<std::string>;

constexpr Colour kBlue = 0x00FF0000;
constexpr Colour kPaleBlue = 0x00FFC0C0;

// The renditions of MD5("ZWABC"), the digest of 中文abc.
constexpr std::u16string_view kLower16 = u"5fe4b3f56ca3094b";
constexpr std::u16string_view kUpper16 = u"5FE4B3F56CA3094B";
constexpr std::u16string_view kLower32 = u"6b89cdbe5fe4b3f56ca3094b4ef674c3";
constexpr std::u16string_view kUpper32 = u"6B89CDBE5FE4B3F56CA3094B4EF674C3";

struct ShowingWindow : FakeWindow {
    ShowingWindow() {
        start();
        platform.type(u"中文abc");
        platform.click(ann1);
        platform.clearLog();
    }
};

TEST(CopyLabel, EachCopiesItsOwnRowAndStartsItsOwnTimer) {
    struct Case {
        ControlId label;
        std::u16string_view copied;
        TimerId timer;
        const char* timerName;
    };
    const Case cases[] = {
        {fz1, kLower16, TimerId::Timer3, "Timer3"},
        {fz2, kUpper16, TimerId::Timer4, "Timer4"},
        {fz3, kLower32, TimerId::Timer5, "Timer5"},
        {fz4, kUpper32, TimerId::Timer6, "Timer6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nameOf(c.label));
        ShowingWindow w;
        FakePlatform& p = w.platform;
        ASSERT_TRUE(p.click(c.label));
        const std::string label(nameOf(c.label));
        EXPECT_EQ(p.writes(),
                  (Calls{"clearClipboard", "setClipboardText " + utf8(c.copied),
                         "setCaption " + label + " 已复制", "setForeColor " + label + " 0x00FFC0C0",
                         "setTimerEnabled " + std::string(c.timerName) + " true"}));
        EXPECT_EQ(p.clipboard(), c.copied);
        EXPECT_EQ(p.foreColorOf(c.label), kPaleBlue);

        p.clearLog();
        ASSERT_TRUE(p.tick(c.timer));
        EXPECT_EQ(p.writes(),
                  (Calls{"setCaption " + label + " 复制", "setForeColor " + label + " 0x00FF0000",
                         "setTimerEnabled " + std::string(c.timerName) + " false"}));
        EXPECT_EQ(p.foreColorOf(c.label), kBlue);
    }
}

TEST(CopyLabel, IgnoresClicksWhileConfirmingAndEndsTwoSecondsAfterTheFirst) {
    ShowingWindow w;
    FakePlatform& p = w.platform;
    p.click(fz2);
    p.advance(1000);
    p.click(fz4);
    p.clearLog();
    ASSERT_TRUE(p.click(fz2));
    EXPECT_EQ(p.log(), (Calls{"caption fz2"})) << "a confirming label only reads its caption";
    EXPECT_EQ(p.clipboard(), kUpper32);
    p.advance(999);
    EXPECT_EQ(p.captionOf(fz2), u"已复制");
    p.advance(1);
    EXPECT_EQ(p.captionOf(fz2), u"复制");
    EXPECT_EQ(p.captionOf(fz4), u"已复制");
    p.advance(1000);
    EXPECT_EQ(p.captionOf(fz4), u"复制");
}

TEST(CopyLabel, LabelsConfirmIndependentlyAndTheClipboardKeepsTheLastCopy) {
    ShowingWindow w;
    FakePlatform& p = w.platform;
    p.click(fz1);
    p.advance(1000);
    p.click(fz3);
    EXPECT_EQ(p.captionOf(fz1), u"已复制");
    EXPECT_EQ(p.captionOf(fz3), u"已复制");
    p.advance(1000);
    EXPECT_EQ(p.captionOf(fz1), u"复制");
    EXPECT_EQ(p.captionOf(fz3), u"已复制");
    p.advance(1000);
    EXPECT_EQ(p.captionOf(fz3), u"复制");
    EXPECT_EQ(p.clipboard(), kLower32);
}

TEST(CopyLabel, DisabledLabelsNeverPutThePlaceholderOnTheClipboard) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
        EXPECT_FALSE(p.click(copy)) << "before the first digest";
    }
    p.type(u"abc");
    p.click(ann1);
    p.click(ann2);
    for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
        EXPECT_FALSE(p.click(copy)) << "after a reset";
    }
    p.type(u"x");
    p.click(ann1);
    p.clearInput();
    p.advance(1);
    for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
        EXPECT_FALSE(p.click(copy)) << "after the housekeeping reset";
    }
    EXPECT_FALSE(p.clipboard().has_value());
    EXPECT_TRUE(mentioning(p.writes(), {"clearClipboard", "setClipboardText"}).empty());
}

TEST(CopyLabel, AResetDuringAConfirmationLetsItFinishOnADisabledLabel) {
    ShowingWindow w;
    FakePlatform& p = w.platform;
    p.click(fz2);
    p.advance(500);
    p.click(ann2);
    EXPECT_FALSE(p.enabledOf(fz2));
    EXPECT_EQ(p.captionOf(fz2), u"已复制");
    EXPECT_TRUE(p.timerEnabledOf(TimerId::Timer4));
    p.advance(1500);
    EXPECT_EQ(p.captionOf(fz2), u"复制");
    EXPECT_EQ(p.foreColorOf(fz2), kBlue);
    EXPECT_FALSE(p.enabledOf(fz2));
    EXPECT_FALSE(p.click(fz2));
    EXPECT_EQ(p.clipboard(), kUpper16);
}

TEST(CopyLabel, ANewDigestLeavesARunningConfirmationAlone) {
    ShowingWindow w;
    FakePlatform& p = w.platform;
    p.click(fz1);
    p.advance(300);
    p.clearInput();
    p.type(u"abc");
    p.click(ann1);
    EXPECT_EQ(p.captionOf(fz1), u"已复制");
    p.click(fz1);
    EXPECT_EQ(p.clipboard(), kLower16) << "the click during the confirmation copies nothing";
    p.advance(1700);
    ASSERT_TRUE(p.click(fz1));
    EXPECT_EQ(p.clipboard(), u"b1df0c4f70b4a5d2") << "the new digest, of ABC";
}

}  // namespace
}  // namespace md5z::testing
