#pragma once

#include <string_view>

namespace md5z::product {

// Who makes and distributes the program, as its information commands and
// version record show it. Addresses under an example domain stand for pages
// that do not exist yet.
inline constexpr std::u16string_view kDeveloperHandle = u"Zevrin";
inline constexpr std::u16string_view kDeveloperQQ = u"10000";
inline constexpr std::u16string_view kDeveloperEmail = u"zevrin@example.com";
inline constexpr std::u16string_view kLastUpdate = u"2026-12-06";
inline constexpr std::u16string_view kDistributorSiteName = u"示例软件站";
inline constexpr std::u16string_view kDistributorMenuCaption = u"进入示例软件站";
static_assert(kDistributorMenuCaption.starts_with(u"进入") &&
                  kDistributorMenuCaption.ends_with(kDistributorSiteName) &&
                  kDistributorMenuCaption.size() == 2 + kDistributorSiteName.size(),
              "the menu item reads 进入 and the site's name");
inline constexpr std::u16string_view kDistributorDomain = u"www.example.org";
// The year, holder and licence of LICENSE; the package's copyright file and
// the version record take them from this line.
inline constexpr std::u16string_view kRightsNotice =
    u"Copyright (C) 2026 Zevrin. 按 MIT 许可证发布。";
inline constexpr std::u16string_view kLegalNotice = u"本软件受《中华人民共和国著作权法》保护";
inline constexpr std::u16string_view kIconSiteName = u"示例图标库";

inline constexpr std::u16string_view kEncyclopediaAddress = u"https://zh.wikipedia.org/wiki/MD5";
inline constexpr std::u16string_view kHomePageAddress = u"https://www.example.com/md5zevrin/";
inline constexpr std::u16string_view kDistributorAddress = u"https://www.example.org/";
inline constexpr std::u16string_view kLawsAddress = u"https://flk.npc.gov.cn/";

}  // namespace md5z::product
