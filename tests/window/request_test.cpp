// Typing, the digest command and the clear command, seen on the window.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"

namespace md5z::testing {
namespace {

using enum ControlId;
using Calls = std::vector<std::string>;

// MD5 of the converted texts, worked out apart from the program.
constexpr std::u16string_view kDigestZWABC = u"6B89CDBE5FE4B3F56CA3094B4EF674C3";
constexpr std::u16string_view kDigestABC = u"902FBDD2B1DF0C4F70B4A5D23525E932";
constexpr std::u16string_view kDigestSpace = u"7215EE9C7D9DC229D2921A40E899EC5F";
constexpr std::u16string_view kDigestMD5JM = u"CA92A9E673A572B131C771647F42EDA3";
constexpr std::u16string_view kDigestA = u"7FC56270E7A70FA81A5935B72EACBE29";

const Calls kResetWrites{
    "setCaption Label8 Loading...",  "setCaption Label9 Loading...",
    "setCaption Label10 Loading...", "setCaption Label11 Loading...",
    "setCaption Label12 Loading...", "setEnabled fz1 false",
    "setEnabled fz2 false",          "setEnabled fz3 false",
    "setEnabled fz4 false",
};

Calls concat(Calls first, const Calls& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

void expectPlaceholder(const FakePlatform& p) {
    for (const ControlId row : {Label8, Label9, Label10, Label11, Label12}) {
        EXPECT_EQ(p.captionOf(row), u"Loading...") << nameOf(row);
    }
    for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
        EXPECT_FALSE(p.enabledOf(copy)) << nameOf(copy);
    }
}

void expectShowing(const FakePlatform& p, std::u16string_view input, std::u16string_view upper32) {
    std::u16string lower32(upper32);
    for (char16_t& c : lower32) {
        if (c >= u'A' && c <= u'F') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    EXPECT_EQ(p.captionOf(Label8), input);
    EXPECT_EQ(p.captionOf(Label9), lower32.substr(8, 16));
    EXPECT_EQ(p.captionOf(Label10), upper32.substr(8, 16));
    EXPECT_EQ(p.captionOf(Label11), lower32);
    EXPECT_EQ(p.captionOf(Label12), upper32);
    for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
        EXPECT_TRUE(p.enabledOf(copy)) << nameOf(copy);
    }
}

TEST(RoadOfOneRequest, FromTypingToTheCopiedDigestAndBack) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;

    EXPECT_EQ(p.type(u"中文abc"), 5u);
    EXPECT_EQ(p.captionOf(Label15), u"ZWABC");
    EXPECT_EQ(p.captionOf(Label17), u"25");
    expectPlaceholder(p);

    ASSERT_TRUE(p.click(ann1));
    EXPECT_EQ(p.captionOf(Label8), u"中文abc");
    EXPECT_EQ(p.captionOf(Label12), kDigestZWABC);
    EXPECT_EQ(p.captionOf(Label11), u"6b89cdbe5fe4b3f56ca3094b4ef674c3");
    EXPECT_EQ(p.captionOf(Label9), u"5fe4b3f56ca3094b");
    EXPECT_EQ(p.captionOf(Label10), u"5FE4B3F56CA3094B");

    p.clearLog();
    ASSERT_TRUE(p.click(fz3));
    EXPECT_EQ(p.writes(),
              (Calls{"clearClipboard", "setClipboardText 6b89cdbe5fe4b3f56ca3094b4ef674c3",
                     "setCaption fz3 已复制", "setForeColor fz3 0x00FFC0C0",
                     "setTimerEnabled Timer5 true"}));
    EXPECT_EQ(p.clipboard(), u"6b89cdbe5fe4b3f56ca3094b4ef674c3");

