#include "platform/win32/win32_platform.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "instance/instance_lock.h"
#include "platform/win32/dots_per_inch.h"
#include "platform/win32/window_accessible.h"
#include "platform/win32/window_drawing.h"
#include "window/accessible_tree.h"
#include "window/input_limit.h"
#include "window/result_model.h"

namespace md5z {
namespace {

const wchar_t* const kWindowClass = L"MD5Zevrin.Form1";

// A fixed frame with the title bar's icon, title, minimize and close
// buttons; no maximize button and no border to drag.
constexpr DWORD kFrameStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kTextBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;

// Command numbers of the menu items and of the timers: a base plus the
// entry's index.
constexpr UINT_PTR kMenuCommandBase = 100;
constexpr UINT_PTR kTimerBase = 1;
constexpr UINT_PTR kTextBoxId = 10;
// Posted to press a label-button for assistive technology; the control's
// index comes with it.
constexpr UINT kPressMessage = WM_APP + 1;

// The reason a close request reports: the user's close button, the task bar
// or the system.
constexpr std::int16_t kCloseByUser = 0;

// The clipboard may be held by another program for a moment.
constexpr int kClipboardAttempts = 10;
constexpr DWORD kClipboardRetryMs = 10;

// Win32 wants terminated strings.
std::wstring terminated(std::u16string_view text) {
    return {text.begin(), text.end()};
}

std::u16string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return {text.begin(), text.end()};
}

POINT pointOf(LPARAM l) {
    return {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
}

bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

bool opensClipboard(HWND owner) {
    for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
        if (OpenClipboard(owner)) {
            return true;
        }
        Sleep(kClipboardRetryMs);
    }
    return false;
}

// The icons are the window's own (WM_SETICON), not the class's: they live
// as long as the window's pictures.
void registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = procedure;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.lpszClassName = kWindowClass;
    // Registered once per process; a second window reuses the class.
    RegisterClassExW(&type);
}

HMENU buildMenu() {
    HMENU bar = CreateMenu();
    HMENU menu = nullptr;
    for (const auto& entry : menuLayouts()) {
        const std::wstring caption = terminated(entry.caption);
        if (entry.isMenu) {
            menu = CreatePopupMenu();
            AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu),
                        caption.c_str());
        } else if (entry.caption == kMenuSeparator) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING, kMenuCommandBase + indexOf(entry.id), caption.c_str());
        }
    }
    return bar;
}

void reportUncaught(const char* what) {
    OutputDebugStringA(what);
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance)
    : instance_(instance),
      oleStarted_(SUCCEEDED(OleInitialize(nullptr))),
      dpi_(dpiOfSystem()),
      delivery_([this](bool run) { runHousekeepingTimer(run); }, reportUncaught) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    registerWindowClass(instance_, &Win32Platform::windowProcedure);
    for (const auto& layout : controlLayouts()) {
        const auto i = indexOf(layout.id);
        captions_[i] = std::u16string(layout.caption);
        foreColors_[i] = layout.foreColor;
        fills_[i] = layout.fillColor;
        enabled_[i] = layout.enabled;
        visible_[i] = layout.visible;
        mouseIcons_[i] = layout.mouseIcon;
    }
    createWindow();
    if (window_ == nullptr) {
        return;
    }
    createTextBox();
    // The monitor the window came up on decides its scale.
    applyDpi(dpiOfWindow(window_));
    fitToDesign();
    createToolTips();
    startLayoutTimers();
}

Win32Platform::~Win32Platform() {
    // Controls being torn down raise no more handlers.
    delivery_.end();
    // A client may ask for the accessible objects while the window goes, so
    // they are let go only once it has gone.
    if (window_ != nullptr) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
    for (WindowAccessible** object : {&accessible_, &boxAccessible_}) {
        if (*object != nullptr) {
            (*object)->disconnect();
            (*object)->Release();
            *object = nullptr;
        }
    }
    for (HFONT font : fonts_) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    if (oleStarted_) {
        OleUninitialize();
    }
}

void Win32Platform::createWindow() {
    const SIZE outer = outerSizeAt(
        {pixelsAt(kFormLayout.clientWidth, dpi_), pixelsAt(kFormLayout.clientHeight, dpi_)},
        kFrameStyle, true, dpi_);
    const std::wstring title = terminated(kFormLayout.title);
    window_ =
        CreateWindowExW(0, kWindowClass, title.c_str(), kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        outer.cx, outer.cy, nullptr, buildMenu(), instance_, this);
}

