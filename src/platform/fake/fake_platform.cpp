#include "platform/fake/fake_platform.h"

#include <algorithm>

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
    if (text != input) {
        input = text;
        form.Text1_Change();
    }
}

// Enabling a stopped timer starts its interval afresh; a running one keeps
// its time.
void FakePlatform::setTimerEnabled(TimerId timer, bool on) {
    if (on && !at(timer).enabled) {
        at(timer).due = now + at(timer).interval;
    }
    at(timer).enabled = on;
}

void FakePlatform::clearClipboard() {
    if (!clipboardHeld) {
        clipboard.reset();
    }
}

void FakePlatform::setClipboardText(std::u16string_view text) {
    if (!clipboardHeld) {
        clipboard = std::u16string(text);
        copied.push_back(*clipboard);
    }
}

}  // namespace md5z
