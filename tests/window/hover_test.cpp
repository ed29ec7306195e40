// The faces under 加密 and 重置 as the pointer moves over each surface.

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace md5z {
namespace {

using enum ControlId;

// Over 加密 or 重置 the pointer lights that face, over any other surface it
// puts both back; the hidden stores, shapes and lines have no handler.
class HoverRule : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HoverRule, LightsTheFaceUnderThePointerOnly) {
    const std::set<ControlId> noHandler{Label13, Label15, Label16, Shape1, Shape2, Shape3,
                                        Shape4,  Line1,   Line2,   Line3,  Line4,  Line5};
    constexpr Color kUntouched = 0x123456;
    const auto surface = static_cast<ControlId>(GetParam());
    FakePlatform p;
    p.at(Shape3).fillColor = p.at(Shape4).fillColor = kUntouched;
    p.form.onMouseMove(surface);
    const bool handled = !noHandler.contains(surface);
    EXPECT_EQ(p.at(Shape3).fillColor, !handled          ? kUntouched
                                      : surface == ann1 ? rgb(0, 0, 0xFF)
                                                        : kSystemHighlight);
    EXPECT_EQ(p.at(Shape4).fillColor, !handled          ? kUntouched
                                      : surface == ann2 ? rgb(0, 0x80, 0)
                                                        : rgb(0, 0xC0, 0));
}

INSTANTIATE_TEST_SUITE_P(EverySurface, HoverRule, ::testing::Range<std::size_t>(0, kControlCount),
                         [](const auto& info) {
                             return std::string(nameOf(static_cast<ControlId>(info.param)));
                         });

}  // namespace

}  // namespace md5z
