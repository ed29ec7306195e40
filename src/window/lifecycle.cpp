#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "window/form.h"
#include "window/layout.h"
#include "window/result_model.h"

namespace md5z {
namespace {

constexpr std::u16string_view kStartNotice =
    u"MD5并不支持加密中文, 如输入了中文会自动转换成缩写并加密";
constexpr std::u16string_view kStartNoticeTitle = u"提示";

constexpr int kFadeStep = 5;
// The last alpha shown; the process ends on the step that reaches it.
constexpr int kLastFadeAlpha = 10;

// The fade level lives only in the caption of this hidden label.
constexpr ControlId kFadeLevelStore = ControlId::Label13;
constexpr TimerId kFadeTimer = TimerId::Timer7;

constexpr std::int16_t kRefuseClose = 1;

// The store holds plain decimal digits, written only here; anything else
// reads as 0, which ends the fade at once rather than running it forever.
int readFadeLevel(const Platform& platform) {
    const std::u16string caption = platform.caption(kFadeLevelStore);
    std::string digits(caption.begin(), caption.end());
    int level = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), level);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return 0;
    }
    return level;
}

void writeFadeLevel(Platform& platform, int level) {
    const std::string digits = std::to_string(level);
    platform.setCaption(kFadeLevelStore, std::u16string(digits.begin(), digits.end()));
}

std::uint8_t alphaOf(int level) {
    return static_cast<std::uint8_t>(std::clamp(level, 0, 255));
}

}  // namespace

void Form1::Form_Load() {
    platform_.setPasswordChar(u"");
    for (const ControlId copyLabel :
         {ControlId::fz1, ControlId::fz2, ControlId::fz3, ControlId::fz4}) {
        platform_.setMouseIcon(copyLabel, platform_.mouseIcon(ControlId::ann1));
    }
    platform_.setMouseIcon(ControlId::Label1, platform_.windowIcon());
    platform_.makeLayered();
    platform_.setOpacity(alphaOf(kWorkingAlpha));
    if (platform_.previousInstance()) {
        platform_.end();
        return;
    }
    platform_.showWindow();
    platform_.messageBox(kStartNotice, kInformationBox, kStartNoticeTitle);
}

// Every close request is refused, whatever its reason, and replaced by the
// fade-out; a request during the fade starts it over from the top.
void Form1::Form_QueryUnload(std::int16_t& Cancel, std::int16_t /*UnloadMode*/) {
    Cancel = kRefuseClose;
    platform_.setWindowEnabled(false);
    writeFadeLevel(platform_, kWorkingAlpha);
    platform_.setTimerEnabled(kFadeTimer, true);
}

// Resets the rows once the input has been emptied by hand, and holds the
// window at its design size in the normal state. Label8 marks all five rows,
// so an empty input with the rows already reset writes nothing.
void Form1::Timer1_Timer() {
    if (platform_.text().empty() && readField(platform_, ShownInput) != kPlaceholder) {
        ResetResults();
    }
    if (platform_.windowState() == WindowState::Maximized) {
        platform_.setWindowState(WindowState::Normal);
    }
    const WindowState state = platform_.windowState();
    if (state != WindowState::Maximized && state != WindowState::Minimized) {
        platform_.setOuterHeight(kFormLayout.outerHeight);
        platform_.setOuterWidth(kFormLayout.outerWidth);
    }
}

void Form1::Timer7_Timer() {
    writeFadeLevel(platform_, readFadeLevel(platform_) - kFadeStep);
    platform_.makeLayered();
    platform_.setOpacity(alphaOf(readFadeLevel(platform_)));
    if (readFadeLevel(platform_) <= kLastFadeAlpha) {
        platform_.setTimerEnabled(kFadeTimer, false);
        platform_.end();
    }
}

}  // namespace md5z
