// Thousands of seeded random event sequences: typing and editing any units,
// clicks on every control, menus, mouse moves, ticks, passing time, window
// changes and close requests. After every event the rules that always hold
// are checked, the digest against the system's MD5 of the bytes each unit
// should give.

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "../digest/reference_md5.h"
#include "platform/fake/fake_platform.h"

namespace md5z {
namespace {

using enum ControlId;

constexpr int kSequences = 3000;
constexpr int kEventsPerSequence = 60;
constexpr std::uint64_t kSeed = 0x4D44355A;
constexpr std::u16string_view kPlaceholder = u"Loading...";
constexpr std::array kCopyLabels{fz1, fz2, fz3, fz4};
constexpr std::array kCopiedRows{Label9, Label10, Label11, Label12};
constexpr std::array kCopyTimers{TimerId::Timer3, TimerId::Timer4, TimerId::Timer5,
                                 TimerId::Timer6};
constexpr ControlId kLikelyClicks[] = {ann1, ann1, ann1, ann2, fz1, fz2, fz3, fz4};
// Hanzi and their initials, as a dictionary gives them.
constexpr std::u16string_view kHanzi = u"中文你好啊芭擦搭蛾发噶哈击喀垃妈拿哦啪期然撒塌挖昔压匝";
constexpr std::u16string_view kInitials = u"ZWNHABCDEFGHJKLMNOPQRSTWXYZ";
// The units typed are drawn from these ranges: ASCII and hanzi most often,
// then the space by itself, surrogates, full-width forms and controls.
constexpr std::pair<int, int> kUnitRanges[] = {{0x20, 0x7E},     {0x20, 0x7E}, {0x4E00, 0x4E00},
                                               {0x4E00, 0x4E00}, {0x20, 0x20}, {0xD800, 0xDFFF},
                                               {0xFF01, 0xFF5E}, {0, 0x1F}};

// The byte each unit is digested as: ASCII upper-cased, a hanzi's initial,
// "0" for a double-byte symbol, and the code page's substitute "?" for a
// unit it lacks.
char byteOf(char16_t unit) {
    if (unit >= u'a' && unit <= u'z') {
        return static_cast<char>(unit - u'a' + u'A');
    }
    if (unit < 0x80) {
        return static_cast<char>(unit);
    }
    if (unit >= 0xFF01 && unit <= 0xFF5E) {
        return '0';
    }
    const std::size_t hanzi = kHanzi.find(unit);
    return hanzi != std::u16string_view::npos ? static_cast<char>(kInitials[hanzi]) : '?';
}

std::u16string reference(std::u16string_view input) {
    std::string bytes;
    for (const char16_t unit : input) {
        bytes += byteOf(unit);
    }
    std::u16string hex;
    for (const char digit : ReferenceMD5(bytes)) {
        hex += static_cast<char16_t>(digit >= 'a' ? digit - 'a' + 'A' : digit);
    }
    return hex;
}

std::u16string lower(std::u16string hex) {
    std::ranges::transform(hex, hex.begin(), [](char16_t c) { return c < u'A' ? c : c + 32; });
    return hex;
}

class Sequence {
  public:
    explicit Sequence(std::uint64_t seed) : random_(seed) { p_.load(); }

    // The first rule broken and the event that broke it, or nothing. The
    // seed replays the sequence.
    std::optional<std::string> run() {
        for (int event = 0; event < kEventsPerSequence && !p_.ended; ++event) {
            try {
                step();
            } catch (const std::exception& error) {
                return "event " + std::to_string(event) + " raised " + error.what();
            }
            if (const char* broken = check()) {
                return "event " + std::to_string(event) + ": " + broken;
            }
        }
        return std::nullopt;
    }

  private:
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::u16string randomText(int maxLength) {
        std::u16string text = below(20) == 0 ? std::u16string(kPlaceholder) : u"";
        for (const int length = below(maxLength) + 1; static_cast<int>(text.size()) < length;) {
            const auto [low, high] = kUnitRanges[below(std::size(kUnitRanges))];
            text += low == 0x4E00 ? kHanzi[below(static_cast<int>(kHanzi.size()))]
                                  : static_cast<char16_t>(low + below(high - low + 1));
        }
        return text;
    }

