// What each handler changes on the desktop, in order: the writes the user
// sees, one expected log per handler. Where a handler takes its state from
// is left to it.

#include <ostream>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace md5z {
namespace {

using enum ControlId;
using P = FakePlatform;

const std::string kLoadUntilInstanceCheck =
    "setPasswordChar ; setMouseIcon fz1 CommandPointer; setMouseIcon fz2 CommandPointer; "
    "setMouseIcon fz3 CommandPointer; setMouseIcon fz4 CommandPointer; "
    "setMouseIcon Label1 ProgramIcon; makeLayered; setOpacity 235";
const std::string kReset =
    "setCaption Label8 Loading...; setCaption Label9 Loading...; setCaption Label10 Loading...; "
    "setCaption Label11 Loading...; setCaption Label12 Loading...; setEnabled fz1 false; "
    "setEnabled fz2 false; setEnabled fz3 false; setEnabled fz4 false";
const std::string kHoldSize = "setOuterHeight 5760; setOuterWidth 9675";

// Steps of a row's script; the log records only the last.
using Step = void (*)(P&);
void load(P& p) {
    p.load();
}
void close(P& p) {
    p.closeRequest(0);
}
template <char16_t unit>
void type(P& p) {
    p.type(std::u16string(1, unit));
}
// A click on a control, a tick of a timer, a menu command.
template <auto target>
void on(P& p) {
    if constexpr (std::is_same_v<decltype(target), ControlId>) {
        p.click(target);
    } else if constexpr (std::is_same_v<decltype(target), TimerId>) {
        p.tick(target);
    } else {
        p.chooseMenu(target);
    }
}
template <WindowState state>
void userSets(P& p) {
    p.state = state;
}

struct Row {
    const char* name;
    std::vector<Step> script;
    std::string calls;
};

const Row kRows[] = {
    // Start-up, of the first instance and of a second one.
    {"LoadOfTheFirstInstance",
     {load},
     kLoadUntilInstanceCheck + "; showWindow; messageBox MD5并不支持加密中文, "
                               "如输入了中文会自动转换成缩写并加密 64 提示"},
    {"LoadOfASecondInstance",
     {[](P& p) { p.otherInstance = true; }, load},
     kLoadUntilInstanceCheck + "; end"},
    // Typing, the digest command on some input and on none, the clear command.
    {"Typing",
     {load, type<u'中'>},
     "setCaption Label15 Z; setCaption Label16 1; setCaption Label17 29"},
    {"DigestOfSomeInput",
     {load, type<u'a'>, on<ann1>},
     "setCaption Label8 a; setCaption Label12 7FC56270E7A70FA81A5935B72EACBE29; "
     "setCaption Label11 7fc56270e7a70fa81a5935b72eacbe29; setCaption Label9 e7a70fa81a5935b7; "
     "setCaption Label10 E7A70FA81A5935B7; "
     "setEnabled fz1 true; setEnabled fz2 true; setEnabled fz3 true; setEnabled fz4 true"},
    {"DigestOfNoInput",
     {load, on<ann1>},
     "setTimerEnabled Timer2 false; setVisible Label14 true; setTimerEnabled Timer2 true; " +
         kReset},
    {"ClearAfterADigest",
     {load, type<u'a'>, on<ann1>, on<ann2>},
     "setText ; setCaption Label15 ; setCaption Label16 0; setCaption Label17 30; " + kReset},
    {"ClearOfAnEmptyInput", {load, on<ann2>}, "setText ; " + kReset},
    // A copy label ready and confirming, and the end of its confirmation; the
    // other three are alike, which the model test holds them to.
    {"CopyWhileReady",
     {load, type<u'a'>, on<ann1>, on<fz1>},
     "clearClipboard; setClipboardText e7a70fa81a5935b7; "
     "setCaption fz1 已复制; setForeColor fz1 0x00FFC0C0; setTimerEnabled Timer3 true"},
    {"CopyWhileConfirming", {load, type<u'a'>, on<ann1>, on<fz1>, on<fz1>}, ""},
    {"EndOfTheConfirmation",
     {load, type<u'a'>, on<ann1>, on<fz1>, on<TimerId::Timer3>},
     "setCaption fz1 复制; setForeColor fz1 0x00FF0000; setTimerEnabled Timer3 false"},
    // The end of the empty-input warning.
    {"EndOfTheWarning",
     {load, on<ann1>, on<TimerId::Timer2>},
     "setVisible Label14 false; setTimerEnabled Timer2 false"},
    // Housekeeping: rows already reset, input deleted by hand, input present,
    // the window maximized, minimized.
    {"HousekeepingAtRest", {load, on<TimerId::Timer1>}, kHoldSize},
    {"HousekeepingAfterTheInputWasDeleted",
     {load, type<u'a'>, on<ann1>, [](P& p) { p.edit(0, 1, u""); }, on<TimerId::Timer1>},
     kReset + "; " + kHoldSize},
    {"HousekeepingWithInput", {load, type<u'a'>, on<ann1>, on<TimerId::Timer1>}, kHoldSize},
    {"HousekeepingOfAMaximizedWindow",
     {load, userSets<WindowState::Maximized>, on<TimerId::Timer1>},
     "setWindowState Normal; " + kHoldSize},
    {"HousekeepingOfAMinimizedWindow",
     {load, userSets<WindowState::Minimized>, on<TimerId::Timer1>},
     ""},
    // A close request, and one step of the fade that follows.
    {"CloseRequest",
     {load, close},
     "setWindowEnabled false; setCaption Label13 235; setTimerEnabled Timer7 true"},
    {"FadeStep",
     {load, close, on<TimerId::Timer7>},
     "setCaption Label13 230; makeLayered; setOpacity 230"},
    // The menu: four links, the contact box, the About box, and the menu itself
    // and its separator, which do nothing.
    {"WhatIsMd5", {load, on<MenuId::gyc1>}, "openUrl Form1 https://zh.wikipedia.org/wiki/MD5"},
    {"Website", {load, on<MenuId::gy1>}, "openUrl Form1 https://www.example.com/md5zevrin/"},
    {"Distributor", {load, on<MenuId::gyc2>}, "openUrl Form1 https://www.example.org/"},
    {"CopyrightLaw", {load, on<MenuId::gyc3>}, "openUrl Form1 https://flk.npc.gov.cn/"},
    // The colons after QQ, 邮箱 and Email are full-width (U+FF1A), the others ASCII.
    {"Contact",
     {load, on<MenuId::gy3>},
     "messageBox Zevrin - 开发者QQ\uFF1A10000\r\n邮箱\uFF1Azevrin@example.com\r\n"
     "最后更新时间: 2026-12-06\r\n示例软件站: www.example.org\r\n"
     "Copyright (C) 2026 Zevrin. 按 MIT 许可证发布。 64 联系开发者"},
    {"About",
     {load, on<MenuId::gy4>},
     "showAbout Form1 MD5Zevrin "
     "开发者(所有者)\uFF1AZevrin _ Email\uFF1Azevrin@example.com\r\n"
     "本软件受《中华人民共和国著作权法》保护 _ 图标: 示例图标库 ProgramIcon"},
    {"TheMenuItself", {load, on<MenuId::gy>}, ""},
    {"TheSeparator", {load, on<MenuId::gy2>}, ""},
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class HandlerCalls : public ::testing::TestWithParam<Row> {};

TEST_P(HandlerCalls, CallTheDesktopInTheirOrder) {
    P p;
    for (const Step step : GetParam().script) {
        p.log.clear();
        step(p);
    }
    EXPECT_EQ(p.log, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(EachHandler, HandlerCalls, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The pointer over ann1 or ann2 lights its face, over any other surface it
// puts both back; hidden labels, shapes and lines have no handler.
class HoverRule : public ::testing::TestWithParam<ControlId> {};

TEST_P(HoverRule, LightsTheFaceUnderThePointerOnly) {
    const std::set<ControlId> noHandler{Label13, Label15, Label16, Shape1, Shape2, Shape3,
                                        Shape4,  Line1,   Line2,   Line3,  Line4,  Line5};
    const ControlId surface = GetParam();
    P p;
    p.form.onMouseMove(surface);
    const std::string lit =
        std::string("setFillColor Shape3 ") + (surface == ann1 ? "0x00FF0000" : "0x8000000D") +
        "; setFillColor Shape4 " + (surface == ann2 ? "0x00008000" : "0x0000C000");
    EXPECT_EQ(p.log, noHandler.contains(surface) ? "" : lit);
}

std::vector<ControlId> everyControl() {
    std::vector<ControlId> controls;
    for (std::size_t i = 0; i < kControlCount; ++i) {
        controls.push_back(static_cast<ControlId>(i));
    }
    return controls;
}

INSTANTIATE_TEST_SUITE_P(EverySurface, HoverRule, ::testing::ValuesIn(everyControl()),
                         [](const auto& info) { return std::string(nameOf(info.param)); });

}  // namespace

// Parameters print as the control's name.
void PrintTo(ControlId id, std::ostream* out) {
    *out << nameOf(id);
}

}  // namespace md5z
