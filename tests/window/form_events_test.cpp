// Which handler each event reaches.

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"

namespace md5z::testing {
namespace {

using enum ControlId;
using Calls = std::vector<std::string>;

TEST(FormEvents, ClicksReachOnlyTheCommandAndCopyLabels) {
    const std::set<ControlId> withHandler{ann1, ann2, fz1, fz2, fz3, fz4};
    for (std::size_t i = 0; i < kControlCount; ++i) {
        const auto control = static_cast<ControlId>(i);
        SCOPED_TRACE(nameOf(control));
        FakeWindow w;
        w.start();
        w.form.onClick(control);
        EXPECT_EQ(w.platform.log().empty(), !withHandler.contains(control));
    }
}

// Each tick runs its own timer's handler, told apart by what it writes first.
TEST(FormEvents, EachTimerRunsItsOwnHandler) {
    struct Case {
        TimerId timer;
        std::string firstWrite;
    };
    const Case cases[] = {
        {TimerId::Timer1, "setOuterHeight 5760"},    {TimerId::Timer2, "setVisible Label14 false"},
        {TimerId::Timer3, "setCaption fz1 复制"},    {TimerId::Timer4, "setCaption fz2 复制"},
        {TimerId::Timer5, "setCaption fz3 复制"},    {TimerId::Timer6, "setCaption fz4 复制"},
        {TimerId::Timer7, "setCaption Label13 230"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nameOf(c.timer));
        FakeWindow w;
        w.start();
        w.form.onTimer(c.timer);
        ASSERT_FALSE(w.platform.writes().empty());
        EXPECT_EQ(w.platform.writes().front(), c.firstWrite);
    }
}

TEST(FormEvents, EveryCloseRequestIsRefused) {
    FakeWindow w;
    w.start();
    EXPECT_TRUE(w.form.onCloseRequest(0));
    EXPECT_TRUE(w.form.onCloseRequest(2));
}

}  // namespace
}  // namespace md5z::testing
