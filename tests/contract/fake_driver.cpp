// The rows on the desktop in memory, in simulated time: every duration to the
// millisecond.
#include "contract.h"
#include "platform/fake/fake_platform.h"

namespace md5z::contract {
namespace {

class FakeDriver final : public Driver {
  public:
    FakeDriver() {
        p_.clipboard = u"earlier";
        p_.load();
    }

    bool simulated() const override { return true; }
    long long now() override { return p_.now; }
    Pace pace() const override { return {1, 1}; }

    void type(std::u16string_view text) override { p_.type(text); }
    void paste(std::u16string_view text) override {
        p_.clipboard = std::u16string(text);
        p_.edit(p_.input.size(), 0, text);
    }
    // Only a press and release on one control is a click.
    void drag(ControlId from, ControlId to) override {
        if (from == to) {
            p_.click(from);
        }
    }
    // The input box has the focus: Enter there digests.
    void press(Key key) override {
        if (key == Key::Enter) {
            drag(ControlId::ann1, ControlId::ann1);
        } else if (key == Key::Backspace && !p_.input.empty()) {
            p_.edit(p_.input.size() - 1, 1, u"");
        }
    }
    void hover(ControlId id) override { p_.mouseMove(id); }
    void choose(MenuId item) override { p_.chooseMenu(item); }
    void wait(int ms) override { p_.advance(ms); }
    void maximize() override { p_.state = WindowState::Maximized; }
    void close() override { p_.closeRequest(0); }
    void holdClipboard(std::u16string_view text) override {
        p_.clipboard = std::u16string(text);
        p_.clipboardHeld = true;
    }
    void changeUnnoticed(std::u16string_view text) override { p_.input = text; }
    void startAnother() override {
        another_.otherInstance = true;
        another_.load();
    }

    std::u16string caption(ControlId id) override { return p_.at(id).caption; }
    std::u16string input() override {
        return p_.mask.empty() ? p_.input : std::u16string(p_.input.size(), p_.mask.front());
    }
    std::u16string clipboard() override { return p_.clipboard.value_or(u""); }
    // A disabled label draws its caption greyed.
    bool drawn(ControlId id, Color color) override {
        const FakePlatform::Control& c = p_.at(id);
        if (layoutOf(id).kind == ControlKind::Shape) {
            return c.fillColor == color;
        }
        return c.visible && (c.enabled ? c.foreColor : kGreyedText) == color;
    }
    int opacity() override { return p_.alpha; }
    bool ended() override { return p_.ended; }
    ShownBox lastBox() override {
        return p_.boxes.empty() ? ShownBox{}
                                : ShownBox{p_.boxes.back().title, p_.boxes.back().text};
    }
    std::u16string opened() override { return p_.opened.empty() ? u"" : p_.opened.back(); }
    bool atDesignSize() override {
        return p_.state == WindowState::Normal && p_.outerWidth == kFormLayout.outerWidth &&
               p_.outerHeight == kFormLayout.outerHeight;
    }
    bool anotherEndedUnseen() override {
        return another_.ended && !another_.shown && another_.boxes.empty() && !p_.ended;
    }

  private:
    FakePlatform p_;
    FakePlatform another_;
};

}  // namespace

const unsigned kDriverCapabilities = kBrowser | kHeldClipboard;

std::unique_ptr<Driver> makeDriver() {
    return std::make_unique<FakeDriver>();
}

}  // namespace md5z::contract