    p.advance(1999);
    EXPECT_EQ(p.captionOf(fz3), u"已复制");
    p.clearLog();
    p.advance(1);
    EXPECT_EQ(mentioning(p.writes(), {"fz3"}),
              (Calls{"setCaption fz3 复制", "setForeColor fz3 0x00FF0000"}));
    EXPECT_EQ(mentioning(p.writes(), {"Timer5"}), (Calls{"setTimerEnabled Timer5 false"}));
    EXPECT_FALSE(p.timerEnabledOf(TimerId::Timer5));
    expectShowing(p, u"中文abc", kDigestZWABC);
}

// ---- Every change of the input ----------------------------------------------

TEST(InputChange, WritesTheConvertedTextItsLengthAndTheCounterInThatOrder) {
    FakeWindow w;
    w.start();
    w.platform.type(u"中");
    EXPECT_EQ(w.platform.writes(),
              (Calls{"setCaption Label15 Z", "setCaption Label16 1", "setCaption Label17 29"}));
}

TEST(InputChange, FollowsEveryEdit) {
    struct Step {
        const char* edit;
        std::u16string text;
        std::u16string converted;
        std::u16string length;
        std::u16string remaining;
    };
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    const auto check = [&p](const Step& s) {
        EXPECT_EQ(p.inputText(), s.text) << s.edit;
        EXPECT_EQ(p.captionOf(Label15), s.converted) << s.edit;
        EXPECT_EQ(p.captionOf(Label16), s.length) << s.edit;
        EXPECT_EQ(p.captionOf(Label17), s.remaining) << s.edit;
    };
    p.type(u"a");
    check({"a", u"a", u"A", u"1", u"29"});
    p.type(u"b");
    check({"b", u"ab", u"AB", u"2", u"28"});
    p.type(u"c");
    check({"c", u"abc", u"ABC", u"3", u"27"});
    p.replaceInput(1, 1, u"中");
    check({"middle edit", u"a中c", u"AZC", u"3", u"27"});
    p.paste(u"文123， x");
    check({"paste", u"a中c文123， x", u"AZCW1230 X", u"10", u"20"});
    p.erase(0, 2);
    check({"delete at the start", u"c文123， x", u"CW1230 X", u"8", u"22"});
    p.clearInput();
    check({"delete all", u"", u"", u"0", u"30"});
}

TEST(InputChange, TheBoxTakesThirtyUnitsAndNoMore) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    EXPECT_EQ(p.type(std::u16string(29, u'x')), 29u);
    EXPECT_EQ(p.captionOf(Label17), u"1");
    EXPECT_EQ(p.type(u"yz"), 1u);
    EXPECT_EQ(p.inputText(), std::u16string(29, u'x') + u"y");
    EXPECT_EQ(p.captionOf(Label17), u"0");

    p.clearLog();
    EXPECT_FALSE(p.paste(u"more"));
    EXPECT_TRUE(p.writes().empty());

    p.clearInput();
    EXPECT_TRUE(p.paste(std::u16string(35, u'中')));
    EXPECT_EQ(p.inputText(), std::u16string(30, u'中'));
    EXPECT_EQ(p.captionOf(Label15), std::u16string(30, u'Z'));
    EXPECT_EQ(p.captionOf(Label17), u"0");
}

// ---- The digest command --------------------------------------------------------

TEST(DigestCommand, DigestsTheConvertedTextAndShowsTheInputAsTyped) {
    struct Case {
        std::u16string input;
        std::u16string_view digest;
    };
    const Case cases[] = {
        {u"abc", kDigestABC},
        {u"中文abc", kDigestZWABC},
        {u" ", kDigestSpace},
        {u"MD5加密", kDigestMD5JM},
    };
    for (const Case& c : cases) {
        FakeWindow w;
        w.start();
        w.platform.paste(c.input);
        ASSERT_TRUE(w.platform.click(ann1));
        SCOPED_TRACE(utf8(c.input));
        expectShowing(w.platform, c.input, c.digest);
        EXPECT_FALSE(w.platform.visibleOf(Label14));
    }
}

// Two reads of the text, one test each; the digest of what Label15 holds;
// the lower case read back from Label12 and the 16-digit forms from the rows.
TEST(DigestCommand, WorksStepByStepFromWhatTheControlsHold) {
    FakeWindow w;
    w.start();
    w.platform.type(u"a");
    w.platform.clearLog();
    w.platform.click(ann1);
    EXPECT_EQ(w.platform.log(), (Calls{
                                    "text",
                                    "text",
                                    "text",
                                    "setCaption Label8 a",
                                    "caption Label15",
                                    "setCaption Label12 7FC56270E7A70FA81A5935B72EACBE29",
                                    "caption Label12",
                                    "setCaption Label11 7fc56270e7a70fa81a5935b72eacbe29",
                                    "caption Label11",
                                    "setCaption Label9 e7a70fa81a5935b7",
                                    "caption Label12",
                                    "setCaption Label10 E7A70FA81A5935B7",
                                    "setEnabled fz1 true",
                                    "setEnabled fz2 true",
                                    "setEnabled fz3 true",
                                    "setEnabled fz4 true",
                                }));
}

