#include "contract.h"
#include "window/layout.h"

#include <array>

#include <gtest/gtest.h>

namespace md5z::contract {
namespace {

template <typename... Visitors>
struct Overload : Visitors... {
    using Visitors::operator()...;
};
template <typename... Visitors>
Overload(Visitors...) -> Overload<Visitors...>;

std::string utf8(std::u16string_view text) {
    std::string out;
    for (const char16_t unit : text) {
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += {static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
        } else {
            out +=
                {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
                 static_cast<char>(0x80 | (unit & 0x3F))};
        }
    }
    return out;
}

std::optional<std::string> unless(bool holds, std::string seen) {
    return holds ? std::nullopt : std::optional(std::move(seen));
}

class Player {
  public:
    explicit Player(Driver& driver) : d_(driver), lastAction_(driver.now()) {}

    std::optional<std::string> play(const Row& row) {
        const Step* previous = nullptr;
        for (std::size_t i = 0; i < row.steps.size(); ++i) {
            const Step& step = row.steps[i];
            std::optional<std::string> failure;
            if (const auto* lasts = std::get_if<Lasts>(&step)) {
                failure = previous ? last(*previous, *lasts) : "nothing to last";
            } else if (step.index() < kFirstExpectation) {
                act(step);
                lastAction_ = d_.now();
            } else {
                failure = check(step);
                previous = &step;
            }
            if (failure) {
                return "step " + std::to_string(i + 1) + ": " + *failure;
            }
        }
        return std::nullopt;
    }

  private:
    void act(const Step& step) {
        std::visit(
            Overload{
                [&](const Type& s) { d_.type(s.text); }, [&](const Paste& s) { d_.paste(s.text); },
                [&](const Click& s) { d_.drag(controlOf(s.role), controlOf(s.role)); },
                [&](const Drag& s) { d_.drag(controlOf(s.from), controlOf(s.to)); },
                [&](const Press& s) { d_.press(s.key); },
                [&](const Hover& s) { d_.hover(controlOf(s.role)); },
                [&](const Choose& s) { d_.choose(menuOf(s.command)); },
                [&](const Wait& s) { d_.wait(s.ms + s.ticks * d_.pace().slowest); },
                [&](const Maximize&) { d_.maximize(); }, [&](const Close&) { d_.close(); },
                [&](const HoldClipboard& s) { d_.holdClipboard(s.text); },
                [&](const StartAnother&) { d_.startAnother(); },
                [&](const ChangeUnnoticed& s) { d_.changeUnnoticed(s.text); }, [](const auto&) {}},
            step);
    }

    // What was seen instead, when the expectation does not hold.
    std::optional<std::string> check(const Step& step) {
        const auto reads = [](const std::u16string& seen, std::u16string_view wanted) {
            return unless(seen == wanted, "it reads \"" + utf8(seen) + "\"");
        };
        return std::visit(
            Overload{
                [&](const Caption& s) { return reads(d_.caption(controlOf(s.of)), s.text); },
                [&](const InputReads& s) { return reads(d_.input(), s.text); },
                [&](const Clipboard& s) { return reads(d_.clipboard(), s.text); },
                [&](const Opened& s) {
                    const auto opened = d_.opened();
                    return reads(opened.empty() ? u"" : opened.back(), s.text);
                },
                [&](const Opacity& s) {
                    return unless(d_.opacity() == s.alpha, "it is " + std::to_string(d_.opacity()));
                },
                [&](const Box& s) {
                    const auto boxes = d_.boxes();
                    const ShownBox box = boxes.empty() ? ShownBox{} : boxes.back();
                    return unless(box.title.find(s.title) != std::u16string::npos &&
                                      box.text.find(s.text) != std::u16string::npos,
                                  "the box \"" + utf8(box.title) + "\" says \"" + utf8(box.text));
                },
                [&](const Reads& s) {
                    const Accessible seen = d_.accessible(controlOf(s.of));
                    return unless(seen.as == s.as && seen.name == s.name && seen.value == s.value &&
                                      seen.enabled == s.enabled,
                                  "it reads as " + std::to_string(static_cast<int>(seen.as)) +
                                      " \"" + utf8(seen.name) + "\" \"" + utf8(seen.value) +
                                      (seen.enabled ? "\"" : "\" disabled"));
                },
                [&](const Describes& s) {
                    return reads(d_.accessible(controlOf(s.of)).description, s.text);
                },
                [&](const auto& s) { return unless(holds(s), "it does not hold"); }},
            step);
    }
    bool holds(const Enabled& s) { return d_.drawn(controlOf(s.of), kGreyedText) != s.enabled; }
    bool holds(const Drawn& s) { return d_.drawn(controlOf(s.of), s.color) == s.shown; }
    bool holds(const Running& s) { return d_.ended() != s.yes; }
    bool holds(const Focus& s) { return d_.focused(controlOf(s.role)); }
    bool holds(const DesignSize&) { return d_.atDesignSize(); }
    bool holds(const Idle&) { return d_.idle(); }
    bool holds(const AnotherEnded&) { return d_.anotherEndedUnseen(); }
    // Actions and Lasts are never checked.
    bool holds(const auto&) { return false; }

