// The faces of the two command labels under the pointer.

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"

namespace md5z::testing {
namespace {

using enum ControlId;
using Calls = std::vector<std::string>;

constexpr Colour kHighlight = 0x8000000D;
constexpr Colour kBlue = 0x00FF0000;
constexpr Colour kGreen = 0x0000C000;
constexpr Colour kDarkGreen = 0x00008000;

struct Faces {
    Colour shape3;
    Colour shape4;
};

// Every surface with a mouse-move handler and what it paints.
const std::map<ControlId, Faces> kHandledSurfaces{
    {ann1, {kBlue, kGreen}},         {ann2, {kHighlight, kDarkGreen}},
    {Form1, {kHighlight, kGreen}},   {Text1, {kHighlight, kGreen}},
    {Image2, {kHighlight, kGreen}},  {fz1, {kHighlight, kGreen}},
    {fz2, {kHighlight, kGreen}},     {fz3, {kHighlight, kGreen}},
    {fz4, {kHighlight, kGreen}},     {Label1, {kHighlight, kGreen}},
    {Label2, {kHighlight, kGreen}},  {Label3, {kHighlight, kGreen}},
    {Label4, {kHighlight, kGreen}},  {Label5, {kHighlight, kGreen}},
    {Label6, {kHighlight, kGreen}},  {Label7, {kHighlight, kGreen}},
    {Label8, {kHighlight, kGreen}},  {Label9, {kHighlight, kGreen}},
    {Label10, {kHighlight, kGreen}}, {Label11, {kHighlight, kGreen}},
    {Label12, {kHighlight, kGreen}}, {Label14, {kHighlight, kGreen}},
    {Label17, {kHighlight, kGreen}},
};

std::string fill(const char* shape, Colour colour) {
    char text[40];
    std::snprintf(text, sizeof text, "setFillColor %s 0x%08X", shape, colour);
    return text;
}

TEST(Hover, TheFacesStartAtRest) {
    FakeWindow w;
    EXPECT_EQ(w.platform.fillColorOf(Shape3), kHighlight);
    EXPECT_EQ(w.platform.fillColorOf(Shape4), kGreen);
}

TEST(Hover, EveryHandledSurfaceWritesShape3ThenShape4EvenWhenUnchanged) {
    ASSERT_EQ(kHandledSurfaces.size(), 23u);
    for (const auto& [surface, faces] : kHandledSurfaces) {
        SCOPED_TRACE(nameOf(surface));
        FakeWindow w;
        w.start();
        w.form.onMouseMove(surface);
        EXPECT_EQ(w.platform.log(),
                  (Calls{fill("Shape3", faces.shape3), fill("Shape4", faces.shape4)}));
    }
}

TEST(Hover, EverythingElseTakesNoPartInIt) {
    for (std::size_t i = 0; i < kControlCount; ++i) {
        const auto surface = static_cast<ControlId>(i);
        if (kHandledSurfaces.contains(surface)) {
            continue;
        }
        SCOPED_TRACE(nameOf(surface));
        FakeWindow w;
        w.start();
        w.form.onMouseMove(surface);
        EXPECT_TRUE(w.platform.log().empty());
    }
}

TEST(Hover, AtMostOneFaceIsLitAndAnyOtherSurfacePutsItBack) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    const auto faces = [&p] { return std::pair{p.fillColorOf(Shape3), p.fillColorOf(Shape4)}; };

    ASSERT_TRUE(p.mouseMove(ann1));
    EXPECT_EQ(faces(), std::pair(kBlue, kGreen));
    p.mouseMove(ann2);
    EXPECT_EQ(faces(), std::pair(kHighlight, kDarkGreen)) << "straight from one face to the other";
    p.mouseMove(Image2);
    EXPECT_EQ(faces(), std::pair(kHighlight, kGreen));
    p.mouseMove(ann1);
    p.mouseMove(fz3);
    EXPECT_FALSE(p.enabledOf(fz3));
    EXPECT_EQ(faces(), std::pair(kHighlight, kGreen)) << "a disabled copy label restores too";
    p.mouseMove(ann2);
    p.mouseMove(Form1);
    EXPECT_EQ(faces(), std::pair(kHighlight, kGreen));
}

TEST(Hover, HiddenLabelsNeverReceiveThePointer) {
    FakeWindow w;
    w.start();
    for (const ControlId hidden : {Label13, Label14, Label15, Label16}) {
        EXPECT_FALSE(w.platform.mouseMove(hidden)) << nameOf(hidden);
    }
    EXPECT_TRUE(w.platform.log().empty());
}

}  // namespace
}  // namespace md5z::testing
