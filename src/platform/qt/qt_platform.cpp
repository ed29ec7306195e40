#include "platform/qt/qt_platform.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <utility>

#include "instance/instance_lock.h"
#include "platform/qt/accessible_window.h"
#include "platform/qt/design_size.h"
#include "platform/qt/event_tap.h"
#include "platform/qt/modal_dialogs.h"
#include "platform/qt/pictures.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/text_box_limit.h"
#include "platform/qt/translucency.h"
#include "platform/qt/wayland.h"
#include "window/accessible_tree.h"

namespace md5z {
namespace {

// The reasons a close request reports: the user's close button or the
// program itself.
constexpr std::int16_t kCloseByUser = 0;
constexpr std::int16_t kCloseByCode = 1;

constexpr int kBoxIconMask = 0x70;
constexpr int kCriticalIcon = 16;
constexpr int kQuestionIcon = 32;
constexpr int kWarningIcon = 48;

// How long a box waits for its window to reach the screen.
constexpr int kOnScreenDeadlineMs = 2000;

constexpr Qt::WindowStates kSizedStates =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// The logic separates lines by CR LF; Qt's boxes break lines at LF alone.
QString boxText(std::u16string_view text) {
    return qText(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QMessageBox::Icon boxIcon(int style) {
    switch (style & kBoxIconMask) {
        case kCriticalIcon:
            return QMessageBox::Critical;
        case kQuestionIcon:
            return QMessageBox::Question;
        case kWarningIcon:
            return QMessageBox::Warning;
        case kInformationBox:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// A box is the user's to answer, unless an answer has been given for it.
void runBox(QMessageBox& box, const QtPlatform::BoxAnswer& answer) {
    if (answer) {
        QTimer::singleShot(0, &box, [&box, &answer] { answer(box); });
    }
    markModalOnShow(box);
    box.exec();
}

void reportUncaught(const char* what) {
    qWarning("md5zevrin: %s", what);
}

}  // namespace

QtPlatform::QtPlatform()
    : window_(std::make_unique<QMainWindow>()),
      delivery_([this](bool run) { runHousekeepingTimer(run); }, reportUncaught) {
    widgets_ = buildWindow(*window_);
    for (const auto& layout : controlLayouts()) {
        mouseIcons_[indexOf(layout.id)] = layout.mouseIcon;
        foreColors_[indexOf(layout.id)] = layout.foreColor;
        if (layout.kind == ControlKind::Label) {
            wireLabel(layout.id);
        }
    }
    wireTextBox();
    wireSurface(ControlId::Image2);
    wireSurface(ControlId::Form1);
    wireWindow();
    wireMenu();
    makeTimers();
}

QtPlatform::~QtPlatform() {
    // Widgets being torn down raise no more handlers.
    delivery_.end();
}

void QtPlatform::attach(Form1& form) {
    delivery_.attach(form);
}

void QtPlatform::answerBoxesWith(BoxAnswer answer) {
    boxAnswer_ = std::move(answer);
}

void QtPlatform::load() {
    react([](Form1& form) { form.Form_Load(); });
}

void QtPlatform::runHousekeepingTimer(bool run) {
    QTimer* timer = timers_[indexOf(TimerId::Timer1)];
    if (run) {
        timer->start();
    } else {
        timer->stop();
    }
}

bool QtPlatform::acceptsInput() const {
    return !delivery_.ended() && !inputBlock_.blocked();
}

QLineEdit* QtPlatform::textBox() const {
    return static_cast<QLineEdit*>(widgets_.control(ControlId::Text1));
}

// A label raises a click when the left button goes down and comes up on it
// while it is enabled, and a mouse move for every move over it.
void QtPlatform::wireLabel(ControlId id) {
    label(id)->setMouseTracking(true);
    tap(label(id), [this, id](QObject* watched, QEvent* event) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    pressed_ = id;
                }
                return true;
            case QEvent::MouseButtonRelease: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() != Qt::LeftButton) {
                    return true;
                }
                const auto* widget = static_cast<QWidget*>(watched);
                const bool clicked =
                    pressed_ == id && widget->rect().contains(mouse->position().toPoint());
                pressed_.reset();
                if (clicked && widget->isEnabled() && acceptsInput()) {
                    click(id);
                }
                return true;
            }
            case QEvent::MouseMove:
                if (acceptsInput()) {
                    react([id](Form1& form) { form.onMouseMove(id); });
                }
                return true;
            default:
                return false;
        }
    });
}

