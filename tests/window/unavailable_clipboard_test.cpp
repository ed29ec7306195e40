// The copy labels while the clipboard cannot be written: the desktop's calls
// fail without a word, and the confirmation runs exactly as after a copy.

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"

namespace md5z::testing {
namespace {

using enum ControlId;

constexpr Colour kBlue = 0x00FF0000;
constexpr Colour kPaleBlue = 0x00FFC0C0;

struct CopyLabel {
    ControlId label;
    TimerId timer;
};
constexpr CopyLabel kCopyLabels[] = {
    {fz1, TimerId::Timer3},
    {fz2, TimerId::Timer4},
    {fz3, TimerId::Timer5},
    {fz4, TimerId::Timer6},
};

struct ShowingWindow : FakeWindow {
    ShowingWindow() {
        start();
        platform.type(u"中文abc");
        platform.click(ann1);
    }
};

TEST(UnavailableClipboard, EveryLabelStillConfirmsForTwoSecondsAndLeavesTheClipboardAlone) {
    for (const std::optional<std::u16string>& held :
         {std::optional<std::u16string>(u"another program's text"),
          std::optional<std::u16string>()}) {
        SCOPED_TRACE(held ? "held by another program" : "no owner");
        ShowingWindow w;
        FakePlatform& p = w.platform;
        p.holdClipboardElsewhere(held);
        for (const CopyLabel& copy : kCopyLabels) {
            SCOPED_TRACE(nameOf(copy.label));
            ASSERT_TRUE(p.click(copy.label));
            EXPECT_EQ(p.captionOf(copy.label), u"已复制");
            EXPECT_EQ(p.foreColorOf(copy.label), kPaleBlue);
            EXPECT_TRUE(p.timerEnabledOf(copy.timer));
            EXPECT_EQ(p.clipboard(), held);

            p.click(copy.label);  // ignored while confirming
            p.advance(1999);
            EXPECT_EQ(p.captionOf(copy.label), u"已复制");
            p.advance(1);
            EXPECT_EQ(p.captionOf(copy.label), u"复制");
            EXPECT_EQ(p.foreColorOf(copy.label), kBlue);
            EXPECT_FALSE(p.timerEnabledOf(copy.timer));
            EXPECT_TRUE(p.enabledOf(copy.label));
        }
        EXPECT_EQ(p.clipboard(), held);
        EXPECT_TRUE(p.clipboardHistory().empty());
        EXPECT_FALSE(p.ended());
    }
}

TEST(UnavailableClipboard, CopyingWorksAgainOnceTheClipboardIsFree) {
    ShowingWindow w;
    FakePlatform& p = w.platform;
    p.holdClipboardElsewhere(u"held");
    p.click(fz4);
    p.click(fz1);
    p.releaseClipboard();
    p.click(fz3);
    EXPECT_EQ(p.clipboard(), u"6b89cdbe5fe4b3f56ca3094b4ef674c3");
    p.click(fz4);
    EXPECT_EQ(p.clipboard(), u"6b89cdbe5fe4b3f56ca3094b4ef674c3")
        << "fz4 is still confirming the copy that failed";
    p.advance(2000);
    p.click(fz4);
    EXPECT_EQ(p.clipboard(), u"6B89CDBE5FE4B3F56CA3094B4EF674C3");
}

}  // namespace
}  // namespace md5z::testing