// Every place, size, font and picture of the window at a DPI: at the start,
// and when the window moves to a monitor of another DPI.
void Win32Platform::applyDpi(UINT dpi) {
    dpi_ = dpi;
    std::array<HFONT, kControlCount> previous = fonts_;
    for (const auto& layout : controlLayouts()) {
        const auto i = indexOf(layout.id);
        boxes_[i] = pixelBox(layout, dpi_);
        if (layout.kind == ControlKind::Label || layout.kind == ControlKind::TextBox) {
            fonts_[i] = createFont(layout.font, dpi_);
        }
        if (layout.kind == ControlKind::Label) {
            placeLabel(layout.id);
        }
    }
    const RECT box = boxes_[indexOf(ControlId::Text1)];
    SetWindowPos(textBox_, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(textBox_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[indexOf(ControlId::Text1)]),
                 TRUE);
    for (HFONT font : previous) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    // The window lets go of the previous icons before they are destroyed.
    auto pictures = std::make_unique<WindowPictures>(instance_, dpi_);
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(pictures->icon()));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(pictures->smallIcon()));
    pictures_ = std::move(pictures);
    for (const auto& layout : controlLayouts()) {
        updateToolRect(layout.id);
    }
    InvalidateRect(window_, nullptr, FALSE);
}

void Win32Platform::createTextBox() {
    const auto& layout = layoutOf(ControlId::Text1);
    DWORD style = kTextBoxStyle;
    if (!layout.passwordChar.empty()) {
        style |= ES_PASSWORD;
    }
    textBox_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", style, 0, 0, 0, 0, window_,
                               reinterpret_cast<HMENU>(kTextBoxId), instance_, nullptr);
    SendMessageW(textBox_, EM_LIMITTEXT, static_cast<WPARAM>(layout.maxLength), 0);
    if (!layout.passwordChar.empty()) {
        SendMessageW(textBox_, EM_SETPASSWORDCHAR, layout.passwordChar.front(), 0);
    }
    SetWindowLongPtrW(textBox_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    textBoxDefault_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        textBox_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Platform::textBoxProcedure)));
}

