#include "platform/fake_platform.h"

#include <algorithm>
#include <cstdio>

#include "window/layout.h"

namespace md5z::testing {
namespace {

std::string name(ControlId id) {
    return std::string(nameOf(id));
}

std::string name(TimerId id) {
    return std::string(nameOf(id));
}

std::string flag(bool on) {
    return on ? "true" : "false";
}

std::string colour(Colour value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string picture(Picture value) {
    switch (value) {
        case Picture::None:
            return "None";
        case Picture::CommandPointer:
            return "CommandPointer";
        case Picture::ProgramIcon:
            return "ProgramIcon";
    }
    return "?";
}

std::string state(WindowState value) {
    switch (value) {
        case WindowState::Normal:
            return "Normal";
        case WindowState::Minimized:
            return "Minimized";
        case WindowState::Maximized:
            return "Maximized";
    }
    return "?";
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Clears a flag however the handler it guards ends.
class Dispatch {
  public:
    explicit Dispatch(bool& dispatching) : dispatching_(dispatching) { dispatching_ = true; }
    ~Dispatch() { dispatching_ = false; }
    Dispatch(const Dispatch&) = delete;
    Dispatch& operator=(const Dispatch&) = delete;

  private:
    bool& dispatching_;
};

}  // namespace

std::string utf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::vector<std::string> mentioning(const std::vector<std::string>& calls,
                                    std::initializer_list<std::string_view> names) {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        const std::string padded = " " + call + " ";
        const bool named = std::any_of(names.begin(), names.end(), [&padded](std::string_view n) {
            return padded.find(" " + std::string(n) + " ") != std::string::npos;
        });
        if (named) {
            found.push_back(call);
        }
    }
    return found;
}

FakePlatform::FakePlatform()
    : outerWidth_(kFormLayout.outerWidth), outerHeight_(kFormLayout.outerHeight) {
    for (const ControlLayout& layout : controlLayouts()) {
        ControlState& state = control(layout.id);
        state.caption = layout.caption;
        state.enabled = layout.enabled;
        state.visible = layout.visible;
        state.foreColor = layout.foreColor;
        state.fillColor = layout.fillColor;
        state.mouseIcon = layout.mouseIcon;
        if (layout.kind == ControlKind::TextBox) {
            passwordChar_ = layout.passwordChar;
            maxLength_ = static_cast<std::size_t>(layout.maxLength);
        }
    }
    for (const TimerLayout& layout : timerLayouts()) {
        timers_[indexOf(layout.id)] = {layout.intervalMs, layout.enabled, layout.intervalMs};
    }
}

bool FakePlatform::userCanReach() const {
    return !ended_ && !dispatching_ && shown_ && windowEnabled_;
}

bool FakePlatform::load() {
    if (ended_ || dispatching_) {
        return false;
    }
    Dispatch dispatch(dispatching_);
    form_->Form_Load();
    return true;
}

bool FakePlatform::click(ControlId id) {
    if (!userCanReach() || !control(id).enabled || !control(id).visible) {
        return false;
    }
    Dispatch dispatch(dispatching_);
    form_->onClick(id);
    return true;
}

bool FakePlatform::chooseMenu(MenuId item) {
    if (!userCanReach()) {
        return false;
    }
    Dispatch dispatch(dispatching_);
    form_->onMenu(item);
    return true;
}

bool FakePlatform::mouseMove(ControlId surface) {
    if (!userCanReach() || !control(surface).visible) {
        return false;
    }
    Dispatch dispatch(dispatching_);
    form_->onMouseMove(surface);
    return true;
}

// The desktop may ask to close a disabled window too (shutdown, the task
// bar); only an ended process hears nothing.
bool FakePlatform::closeRequest(std::int16_t reason) {
    if (ended_ || dispatching_) {
        return false;
    }
    Dispatch dispatch(dispatching_);
    const bool refused = form_->onCloseRequest(reason);
    lastCloseRefused_ = refused;
    if (!refused) {
        ended_ = true;  // the only window unloads, and with it the program
    }
    return true;
}

bool FakePlatform::tick(TimerId timer) {
    if (ended_ || dispatching_ || !timers_[indexOf(timer)].enabled) {
        return false;
    }
    Dispatch dispatch(dispatching_);
    fire(timer);
    return true;
}

void FakePlatform::fire(TimerId timer) {
    TimerState& state = timers_[indexOf(timer)];
    state.due = now_ + state.interval;
    form_->onTimer(timer);
}

void FakePlatform::advance(int milliseconds) {
    const long long until = now_ + milliseconds;
    while (!ended_ && !dispatching_) {
        std::size_t next = kTimerCount;
        for (std::size_t i = 0; i < kTimerCount; ++i) {
            const TimerState& t = timers_[i];
            if (t.enabled && t.due <= until && (next == kTimerCount || t.due < timers_[next].due)) {
                next = i;
            }
        }
        if (next == kTimerCount) {
            break;
        }
        now_ = timers_[next].due;
        Dispatch dispatch(dispatching_);
        fire(static_cast<TimerId>(next));
    }
    now_ = until;
}

bool FakePlatform::replaceInput(std::size_t position, std::size_t count,
                                std::u16string_view inserted) {
    if (!userCanReach()) {
        return false;
    }
    std::u16string changed = text_;
    position = std::min(position, changed.size());
    changed.erase(position, count);
    const std::size_t room = changed.size() < maxLength_ ? maxLength_ - changed.size() : 0;
    changed.insert(position, inserted.substr(0, room));
    if (changed == text_) {
        return false;
    }
    text_ = std::move(changed);
    Dispatch dispatch(dispatching_);
    form_->Text1_Change();
    return true;
}

std::size_t FakePlatform::type(std::u16string_view units) {
    std::size_t taken = 0;
    for (const char16_t unit : units) {
        if (replaceInput(text_.size(), 0, std::u16string_view(&unit, 1))) {
            ++taken;
        }
    }
    return taken;
}

bool FakePlatform::paste(std::u16string_view text) {
    return replaceInput(text_.size(), 0, text);
}

bool FakePlatform::erase(std::size_t position, std::size_t count) {
    return replaceInput(position, count, u"");
}

bool FakePlatform::clearInput() {
    return replaceInput(0, text_.size(), u"");
}

void FakePlatform::userResize(int outerWidth, int outerHeight) {
    outerWidth_ = outerWidth;
    outerHeight_ = outerHeight;
}

std::vector<std::string> FakePlatform::log() const {
    std::vector<std::string> calls;
    for (const LogEntry& entry : log_) {
        calls.push_back(entry.call);
    }
    return calls;
}

std::vector<std::string> FakePlatform::writes() const {
    std::vector<std::string> calls;
    for (const LogEntry& entry : log_) {
        if (!entry.read) {
            calls.push_back(entry.call);
        }
    }
    return calls;
}

std::u16string FakePlatform::caption(ControlId label) const {
    record(true, [&] { return "caption " + name(label); });
    return control(label).caption;
}

void FakePlatform::setCaption(ControlId label, std::u16string_view text) {
    record(false, [&] { return "setCaption " + name(label) + " " + utf8(text); });
    control(label).caption = text;
}

void FakePlatform::setForeColor(ControlId label, Colour value) {
    record(false, [&] { return "setForeColor " + name(label) + " " + colour(value); });
    control(label).foreColor = value;
}

void FakePlatform::setEnabled(ControlId id, bool enabled) {
    record(false, [&] { return "setEnabled " + name(id) + " " + flag(enabled); });
    control(id).enabled = enabled;
}

void FakePlatform::setVisible(ControlId id, bool visible) {
    record(false, [&] { return "setVisible " + name(id) + " " + flag(visible); });
    control(id).visible = visible;
}

Picture FakePlatform::mouseIcon(ControlId label) const {
    record(true, [&] { return "mouseIcon " + name(label); });
    return control(label).mouseIcon;
}

void FakePlatform::setMouseIcon(ControlId label, Picture value) {
    record(false, [&] { return "setMouseIcon " + name(label) + " " + picture(value); });
    control(label).mouseIcon = value;
}

void FakePlatform::setFillColor(ControlId shape, Colour value) {
    record(false, [&] { return "setFillColor " + name(shape) + " " + colour(value); });
    control(shape).fillColor = value;
}

std::u16string FakePlatform::text() const {
    record(true, [] { return std::string("text"); });
    return text_;
}

// Only a different text is a change, as with the real box.
void FakePlatform::setText(std::u16string_view text) {
    record(false, [&] { return "setText " + utf8(text); });
    if (text == text_) {
        return;
    }
    text_ = text;
    form_->Text1_Change();
}

void FakePlatform::setPasswordChar(std::u16string_view mask) {
    record(false, [&] { return "setPasswordChar " + utf8(mask); });
    passwordChar_ = mask;
}

// Enabling a stopped timer starts its interval afresh; enabling a running
// one leaves it as it is.
void FakePlatform::setTimerEnabled(TimerId timer, bool enabled) {
    record(false, [&] { return "setTimerEnabled " + name(timer) + " " + flag(enabled); });
    TimerState& state = timers_[indexOf(timer)];
    if (enabled && !state.enabled) {
        state.due = now_ + state.interval;
    }
    state.enabled = enabled;
}

WindowHandle FakePlatform::windowHandle() const {
    record(true, [] { return std::string("windowHandle"); });
    return kHandle;
}

std::u16string FakePlatform::windowTitle() const {
    record(true, [] { return std::string("windowTitle"); });
    return std::u16string(kFormLayout.title);
}

Picture FakePlatform::windowIcon() const {
    record(true, [] { return std::string("windowIcon"); });
    return kFormLayout.icon;
}

WindowState FakePlatform::windowState() const {
    record(true, [] { return std::string("windowState"); });
    return windowState_;
}

void FakePlatform::setWindowState(WindowState value) {
    record(false, [&] { return "setWindowState " + state(value); });
    windowState_ = value;
}

// The desktop refuses a size for a minimized or maximized window.
void FakePlatform::setOuterHeight(int twips) {
    record(false, [&] { return "setOuterHeight " + std::to_string(twips); });
    if (windowState_ == WindowState::Normal) {
        outerHeight_ = twips;
    }
}

void FakePlatform::setOuterWidth(int twips) {
    record(false, [&] { return "setOuterWidth " + std::to_string(twips); });
    if (windowState_ == WindowState::Normal) {
        outerWidth_ = twips;
    }
}

void FakePlatform::setWindowEnabled(bool enabled) {
    record(false, [&] { return "setWindowEnabled " + flag(enabled); });
    windowEnabled_ = enabled;
}

void FakePlatform::makeLayered() {
    record(false, [] { return std::string("makeLayered"); });
    layered_ = true;
}

// Only a layered window takes an alpha.
void FakePlatform::setOpacity(std::uint8_t alpha) {
    record(false, [&] { return "setOpacity " + std::to_string(alpha); });
    if (layered_) {
        opacity_ = alpha;
    }
}

void FakePlatform::showWindow() {
    record(false, [] { return std::string("showWindow"); });
    shown_ = true;
}

void FakePlatform::messageBox(std::u16string_view text, int style, std::u16string_view title) {
    record(false, [&] {
        return "messageBox " + utf8(text) + " " + std::to_string(style) + " " + utf8(title);
    });
    messageBoxes_.push_back({std::u16string(text), style, std::u16string(title)});
}

void FakePlatform::showAbout(WindowHandle owner, std::u16string_view title,
                             std::u16string_view text, Picture icon) {
    record(false, [&] { return "showAbout " + utf8(title); });
    aboutBoxes_.push_back({owner, std::u16string(title), std::u16string(text), icon});
}

void FakePlatform::openUrl(WindowHandle owner, std::u16string_view address) {
    record(false, [&] { return "openUrl " + utf8(address); });
    openedUrls_.push_back({owner, std::u16string(address)});
}

void FakePlatform::clearClipboard() {
    record(false, [] { return std::string("clearClipboard"); });
    if (!clipboardHeldElsewhere_) {
        clipboard_.reset();
    }
}

void FakePlatform::setClipboardText(std::u16string_view text) {
    record(false, [&] { return "setClipboardText " + utf8(text); });
    if (clipboardHeldElsewhere_) {
        return;
    }
    clipboard_ = std::u16string(text);
    clipboardHistory_.push_back(*clipboard_);
}

bool FakePlatform::previousInstance() {
    record(true, [] { return std::string("previousInstance"); });
    return previousInstance_;
}

void FakePlatform::end() {
    record(false, [] { return std::string("end"); });
    ended_ = true;
}

}  // namespace md5z::testing