// A click reaches the form, and a screen reader hears what it changed.
void QtPlatform::click(ControlId id) {
    react([id](Form1& form) { form.onClick(id); });
    announceClick(*widgets_.client, clickOutcome(*this, id));
}

void QtPlatform::wireTextBox() {
    QLineEdit* box = textBox();
    box->setMouseTracking(true);
    keepCharactersWhole(*box);
    QObject::connect(box, &QLineEdit::textChanged, box,
                     [this] { react([](Form1& form) { form.Text1_Change(); }); });
    // Enter in the input box digests, like a click on 加密.
    QObject::connect(box, &QLineEdit::returnPressed, box, [this] { click(ControlId::ann1); });
    tap(box, [this](QObject*, QEvent* event) {
        if (event->type() == QEvent::MouseMove && acceptsInput()) {
            react([](Form1& form) { form.onMouseMove(ControlId::Text1); });
        }
        return false;
    });
}

// The background picture and the client area itself: their moves are
// theirs, and go no further.
void QtPlatform::wireSurface(ControlId id) {
    QWidget* surface = widgets_.control(id);
    surface->setMouseTracking(true);
    tap(surface, [this, id](QObject*, QEvent* event) {
        if (event->type() != QEvent::MouseMove) {
            return false;
        }
        if (acceptsInput()) {
            react([id](Form1& form) { form.onMouseMove(id); });
        }
        return true;
    });
}

void QtPlatform::wireWindow() {
    tap(window_.get(), [this](QObject*, QEvent* event) {
        switch (event->type()) {
            case QEvent::Close: {
                if (!delivery_.delivering()) {
                    return false;
                }
                auto* close = static_cast<QCloseEvent*>(event);
                const std::int16_t reason = close->spontaneous() ? kCloseByUser : kCloseByCode;
                // A close the handler could not judge is refused: the window
                // leaves only through its fade-out.
                bool refused = true;
                react([&refused, reason](Form1& form) { refused = form.onCloseRequest(reason); });
                close->setAccepted(!refused);
                return true;
            }
            case QEvent::Move:
                notePlace();
                return false;
            case QEvent::WindowStateChange:
            case QEvent::Resize:
            case QEvent::Show:
                delivery_.wakeHousekeeping();
                return false;
            default:
                return false;
        }
    });
}

void QtPlatform::wireMenu() {
    for (const auto& entry : menuLayouts()) {
        if (entry.isMenu || entry.id == MenuId::gy2) {
            continue;
        }
        const MenuId id = entry.id;
        // Queued: the command runs from the event loop, so whoever triggered
        // the item (an assistive tool waiting for its reply) is answered
        // before a box the command opens.
        QObject::connect(
            menuItem(id), &QAction::triggered, window_.get(),
            [this, id] { react([id](Form1& form) { form.onMenu(id); }); }, Qt::QueuedConnection);
    }
}

namespace {

// The logic counts ticks, never milliseconds, and a tick faster than the
// screen shows nothing new: the fade's 45 steps would pass in a few frames.
// So no timer ticks more often than once a frame, near the 15.6 ms pace of
// the system timer the intervals were chosen against.
constexpr int kFrameMs = 16;

int pacedInterval(int intervalMs) {
    return std::max(intervalMs, kFrameMs);
}

}  // namespace

void QtPlatform::makeTimers() {
    for (const auto& layout : timerLayouts()) {
        auto* timer = new QTimer(window_.get());
        timer->setObjectName(QString::fromLatin1(nameOf(layout.id)));
        timer->setInterval(pacedInterval(layout.intervalMs));
        timer->setTimerType(Qt::PreciseTimer);
        const TimerId id = layout.id;
        if (id == TimerId::Timer1) {
            QObject::connect(timer, &QTimer::timeout, window_.get(),
                             [this] { delivery_.housekeepingTick(); });
        } else {
            QObject::connect(timer, &QTimer::timeout, window_.get(),
                             [this, id] { react([id](Form1& form) { form.onTimer(id); }); });
        }
        timers_[indexOf(id)] = timer;
        timerEnabled_[indexOf(id)] = layout.enabled;
        if (id == TimerId::Timer1) {
            delivery_.enableHousekeeping(layout.enabled);
        } else if (layout.enabled) {
            timer->start();
        }
    }
}