    // The expectation holds until the time is up and no longer.
    std::optional<std::string> last(const Step& expectation, const Lasts& lasts) {
        const Pace pace = d_.pace();
        const long long fastest = lasts.ms + lasts.ticks * pace.fastest;
        const long long slowest = lasts.ms + lasts.ticks * pace.slowest;
        if (d_.simulated()) {
            d_.wait(static_cast<int>(lastAction_ + fastest - 1 - d_.now()));
            if (auto failure = check(expectation)) {
                return "before its time: " + *failure;
            }
            d_.wait(1);
            return check(expectation) ? std::nullopt
                                      : std::optional<std::string>("it lasts longer");
        }
        // Timers are never early, and a busy machine may make them late.
        const long long earliest = fastest * 9 / 10;
        const long long latest = slowest * 2 + 500;
        while (!check(expectation) && d_.now() - lastAction_ <= latest) {
            d_.wait(1);
        }
        const long long took = d_.now() - lastAction_;
        return unless(took >= earliest && took <= latest,
                      "it lasted " + std::to_string(took) + " ms, not " + std::to_string(fastest) +
                          " to " + std::to_string(slowest));
    }

    Driver& d_;
    long long lastAction_;
};

constexpr std::array kControls{
    ControlId::Text1,   ControlId::ann1,    ControlId::ann2,    ControlId::Label17,
    ControlId::Label14, ControlId::Label1,  ControlId::Label2,  ControlId::Label8,
    ControlId::Label9,  ControlId::Label10, ControlId::Label11, ControlId::Label12,
    ControlId::fz1,     ControlId::fz2,     ControlId::fz3,     ControlId::fz4,
    ControlId::Shape3,  ControlId::Shape4,  ControlId::Image2};

unsigned needs(const Step& step) {
    return std::visit(Overload{[](const Press& s) {
                                   return s.key == Key::Enter || s.key == Key::Backspace
                                              ? 0u
                                              : unsigned{kKeyboardFocus};
                               },
                               [](const Focus&) { return unsigned{kKeyboardFocus}; },
                               [](const Reads&) { return unsigned{kAccessibleView}; },
                               [](const Describes&) { return unsigned{kAccessibleView}; },
                               [](const Opened&) { return unsigned{kBrowser}; },
                               [](const HoldClipboard&) { return unsigned{kHeldClipboard}; },
                               [](const ChangeUnnoticed&) { return unsigned{kUnnoticedChange}; },
                               [](const Idle&) { return unsigned{kPacedHousekeeping}; },
                               [](const auto&) { return 0u; }},
                      step);
}

}  // namespace

int seenIn(ControlId id, int width, int height) {
    constexpr int kStrokePixels = 3;
    return layoutOf(id).kind == ControlKind::Shape ? width * height / 4 : kStrokePixels;
}

ControlId controlOf(Role role) {
    return kControls.at(static_cast<std::size_t>(role));
}

MenuId menuOf(Command command) {
    constexpr std::array kItems{MenuId::gyc1, MenuId::gy1, MenuId::gyc2,
                                MenuId::gyc3, MenuId::gy3, MenuId::gy4};
    return kItems.at(static_cast<std::size_t>(command));
}

namespace {

std::vector<Row> rowsThisDriverRuns() {
    std::vector<Row> runs;
    for (const Row& row : rows()) {
        unsigned needed = row.needs;
        for (const Step& step : row.steps) {
            needed |= needs(step);
        }
        if ((needed & ~kDriverCapabilities) == 0) {
            runs.push_back(row);
        }
    }
    return runs;
}

class Window : public ::testing::TestWithParam<Row> {};

TEST_P(Window, Behaves) {
    const auto driver = makeDriver();
    if (const auto failure = Player(*driver).play(GetParam())) {
        FAIL() << *failure;
    }
}

INSTANTIATE_TEST_SUITE_P(Row, Window, ::testing::ValuesIn(rowsThisDriverRuns()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace md5z::contract