TEST(DigestCommand, KeepsTheRowsWhileTheInputChangesUntilTheNextClick) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.type(u"abc");
    p.click(ann1);
    p.clearInput();
    p.type(u"a");
    p.advance(50);
    expectShowing(p, u"abc", kDigestABC);
    p.click(ann1);
    expectShowing(p, u"a", kDigestA);
}

TEST(DigestCommand, OnAnEmptyInputWarnsAndResetsTheRows) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.type(u"abc");
    p.click(ann1);
    p.clearInput();
    p.clearLog();
    ASSERT_TRUE(p.click(ann1));
    EXPECT_EQ(p.log(), concat(concat({"text", "setTimerEnabled Timer2 false",
                                      "setVisible Label14 true", "setTimerEnabled Timer2 true"},
                                     kResetWrites),
                              {"text"}));
    expectPlaceholder(p);
    EXPECT_TRUE(p.visibleOf(Label14));
    EXPECT_TRUE(p.messageBoxes().size() == 1) << "only the start-up notice";
}

// White space is content: only the empty string is empty.
TEST(DigestCommand, TreatsWhiteSpaceAsInput) {
    FakeWindow w;
    w.start();
    w.platform.type(u"\t");
    w.platform.click(ann1);
    EXPECT_FALSE(w.platform.visibleOf(Label14));
    EXPECT_EQ(w.platform.captionOf(Label8), u"\t");
}

// ---- The empty-input warning ------------------------------------------------

TEST(EmptyInputWarning, StaysUpForTwoSecondsAfterTheLatestClick) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.click(ann1);
    p.advance(1500);
    p.click(ann1);
    p.advance(1999);
    EXPECT_TRUE(p.visibleOf(Label14)) << "3499 ms after the first click, 1999 after the second";
    p.clearLog();
    p.advance(1);
    EXPECT_FALSE(p.visibleOf(Label14));
    EXPECT_FALSE(p.timerEnabledOf(TimerId::Timer2));
    EXPECT_EQ(mentioning(p.writes(), {"Label14", "Timer2"}),
              (Calls{"setVisible Label14 false", "setTimerEnabled Timer2 false"}));

    p.clearLog();
    p.advance(5000);
    EXPECT_TRUE(mentioning(p.writes(), {"Label14"}).empty()) << "one tick per warning";
}

TEST(EmptyInputWarning, IsEndedOnlyByItsTimerNotByADigestOrAReset) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.click(ann1);
    p.advance(500);
    p.type(u"abc");
    p.click(ann1);
    EXPECT_TRUE(p.visibleOf(Label14));
    p.click(ann2);
    EXPECT_TRUE(p.visibleOf(Label14));
    EXPECT_TRUE(p.timerEnabledOf(TimerId::Timer2));
    p.advance(1500);
    EXPECT_FALSE(p.visibleOf(Label14)) << "2000 ms after the empty click";
}

// ---- The clear command ------------------------------------------------------

TEST(ClearCommand, EmptiesTheInputThroughItsChangeAndThenResets) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.type(u"abc");
    p.click(ann1);
    p.clearLog();
    ASSERT_TRUE(p.click(ann2));
    EXPECT_EQ(p.writes(), concat({"setText ", "setCaption Label15 ", "setCaption Label16 0",
                                  "setCaption Label17 30"},
                                 kResetWrites));
    EXPECT_EQ(p.inputText(), u"");
    expectPlaceholder(p);
}

TEST(ClearCommand, ResetsAllTheSameWhenTheInputIsAlreadyEmpty) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    p.click(ann2);
    EXPECT_EQ(p.writes(), concat({"setText "}, kResetWrites)) << "no change, so no change event";
    EXPECT_EQ(p.captionOf(Label17), u"30");
}

}  // namespace
}  // namespace md5z::testing
