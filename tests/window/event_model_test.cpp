// Random event sequences against a model of what the window must show.
//
// Each sequence starts a window and feeds it seeded random events: typing,
// pasting and deleting any characters, clicks on every control (enabled or
// not), menu commands, mouse moves, timer ticks, passing time, window state
// changes and close requests, until the process ends. After every event the
// window must agree with the model and with these rules:
// - the copy labels are enabled exactly while the rows show a digest;
// - the rows show one digest, of the converted text at the last click,
//   checked against OpenSSL over the text's code-page bytes;
// - the clipboard only ever receives a rendition shown at that moment;
// - no handler raises an error.

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/fake_platform.h"

namespace md5z::testing {
namespace {

using enum ControlId;

constexpr int kSequences = 3000;
constexpr int kEventsPerSequence = 60;
constexpr std::uint64_t kSeed = 0x4D44355AULL;

constexpr std::u16string_view kPlaceholder = u"Loading...";
constexpr std::u16string_view kReady = u"复制";
constexpr std::u16string_view kConfirming = u"已复制";
constexpr long long kConfirmation = 2000;
constexpr int kFadeStart = 235;
constexpr int kFadeStep = 5;
constexpr int kLastFadeLevel = 10;  // no tick follows the one that reaches it

constexpr Colour kHighlight = 0x8000000D;
constexpr Colour kBlue = 0x00FF0000;
constexpr Colour kPaleBlue = 0x00FFC0C0;
constexpr Colour kGreen = 0x0000C000;
constexpr Colour kDarkGreen = 0x00008000;

constexpr std::array kCopyLabels{fz1, fz2, fz3, fz4};
constexpr std::array kCopiedRows{Label9, Label10, Label11, Label12};
constexpr std::array kCopyTimers{TimerId::Timer3, TimerId::Timer4, TimerId::Timer5,
                                 TimerId::Timer6};

const std::set<ControlId> kHoverSurfaces{Form1,   Text1,   Image2,  ann1,    ann2,   fz1,
                                         fz2,     fz3,     fz4,     Label1,  Label2, Label3,
                                         Label4,  Label5,  Label6,  Label7,  Label8, Label9,
                                         Label10, Label11, Label12, Label14, Label17};

std::u16string reference(std::u16string_view converted) {
    std::string bytes;
    for (const char16_t unit : converted) {
        bytes += static_cast<char>(CodePageValue(unit));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 0x0F];
    }
    return hex;
}

std::u16string lower(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + 32);
        }
    }
    return text;
}

