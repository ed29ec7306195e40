// The menu: four links, the contact box and the About box.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "info/product.h"
#include "platform/fake_platform.h"

namespace md5z::testing {
namespace {

using Calls = std::vector<std::string>;

// Written out here with their exact code points: the full-width colon is
// U+FF1A, the separators are ASCII.
std::u16string expectedContactText() {
    using namespace product;
    std::u16string text;
    text += kDeveloperHandle;
    text += u" - \u5F00\u53D1\u8005QQ\uFF1A";
    text += kDeveloperQQ;
    text += u"\r\n\u90AE\u7BB1\uFF1A";
    text += kDeveloperEmail;
    text += u"\r\n\u6700\u540E\u66F4\u65B0\u65F6\u95F4: ";
    text += kLastUpdate;
    text += u"\r\n";
    text += kDistributorSiteName;
    text += u": ";
    text += kDistributorDomain;
    text += u"\r\n";
    text += kRightsNotice;
    return text;
}

std::u16string expectedAboutText() {
    using namespace product;
    std::u16string text = u"\u5F00\u53D1\u8005(\u6240\u6709\u8005)\uFF1A";
    text += kDeveloperHandle;
    text += u" _ Email\uFF1A";
    text += kDeveloperEmail;
    text += u"\r\n";
    text += kLegalNotice;
    text += u" _ \u56FE\u6807: ";
    text += kIconSiteName;
    return text;
}

TEST(InformationCommands, TheContactBoxShowsFiveLinesWithItsTitleAndIcon) {
    FakeWindow w;
    w.start();
    ASSERT_TRUE(w.platform.chooseMenu(MenuId::gy3));
    ASSERT_EQ(w.platform.messageBoxes().size(), 2u);
    const auto& box = w.platform.messageBoxes().back();
    EXPECT_EQ(box.text, expectedContactText());
    EXPECT_EQ(box.style, 64);
    EXPECT_EQ(box.title, u"\u8054\u7CFB\u5F00\u53D1\u8005");
}

TEST(InformationCommands, TheAboutBoxReadsHandleTitleAndIconInThatOrder) {
    FakeWindow w;
    w.start();
    FakePlatform& p = w.platform;
    ASSERT_TRUE(p.chooseMenu(MenuId::gy4));
    EXPECT_EQ(p.log(), (Calls{"windowHandle", "windowTitle", "windowIcon", "showAbout MD5Zevrin"}));
    ASSERT_EQ(p.aboutBoxes().size(), 1u);
    const auto& about = p.aboutBoxes()[0];
    EXPECT_EQ(about.owner, FakePlatform::kHandle);
    EXPECT_EQ(about.title, u"MD5Zevrin");
    EXPECT_EQ(about.text, expectedAboutText());
    EXPECT_EQ(about.icon, Picture::ProgramIcon);
}

TEST(InformationCommands, EachLinkOpensItsPageEveryTimeItIsChosen) {
    struct Case {
        MenuId item;
        std::u16string_view address;
    };
    const Case cases[] = {
        {MenuId::gyc1, product::kEncyclopediaAddress},
        {MenuId::gy1, product::kHomePageAddress},
        {MenuId::gyc2, product::kDistributorAddress},
        {MenuId::gyc3, product::kLawsAddress},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nameOf(c.item));
        FakeWindow w;
        w.start();
        FakePlatform& p = w.platform;
        p.chooseMenu(c.item);
        p.chooseMenu(c.item);
        EXPECT_EQ(p.log(), (Calls{"windowHandle", "openUrl " + utf8(c.address), "windowHandle",
                                  "openUrl " + utf8(c.address)}));
        for (const auto& opened : p.openedUrls()) {
            EXPECT_EQ(opened.owner, FakePlatform::kHandle);
            EXPECT_EQ(opened.address, c.address);
        }
    }
}

TEST(InformationCommands, TheMenuAndItsSeparatorDoNothing) {
    FakeWindow w;
    w.start();
    EXPECT_TRUE(w.platform.chooseMenu(MenuId::gy));
    EXPECT_TRUE(w.platform.chooseMenu(MenuId::gy2));
    EXPECT_TRUE(w.platform.log().empty());
}

}  // namespace
}  // namespace md5z::testing
