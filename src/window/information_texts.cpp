#include "window/information_texts.h"

#include <initializer_list>
#include <string_view>

#include "window/product.h"

namespace md5z {
namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

std::u16string joinLines(std::initializer_list<std::u16string> lines) {
    std::u16string text;
    bool first = true;
    for (const std::u16string& line : lines) {
        if (!first) {
            text += kLineBreak;
        }
        text += line;
        first = false;
    }
    return text;
}

std::u16string concat(std::initializer_list<std::u16string_view> parts) {
    std::u16string text;
    for (const std::u16string_view part : parts) {
        text += part;
    }
    return text;
}

}  // namespace

std::u16string ContactText() {
    using namespace product;
    return joinLines({
        concat({kDeveloperHandle, u" - 开发者QQ：", kDeveloperQQ}),
        concat({u"邮箱：", kDeveloperEmail}),
        concat({u"最后更新时间: ", kLastUpdate}),
        concat({kDistributorSiteName, u": ", kDistributorDomain}),
        std::u16string(kRightsNotice),
    });
}

std::u16string AboutText() {
    using namespace product;
    return joinLines({
        concat({u"开发者(所有者)：", kDeveloperHandle, u" _ ", u"Email：", kDeveloperEmail}),
        concat({kLegalNotice, u" _ ", u"图标: ", kIconSiteName}),
    });
}

}  // namespace md5z
