#include "window/layout.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/input_conversion.h"
#include "window/product.h"
#include "window/result_model.h"

namespace md5z {
namespace {

using enum ControlId;

constexpr Color kYellow = rgb(0xFF, 0xFF, 0x00);
constexpr Color kCyan = rgb(0x00, 0xFF, 0xFF);
constexpr Color kWhite = rgb(0xFF, 0xFF, 0xFF);
constexpr Color kBlue = rgb(0x00, 0x00, 0xFF);
constexpr Color kGreen = rgb(0x00, 0xC0, 0x00);
constexpr Color kGrey = rgb(0x80, 0x80, 0x80);
constexpr Color kSilver = rgb(0xC0, 0xC0, 0xC0);
constexpr Color kPaleGrey = rgb(0xE0, 0xE0, 0xE0);

// A number as a caption shows it, made at compile time so that the number
// stays the one place its value is written.
struct DecimalCaption {
    std::array<char16_t, 10> units{};
    std::size_t size = 0;
    constexpr std::u16string_view view() const { return {units.data(), size}; }
};

constexpr DecimalCaption decimalCaption(int number) {
    DecimalCaption caption;
    do {
        caption.units[caption.size++] = static_cast<char16_t>(u'0' + number % 10);
        number /= 10;
    } while (number > 0);
    std::reverse(caption.units.begin(), caption.units.begin() + caption.size);
    return caption;
}

// The counter starts with every character free; the fade level store holds
// the opacity the window runs at.
constexpr DecimalCaption kInputLimitCaption = decimalCaption(kInputLimit);
constexpr DecimalCaption kWorkingAlphaCaption = decimalCaption(kWorkingAlpha);

constexpr FontSpec kSong105{.face = kSongFace, .points = 10.5};
constexpr FontSpec kSong12{.face = kSongFace, .points = 12};
constexpr FontSpec kCopyFont{.face = kSongFace, .points = 10.5, .italic = true, .underline = true};

// The window's title, which its title label repeats in large type.
constexpr std::u16string_view kTitle = u"MD5Zevrin";

constexpr ControlLayout copyLabel(ControlId id, int top) {
    return {.id = id,
            .kind = ControlKind::Label,
            .caption = u"复制",
            .geometry = {8400, top, 420, 210},
            .foreColor = kBlue,
            .font = kCopyFont,
            .alignment = Alignment::Right,
            .autoSize = true,
            .enabled = false,
            .toolTip = u"点击以复制左边的字符串",
            .customPointer = true};
}

constexpr ControlLayout resultLabel(ControlId id, int top, std::u16string_view toolTip) {
    return {.id = id,
            .kind = ControlKind::Label,
            .caption = kPlaceholder,
            .geometry = {2160, top, 1050, 210},
            .font = kSong105,
            .autoSize = true,
            .toolTip = toolTip};
}

constexpr ControlLayout rowCaption(ControlId id, int top, std::u16string_view caption) {
    return {.id = id,
            .kind = ControlKind::Label,
            .caption = caption,
            .geometry = {720, top, 1320, 240},
            .font = kSong105,
            .alignment = Alignment::Centre};
}

constexpr ControlLayout rowLine(ControlId id, int y) {
    return {.id = id,
            .kind = ControlKind::Line,
            .geometry = {720, y, 8880, y},
            .foreColor = kGrey,
            .penWidth = 1};
}

constexpr ControlLayout commandLabel(ControlId id, int left, std::u16string_view caption,
                                     std::u16string_view toolTip) {
    return {.id = id,
            .kind = ControlKind::Label,
            .caption = caption,
            .geometry = {left, 1440, 435, 210},
            .foreColor = kWhite,
            .font = kSong105,
            .alignment = Alignment::Centre,
            .autoSize = true,
            .toolTip = toolTip,
            .customPointer = true,
            .mouseIcon = Picture::CommandPointer};
}

constexpr ControlLayout commandFace(ControlId id, int left, Color fill) {
    return {.id = id,
            .kind = ControlKind::Shape,
            .geometry = {left, 1410, 525, 300},
            .fillColor = fill,
            .rounded = true};
}

constexpr ControlLayout hiddenStore(ControlId id, std::u16string_view caption, Geometry geometry) {
    return {.id = id,
            .kind = ControlKind::Label,
            .caption = caption,
            .geometry = geometry,
            .autoSize = true,
            .visible = false};
}

const std::array kControls{
    ControlLayout{.id = Text1,
                  .kind = ControlKind::TextBox,
                  .geometry = {3120, 1400, 3975, 300},
                  .foreColor = kSystemWindowText,
                  .fillColor = kSystemWindow,
                  .font = kSong12,
                  .toolTip = u"在此处输入要加密的字符串",
                  .maxLength = kInputLimit,
                  .passwordChar = u"#"},
    ControlLayout{.id = Label17,
                  .kind = ControlKind::Label,
                  .caption = kInputLimitCaption.view(),
                  .geometry = {6860, 1700, 210, 210},
                  .foreColor = kYellow,
                  .font = kSong105,
                  .alignment = Alignment::Right,
                  .autoSize = true},
    hiddenStore(Label16, u"$1", {6960, 1200, 180, 180}),
    hiddenStore(Label15, u"@1", {3120, 1200, 180, 180}),
    hiddenStore(Label13, kWorkingAlphaCaption.view(), {0, 1440, 270, 180}),
    copyLabel(fz4, 4335),
    copyLabel(fz3, 3855),
    copyLabel(fz2, 3375),
    copyLabel(fz1, 2890),
    ControlLayout{.id = Label14,
                  .kind = ControlKind::Label,
                  .caption = u"输入的字符不能为空",
                  .geometry = {3120, 1710, 1755, 180},
                  .foreColor = kCyan,
                  .font = {.face = kSongFace, .points = 9, .bold = true},
                  .autoSize = true,
                  .visible = false,
                  .toolTip = u"在文本框中输入的信息不能为空"},
    commandLabel(ann2, 7850, u"重置", u"重置所有信息"),
    commandFace(Shape4, 7800, kGreen),
    resultLabel(Label12, 4335, u"输出加密后的32位大写"),
    resultLabel(Label11, 3855, u"输出加密后的32位小写"),
    resultLabel(Label10, 3375, u"输出加密后的16位大写"),
    resultLabel(Label9, 2890, u"输出加密后的16位小写"),
    resultLabel(Label8, 2420, u"待加密的字符串"),
    rowCaption(Label7, 4330, u"32位 大写"),
    rowCaption(Label6, 3850, u"32位 小写"),
    rowCaption(Label5, 3370, u"16位 大写"),
    rowCaption(Label4, 2890, u"16位 小写"),
    rowCaption(Label3, 2420, u"字符串"),
    commandLabel(ann1, 7250, u"加密", u"加密字符串"),
    commandFace(Shape3, 7200, kSystemHighlight),
    rowLine(Line5, 4200),
    rowLine(Line4, 3720),
    rowLine(Line3, 3240),
    rowLine(Line2, 2760),
    ControlLayout{.id = Shape2,
                  .kind = ControlKind::Shape,
                  .geometry = {720, 2280, 1335, 2415},
                  .foreColor = kGrey,
                  .fillColor = kPaleGrey,
                  .penWidth = 1},
    ControlLayout{.id = Line1,
                  .kind = ControlKind::Line,
                  .geometry = {0, 1980, 9720, 1980},
                  .foreColor = kSilver,
                  .penWidth = 2},
    ControlLayout{.id = Label2,
                  .kind = ControlKind::Label,
                  .caption = u"要加密的字符串:",
                  .geometry = {1280, 1440, 1800, 240},
                  .font = kSong12,
                  .autoSize = true},
    ControlLayout{.id = Shape1,
                  .kind = ControlKind::Shape,
                  .geometry = {720, 2280, 8175, 2415},
                  .foreColor = kGrey,
                  .fillColor = kSystemWindow,
                  .penWidth = 1},
    // 27.75 pt is what the design stores; rounding it to 28 changes the title's width.
    ControlLayout{.id = Label1,
                  .kind = ControlKind::Label,
                  .caption = kTitle,
                  .geometry = {3240, 240, 4065, 720},
                  .font = {.face = kYaHeiFace, .points = 27.75},
                  .autoSize = true,
                  .customPointer = true},
    ControlLayout{.id = Image2, .kind = ControlKind::Image, .geometry = {0, 0, 9615, 5055}},
};
static_assert(kControls.size() == kControlCount - 1, "every control but the window is laid out");

constexpr std::array kTimers{
    TimerLayout{TimerId::Timer1, 1, true},     TimerLayout{TimerId::Timer2, 2000, false},
    TimerLayout{TimerId::Timer3, 2000, false}, TimerLayout{TimerId::Timer4, 2000, false},
    TimerLayout{TimerId::Timer5, 2000, false}, TimerLayout{TimerId::Timer6, 2000, false},
    TimerLayout{TimerId::Timer7, 1, false},
};

constexpr std::array kMenus{
    MenuLayout{MenuId::gy, true, u"关于(&G)"},
    MenuLayout{MenuId::gyc1, false, u"MD5是什么?"},
    MenuLayout{MenuId::gy1, false, u"Zevrin官网"},
    MenuLayout{MenuId::gyc2, false, product::kDistributorMenuCaption},
    MenuLayout{MenuId::gyc3, false, u"知识产权法 ->"},
    MenuLayout{MenuId::gy2, false, kMenuSeparator},
    MenuLayout{MenuId::gy3, false, u"联系开发者..."},
    MenuLayout{MenuId::gy4, false, u"(C)程序版权"},
};

}  // namespace

const FormLayout kFormLayout{.title = kTitle,
                             .icon = Picture::ProgramIcon,
                             .clientWidth = 9585,
                             .clientHeight = 5025,
                             .outerWidth = 9675,
                             .outerHeight = 5760,
                             .frameSide = 45,
                             .frameTop = 690};

std::span<const ControlLayout> controlLayouts() {
    return kControls;
}

const ControlLayout& layoutOf(ControlId id) {
    auto found = std::find_if(kControls.begin(), kControls.end(),
                              [id](const ControlLayout& c) { return c.id == id; });
    if (found == kControls.end()) {
        throw std::out_of_range("the window itself has no control layout");
    }
    return *found;
}

std::span<const TimerLayout> timerLayouts() {
    return kTimers;
}
std::span<const MenuLayout> menuLayouts() {
    return kMenus;
}

int pixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

}  // namespace md5z
