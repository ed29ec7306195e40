// The rows on the Win32 window in the test's own process, under Wine's null
// graphics driver: messages as the desktop sends them, colours read from the
// client area as the window paints it, boxes answered by pressing their OK.
#include <oleacc.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "contract.h"
#include "platform/win32/win32_platform.h"
#include "window/accessible_tree.h"
#include "window/layout.h"

namespace md5z::contract {
namespace {

using namespace std::chrono_literals;

std::u16string windowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return reinterpret_cast<const char16_t*>(text);
}

// Presses OK on every dialog box this process shows, from a thread of its
// own while the window's thread waits in the box, and keeps what each said.
class BoxAnswerer {
  public:
    BoxAnswerer() : thread_([this] { answer(); }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.join();
    }
    std::vector<ShownBox> boxes() const {
        const std::lock_guard lock(mutex_);
        return boxes_;
    }

  private:
    void answer() {
        while (!stop_) {
            EnumWindows(&BoxAnswerer::visit, reinterpret_cast<LPARAM>(this));
            std::this_thread::sleep_for(20ms);
        }
    }
    static BOOL CALLBACK visit(HWND window, LPARAM self) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t type[16] = {};
        GetClassNameW(window, type, 16);
        if (process == GetCurrentProcessId() && std::wstring_view(type) == L"#32770" &&
            IsWindowVisible(window)) {
            reinterpret_cast<BoxAnswerer*>(self)->press(window);
        }
        return TRUE;
    }
    static BOOL CALLBACK collect(HWND child, LPARAM text) {
        *reinterpret_cast<std::u16string*>(text) += windowText(child) + u"\n";
        return TRUE;
    }
    void press(HWND box) {
        if (box != answered_) {
            answered_ = box;
            ShownBox shown{windowText(box), {}};
            EnumChildWindows(box, &BoxAnswerer::collect, reinterpret_cast<LPARAM>(&shown.text));
            const std::lock_guard lock(mutex_);
            boxes_.push_back(std::move(shown));
        }
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }

    mutable std::mutex mutex_;
    std::vector<ShownBox> boxes_;
    HWND answered_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The client area as the window paints it, caught once.
class ClientPicture {
  public:
    explicit ClientPicture(HWND window) {
        RECT client{};
        GetClientRect(window, &client);
        HDC screen = GetDC(window);
        dc_ = CreateCompatibleDC(screen);
        canvas_ = CreateCompatibleBitmap(screen, client.right, client.bottom);
        previous_ = SelectObject(dc_, canvas_);
        ReleaseDC(window, screen);
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    }
    ~ClientPicture() {
        SelectObject(dc_, previous_);
        DeleteObject(canvas_);
        DeleteDC(dc_);
    }
    ClientPicture(const ClientPicture&) = delete;
    ClientPicture& operator=(const ClientPicture&) = delete;

    // Near enough to allow for smoothing, in at least `minimum` pixels.
    bool shows(COLORREF color, const RECT& box, int minimum) const {
        constexpr int kSlack = 32;
        int seen = 0;
        for (LONG y = box.top; y < box.bottom; ++y) {
            for (LONG x = box.left; x < box.right; ++x) {
                const COLORREF c = GetPixel(dc_, x, y);
                seen += std::abs(GetRValue(c) - GetRValue(color)) <= kSlack &&
                        std::abs(GetGValue(c) - GetGValue(color)) <= kSlack &&
                        std::abs(GetBValue(c) - GetBValue(color)) <= kSlack;
            }
        }
        return seen >= minimum;
    }

