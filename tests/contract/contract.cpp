#include "contract.h"
#include "window/layout.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>

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
        // On a real desktop what a wait led to may come as late again, and half
        // a second more, as with Lasts: a busy machine delays timers.
        long long late = 0;
        for (std::size_t i = 0; i < row.steps.size(); ++i) {
            const Step& step = row.steps[i];
            std::optional<std::string> failure;
            if (const auto* lasts = std::get_if<Lasts>(&step)) {
                failure = previous ? last(*previous, *lasts) : "nothing to last";
            } else if (step.index() < kFirstExpectation) {
                const long long began = d_.now();
                act(step);
                lastAction_ = d_.now();
                const auto* wait = std::get_if<Wait>(&step);
                if (wait != nullptr) {
                    waited_ = true;
                    overran_ = std::max(0LL, lastAction_ - began - wait->ms);
                } else if (waited_) {
                    overran_ += lastAction_ - began;
                }
                late = wait && !d_.simulated()
                           ? lastAction_ + wait->ms + wait->ticks * d_.pace().slowest + 500
                           : 0;
            } else {
                while ((failure = check(step)) && d_.now() < late) {
                    d_.wait(1);
                }
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
                [&](const Click& s) { d_.drag(s.at, s.at); },
                [&](const Drag& s) { d_.drag(s.from, s.to); },
                [&](const Press& s) { d_.press(s.key); }, [&](const Hover& s) { d_.hover(s.at); },
                [&](const Choose& s) { d_.choose(s.item); },
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
                [&](const Caption& s) { return reads(d_.caption(s.of), s.text); },
                [&](const InputReads& s) { return reads(d_.input(), s.text); },
                [&](const Clipboard& s) { return reads(d_.clipboard(), s.text); },
                [&](const Opened& s) { return reads(d_.opened(), s.text); },
                [&](const Opacity& s) {
                    return unless(d_.opacity() == s.alpha, "it is " + std::to_string(d_.opacity()));
                },
                [&](const Box& s) {
                    const ShownBox box = d_.lastBox();
                    return unless(box.title.find(s.title) != std::u16string::npos &&
                                      box.text.find(s.text) != std::u16string::npos,
                                  "the box \"" + utf8(box.title) + "\" says \"" + utf8(box.text));
                },
                [&](const Reads& s) {
                    const Accessible seen = d_.accessible(s.of);
                    return unless(
                        seen.as == s.as && seen.name == s.name && seen.value == s.value &&
                            seen.enabled == s.enabled && seen.description == s.description,
                        "it reads as " + std::to_string(static_cast<int>(seen.as)) +
                            (seen.enabled ? "" : " disabled") + " \"" + utf8(seen.name) + "\" \"" +
                            utf8(seen.value) + "\" \"" + utf8(seen.description) + "\"");
                },
                [&](const auto& s) { return unless(holds(s), "it does not hold"); }},
            step);
    }
    bool holds(const Drawn& s) { return d_.drawn(s.of, s.color) == s.shown; }
    bool holds(const Running& s) { return d_.ended() != s.yes; }
    bool holds(const Focus& s) { return d_.focused(s.at); }
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
        // Timers are never early, and a busy machine may make them late. A
        // timer that ran through a wait has also run for as long as the wait
        // overran and the actions after it took.
        const long long earliest = fastest * 9 / 10 - overran_;
        waited_ = false;
        overran_ = 0;
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
    bool waited_ = false;
    long long overran_ = 0;
};

std::vector<Row> rowsThisDriverRuns() {
    std::vector<Row> runs;
    std::ranges::copy_if(rows(), std::back_inserter(runs),
                         [](const Row& row) { return (row.needs & ~kDriverCapabilities) == 0; });
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

bool shows(ControlId id, Color wanted, int width, int height,
           const std::function<Color(int x, int y)>& pixel) {
    constexpr int kSlack = 32;
    constexpr int kStrokePixels = 3;
    const auto near = [wanted](Color seen, int shift) {
        return std::abs(static_cast<int>(seen >> shift & 0xFF) -
                        static_cast<int>(wanted >> shift & 0xFF)) <= kSlack;
    };
    int seen = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Color c = pixel(x, y);
            seen += near(c, 0) && near(c, 8) && near(c, 16);
        }
    }
    return seen >= (layoutOf(id).kind == ControlKind::Shape ? width * height / 4 : kStrokePixels);
}

}  // namespace md5z::contract