    void step() {
        copiesBefore_ = p_.copied.size();
        copyClicked_.reset();
        const int kind = below(100);
        if (kind < 14) {
            p_.type(randomText(4));
        } else if (kind < 34) {
            const int count = below(4) == 0 ? 30 : below(6);
            p_.edit(below(31), count, below(2) == 0 ? u"" : randomText(36));
        } else if (kind < 56) {
            click(below(3) == 0 ? static_cast<ControlId>(below(kControlCount))
                                : kLikelyClicks[below(std::size(kLikelyClicks))]);
        } else if (kind < 60) {
            p_.chooseMenu(static_cast<MenuId>(below(kMenuCount)));
        } else if (kind < 68) {
            p_.mouseMove(static_cast<ControlId>(below(kControlCount)));
        } else if (kind < 76) {
            const auto timer = static_cast<TimerId>(below(kTimerCount));
            passTime(timer == TimerId::Timer1, timer == TimerId::Timer2, [&] { p_.tick(timer); });
        } else if (kind < 93) {
            const int milliseconds = below(3) == 0 ? 1999 + below(3) : 1 + below(600);
            passTime(true, false, [&] { p_.advance(milliseconds); });
        } else if (kind < 99) {
            p_.state = static_cast<WindowState>(below(3));
        } else {
            p_.closeRequest(static_cast<std::int16_t>(below(6)));
        }
    }

    void click(ControlId control) {
        const std::u16string input = p_.input;
        const bool ready = p_.at(control).caption == u"复制";
        if (!p_.click(control)) {
            return;
        }
        if (control == ann1) {
            digest_ = input.empty() ? std::nullopt : std::optional(reference(input));
            shownInput_ = input;
            warnedAt_ = input.empty() ? std::optional(p_.now) : warnedAt_;
        } else if (control == ann2) {
            digest_.reset();
        }
        for (std::size_t i = 0; i < kCopyLabels.size(); ++i) {
            copyClicked_ = ready && control == kCopyLabels[i] ? i : copyClicked_;
        }
    }

    // Runs ticks. Timer1's resets the rows once the input is empty (a digest
    // of "Loading..." itself reads as reset already); the warning ends with a
    // tick of its timer, due 2000 ms after the latest click that raised it.
    template <typename Ticks>
    void passTime(bool housekeeping, bool warningTick, Ticks ticks) {
        const bool resets = housekeeping && p_.input.empty() && shownInput_ != kPlaceholder;
        ticks();
        digest_ = resets ? std::nullopt : digest_;
        if (warningTick || (warnedAt_ && *warnedAt_ + 2000 <= p_.now)) {
            warnedAt_.reset();
        }
    }

    const char* check() {
        if (p_.ended) {
            return nullptr;
        }
        const std::string remaining = std::to_string(30 - p_.input.size());
        if (p_.at(Label17).caption != std::u16string(remaining.begin(), remaining.end())) {
            return "the counter follows every change";
        }
        std::vector<std::u16string> expected(5, std::u16string(kPlaceholder));
        if (digest_) {
            const std::u16string lowerCase = lower(*digest_);
            expected = {shownInput_, lowerCase.substr(8, 16), digest_->substr(8, 16), lowerCase,
                        *digest_};
        }
        std::vector<std::u16string> rows;
        for (const ControlId row : {Label8, Label9, Label10, Label11, Label12}) {
            rows.push_back(p_.at(row).caption);
        }
        if (rows != expected) {
            return "the rows show the input and the digest of its converted text at the last "
                   "click, lower-cased and as characters 9 to 24, or else the placeholder";
        }
        if (p_.at(Label14).visible != warnedAt_.has_value() ||
            p_.at(TimerId::Timer2).enabled != warnedAt_.has_value()) {
            return "the warning shows, its timer running, until 2000 ms after the latest click "
                   "on an empty input";
        }
        for (const ControlId copy : kCopyLabels) {
            if (p_.at(copy).enabled != digest_.has_value()) {
                return "copy labels are enabled exactly while the rows show a digest";
            }
        }
        if (p_.copied.size() - copiesBefore_ != (copyClicked_ ? 1u : 0u)) {
            return "exactly a click on a ready copy label copies";
        }
        if (copyClicked_ && (p_.copied.back() != p_.at(kCopiedRows[*copyClicked_]).caption ||
                             p_.copied.back() == kPlaceholder)) {
            return "a copy label copies the rendition its row shows";
        }
        for (std::size_t i = 0; i < kCopyLabels.size(); ++i) {
            const bool confirming = p_.at(kCopyLabels[i]).caption == u"已复制";
            if (confirming != p_.at(kCopyTimers[i]).enabled ||
                p_.at(kCopyLabels[i]).foreColor != (confirming ? 0x00FFC0C0u : 0x00FF0000u)) {
                return "a copy label confirms, pale blue, exactly while its timer runs";
            }
        }
        return nullptr;
    }

    std::mt19937_64 random_;
    FakePlatform p_;
    std::optional<std::u16string> digest_;
    std::u16string shownInput_;
    std::optional<long long> warnedAt_;
    std::size_t copiesBefore_ = 0;
    std::optional<std::size_t> copyClicked_;
};

TEST(EventModel, RandomSequencesKeepTheWindowConsistent) {
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        const std::uint64_t seed = kSeed + static_cast<std::uint64_t>(sequence);
        if (const auto problem = Sequence(seed).run()) {
            FAIL() << "seed " << seed << ", " << *problem;
        }
    }
}

}  // namespace
}  // namespace md5z