// One tool per control with a tooltip; a hidden label's tool covers nothing.
void Win32Platform::createToolTips() {
    toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                                nullptr, instance_, nullptr);
    for (const auto& layout : controlLayouts()) {
        if (layout.toolTip.empty()) {
            continue;
        }
        std::wstring tip = terminated(layout.toolTip);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.lpszText = tip.data();
        if (layout.kind == ControlKind::TextBox) {
            tool.uFlags |= TTF_IDISHWND;
            tool.uId = reinterpret_cast<UINT_PTR>(textBox_);
        } else {
            tool.uId = indexOf(layout.id);
            tool.rect = visible_[indexOf(layout.id)] ? boxes_[indexOf(layout.id)] : RECT{};
        }
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Win32Platform::startLayoutTimers() {
    for (const auto& layout : timerLayouts()) {
        timerEnabled_[indexOf(layout.id)] = layout.enabled;
        if (layout.id == TimerId::Timer1) {
            delivery_.enableHousekeeping(layout.enabled);
        } else if (layout.enabled) {
            SetTimer(window_, kTimerBase + indexOf(layout.id), static_cast<UINT>(layout.intervalMs),
                     nullptr);
        }
    }
}

void Win32Platform::attach(Form1& form) {
    delivery_.attach(form);
}

void Win32Platform::load() {
    react([](Form1& form) { form.Form_Load(); });
}

int Win32Platform::run() {
    MSG message{};
    while (!delivery_.ended() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

void Win32Platform::runHousekeepingTimer(bool run) {
    const auto timer1 = indexOf(TimerId::Timer1);
    if (run) {
        SetTimer(window_, kTimerBase + timer1, static_cast<UINT>(timerLayouts()[timer1].intervalMs),
                 nullptr);
    } else {
        KillTimer(window_, kTimerBase + timer1);
    }
}

bool Win32Platform::acceptsInput() const {
    return !delivery_.ended() && IsWindowEnabled(window_);
}

// The topmost visible label under the point takes its mouse events; shapes
// and lines let them through to the background, or to the window itself.
ControlId Win32Platform::surfaceAt(POINT point) const {
    for (const auto& layout : controlLayouts()) {
        const auto i = indexOf(layout.id);
        const bool takesMouse =
            layout.kind == ControlKind::Label || layout.kind == ControlKind::Image;
        if (takesMouse && visible_[i] && PtInRect(&boxes_[i], point)) {
            return layout.id;
        }
    }
    return ControlId::Form1;
}

LRESULT CALLBACK Win32Platform::windowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(l);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ != window) {
        return DefWindowProcW(window, message, w, l);
    }
    return self->handle(message, w, l);
}

LRESULT Win32Platform::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_PRINTCLIENT:
            // PrintWindow and the like: the client area into their context.
            drawClient(reinterpret_cast<HDC>(w));
            return 0;
        case WM_ERASEBKGND:
            // The background picture covers the client area.
            return 1;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
            onMouse(message, pointOf(l));
            return 0;
        case WM_SETCURSOR:
            if (onSetCursor(l)) {
                return TRUE;
            }
            break;
        case WM_COMMAND:
            onCommand(w, l);
            return 0;
        case WM_TIMER:
            if (w == kTimerBase + indexOf(TimerId::Timer1)) {
                delivery_.housekeepingTick();
            } else if (w > kTimerBase && w < kTimerBase + kTimerCount) {
                const auto id = static_cast<TimerId>(w - kTimerBase);
                if (timerEnabled_[indexOf(id)]) {
                    react([id](Form1& form) { form.onTimer(id); });
                }
            }
            return 0;
        case WM_CLOSE:
            onClose();
            return 0;
        // The focus comes back to where it was: the box, or a label-button.
        case WM_ACTIVATE:
            if (LOWORD(w) != WA_INACTIVE) {
                SetFocus(keyFocus_ ? window_ : textBox_);
                return 0;
            }
            break;
        case WM_SETFOCUS:
            if (keyFocus_) {
                showFocusChange(std::nullopt);
            } else {
                SetFocus(textBox_);
            }
            return 0;
        case WM_KILLFOCUS:
            if (keyFocus_) {
                InvalidateRect(window_, nullptr, FALSE);
            }
            return 0;
        case WM_KEYDOWN:
            if (onKey(w, l)) {
                return 0;
            }
            break;
        case WM_CHAR:
            // The keys onKey acts on would only beep.
            if (w == L'\t' || w == L' ' || w == L'\r') {
                return 0;
            }
            break;
        case kPressMessage:
            if (w < kControlCount) {
                press(static_cast<ControlId>(w));
            }
            return 0;
        case WM_GETOBJECT:
            if (static_cast<LONG>(l) == OBJID_CLIENT) {
                return accessibleObject(accessible_, ControlId::Form1, w);
            }
            break;
        // Asked on a move to a monitor of another DPI: the size the window
        // will have there, exactly the design size at that scale.
        case WM_GETDPISCALEDSIZE: {
            const UINT dpi = static_cast<UINT>(w);
            *reinterpret_cast<SIZE*>(l) = outerSizeAt(
                {pixelsAt(kFormLayout.clientWidth, dpi), pixelsAt(kFormLayout.clientHeight, dpi)},
                kFrameStyle, true, dpi);
            return TRUE;
        }
        case WM_DPICHANGED:
            onDpiChanged(HIWORD(w), *reinterpret_cast<const RECT*>(l));
            return 0;
        case WM_SIZE:
        case WM_MOVE:
        case WM_SHOWWINDOW:
            delivery_.wakeHousekeeping();
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, w, l);
}

// As a person could click it: shown, enabled, on a window that is shown and
// takes input (no modal box up).
bool Win32Platform::clickable(ControlId id) const {
    return enabled_[indexOf(id)] && visible_[indexOf(id)] && acceptsInput() &&
           IsWindowVisible(window_);
}

// A mouse click, a key or assistive technology: the same press, after which
// a screen reader is told what it changed. Two changes speak for themselves:
// the warning coming up is an alert, and a copy label with the keyboard
// focus is read as its name changes.
void Win32Platform::press(ControlId id) {
    if (!clickable(id)) {
        return;
    }
    const bool warned = visible_[indexOf(EmptyInputWarning.control)];
    react([id](Form1& form) { form.onClick(id); });
    const bool warningCameUp = !warned && visible_[indexOf(EmptyInputWarning.control)];
    const bool focusedCopy = rowCopiedBy(id) != nullptr && keyboardFocus() == id;
    std::u16string outcome = clickOutcome(*this, id);
    if (delivery_.ended() || outcome.empty() || warningCameUp || focusedCopy) {
        return;
    }
    notice_ = std::move(outcome);
    announce(window_);
}

