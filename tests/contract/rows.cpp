// What the window does, written once and run by every platform's driver.
//
// A row: a name, then steps in order. Actions (Type, Paste, Click, Drag,
// Press, Hover, Choose, Wait, Maximize, Close, ...) act as a person or the
// desktop would; expectations (Caption, Clipboard, Drawn, Opacity, Lasts,
// Running, Box, ...) say what that person then perceives. Name things by the
// part they play, never by control. Digests here come from outside the
// program (RFC 1321's MD5 over the bytes the conversion should give).
//
// A row with a step only some desktops can take names the Capability it
// needs (contract.h); drivers without it skip the row.
#include "contract.h"

namespace md5z::contract {
namespace {

// The parts a person sees and the menu's items, by the part they play.
constexpr ControlId Input = ControlId::Text1, DigestButton = ControlId::ann1,
                    ClearButton = ControlId::ann2, Counter = ControlId::Label17,
                    Warning = ControlId::Label14, Title = ControlId::Label1,
                    Prompt = ControlId::Label2, ShownText = ControlId::Label8,
                    Hex16Lower = ControlId::Label9, Hex16Upper = ControlId::Label10,
                    Hex32Lower = ControlId::Label11, Hex32Upper = ControlId::Label12,
                    CopyHex16Lower = ControlId::fz1, CopyHex16Upper = ControlId::fz2,
                    CopyHex32Lower = ControlId::fz3, CopyHex32Upper = ControlId::fz4,
                    DigestFace = ControlId::Shape3, ClearFace = ControlId::Shape4,
                    Background = ControlId::Image2;
constexpr MenuId WhatIsMd5 = MenuId::gyc1, Website = MenuId::gy1, Distributor = MenuId::gyc2,
                 Laws = MenuId::gyc3, Contact = MenuId::gy3, About = MenuId::gy4;

constexpr Color kBlue = rgb(0, 0, 0xFF);
constexpr Color kPaleBlue = rgb(0xC0, 0xC0, 0xFF);
constexpr Color kWhite = rgb(0xFF, 0xFF, 0xFF);
constexpr Color kYellow = rgb(0xFF, 0xFF, 0x00);
constexpr Color kCyan = rgb(0x00, 0xFF, 0xFF);
constexpr Color kGreen = rgb(0, 0xC0, 0);
constexpr Color kDarkGreen = rgb(0, 0x80, 0);

constexpr std::u16string_view kPlaceholder = u"Loading...";
constexpr std::u16string_view kReady = u"复制";
constexpr std::u16string_view kCopied = u"已复制";
constexpr std::u16string_view kCopyTip = u"点击以复制左边的字符串";
constexpr std::u16string_view kEarlier = u"earlier";  // on the clipboard when each row starts

}  // namespace

const std::vector<Row>& rows() {
    static const std::vector<Row> kRows{
        {"StartsWithEmptyRowsAndTheNotice",
         {Box{u"提示", u"MD5并不支持加密中文, 如输入了中文会自动转换成缩写并加密"}, Opacity{235},
          DesignSize{}, Caption{Counter, u"30"}, Caption{ShownText, kPlaceholder},
          Caption{Hex32Upper, kPlaceholder}, Drawn{CopyHex16Lower, kGreyedText},
          Drawn{CopyHex16Lower, kBlue, false}, Drawn{Counter, kYellow},
          Drawn{Warning, kCyan, false}, Drawn{DigestButton, kWhite},
          Drawn{DigestFace, kSystemHighlight}, Drawn{ClearFace, kGreen}}},
        {"TypingCountsDownAndTheDigestShowsFourRenditions",
         {Type{u"中文abc"}, Caption{Counter, u"25"}, Caption{Hex32Upper, kPlaceholder},
          Click{DigestButton}, Caption{ShownText, u"中文abc"},
          Caption{Hex16Lower, u"5fe4b3f56ca3094b"}, Caption{Hex16Upper, u"5FE4B3F56CA3094B"},
          Caption{Hex32Lower, u"6b89cdbe5fe4b3f56ca3094b4ef674c3"},
          Caption{Hex32Upper, u"6B89CDBE5FE4B3F56CA3094B4EF674C3"}, Drawn{CopyHex32Lower, kBlue},
          Drawn{CopyHex32Lower, kGreyedText, false}}},
        {"EnterDigestsAndTheBoxKeepsNoLineBreak",
         {Type{u"a"}, Press{Key::Enter}, InputReads{u"a"}, Caption{ShownText, u"a"},
          Caption{Hex32Upper, u"7FC56270E7A70FA81A5935B72EACBE29"}}},
        {"TheInputTakesThirtyUnits",
         {Type{u"xxxxxxxxxxxxxxxxxxxxxxxxxxxxx中yz"},
          InputReads{u"xxxxxxxxxxxxxxxxxxxxxxxxxxxxx中"}, Caption{Counter, u"0"},
          Click{DigestButton}, Caption{Hex32Upper, u"426C710FC402BCCA1BA82E160F4F6791"}}},
        {"ACharacterThatDoesNotFitWholeIsLeftOut",
         {Paste{u"xxxxxxxxxxxxxxxxxxxxxxxxxxxxx😀z"}, InputReads{u"xxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
          Type{u"😀"}, InputReads{u"xxxxxxxxxxxxxxxxxxxxxxxxxxxxx"}, Caption{Counter, u"1"}}},
        {"TheDigestIsOfTheTextShownEvenAfterALostChangeNotice",
         {Type{u"abc"}, ChangeUnnoticed{u"xyz"}, Click{DigestButton}, Caption{ShownText, u"xyz"},
          Caption{Hex32Upper, u"E65075D550F9B5BF9992FA1D71A131BE"}}},
        {"PastedTextIsCutAtTheLimit",
         {Paste{u"MD5加密MD5加密MD5加密MD5加密MD5加密MD5加密MD5加密"}, Caption{Counter, u"0"},
          InputReads{u"MD5加密MD5加密MD5加密MD5加密MD5加密MD5加密"}}},
        {"EachCopyButtonCopiesItsRowAndConfirmsForTwoSeconds",
         {Type{u"中文abc"}, Click{DigestButton}, Click{CopyHex16Lower},
          Clipboard{u"5fe4b3f56ca3094b"}, Click{CopyHex16Upper}, Clipboard{u"5FE4B3F56CA3094B"},
          Click{CopyHex32Upper}, Clipboard{u"6B89CDBE5FE4B3F56CA3094B4EF674C3"},
          Click{CopyHex32Lower}, Clipboard{u"6b89cdbe5fe4b3f56ca3094b4ef674c3"},
          Drawn{CopyHex32Lower, kPaleBlue}, Drawn{CopyHex32Lower, kBlue, false},
          Caption{CopyHex32Lower, kCopied}, Lasts{2000}, Caption{CopyHex32Lower, kReady},
          Drawn{CopyHex32Lower, kBlue}}},
        {"AConfirmingCopyButtonIgnoresClicks",
         {Type{u"abc"}, Click{DigestButton}, Click{CopyHex16Upper}, Wait{1000},
          Click{CopyHex32Upper}, Click{CopyHex16Upper},
          Clipboard{u"902FBDD2B1DF0C4F70B4A5D23525E932"}, Caption{CopyHex16Upper, kCopied},
          Lasts{1000}, Caption{CopyHex32Upper, kCopied}}},
        {"AClearLetsARunningConfirmationFinishGreyed",
         {Type{u"abc"}, Click{DigestButton}, Click{CopyHex16Upper}, Wait{500}, Click{ClearButton},
          InputReads{u""}, Caption{Counter, u"30"}, Caption{Hex16Upper, kPlaceholder},
          Caption{CopyHex16Upper, kCopied}, Lasts{1500}, Caption{CopyHex16Upper, kReady},
          Drawn{CopyHex16Upper, kGreyedText}}},
        {"GreyedCopyButtonsCopyNothing",
         {Click{CopyHex16Lower}, Clipboard{kEarlier}, Caption{CopyHex16Lower, kReady}}},
        {"EmptyingTheInputByHandClearsTheRows",
         {Type{u"x"}, Click{DigestButton}, Press{Key::Backspace}, Wait{0, 5},
          Caption{Hex32Upper, kPlaceholder}, Drawn{CopyHex32Upper, kGreyedText},
          Click{CopyHex32Upper}, Clipboard{kEarlier}}},
        {"ADigestOfNothingClearsTheRowsAndWarns",
         {Type{u"x"}, Click{DigestButton}, Press{Key::Backspace}, Click{DigestButton},
          Caption{Hex32Upper, kPlaceholder}, Drawn{CopyHex32Upper, kGreyedText},
          Drawn{Warning, kCyan}}},
        {"TheEmptyInputWarningLastsTwoSecondsFromTheLatestDigest",
         {Click{DigestButton}, Drawn{Warning, kCyan}, Caption{Hex32Upper, kPlaceholder}, Wait{500},
          Click{DigestButton}, Drawn{Warning, kCyan}, Lasts{2000}, Drawn{Warning, kCyan, false}}},
        {"OnlyAWholeClickDigests",
         {Type{u"abc"}, Drag{DigestButton, Background}, Drag{ClearButton, DigestButton},
          Caption{Hex32Upper, kPlaceholder}, InputReads{u"abc"}}},
        {"TheWindowStaysAtItsDesignSize", {Maximize{}, Wait{0, 5}, DesignSize{}}},
        {"CloseFadesTheWindowOutAndEnds",
         {Type{u"abc"}, Click{DigestButton}, Close{}, Opacity{235}, Running{true}, Lasts{0, 45},
          Running{false}, Opacity{10}}},
        {"AFadingWindowTakesNoInputYetLooksTheSame",
         {Type{u"abc"}, Click{DigestButton}, Close{}, Click{ClearButton}, Type{u"d"},
          InputReads{u"abc"}, Caption{Hex32Upper, u"902FBDD2B1DF0C4F70B4A5D23525E932"},
          Drawn{CopyHex32Upper, kBlue}, Drawn{DigestButton, kWhite}}},
        {"ACloseDuringTheFadeStartsItOver",
         {Close{}, Wait{0, 20}, Close{}, Running{true}, Lasts{0, 45}, Running{false}}},
        {"TheMenuShowsTheContactAndAboutBoxes",
         {Choose{Contact}, Box{u"联系开发者", u"邮箱：zevrin@example.com"}, Choose{About},
          Box{u"MD5Zevrin", u"开发者(所有者)：Zevrin"}}},
        {"TheMenuOpensItsPages",
         {Choose{WhatIsMd5}, Opened{u"https://zh.wikipedia.org/wiki/MD5"}, Choose{Website},
          Opened{u"https://www.example.com/md5zevrin/"}, Choose{Distributor},
          Opened{u"https://www.example.org/"}, Choose{Laws}, Opened{u"https://flk.npc.gov.cn/"}},
         kBrowser},
        {"TheFaceUnderThePointerLightsUp",
         {Hover{DigestButton}, Drawn{DigestFace, kBlue}, Drawn{ClearFace, kGreen},
          Hover{ClearButton}, Drawn{DigestFace, kSystemHighlight}, Drawn{DigestFace, kBlue, false},
          Drawn{ClearFace, kDarkGreen}, Hover{Background}, Drawn{ClearFace, kGreen},
          Drawn{ClearFace, kDarkGreen, false}}},
        {"WithTheClipboardHeldElsewhereACopyStillConfirms",
         {Type{u"abc"}, Click{DigestButton}, HoldClipboard{u"another program's"},
          Click{CopyHex32Upper}, Clipboard{u"another program's"}, Caption{CopyHex32Upper, kCopied},
          Lasts{2000}, Caption{CopyHex32Upper, kReady}},
         kHeldClipboard},
        {"ASecondInstanceEndsUnseen", {StartAnother{}, AnotherEnded{}}},
        {"TheHousekeepingSleepsWhileNothingHappens",
         {Wait{300}, Idle{}, Maximize{}, Wait{300}, DesignSize{}, Idle{}},
         kWidgets},
        {"TheFocusStartsInTheInputAndTabVisitsTheEnabledButtons",
         {Focus{Input},          Press{Key::Tab}, Focus{DigestButton},   Press{Key::Tab},
          Focus{ClearButton},    Press{Key::Tab}, Focus{Input},          Press{Key::BackTab},
          Focus{ClearButton},    Type{u"abc"},    Click{DigestButton},   Press{Key::Tab},
          Focus{CopyHex16Lower}, Press{Key::Tab}, Focus{CopyHex16Upper}, Press{Key::Tab},
          Focus{CopyHex32Lower}, Press{Key::Tab}, Focus{CopyHex32Upper}, Press{Key::Tab},
          Focus{Input}},
         kWidgets},
        {"SpaceAndEnterPressTheFocusedButton",
         {Type{u"abc"}, Press{Key::Enter}, Press{Key::Tab}, Press{Key::Tab}, Press{Key::Tab},
          Focus{CopyHex16Lower}, Press{Key::Space}, Clipboard{u"b1df0c4f70b4a5d2"},
          Caption{CopyHex16Lower, kCopied}, Press{Key::BackTab}, Press{Key::Enter}, InputReads{u""},
          Caption{Hex32Upper, kPlaceholder}},
         kWidgets},
        {"AssistiveTechnologyReadsEachLabel",
         {Reads{Title, Spoken::Text, u"MD5Zevrin", u""},
          Reads{Prompt, Spoken::Text, u"要加密的字符串:", u""},
          Reads{Input, Spoken::Entry, u"在此处输入要加密的字符串", u"", true,
                u"在此处输入要加密的字符串"},
          Reads{Counter, Spoken::Text, u"还可输入的字符数", u"30"},
          Reads{DigestButton, Spoken::Button, u"加密", u"", true, u"加密字符串"},
          Reads{ClearButton, Spoken::Button, u"重置", u"", true, u"重置所有信息"},
          Reads{ShownText, Spoken::Text, u"字符串", kPlaceholder, true, u"待加密的字符串"},
          Reads{Hex32Lower, Spoken::Text, u"32位 小写", kPlaceholder, true,
                u"输出加密后的32位小写"},
          Reads{CopyHex32Lower, Spoken::Button, u"复制 32位 小写", u"", false, kCopyTip},
          Type{u"abc"},
          Click{DigestButton},
          Reads{Counter, Spoken::Text, u"还可输入的字符数", u"27"},
          Reads{ShownText, Spoken::Text, u"字符串", u"abc", true, u"待加密的字符串"},
          Reads{Hex16Lower, Spoken::Text, u"16位 小写", u"b1df0c4f70b4a5d2", true,
                u"输出加密后的16位小写"},
          Reads{Hex16Upper, Spoken::Text, u"16位 大写", u"B1DF0C4F70B4A5D2", true,
                u"输出加密后的16位大写"},
          Reads{Hex32Upper, Spoken::Text, u"32位 大写", u"902FBDD2B1DF0C4F70B4A5D23525E932", true,
                u"输出加密后的32位大写"},
          Reads{CopyHex16Upper, Spoken::Button, u"复制 16位 大写", u"", true, kCopyTip},
          Click{CopyHex16Upper},
          Reads{CopyHex16Upper, Spoken::Button, u"已复制 16位 大写", u"", true, kCopyTip},
          Click{ClearButton},
          Click{DigestButton},
          Reads{Warning, Spoken::Text, u"输入的字符不能为空", u"", true,
                u"在文本框中输入的信息不能为空"}},
         kWidgets},
    };
    return kRows;
}

}  // namespace md5z::contract