std::u16string QtPlatform::caption(ControlId id) const {
    const QLabel* shown = label(id);
    return shown != nullptr ? shown->text().toStdU16String() : std::u16string{};
}

void QtPlatform::setCaption(ControlId id, std::u16string_view text) {
    QLabel* target = label(id);
    const QString caption = qText(text);
    if (target == nullptr || target->text() == caption) {
        return;
    }
    target->setText(caption);
    if (const auto& layout = layoutOf(id); layout.autoSize) {
        fitToCaption(*target, layout);
    }
    noteChange();
}

void QtPlatform::setForeColor(ControlId id, Color color) {
    QLabel* target = label(id);
    if (target == nullptr || foreColors_[indexOf(id)] == color) {
        return;
    }
    foreColors_[indexOf(id)] = color;
    setCaptionColor(*target, color);
    noteChange();
}

void QtPlatform::setEnabled(ControlId id, bool enabled) {
    QWidget* target = widgets_.control(id);
    // The control's own flag: a disabled window greys its controls too.
    if (target == nullptr || !target->testAttribute(Qt::WA_ForceDisabled) == enabled) {
        return;
    }
    target->setEnabled(enabled);
    noteChange();
}

void QtPlatform::setVisible(ControlId id, bool visible) {
    QWidget* target = widgets_.control(id);
    if (target == nullptr || !target->isHidden() == visible) {
        return;
    }
    target->setVisible(visible);
    noteChange();
}

Picture QtPlatform::mouseIcon(ControlId id) const {
    return mouseIcons_[indexOf(id)];
}

void QtPlatform::setMouseIcon(ControlId id, Picture picture) {
    QWidget* target = widgets_.control(id);
    if (target == nullptr || mouseIcons_[indexOf(id)] == picture) {
        return;
    }
    mouseIcons_[indexOf(id)] = picture;
    if (picture == Picture::None) {
        target->unsetCursor();
    } else {
        target->setCursor(pointerOf(picture));
    }
    noteChange();
}

void QtPlatform::setFillColor(ControlId id, Color color) {
    Figure* shape = widgets_.figure(id);
    if (shape == nullptr || shape->fill() == color) {
        return;
    }
    shape->setFill(color);
    noteChange();
}

std::u16string QtPlatform::text() const {
    return textBox()->text().toStdU16String();
}

void QtPlatform::setText(std::u16string_view text) {
    const QString value = qText(text);
    if (textBox()->text() == value) {
        return;
    }
    // Raises Text1_Change through textChanged before returning.
    textBox()->setText(value);
    noteChange();
}

void QtPlatform::setPasswordChar(std::u16string_view mask) {
    const auto mode = mask.empty() ? QLineEdit::Normal : QLineEdit::Password;
    if (textBox()->echoMode() == mode) {
        return;
    }
    textBox()->setEchoMode(mode);
    noteChange();
}

// Only a disabled timer that is enabled starts its interval afresh; one that
// runs keeps its schedule, as the fade's Timer7 does when a second close
// request enables it again.
void QtPlatform::setTimerEnabled(TimerId id, bool enabled) {
    const auto i = indexOf(id);
    if (delivery_.ended() || enabled == timerEnabled_[i]) {
        return;
    }
    timerEnabled_[i] = enabled;
    if (id == TimerId::Timer1) {
        delivery_.enableHousekeeping(enabled);
    } else if (enabled) {
        timers_[i]->start();
    } else {
        timers_[i]->stop();
    }
    noteChange();
}

// The window's own address serves as its handle: the logic only hands it
// back to the boxes and the shell.
WindowHandle QtPlatform::windowHandle() const {
    return reinterpret_cast<WindowHandle>(window_.get());
}

std::u16string QtPlatform::windowTitle() const {
    return window_->windowTitle().toStdU16String();
}

Picture QtPlatform::windowIcon() const {
    return kFormLayout.icon;
}