  private:
    HDC dc_ = nullptr;
    HBITMAP canvas_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

void setClipboardText(std::u16string_view text) {
    if (!OpenClipboard(nullptr)) {
        return;
    }
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    auto* units = static_cast<char16_t*>(GlobalLock(memory));
    std::copy(text.begin(), text.end(), units);
    units[text.size()] = 0;
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

// A window with its logic, loaded.
struct Instance {
    Win32Platform platform{GetModuleHandleW(nullptr)};
    Form1 form{platform};
    Instance() {
        platform.attach(form);
        platform.load();
    }
};

class Win32Driver final : public Driver {
  public:
    Win32Driver() {
        setClipboardText(u"earlier");
        first_.emplace();
    }

    // SetTimer's 1 ms: Wine ticks every 2 to 14 ms, Windows every 15.6.
    Pace pace() const override { return {1, 16}; }

    // Keys reach the input box only while its window takes input, as
    // Windows delivers them.
    void type(std::u16string_view text) override {
        if (!IsWindowEnabled(window())) {
            return;
        }
        for (const char16_t unit : text) {
            SendMessageW(textBox(), WM_CHAR, unit, 0);
        }
    }
    void paste(std::u16string_view text) override {
        setClipboardText(text);
        if (IsWindowEnabled(window())) {
            SendMessageW(textBox(), WM_PASTE, 0, 0);
        }
    }
    void drag(ControlId from, ControlId to) override {
        mouse(WM_MOUSEMOVE, 0, from);
        mouse(WM_LBUTTONDOWN, MK_LBUTTON, from);
        mouse(WM_LBUTTONUP, 0, to);
    }
    // To whatever has the keyboard focus; Shift held down for Shift+Tab.
    void press(Key key) override {
        if (!IsWindowEnabled(window())) {
            return;
        }
        constexpr std::pair<Key, WPARAM> kCodes[] = {{Key::Enter, VK_RETURN},
                                                     {Key::Backspace, VK_BACK},
                                                     {Key::Tab, VK_TAB},
                                                     {Key::BackTab, VK_TAB},
                                                     {Key::Space, VK_SPACE}};
        const WPARAM code = std::ranges::find(kCodes, key, &std::pair<Key, WPARAM>::first)->second;
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        const BYTE shift = keys[VK_SHIFT];
        keys[VK_SHIFT] = key == Key::BackTab ? 0x80 : 0;
        SetKeyboardState(keys);
        const HWND focus = GetFocus();
        SendMessageW(focus, WM_KEYDOWN, code, 0);
        SendMessageW(focus, WM_CHAR, code == VK_SPACE ? L' ' : code, 0);
        SendMessageW(focus, WM_KEYUP, code, 0);
        keys[VK_SHIFT] = shift;
        SetKeyboardState(keys);
    }
    void hover(ControlId id) override { mouse(WM_MOUSEMOVE, 0, id); }
    // By its place in the menu, as a person finds it.
    void choose(MenuId item) override {
        const HMENU menu = GetSubMenu(GetMenu(window()), 0);
        const UINT command = GetMenuItemID(menu, static_cast<int>(indexOf(item)) - 1);
        SendMessageW(window(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    // Delivers the thread's messages, as the message loop would.
    void wait(int ms) override {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        MSG message{};
        do {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            Sleep(1);
        } while (std::chrono::steady_clock::now() < until);
    }
    void maximize() override { ShowWindow(window(), SW_MAXIMIZE); }
    void close() override { SendMessageW(window(), WM_CLOSE, 0, 0); }
    void startAnother() override {
        boxesBefore_ = boxes_.boxes().size();
        second_.emplace();
        wait(100);
    }

    std::u16string caption(ControlId id) override { return first_->platform.caption(id); }
    // As the box shows it: masked, if it has a password character.
    std::u16string input() override {
        const auto mask = static_cast<char16_t>(SendMessageW(textBox(), EM_GETPASSWORDCHAR, 0, 0));
        const std::u16string text = windowText(textBox());
        return mask == 0 ? text : std::u16string(text.size(), mask);
    }
    std::u16string clipboard() override {
        std::u16string text;
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                text = static_cast<const char16_t*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        return text;
    }
    bool drawn(ControlId id, Color color) override {
        const COLORREF wanted = (color & kSystemColorFlag) != 0
                                    ? GetSysColor(static_cast<int>(color & kSystemColorNumberMask))
                                    : static_cast<COLORREF>(color);
        const RECT box = first_->platform.controlBox(id);
        return ClientPicture(window()).shows(
            wanted, box, seenIn(id, box.right - box.left, box.bottom - box.top));
    }
    int opacity() override {
        BYTE alpha = 0;
        DWORD flags = 0;
        GetLayeredWindowAttributes(window(), nullptr, &alpha, &flags);
        return alpha;
    }
    bool ended() override { return first_->platform.ended() && !IsWindowVisible(window()); }
    std::vector<ShownBox> boxes() override { return boxes_.boxes(); }
    bool focused(ControlId id) override {
        return id == ControlId::Text1 ? GetFocus() == textBox()
                                      : first_->platform.keyboardFocus() == id;
    }
    // Through MSAA, as a screen reader reads the client area's children.
    Accessible accessible(ControlId id) override {
        IAccessible* client = nullptr;
        AccessibleObjectFromWindow(window(), static_cast<DWORD>(OBJID_CLIENT),
                                   __uuidof(IAccessible), reinterpret_cast<void**>(&client));
        if (client == nullptr) {
            return {};
        }
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal =
            static_cast<LONG>(std::ranges::find(kReadingOrder, id) - kReadingOrder.begin()) + 1;
        IAccessible* object = client;
        IDispatch* own = nullptr;
        if (client->get_accChild(child, &own) == S_OK && own != nullptr) {
            own->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&object));
            own->Release();
            child.lVal = CHILDID_SELF;
        }
        const auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
            BSTR value = nullptr;
            std::u16string out;
            if ((object->*get)(child, &value) == S_OK && value != nullptr) {
                out = reinterpret_cast<const char16_t*>(value);
            }
            SysFreeString(value);
            return out;
        };
        VARIANT role{};
        VARIANT state{};
        object->get_accRole(child, &role);
        object->get_accState(child, &state);
        const Spoken as = role.lVal == ROLE_SYSTEM_PUSHBUTTON ? Spoken::Button
                          : role.lVal == ROLE_SYSTEM_TEXT     ? Spoken::Entry
                                                              : Spoken::Text;
        Accessible read{as, text(&IAccessible::get_accName), text(&IAccessible::get_accValue),
                        (state.lVal & STATE_SYSTEM_UNAVAILABLE) == 0,
                        text(&IAccessible::get_accDescription)};
        if (object != client) {
            object->Release();
        }
        client->Release();
        return read;
    }
    // The box's text set while its change notices go nowhere.
    void changeUnnoticed(std::u16string_view text) override {
        const auto forward = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window(), GWLP_WNDPROC));
        static WNDPROC original = nullptr;
        original = forward;
        SetWindowLongPtrW(window(), GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) {
                              return m == WM_COMMAND && HIWORD(wp) == EN_CHANGE
                                         ? LRESULT{0}
                                         : CallWindowProcW(original, w, m, wp, lp);
                          }));
        SetWindowTextW(textBox(), std::wstring(text.begin(), text.end()).c_str());
        SetWindowLongPtrW(window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(forward));
    }
    bool atDesignSize() override {
        RECT client{};
        GetClientRect(window(), &client);
        const auto style = static_cast<DWORD>(GetWindowLongW(window(), GWL_STYLE));
        return !IsZoomed(window()) && !IsIconic(window()) &&
               (style & (WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0 &&
               client.right == pixels(kFormLayout.clientWidth) &&
               client.bottom == pixels(kFormLayout.clientHeight);
    }
    bool idle() override { return !first_->platform.housekeepingAwake(); }
    bool anotherEndedUnseen() override {
        return second_->platform.ended() && !IsWindowVisible(second_->platform.window()) &&
               boxes_.boxes().size() == boxesBefore_ && !ended() && IsWindowVisible(window());
    }

  private:
    HWND window() const { return first_->platform.window(); }
    HWND textBox() const { return first_->platform.textBox(); }
    // Where a person points at a control: its centre, or where it shows.
    void mouse(UINT message, WPARAM buttons, ControlId id) {
        const RECT box = first_->platform.controlBox(id);
        POINT at{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        for (LONG y = box.top; y < box.bottom && first_->platform.surfaceAt(at) != id; ++y) {
            for (LONG x = box.left; x < box.right && first_->platform.surfaceAt(at) != id; ++x) {
                at = {x, y};
            }
        }
        SendMessageW(window(), message, buttons, MAKELPARAM(at.x, at.y));
    }

    BoxAnswerer boxes_;
    std::optional<Instance> first_;
    std::optional<Instance> second_;
    std::size_t boxesBefore_ = 0;
};

}  // namespace

const unsigned kDriverCapabilities = kPacedHousekeeping | kKeyboardFocus | kAccessibleView |
                                     kUnnoticedChange | kWholeCharactersAtLimit;

std::unique_ptr<Driver> makeDriver() {
    return std::make_unique<Win32Driver>();
}

}  // namespace md5z::contract