bool Win32Platform::pressSoon(ControlId id) {
    if (!clickable(id)) {
        return false;
    }
    PostMessageW(window_, kPressMessage, indexOf(id), 0);
    return true;
}

// A label raises a click when the left button goes down and comes up on it
// while it is enabled, and a mouse move for every move over it.
void Win32Platform::onMouse(UINT message, POINT point) {
    const ControlId surface = surfaceAt(point);
    switch (message) {
        case WM_MOUSEMOVE:
            if (acceptsInput()) {
                react([surface](Form1& form) { form.onMouseMove(surface); });
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            pressed_ = surface;
            SetCapture(window_);
            break;
        case WM_LBUTTONUP: {
            const bool clicked = pressed_ == surface;
            pressed_.reset();
            ReleaseCapture();
            if (clicked) {
                press(surface);
            }
            break;
        }
        default:
            break;
    }
}

// Menu items by their command; the input box's changes by its notification.
void Win32Platform::onCommand(WPARAM w, LPARAM l) {
    if (reinterpret_cast<HWND>(l) == textBox_ && textBox_ != nullptr) {
        if (HIWORD(w) == EN_CHANGE) {
            onTextChange();
        }
        return;
    }
    const UINT_PTR command = LOWORD(w);
    if (l == 0 && command >= kMenuCommandBase && command < kMenuCommandBase + kMenuCount) {
        const auto id = static_cast<MenuId>(command - kMenuCommandBase);
        if (acceptsInput()) {
            react([id](Form1& form) { form.onMenu(id); });
        }
    }
}

// The edit control also notifies keys it refused at its limit: only a text
// that differs is a change. A character the limit cut in two is taken out
// again first; taking it out is the change the window hears of.
void Win32Platform::onTextChange() {
    std::u16string now = windowText(textBox_);
    DWORD caret = 0;
    SendMessageW(textBox_, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    const auto half = halfCharacterAtLimit(
        now, caret, static_cast<std::size_t>(layoutOf(ControlId::Text1).maxLength));
    if (half != std::u16string::npos) {
        SendMessageW(textBox_, EM_SETSEL, half, half + 1);
        SendMessageW(textBox_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        return;
    }
    if (now != lastText_) {
        lastText_ = std::move(now);
        react([](Form1& form) { form.Text1_Change(); });
    }
}

bool Win32Platform::onSetCursor(LPARAM l) {
    if (LOWORD(l) != HTCLIENT) {
        return false;
    }
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(window_, &point);
    const ControlId surface = surfaceAt(point);
    HCURSOR pointer = layoutOf(surface).customPointer
                          ? pictures_->pointer(mouseIcons_[indexOf(surface)])
                          : nullptr;
    if (surface == ControlId::Form1 || pointer == nullptr) {
        return false;
    }
    SetCursor(pointer);
    return true;
}

// A close the handler could not judge is refused: the window leaves only
// through its fade-out.
void Win32Platform::onClose() {
    if (!delivery_.delivering()) {
        return;
    }
    bool refused = true;
    react([&refused](Form1& form) { refused = form.onCloseRequest(kCloseByUser); });
    if (!refused) {
        end();
    }
}

LRESULT CALLBACK Win32Platform::textBoxProcedure(HWND box, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(box, GWLP_USERDATA));
    return self->handleTextBox(message, w, l);
}

// Enter in the input box digests, like a click on 加密; Tab leaves it for
// the label-buttons. Their characters are swallowed so that the box does not
// beep.
LRESULT Win32Platform::handleTextBox(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_KEYDOWN:
            if (w == VK_RETURN) {
                press(ControlId::ann1);
                return 0;
            }
            if (w == VK_TAB) {
                moveKeyboardFocus(GetKeyState(VK_SHIFT) >= 0);
                return 0;
            }
            break;
        case WM_CHAR:
            if (w == L'\r' || w == L'\n' || w == L'\t') {
                return 0;
            }
            break;
        case WM_SETFOCUS:
            if (keyFocus_) {
                const auto before = keyFocus_;
                keyFocus_.reset();
                showFocusChange(before);
            }
            break;
        case WM_GETOBJECT:
            if (static_cast<LONG>(l) == OBJID_CLIENT) {
                return accessibleObject(boxAccessible_, ControlId::Text1, w);
            }
            break;
        case WM_MOUSEMOVE:
            if (acceptsInput()) {
                react([](Form1& form) { form.onMouseMove(ControlId::Text1); });
            }
            break;
        default:
            break;
    }
    return CallWindowProcW(textBoxDefault_, textBox_, message, w, l);
}

// Tab and Shift+Tab, Space and Enter while a label-button has the focus.
// Holding Space or Enter down presses once.
bool Win32Platform::onKey(WPARAM key, LPARAM l) {
    constexpr LPARAM kRepeated = 1 << 30;
    switch (key) {
        case VK_TAB:
            moveKeyboardFocus(GetKeyState(VK_SHIFT) >= 0);
            return true;
        case VK_SPACE:
        case VK_RETURN:
            if (keyFocus_ && (l & kRepeated) == 0) {
                press(*keyFocus_);
            }
            return keyFocus_.has_value();
        default:
            return false;
    }
}

std::optional<ControlId> Win32Platform::keyboardFocus() const {
    return GetFocus() == window_ ? keyFocus_ : std::nullopt;
}

// The cycle runs box, 加密, 重置, then the copy labels that are enabled, and
// round to the box again.
void Win32Platform::moveKeyboardFocus(bool forward) {
    std::vector<ControlId> cycle{ControlId::Text1};
    for (const ControlId id : kLabelButtons) {
        if (enabled_[indexOf(id)] && visible_[indexOf(id)]) {
            cycle.push_back(id);
        }
    }
    const auto now = std::find(cycle.begin(), cycle.end(), keyFocus_.value_or(ControlId::Text1));
    const auto at = static_cast<std::size_t>(now == cycle.end() ? 0 : now - cycle.begin());
    focusOn(cycle[(at + (forward ? 1 : cycle.size() - 1)) % cycle.size()]);
}

void Win32Platform::focusOn(ControlId id) {
    if (!isLabelButton(id) || !enabled_[indexOf(id)] || !visible_[indexOf(id)]) {
        keyFocus_.reset();
        SetFocus(textBox_);
        return;
    }
    const auto before = keyFocus_;
    keyFocus_ = id;
    if (GetFocus() != window_) {
        SetFocus(window_);
    }
    if (before != keyFocus_) {
        showFocusChange(before);
    }
}

// The frame leaves the label that had it and shows around the one that has
// it; assistive technology hears where the focus went.
void Win32Platform::showFocusChange(std::optional<ControlId> before) {
    if (before) {
        redraw(frameBox(*before));
    }
    if (keyFocus_) {
        redraw(frameBox(*keyFocus_));
        if (GetFocus() == window_) {
            notifyAccessibility(window_, *keyFocus_, AccessibleChange::Focus);
        }
    }
}

bool Win32Platform::frameShown() const {
    return keyboardFocus().has_value();
}

RECT Win32Platform::frameBox(ControlId id) const {
    return focusFrameArea(boxes_[indexOf(id)], dpi_);
}

// Moved to a monitor of another DPI: everything at the new scale, at the
// place Windows suggests. The size it suggests is the one WM_GETDPISCALEDSIZE
// gave; should the frame come out otherwise, the client area is corrected.
void Win32Platform::onDpiChanged(UINT dpi, const RECT& suggested) {
    if (dpi != dpi_) {
        applyDpi(dpi);
    }
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    fitToDesign();
    delivery_.wakeHousekeeping();
}

// Made when a client first asks, and kept for the life of the window.
LRESULT Win32Platform::accessibleObject(WindowAccessible*& object, ControlId root, WPARAM w) {
    if (object == nullptr) {
        object = new WindowAccessible(*this, root);
    }
    return LresultFromObject(__uuidof(IAccessible), w, object);
}

// Painted into a picture of the whole client area that is then copied at
// once: no flicker.
void Win32Platform::paint() {
    PAINTSTRUCT painting{};
    HDC screen = BeginPaint(window_, &painting);
    RECT client{};
    GetClientRect(window_, &client);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ previous = SelectObject(dc, canvas);
    drawClient(dc);
    BitBlt(screen, painting.rcPaint.left, painting.rcPaint.top,
           painting.rcPaint.right - painting.rcPaint.left,
           painting.rcPaint.bottom - painting.rcPaint.top, dc, painting.rcPaint.left,
           painting.rcPaint.top, SRCCOPY);
    SelectObject(dc, previous);
    DeleteObject(canvas);
    DeleteDC(dc);
    EndPaint(window_, &painting);
}

// The drawn controls, bottom of the stacking order first.
void Win32Platform::drawClient(HDC dc) const {
    RECT client{};
    GetClientRect(window_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    const auto catalogue = controlLayouts();
    for (auto layout = catalogue.rbegin(); layout != catalogue.rend(); ++layout) {
        const auto i = indexOf(layout->id);
        if (!visible_[i]) {
            continue;
        }
        switch (layout->kind) {
            case ControlKind::Image:
                drawPicture(dc, boxes_[i], pictures_->background());
                break;
            case ControlKind::Shape:
                drawShape(dc, *layout, boxes_[i], fills_[i], dpi_);
                break;
            case ControlKind::Line:
                drawLine(dc, *layout, dpi_);
                break;
            case ControlKind::Label:
                drawLabel(dc, *layout, boxes_[i], captions_[i], foreColors_[i], enabled_[i],
                          fonts_[i]);
                break;
            case ControlKind::TextBox:
                break;
        }
    }
    if (frameShown()) {
        drawFocusFrame(dc, boxes_[indexOf(*keyFocus_)], foreColors_[indexOf(*keyFocus_)], dpi_);
    }
}

// An auto-size label takes its caption's size; which edge stays put follows
// its alignment.
void Win32Platform::placeLabel(ControlId id) {
    const auto& layout = layoutOf(id);
    const auto i = indexOf(id);
    if (!layout.autoSize) {
        return;
    }
    const RECT design = pixelBox(layout, dpi_);
    const SIZE size = captionSize(fonts_[i], captions_[i]);
    LONG left = design.left;
    if (layout.alignment == Alignment::Right) {
        left = design.right - size.cx;
    } else if (layout.alignment == Alignment::Centre) {
        left = design.left + (design.right - design.left - size.cx) / 2;
    }
    boxes_[i] = {left, design.top, left + size.cx, design.top + size.cy};
}

void Win32Platform::redraw(const RECT& box) const {
    if (window_ == nullptr) {
        return;
    }
    InvalidateRect(window_, &box, FALSE);
}

void Win32Platform::updateToolRect(ControlId id) const {
    const auto i = indexOf(id);
    if (toolTips_ == nullptr || layoutOf(id).toolTip.empty() ||
        layoutOf(id).kind == ControlKind::TextBox) {
        return;
    }
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    tool.uId = i;
    tool.rect = visible_[i] ? boxes_[i] : RECT{};
    SendMessageW(toolTips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::u16string Win32Platform::caption(ControlId id) const {
    return layoutOf(id).kind == ControlKind::Label ? captions_[indexOf(id)] : std::u16string{};
}

void Win32Platform::setCaption(ControlId id, std::u16string_view text) {
    const auto i = indexOf(id);
    if (layoutOf(id).kind != ControlKind::Label || captions_[i] == text) {
        return;
    }
    captions_[i] = std::u16string(text);
    if (visible_[i]) {
        const RECT before = boxes_[i];
        redraw(frameBox(id));
        placeLabel(id);
        redraw(frameBox(id));
        if (!(before == boxes_[i])) {
            updateToolRect(id);
        }
    } else {
        placeLabel(id);
    }
    notifyAccessibility(window_, id, AccessibleChange::Caption);
    noteChange();
}

void Win32Platform::setForeColor(ControlId id, Color color) {
    const auto i = indexOf(id);
    if (layoutOf(id).kind != ControlKind::Label || foreColors_[i] == color) {
        return;
    }
    foreColors_[i] = color;
    redraw(boxes_[i]);
    noteChange();
}

void Win32Platform::setEnabled(ControlId id, bool enabled) {
    const auto i = indexOf(id);
    if (enabled_[i] == enabled) {
        return;
    }
    enabled_[i] = enabled;
    if (id == ControlId::Text1) {
        EnableWindow(textBox_, enabled);
    }
    redraw(boxes_[i]);
    notifyAccessibility(window_, id, AccessibleChange::Enabled);
    if (!enabled && keyFocus_ == id) {
        focusOn(ControlId::Text1);
    }
    noteChange();
}

void Win32Platform::setVisible(ControlId id, bool visible) {
    const auto i = indexOf(id);
    if (visible_[i] == visible) {
        return;
    }
    visible_[i] = visible;
    if (id == ControlId::Text1) {
        ShowWindow(textBox_, visible ? SW_SHOWNA : SW_HIDE);
    }
    redraw(boxes_[i]);
    updateToolRect(id);
    notifyAccessibility(window_, id, visible ? AccessibleChange::Shown : AccessibleChange::Hidden);
    if (!visible && keyFocus_ == id) {
        focusOn(ControlId::Text1);
    }
    noteChange();
}

Picture Win32Platform::mouseIcon(ControlId id) const {
    return mouseIcons_[indexOf(id)];
}

// The pointer takes the picture at the next move over the control.
void Win32Platform::setMouseIcon(ControlId id, Picture picture) {
    if (mouseIcons_[indexOf(id)] == picture) {
        return;
    }
    mouseIcons_[indexOf(id)] = picture;
    noteChange();
}

void Win32Platform::setFillColor(ControlId id, Color color) {
    const auto i = indexOf(id);
    if (layoutOf(id).kind != ControlKind::Shape || fills_[i] == color) {
        return;
    }
    fills_[i] = color;
    redraw(boxes_[i]);
    noteChange();
}

std::u16string Win32Platform::text() const {
    return windowText(textBox_);
}

// Raises Text1_Change through the box's change notification before
// returning.
void Win32Platform::setText(std::u16string_view text) {
    if (windowText(textBox_) == text) {
        return;
    }
    SetWindowTextW(textBox_, terminated(text).c_str());
    noteChange();
}

void Win32Platform::setPasswordChar(std::u16string_view mask) {
    const auto wanted = static_cast<WPARAM>(mask.empty() ? 0 : mask.front());
    if (static_cast<WPARAM>(SendMessageW(textBox_, EM_GETPASSWORDCHAR, 0, 0)) == wanted) {
        return;
    }
    SendMessageW(textBox_, EM_SETPASSWORDCHAR, wanted, 0);
    InvalidateRect(textBox_, nullptr, TRUE);
    noteChange();
}

// Only a disabled timer that is enabled starts its interval afresh; one that
// runs keeps its schedule, as the fade's Timer7 does when a second close
// request enables it again.
void Win32Platform::setTimerEnabled(TimerId id, bool enabled) {
    const auto i = indexOf(id);
    if (delivery_.ended() || enabled == timerEnabled_[i]) {
        return;
    }
    timerEnabled_[i] = enabled;
    if (id == TimerId::Timer1) {
        delivery_.enableHousekeeping(enabled);
    } else if (enabled) {
        SetTimer(window_, kTimerBase + i, static_cast<UINT>(timerLayouts()[i].intervalMs), nullptr);
    } else {
        KillTimer(window_, kTimerBase + i);
    }
    noteChange();
}

WindowHandle Win32Platform::windowHandle() const {
    return reinterpret_cast<WindowHandle>(window_);
}

std::u16string Win32Platform::windowTitle() const {
    return windowText(window_);
}

Picture Win32Platform::windowIcon() const {
    return kFormLayout.icon;
}

WindowState Win32Platform::windowState() const {
    if (IsIconic(window_)) {
        return WindowState::Minimized;
    }
    if (IsZoomed(window_)) {
        return WindowState::Maximized;
    }
    return WindowState::Normal;
}

void Win32Platform::setWindowState(WindowState state) {
    if (windowState() == state) {
        return;
    }
    switch (state) {
        case WindowState::Minimized:
            ShowWindow(window_, SW_MINIMIZE);
            break;
        case WindowState::Maximized:
            ShowWindow(window_, SW_MAXIMIZE);
            break;
        case WindowState::Normal:
            ShowWindow(window_, SW_RESTORE);
            break;
    }
    noteChange();
}

// The outer size that gives the client area these pixels inside the frame
// and menu bar the window has now, whatever the desktop's theme, fonts and
// DPI make of them.
SIZE Win32Platform::outerSizeFor(int clientWidth, int clientHeight) const {
    RECT outer{};
    RECT client{};
    GetWindowRect(window_, &outer);
    GetClientRect(window_, &client);
    return {clientWidth + (outer.right - outer.left) - client.right,
            clientHeight + (outer.bottom - outer.top) - client.bottom};
}

// The client area at the design size of the window's DPI, its frame where
// it is.
void Win32Platform::fitToDesign() {
    const SIZE outer = outerSizeFor(pixelsAt(kFormLayout.clientWidth, dpi_),
                                    pixelsAt(kFormLayout.clientHeight, dpi_));
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A size asked for again counts as no change, so a desktop that refuses it
// cannot keep the housekeeping awake.
void Win32Platform::askForOuterSize(std::optional<int>& asked, int outer, bool height) {
    RECT now{};
    GetWindowRect(window_, &now);
    const int current = height ? now.bottom - now.top : now.right - now.left;
    if (asked == outer && current == outer) {
        return;
    }
    const int width = height ? now.right - now.left : outer;
    SetWindowPos(window_, nullptr, 0, 0, width, height ? outer : now.bottom - now.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (asked != outer) {
        asked = outer;
        noteChange();
    }
}

void Win32Platform::setOuterHeight(int twips) {
    const int client = pixelsAt(twips - kFormLayout.frameTop - kFormLayout.frameSide, dpi_);
    askForOuterSize(askedHeight_, outerSizeFor(0, client).cy, true);
}

void Win32Platform::setOuterWidth(int twips) {
    const int client = pixelsAt(twips - 2 * kFormLayout.frameSide, dpi_);
    askForOuterSize(askedWidth_, outerSizeFor(client, 0).cx, false);
}

void Win32Platform::setWindowEnabled(bool enabled) {
    if ((IsWindowEnabled(window_) != FALSE) == enabled) {
        return;
    }
    EnableWindow(window_, enabled);
    noteChange();
}

void Win32Platform::makeLayered() {
    const LONG style = GetWindowLongA(window_, GWL_EXSTYLE);
    if ((style & WS_EX_LAYERED) != 0) {
        return;
    }
    SetWindowLongA(window_, GWL_EXSTYLE, style | WS_EX_LAYERED);
    noteChange();
}

void Win32Platform::setOpacity(std::uint8_t alpha) {
    if (alpha_ == alpha) {
        return;
    }
    SetLayeredWindowAttributes(window_, 0, alpha, LWA_ALPHA);
    alpha_ = alpha;
    noteChange();
}

void Win32Platform::showWindow() {
    if (delivery_.ended() || IsWindowVisible(window_)) {
        return;
    }
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT outer{};
    GetWindowRect(window_, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    SetFocus(textBox_);
    noteChange();
}

// Style 64 is MB_ICONINFORMATION with MB_OK: the value goes through as it is.
void Win32Platform::messageBox(std::u16string_view text, int style, std::u16string_view title) {
    if (delivery_.ended()) {
        return;
    }
    MessageBoxW(IsWindowVisible(window_) ? window_ : nullptr, terminated(text).c_str(),
                terminated(title).c_str(), static_cast<UINT>(style));
}

void Win32Platform::showAbout(WindowHandle owner, std::u16string_view title,
                              std::u16string_view text, Picture icon) {
    if (delivery_.ended()) {
        return;
    }
    ShellAboutW(reinterpret_cast<HWND>(owner), terminated(title).c_str(), terminated(text).c_str(),
                icon == Picture::ProgramIcon ? pictures_->icon() : nullptr);
}

// The browser's window is shown normally: asked to start hidden, a browser
// that obeyed would open the page where nobody sees it.
void Win32Platform::openUrl(WindowHandle owner, std::u16string_view address) {
    ShellExecuteW(reinterpret_cast<HWND>(owner), L"open", terminated(address).c_str(), L"", L"",
                  SW_SHOWNORMAL);
}

void Win32Platform::clearClipboard() {
    if (opensClipboard(window_)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

void Win32Platform::setClipboardText(std::u16string_view text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return;
    }
    auto* units = static_cast<char16_t*>(GlobalLock(memory));
    std::copy(text.begin(), text.end(), units);
    units[text.size()] = u'\0';
    GlobalUnlock(memory);
    if (!opensClipboard(window_)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    // The clipboard owns the memory once it has taken it.
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

// The mutex is held for the life of the window. Asked again after another
// instance held it, the question is asked afresh.
bool Win32Platform::previousInstance() {
    if (!instanceLock_ || !instanceLock_->held()) {
        instanceLock_ = std::make_unique<InstanceLock>(desktopOfThisProcess("windows"));
    }
    return instanceLock_->heldElsewhere();
}

void Win32Platform::end() {
    if (delivery_.ended()) {
        return;
    }
    delivery_.end();
    for (std::size_t i = 0; i < kTimerCount; ++i) {
        KillTimer(window_, kTimerBase + i);
    }
    timerEnabled_.fill(false);
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

}  // namespace md5z