// On Wayland a state asked for is only a request: until the compositor has
// configured the window out of a maximized or fullscreen state it insists on
// the size it gave, and a window drawn at another size is a protocol error.
// So there the state is the one the compositor last reported.
WindowState QtPlatform::windowState() const {
    Qt::WindowStates state = window_->windowState();
    if (onWayland()) {
        state = (state & Qt::WindowMinimized) | (configuredStates_ & ~Qt::WindowMinimized);
    }
    if (state & Qt::WindowMinimized) {
        return WindowState::Minimized;
    }
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        return WindowState::Maximized;
    }
    return WindowState::Normal;
}

void QtPlatform::setWindowState(WindowState state) {
    const Qt::WindowStates now = window_->windowState();
    Qt::WindowStates wanted = now & ~kSizedStates;
    if (state == WindowState::Minimized) {
        wanted |= Qt::WindowMinimized;
    } else if (state == WindowState::Maximized) {
        wanted |= Qt::WindowMaximized;
    }
    if (wanted == now) {
        return;
    }
    window_->setWindowState(wanted);
    noteChange();
}

// The frame is fixed: an outer size sets the window's one allowed size. A
// size the window manager has overridden is asked for again, but counts as
// no change, so a manager that insists cannot keep the housekeeping awake.
void QtPlatform::setOuterHeight(int twips) {
    const int height = windowHeightFor(*window_, twips);
    const bool away = window_->height() != height;
    if (holdHeight(*window_, height)) {
        noteChange();
    }
    if (away) {
        returnToPlace();
    }
}

void QtPlatform::setOuterWidth(int twips) {
    const int width = windowWidthFor(*window_, twips);
    const bool away = window_->width() != width;
    if (holdWidth(*window_, width)) {
        noteChange();
    }
    if (away) {
        returnToPlace();
    }
}

// A window brought back from a size the window manager gave it (maximized,
// fullscreen) goes back where it was: Qt would otherwise ask for the new
// size at the place the window manager had moved it to, the screen's corner.
// The place is the client area's, not the frame's: the frame a window
// manager draws around a normal window it leaves off a fullscreen one.
void QtPlatform::returnToPlace() {
    const QRect place(normalPlace_.value_or(QPoint()), window_->minimumSize());
    if (normalPlace_ && !onWayland() && window_->geometry() != place) {
        window_->setGeometry(place);
    }
}

// Where the window is while it is normal and at its design size: where the
// user put it, or where it started.
void QtPlatform::notePlace() {
    if (windowState() == WindowState::Normal && window_->size() == window_->minimumSize()) {
        normalPlace_ = window_->geometry().topLeft();
    }
}

// A disabled window takes no input but keeps its looks: Qt would grey every
// control of a disabled window.
void QtPlatform::setWindowEnabled(bool enabled) {
    if (inputBlock_.blocked() == !enabled) {
        return;
    }
    inputBlock_.setBlocked(!enabled);
    noteChange();
}

// The way the window shows its alpha is chosen once, before its surface
// exists.
void QtPlatform::makeLayered() {
    if (!translucency_) {
        translucency_ = std::make_unique<Translucency>(*window_);
    }
}

// Every step of a fade is one frame on screen.
void QtPlatform::setOpacity(std::uint8_t alpha) {
    if (alpha_ == alpha) {
        return;
    }
    alpha_ = alpha;
    makeLayered();
    translucency_->setAlpha(alpha);
    noteChange();
}

void QtPlatform::showWindow() {
    if (delivery_.ended() || window_->isVisible()) {
        return;
    }
    if (const QScreen* screen = window_->screen()) {
        const QRect area = screen->availableGeometry();
        window_->move(area.center() - QPoint(window_->width() / 2, window_->height() / 2));
    }
    textBox()->setFocus();
    window_->show();
    window_->activateWindow();
    followConfiguredStates();
    noteChange();
}

// The window system's word on the state comes as a spontaneous state change
// of the native window; the widget hears of it only when it differs from
// what the widget last asked for.
void QtPlatform::followConfiguredStates() {
    QWindow* native = window_->windowHandle();
    if (native == nullptr || configuredStatesFollowed_) {
        return;
    }
    configuredStatesFollowed_ = true;
    tap(native, [this, native](QObject*, QEvent* event) {
        if (event->type() == QEvent::WindowStateChange && event->spontaneous()) {
            configuredStates_ = native->windowStates();
            delivery_.wakeHousekeeping();
        }
        return false;
    });
}