std::u16string decimal(long long value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

// What the window must show, followed event by event.
struct Model {
    bool showing = false;
    std::u16string shownInput;
    std::u16string hex32Upper;
    std::optional<long long> warningUntil;
    std::array<std::optional<long long>, 4> confirmingUntil{};
    std::optional<int> fadeLevel;
    Colour shape3 = kHighlight;
    Colour shape4 = kGreen;
};

class Sequence {
  public:
    explicit Sequence(std::uint64_t seed) : random_(seed) {}

    // Runs until the process ends or the events run out; returns the first
    // disagreement, or nothing.
    std::optional<std::string> run() {
        window_.platform.setRecording(false);
        window_.platform.load();
        for (int event = 0; event < kEventsPerSequence && !window_.platform.ended(); ++event) {
            clipboardSeen_ = window_.platform.clipboardHistory().size();
            description_.clear();
            try {
                step();
            } catch (const std::exception& error) {
                return "event " + std::to_string(event) + " (" + description_ +
                       ") raised: " + error.what();
            }
            if (auto problem = check()) {
                return "event " + std::to_string(event) + " (" + description_ + "): " + *problem;
            }
        }
        return std::nullopt;
    }

  private:
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    int between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random_);
    }

    char16_t randomUnit() {
        static constexpr char16_t kControls[] = {0x00, 0x01, 0x09, 0x0A, 0x0D, 0x1B, 0x7F, 0x85};
        static constexpr char16_t kOdd[] = {0x00A2, 0x00AD, 0x00DF, 0x00E9, 0x20AC, 0x200D,
                                            0xFEFF, 0xE000, 0xE4C5, 0xF8F5, 0xF8FF, 0xFFFF,
                                            0x3001, 0x3002, 0x300A, 0x300B, 0xFF0C, 0x554A,
                                            0x9F44, 0x4E02, 0x3400, 0xD800, 0xDBFF, 0xDC00};
        switch (below(8)) {
            case 0:
            case 1:
                return static_cast<char16_t>(between(0x20, 0x7E));
            case 2:
            case 3:
                return static_cast<char16_t>(between(0x4E00, 0x9FA5));
            case 4:
                return kControls[below(std::size(kControls))];
            case 5:
                return static_cast<char16_t>(between(0xFF01, 0xFF5E));
            case 6:
                return static_cast<char16_t>(between(0x80, 0x4FF));
            default:
                return kOdd[below(std::size(kOdd))];
        }
    }

    std::u16string randomText(int maxLength) {
        if (below(20) == 0) {
            return std::u16string(kPlaceholder);
        }
        std::u16string text;
        const int length = between(1, maxLength);
        while (static_cast<int>(text.size()) < length) {
            if (below(10) == 0) {
                text += u"\U0001F600";  // a surrogate pair, which the box may split
            } else {
                text += randomUnit();
            }
        }
        return text;
    }

    void step() {
        FakePlatform& p = window_.platform;
        const int kind = below(100);
        if (kind < 14) {
            const std::u16string text = randomText(4);
            describe("type " + utf8(text));
            p.type(text);
        } else if (kind < 22) {
            const std::u16string text = randomText(36);
            describe("paste " + utf8(text));
            p.paste(text);
        } else if (kind < 30) {
            const auto position = static_cast<std::size_t>(below(31));
            const auto count = static_cast<std::size_t>(between(1, 5));
            describe("erase " + std::to_string(position) + "+" + std::to_string(count));
            p.erase(position, count);
        } else if (kind < 33) {
            describe("clear input");
            p.clearInput();
        } else if (kind < 37) {
            const std::u16string text = randomText(3);
            const auto position = static_cast<std::size_t>(below(31));
            describe("replace at " + std::to_string(position) + " by " + utf8(text));
            p.replaceInput(position, 1, text);
        } else if (kind < 57) {
            click(commonClick());
        } else if (kind < 60) {
            const auto item = static_cast<MenuId>(below(kMenuCount));
            describe("menu " + std::string(nameOf(item)));
            p.chooseMenu(item);
        } else if (kind < 68) {
            mouseMove(static_cast<ControlId>(below(kControlCount)));
        } else if (kind < 76) {
            tick(static_cast<TimerId>(below(kTimerCount)));
        } else if (kind < 92) {
            advance();
        } else if (kind < 95) {
            const auto state = static_cast<WindowState>(below(3));
            describe("window state " + std::to_string(static_cast<int>(state)));
            p.userSetWindowState(state);
            sizeHeld_ = false;
        } else if (kind < 99) {
            describe("resize");
            p.userResize(between(3000, 20000), between(2000, 15000));
            sizeHeld_ = false;
        } else {
            closeRequest();
        }
    }

    ControlId commonClick() {
        static constexpr ControlId kLikely[] = {ann1, ann1, ann1, ann2, fz1, fz2, fz3, fz4};
        if (below(3) == 0) {
            return static_cast<ControlId>(below(kControlCount));
        }
        return kLikely[below(std::size(kLikely))];
    }

    void describe(std::string text) { description_ = std::move(text); }

    void click(ControlId control) {
        FakePlatform& p = window_.platform;
        describe("click " + std::string(nameOf(control)));
        const std::u16string text = p.inputText();
        const std::u16string converted = p.captionOf(Label15);
        std::optional<std::size_t> copy;
        for (std::size_t i = 0; i < kCopyLabels.size(); ++i) {
            if (kCopyLabels[i] == control && p.captionOf(control) == kReady) {
                copy = i;
            }
        }
        if (!p.click(control)) {
            return;
        }
        if (control == ann1 && text.empty()) {
            model_.showing = false;
            model_.warningUntil = p.now() + kConfirmation;
        } else if (control == ann1) {
            model_.showing = true;
            model_.shownInput = text;
            model_.hex32Upper = reference(converted);
        } else if (control == ann2) {
            model_.showing = false;
        } else if (copy) {
            model_.confirmingUntil[*copy] = p.now() + kConfirmation;
            expectedCopy_ = *copy;
        }
    }

    void mouseMove(ControlId surface) {
        describe("mouse over " + std::string(nameOf(surface)));
        if (window_.platform.mouseMove(surface) && kHoverSurfaces.contains(surface)) {
            model_.shape3 = surface == ann1 ? kBlue : kHighlight;
            model_.shape4 = surface == ann2 ? kDarkGreen : kGreen;
        }
    }

    void tick(TimerId timer) {
        describe("tick " + std::string(nameOf(timer)));
        const bool emptyInput = window_.platform.inputText().empty();
        if (!window_.platform.tick(timer)) {
            return;
        }
        switch (timer) {
            case TimerId::Timer1:
                housekeeping(emptyInput);
                break;
            case TimerId::Timer2:
                model_.warningUntil.reset();
                break;
            case TimerId::Timer7:
                fadeSteps(1);
                break;
            default:
                model_.confirmingUntil[static_cast<std::size_t>(timer) - 2].reset();
                break;
        }
    }

    void advance() {
        int milliseconds = 0;
        switch (below(10)) {
            case 0:
                milliseconds = 1999 + below(3);
                break;
            case 1:
            case 2:
            case 3:
                milliseconds = between(100, 800);
                break;
            default:
                milliseconds = between(1, 20);
                break;
        }
        describe("wait " + std::to_string(milliseconds) + " ms");
        FakePlatform& p = window_.platform;
        const bool emptyInput = p.inputText().empty();
        p.advance(milliseconds);
        housekeeping(emptyInput);
        if (model_.warningUntil && *model_.warningUntil <= p.now()) {
            model_.warningUntil.reset();
        }
        for (auto& until : model_.confirmingUntil) {
            if (until && *until <= p.now()) {
                until.reset();
            }
        }
        fadeSteps(milliseconds);
    }

    void closeRequest() {
        const auto reason = static_cast<std::int16_t>(below(6));
        describe("close request " + std::to_string(reason));
        if (window_.platform.closeRequest(reason)) {
            model_.fadeLevel = kFadeStart;
        }
    }

    // A row showing "Loading..." as its input marks the rows as reset, even
    // when that was the text digested.
    void housekeeping(bool emptyInput) {
        sizeHeld_ = true;
        if (emptyInput && model_.shownInput != kPlaceholder) {
            model_.showing = false;
        }
    }

    void fadeSteps(int steps) {
        if (model_.fadeLevel) {
            *model_.fadeLevel = std::max(*model_.fadeLevel - kFadeStep * steps, kLastFadeLevel);
        }
    }

    template <typename Expect>
    void checkConversion(const std::u16string& text, const std::u16string& converted,
                         const Expect& expect) {
        const FakePlatform& p = window_.platform;
        expect(converted.size() == text.size(), "one converted unit per unit");
        expect(p.captionOf(Label16) == decimal(static_cast<long long>(converted.size())),
               "the length store");
        expect(p.captionOf(Label17) == decimal(30 - static_cast<long long>(text.size())),
               "the counter");
        for (std::size_t i = 0; i < converted.size() && i < text.size(); ++i) {
            const std::int16_t code = CodePageValue(converted[i]);
            expect(code >= 0 && code <= 255, "converted units are single bytes");
            const char16_t typed = text[i];
            if (typed < 0x80) {
                const char16_t upper =
                    (typed >= u'a' && typed <= u'z') ? static_cast<char16_t>(typed - 32) : typed;
                expect(converted[i] == upper, "ASCII converts to itself, letters upper case");
            }
        }
    }

    std::optional<std::string> check() {
        FakePlatform& p = window_.platform;
        std::ostringstream problems;
        const auto expect = [&problems](bool holds, const std::string& what) {
            if (!holds) {
                problems << what << "; ";
            }
        };

        expect(p.callsAfterEnd() == 0, "calls after the end");
        const bool fadeDone = model_.fadeLevel && *model_.fadeLevel <= kLastFadeLevel;
        expect(p.ended() == fadeDone, "the process ends exactly when the fade reaches 10");
        if (p.ended()) {
            return problems.str().empty() ? std::nullopt : std::optional(problems.str());
        }

        const std::u16string text = p.inputText();
        const std::u16string converted = p.captionOf(Label15);
        expect(text.size() <= 30, "the box holds at most 30 units");
        inputChanged_ = inputChanged_ || text != lastText_;
        lastText_ = text;
        if (!inputChanged_) {
            expect(converted == u"@1" && p.captionOf(Label16) == u"$1" &&
                       p.captionOf(Label17) == u"30",
                   "the stores keep their layout captions until the first change");
        } else {
            checkConversion(text, converted, expect);
        }

        const bool rowsShow = p.captionOf(Label12) != kPlaceholder;
        for (const ControlId copy : kCopyLabels) {
            expect(p.enabledOf(copy) == rowsShow, "copy labels enabled exactly with a digest");
        }
        for (const ControlId row : {Label9, Label10, Label11}) {
            expect((p.captionOf(row) != kPlaceholder) == rowsShow, "the rows show one state");
        }
        expect(rowsShow == model_.showing, "rows shown as the model says");
        if (rowsShow) {
            const std::u16string upper = p.captionOf(Label12);
            expect(upper == model_.hex32Upper, "the digest of the text at the last click");
            expect(p.captionOf(Label11) == lower(upper), "32 lower is 32 upper lower-cased");
            expect(p.captionOf(Label9) == lower(upper).substr(8, 16), "16 lower, digits 9..24");
            expect(p.captionOf(Label10) == upper.substr(8, 16), "16 upper, digits 9..24");
            expect(p.captionOf(Label8) == model_.shownInput, "the input at the last click");
        } else {
            expect(p.captionOf(Label8) == kPlaceholder, "no input shown without a digest");
        }

        expect(p.visibleOf(Label14) == model_.warningUntil.has_value(), "the warning");
        expect(p.timerEnabledOf(TimerId::Timer2) == model_.warningUntil.has_value(),
               "the warning's timer");

        for (std::size_t i = 0; i < kCopyLabels.size(); ++i) {
            const bool confirming = model_.confirmingUntil[i].has_value();
            const std::string label(nameOf(kCopyLabels[i]));
            expect(p.captionOf(kCopyLabels[i]) == (confirming ? kConfirming : kReady),
                   label + " caption");
            expect(p.foreColorOf(kCopyLabels[i]) == (confirming ? kPaleBlue : kBlue),
                   label + " colour");
            expect(p.timerEnabledOf(kCopyTimers[i]) == confirming, label + " timer");
        }

        const auto& history = p.clipboardHistory();
        const std::size_t copies = history.size() - clipboardSeen_;
        if (expectedCopy_) {
            const std::u16string shown = p.captionOf(kCopiedRows[*expectedCopy_]);
            expect(copies == 1 && history.back() == shown && shown != kPlaceholder,
                   "a click on a ready copy label copies its row as shown");
        } else {
            expect(copies == 0, "nothing else reaches the clipboard");
        }
        expectedCopy_.reset();

        expect(p.fillColorOf(Shape3) == model_.shape3 && p.fillColorOf(Shape4) == model_.shape4,
               "the command faces");

        if (model_.fadeLevel) {
            expect(p.captionOf(Label13) == decimal(*model_.fadeLevel), "the fade level");
            expect(p.opacity() == *model_.fadeLevel || *model_.fadeLevel == kFadeStart,
                   "the applied alpha");
            expect(!p.windowEnabled(), "a closing window takes no input");
        } else {
            expect(p.opacity() == kFadeStart, "the working alpha");
        }
        if (sizeHeld_) {
            expect(p.windowStateNow() != WindowState::Maximized, "never left maximized");
            expect(p.windowStateNow() != WindowState::Normal ||
                       (p.outerWidth() == 9675 && p.outerHeight() == 5760),
                   "the design size");
        }

        const std::string found = problems.str();
        return found.empty() ? std::nullopt : std::optional(found);
    }

    std::mt19937_64 random_;
    FakeWindow window_;
    Model model_;
    std::string description_;
    std::size_t clipboardSeen_ = 0;
    std::optional<std::size_t> expectedCopy_;
    // Whether a housekeeping tick has run since the user last changed the
    // window's state or size.
    bool sizeHeld_ = true;
    // The converted-text stores hold their layout captions until then.
    bool inputChanged_ = false;
    std::u16string lastText_;
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
}  // namespace md5z::testing
