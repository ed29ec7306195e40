#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "window/input_limit.h"

namespace md5z {
namespace {

template <typename Handler>
bool deliverIf(bool reaches, Handler handler) {
    if (reaches) {
        handler();
    }
    return reaches;
}

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A lone surrogate is spelt as U+FFFD, as any UTF-8 encoder does.
std::string utf8Of(std::u16string_view text) {
    std::string utf8;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const bool lowNext = i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
        if (high && lowNext) {
            appendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else if (unit >= 0xD800 && unit < 0xE000) {
            appendUtf8(utf8, kReplacement);
        } else {
            appendUtf8(utf8, unit);
        }
    }
    return utf8;
}

// How the log spells each kind of argument.
struct Spelling {
    std::string operator()(std::u16string_view text) const { return utf8Of(text); }
    std::string operator()(ControlId id) const { return std::string(nameOf(id)); }
    std::string operator()(TimerId id) const { return std::string(nameOf(id)); }
    std::string operator()(bool on) const { return on ? "true" : "false"; }
    std::string operator()(int number) const { return std::to_string(number); }
    std::string operator()(Color color) const {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", color);
        return hex;
    }
    std::string operator()(Picture picture) const {
        return std::array{"None", "CommandPointer", "ProgramIcon"}[static_cast<int>(picture)];
    }
    std::string operator()(WindowState state) const {
        return std::array{"Normal", "Minimized", "Maximized"}[static_cast<int>(state)];
    }
    // Any other handle would be some other window's.
    std::string operator()(WindowHandle handle) const {
        return handle == FakePlatform::kHandle ? "Form1" : std::to_string(handle);
    }
};

}  // namespace

FakePlatform::FakePlatform() {
    for (const ControlLayout& l : controlLayouts()) {
        at(l.id) = {
            std::u16string(l.caption), l.enabled, l.visible, l.foreColor, l.fillColor, l.mouseIcon};
    }
    for (const TimerLayout& l : timerLayouts()) {
        at(l.id) = {l.intervalMs, l.enabled, l.intervalMs};
    }
}

void FakePlatform::record(std::string_view call, std::initializer_list<Argument> arguments) const {
    if (recording) {
        log += log.empty() ? "" : "; ";
        log += call;
        for (const Argument& argument : arguments) {
            log += ' ' + std::visit(Spelling{}, argument);
        }
    }
}

bool FakePlatform::load() {
    return deliverIf(!ended, [this] { form.Form_Load(); });
}

bool FakePlatform::click(ControlId control) {
    const bool reaches = userCanReach() && at(control).enabled && at(control).visible;
    return deliverIf(reaches, [this, control] { form.onClick(control); });
}

bool FakePlatform::chooseMenu(MenuId item) {
    return deliverIf(userCanReach(), [this, item] { form.onMenu(item); });
}

bool FakePlatform::mouseMove(ControlId surface) {
    const bool reaches = userCanReach() && at(surface).visible;
    return deliverIf(reaches, [this, surface] { form.onMouseMove(surface); });
}

// The desktop asks a disabled window to close as well (shutdown, the task
// bar). A close that is not refused unloads the only window, and with it the
// program.
bool FakePlatform::closeRequest(std::int16_t reason) {
    return deliverIf(!ended, [this, reason] { ended = !form.onCloseRequest(reason); });
}

bool FakePlatform::tick(TimerId timer) {
    return deliverIf(!ended && at(timer).enabled, [this, timer] { fire(timer); });
}

void FakePlatform::fire(TimerId timer) {
    at(timer).due = now + at(timer).interval;
    form.onTimer(timer);
}

void FakePlatform::advance(int milliseconds) {
    const long long until = now + milliseconds;
    const auto sooner = [](const Timer& a, const Timer& b) {
        return a.enabled != b.enabled ? a.enabled : a.due < b.due;
    };
    while (!ended) {
        const auto next = std::min_element(timers.begin(), timers.end(), sooner);
        if (!next->enabled || next->due > until) {
            break;
        }
        now = next->due;
        fire(static_cast<TimerId>(next - timers.begin()));
    }
    now = until;
}

bool FakePlatform::edit(std::size_t position, std::size_t count, std::u16string_view inserted) {
    std::u16string changed = input;
    position = std::min(position, changed.size());
    changed.erase(position, count);
    const auto limit = static_cast<std::size_t>(layoutOf(ControlId::Text1).maxLength);
    const auto kept = inserted.substr(0, limit - std::min(limit, changed.size()));
    changed.insert(position, kept);
    if (const auto half = halfCharacterAtLimit(changed, position + kept.size(), limit);
        half != std::u16string::npos) {
        changed.erase(half, 1);
    }
    if (!userCanReach() || changed == input) {
        return false;
    }
    input = std::move(changed);
    form.Text1_Change();
    return true;
}

std::size_t FakePlatform::type(std::u16string_view units) {
    std::size_t taken = 0;
    for (const char16_t unit : units) {
        taken += edit(input.size(), 0, {&unit, 1}) ? 1 : 0;
    }
    return taken;
}

// The real box raises its change event before the assignment returns.
void FakePlatform::setText(std::u16string_view text) {
    record("setText", {text});
    if (text != input) {
        input = text;
        form.Text1_Change();
    }
}

// Enabling a stopped timer starts its interval afresh; a running one keeps
// its time.
void FakePlatform::setTimerEnabled(TimerId timer, bool on) {
    record("setTimerEnabled", {timer, on});
    if (on && !at(timer).enabled) {
        at(timer).due = now + at(timer).interval;
    }
    at(timer).enabled = on;
}

void FakePlatform::clearClipboard() {
    record("clearClipboard");
    if (!clipboardHeld) {
        clipboard.reset();
    }
}

void FakePlatform::setClipboardText(std::u16string_view text) {
    record("setClipboardText", {text});
    if (!clipboardHeld) {
        clipboard = std::u16string(text);
        copied.push_back(*clipboard);
    }
}

}  // namespace md5z