namespace {

// Runs events, but no user input, until `window` gets an event that
// `arrived` accepts, for a moment at most.
void awaitEvent(QWindow* window, const std::function<bool(QEvent*)>& arrived) {
    QEventLoop waiting;
    QTimer::singleShot(kOnScreenDeadlineMs, &waiting, &QEventLoop::quit);
    EventTap tap(
        [&waiting, &arrived](QObject*, QEvent* event) {
            if (arrived(event)) {
                waiting.quit();
            }
            return false;
        },
        nullptr);
    window->installEventFilter(&tap);
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

// A box shown before the desktop has put its window on screen is placed
// and stacked as if it had no owner: mutter puts it at the screen's edge or
// below the window (or centres it where the window is not yet) and leaves
// the focus with the window, sway stacks the window over it. So the box
// waits until the window is on screen, for a moment at most. On X11 that is
// its first expose. A Wayland window is exposed once configured, before the
// compositor has shown it, and is placed only by a later configure that Qt
// applies when it gets to it: mutter sends it with the window's activation,
// and until Qt has answered it, centres the box over the screen's corner.
// An update asked for then comes once the compositor has drawn the frame
// that answered it.
QWidget* QtPlatform::boxOwner() {
    if (!window_->isVisible()) {
        return nullptr;
    }
    QWindow* native = window_->windowHandle();
    if (native == nullptr) {
        return window_.get();
    }
    if (!native->isExposed()) {
        // The window draws its first frame on this event, before the wait ends.
        awaitEvent(native, [native](QEvent* event) {
            return event->type() == QEvent::Expose && native->isExposed();
        });
    }
    if (onWayland()) {
        if (!native->isActive()) {
            awaitEvent(native, [native](QEvent*) { return native->isActive(); });
        }
        native->requestUpdate();
        awaitEvent(native, [](QEvent* event) { return event->type() == QEvent::UpdateRequest; });
    }
    return window_.get();
}

void QtPlatform::messageBox(std::u16string_view text, int style, std::u16string_view title) {
    if (delivery_.ended()) {
        return;
    }
    QMessageBox box(boxIcon(style), qText(title), boxText(text), QMessageBox::Ok, boxOwner());
    box.setTextFormat(Qt::PlainText);
    runBox(box, boxAnswer_);
}

void QtPlatform::showAbout(WindowHandle, std::u16string_view title, std::u16string_view text,
                           Picture icon) {
    if (delivery_.ended()) {
        return;
    }
    QMessageBox box(boxOwner());
    box.setWindowTitle(QStringLiteral("关于 ") + qText(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(qText(title) + QStringLiteral("\n\n") + boxText(text));
    if (icon == Picture::ProgramIcon) {
        box.setIconPixmap(programIconPixmap());
    }
    box.setStandardButtons(QMessageBox::Ok);
    runBox(box, boxAnswer_);
}

void QtPlatform::openUrl(WindowHandle, std::u16string_view address) {
    QDesktopServices::openUrl(QUrl(qText(address)));
}

void QtPlatform::clearClipboard() {
    QGuiApplication::clipboard()->clear();
}

void QtPlatform::setClipboardText(std::u16string_view text) {
    QGuiApplication::clipboard()->setText(qText(text));
}

// The lock is held for the life of the process. Asked again after another
// instance held it, the question is asked afresh.
bool QtPlatform::previousInstance() {
    if (!instanceLock_ || !instanceLock_->held()) {
        instanceLock_ = std::make_unique<InstanceLock>(
            desktopOfThisProcess(QGuiApplication::platformName().toStdString()));
    }
    return instanceLock_->heldElsewhere();
}

void QtPlatform::end() {
    if (delivery_.ended()) {
        return;
    }
    delivery_.end();
    for (QTimer* timer : timers_) {
        timer->stop();
    }
    timerEnabled_.fill(false);
    const bool looping = QThread::currentThread()->loopLevel() > 0;
    // The last step of a fade gets its frame on screen before the window
    // goes; no handler runs meanwhile.
    if (looping && window_->isVisible()) {
        QTimer::singleShot(kFrameMs, window_.get(), [this] {
            window_->hide();
            QCoreApplication::exit(0);
        });
        return;
    }
    window_->hide();
    // Before the event loop has started there is none to leave: the caller
    // of the load handler sees ended() and never enters it.
    if (looping) {
        QCoreApplication::exit(0);
    }
}

}  // namespace md5z
