#pragma once

#include <array>
#include <string>
#include <string_view>

#include "window/platform.h"

namespace md5z::bench {

// A desktop that does nothing: it keeps the input and the captions, which the
// handlers read back, and drops every other call, so that a timing of a
// handler is the handler's own work.
class SilentPlatform final : public Platform {
  public:
    explicit SilentPlatform(std::u16string_view input) : input_(input) {}

    std::u16string caption(ControlId label) const override { return captions_[indexOf(label)]; }
    void setCaption(ControlId label, std::u16string_view text) override {
        captions_[indexOf(label)] = text;
    }
    void setForeColor(ControlId, Color) override {}
    void setEnabled(ControlId, bool) override {}
    void setVisible(ControlId, bool) override {}
    Picture mouseIcon(ControlId) const override { return Picture::None; }
    void setMouseIcon(ControlId, Picture) override {}
    void setFillColor(ControlId, Color) override {}
    std::u16string text() const override { return input_; }
    void setText(std::u16string_view text) override { input_ = text; }
    void setPasswordChar(std::u16string_view) override {}
    void setTimerEnabled(TimerId, bool) override {}
    WindowHandle windowHandle() const override { return 0; }
    std::u16string windowTitle() const override { return {}; }
    Picture windowIcon() const override { return Picture::None; }
    WindowState windowState() const override { return WindowState::Normal; }
    void setWindowState(WindowState) override {}
    void setOuterHeight(int) override {}
    void setOuterWidth(int) override {}
    void setWindowEnabled(bool) override {}
    void makeLayered() override {}
    void setOpacity(std::uint8_t) override {}
    void showWindow() override {}
    void messageBox(std::u16string_view, int, std::u16string_view) override {}
    void showAbout(WindowHandle, std::u16string_view, std::u16string_view, Picture) override {}
    void openUrl(WindowHandle, std::u16string_view) override {}
    void clearClipboard() override {}
    void setClipboardText(std::u16string_view) override {}
    bool previousInstance() override { return false; }
    void end() override {}

  private:
    std::u16string input_;
    std::array<std::u16string, kControlCount> captions_{};
};

}  // namespace md5z::bench
