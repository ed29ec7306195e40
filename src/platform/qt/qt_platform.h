#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/qt/input_block.h"
#include "platform/qt/window_widgets.h"
#include "window/event_delivery.h"
#include "window/form.h"
#include "window/platform.h"

class QLineEdit;
class QMessageBox;

namespace md5z {

class InstanceLock;
class Translucency;

// The desktop of the window: Qt widgets made from the layout tables, Qt
// timers, message boxes, the clipboard and the browser. Events of the widgets
// reach Form1 through its dispatch entry points as EventDelivery hands them
// on, one at a time, until end().
class QtPlatform final : public Platform {
  public:
    QtPlatform();
    ~QtPlatform() override;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    // Events reach `form` from now on.
    void attach(Form1& form);
    // Runs the load handler as an event of the window.
    void load();

    // Something other than the user answers the modal boxes from now on: it
    // is called once a box is shown and waiting, and closes it (accept())
    // or leaves it up. Without one, each box waits for the user.
    using BoxAnswer = std::function<void(QMessageBox& box)>;
    void answerBoxesWith(BoxAnswer answer);

    QMainWindow& window() const { return *window_; }
    QWidget* control(ControlId id) const { return widgets_.control(id); }
    QAction* menuItem(MenuId id) const { return widgets_.menu[indexOf(id)]; }
    bool ended() const { return delivery_.ended(); }
    // Whether Timer1's ticks are being delivered right now.
    bool housekeepingAwake() const { return delivery_.housekeepingAwake(); }

    std::u16string caption(ControlId label) const override;
    void setCaption(ControlId label, std::u16string_view text) override;
    void setForeColor(ControlId label, Color color) override;
    void setEnabled(ControlId control, bool enabled) override;
    void setVisible(ControlId control, bool visible) override;
    Picture mouseIcon(ControlId label) const override;
    void setMouseIcon(ControlId label, Picture picture) override;

    void setFillColor(ControlId shape, Color color) override;

    std::u16string text() const override;
    void setText(std::u16string_view text) override;
    void setPasswordChar(std::u16string_view mask) override;

    void setTimerEnabled(TimerId timer, bool enabled) override;

    WindowHandle windowHandle() const override;
    std::u16string windowTitle() const override;
    Picture windowIcon() const override;
    WindowState windowState() const override;
    void setWindowState(WindowState state) override;
    void setOuterHeight(int twips) override;
    void setOuterWidth(int twips) override;
    void setWindowEnabled(bool enabled) override;
    void makeLayered() override;
    void setOpacity(std::uint8_t alpha) override;
    void showWindow() override;

    void messageBox(std::u16string_view text, int style, std::u16string_view title) override;
    void showAbout(WindowHandle owner, std::u16string_view title, std::u16string_view text,
                   Picture icon) override;

    void openUrl(WindowHandle owner, std::u16string_view address) override;

    void clearClipboard() override;
    void setClipboardText(std::u16string_view text) override;

    bool previousInstance() override;
    void end() override;

  private:
    template <typename Handler>
    void react(Handler handler) {
        delivery_.react(handler);
    }
    void noteChange() { delivery_.noteChange(); }
    void runHousekeepingTimer(bool run);

    void click(ControlId id);
    void wireLabel(ControlId id);
    void wireTextBox();
    void wireSurface(ControlId id);
    void wireWindow();
    void wireMenu();
    void makeTimers();
    void followConfiguredStates();
    QWidget* boxOwner();
    void notePlace();
    void returnToPlace();
    bool acceptsInput() const;

    QLineEdit* textBox() const;
    QLabel* label(ControlId id) const { return widgets_.label(id); }

    std::unique_ptr<QMainWindow> window_;
    WindowWidgets widgets_;
    InputBlock inputBlock_{*window_};
    std::array<QTimer*, kTimerCount> timers_{};
    std::array<bool, kTimerCount> timerEnabled_{};
    std::array<Picture, kControlCount> mouseIcons_{};
    std::array<Color, kControlCount> foreColors_{};
    std::optional<ControlId> pressed_;
    std::unique_ptr<InstanceLock> instanceLock_;
    std::unique_ptr<Translucency> translucency_;
    BoxAnswer boxAnswer_;
    EventDelivery delivery_;
    // The window states the window system last reported for the window.
    Qt::WindowStates configuredStates_ = Qt::WindowNoState;
    bool configuredStatesFollowed_ = false;
    // Where the window was last seen normal at its design size.
    std::optional<QPoint> normalPlace_;
    // The last alpha asked for.
    std::optional<std::uint8_t> alpha_;
};

}  // namespace md5z
