// The rows on the Win32 window in the test's own process, under Wine's null
// graphics driver: messages as the desktop sends them, colours read from the
// client area as the window paints it, boxes answered by pressing their OK.
#include <oleacc.h>
#include <windows.h>

#include <algorithm>
#include <optional>

#include "contract.h"
#include "platform/win32/win32_platform.h"
#include "window/accessible_tree.h"
#include "window/layout.h"

namespace md5z::contract {
namespace {

std::u16string windowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return reinterpret_cast<const char16_t*>(text);
}

// Every box the window's thread shows, pressed OK as it comes up, and what
// each said.
std::vector<ShownBox> shownBoxes;
LRESULT CALLBACK answerBox(int code, WPARAM w, LPARAM l) {
    const auto box = reinterpret_cast<HWND>(w);
    wchar_t type[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameW(box, type, 16) > 0 &&
        std::wstring_view(type) == L"#32770") {
        ShownBox& shown = shownBoxes.emplace_back(ShownBox{windowText(box), {}});
        EnumChildWindows(
            box,
            [](HWND child, LPARAM text) {
                *reinterpret_cast<std::u16string*>(text) += windowText(child) + u"\n";
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&shown.text));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return CallNextHookEx(nullptr, code, w, l);
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
    Win32Driver() : hook_(SetWindowsHookExW(WH_CBT, answerBox, nullptr, GetCurrentThreadId())) {
        first_.emplace();
        first_->platform.setClipboardText(u"earlier");
    }
    ~Win32Driver() override { UnhookWindowsHookEx(hook_); }

    // SetTimer's 1 ms: Wine ticks every 2 to 14 ms, Windows every 15.6.
    Pace pace() const override { return {1, 16}; }

    // Keys reach the input box only while its window takes input, as
    // Windows delivers them.
    void type(std::u16string_view text) override {
        for (const char16_t unit : text) {
            if (IsWindowEnabled(window())) {
                SendMessageW(textBox(), WM_CHAR, unit, 0);
            }
        }
    }
    void paste(std::u16string_view text) override {
        first_->platform.setClipboardText(text);
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
        constexpr WPARAM kCodes[] = {VK_RETURN, VK_BACK, VK_TAB, VK_TAB, VK_SPACE};
        const WPARAM code = kCodes[static_cast<int>(key)];
        BYTE keys[256] = {};
        keys[VK_SHIFT] = key == Key::BackTab ? 0x80 : 0;
        SetKeyboardState(keys);
        if (IsWindowEnabled(window())) {
            SendMessageW(GetFocus(), WM_KEYDOWN, code, 0);
            SendMessageW(GetFocus(), WM_CHAR, code == VK_SPACE ? L' ' : code, 0);
            SendMessageW(GetFocus(), WM_KEYUP, code, 0);
        }
        keys[VK_SHIFT] = 0;
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
        const long long until = now() + ms;
        MSG message{};
        do {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            Sleep(1);
        } while (now() < until);
    }
    void maximize() override { ShowWindow(window(), SW_MAXIMIZE); }
    void close() override { SendMessageW(window(), WM_CLOSE, 0, 0); }
    // Open for this thread, not for the window: the window's own calls fail.
    void holdClipboard(std::u16string_view text) override {
        first_->platform.setClipboardText(text);
        OpenClipboard(nullptr);
    }
    void startAnother() override {
        boxesBefore_ = shownBoxes.size();
        second_.emplace();
        wait(100);
    }
    // The box's text set while its change notices go nowhere.
    void changeUnnoticed(std::u16string_view text) override {
        static WNDPROC original = nullptr;
        original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window(), GWLP_WNDPROC));
        SetWindowLongPtrW(window(), GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) {
                              return m == WM_COMMAND && HIWORD(wp) == EN_CHANGE
                                         ? LRESULT{0}
                                         : CallWindowProcW(original, w, m, wp, lp);
                          }));
        SetWindowTextW(textBox(), std::wstring(text.begin(), text.end()).c_str());
        SetWindowLongPtrW(window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
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
    // In the client area as the window paints it.
    bool drawn(ControlId id, Color color) override {
        RECT client{};
        GetClientRect(window(), &client);
        HDC screen = GetDC(window());
        HDC picture = CreateCompatibleDC(screen);
        HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
        HGDIOBJ previous = SelectObject(picture, canvas);
        ReleaseDC(window(), screen);
        SendMessageW(window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture), PRF_CLIENT);
        const Color wanted = (color & kSystemColorFlag) != 0
                                 ? GetSysColor(static_cast<int>(color & kSystemColorNumberMask))
                                 : color;
        const RECT box = first_->platform.controlBox(id);
        const bool shown =
            shows(id, wanted, box.right - box.left, box.bottom - box.top,
                  [&](int x, int y) { return GetPixel(picture, box.left + x, box.top + y); });
        DeleteObject(SelectObject(picture, previous));
        DeleteDC(picture);
        return shown;
    }
    int opacity() override {
        BYTE alpha = 0;
        GetLayeredWindowAttributes(window(), nullptr, &alpha, nullptr);
        return alpha;
    }
    bool ended() override { return first_->platform.ended() && !IsWindowVisible(window()); }
    ShownBox lastBox() override { return shownBoxes.empty() ? ShownBox{} : shownBoxes.back(); }
    bool focused(ControlId id) override {
        return id == ControlId::Text1 ? GetFocus() == textBox()
                                      : first_->platform.keyboardFocus() == id;
    }
    // Through MSAA, as a screen reader reads the client area's children.
    Accessible accessible(ControlId id) override {
        IAccessible* client = nullptr;
        AccessibleObjectFromWindow(window(), static_cast<DWORD>(OBJID_CLIENT),
                                   __uuidof(IAccessible), reinterpret_cast<void**>(&client));
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
            (object->*get)(child, &value);
            std::u16string out = value != nullptr ? reinterpret_cast<const char16_t*>(value) : u"";
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
               shownBoxes.size() == boxesBefore_ && !ended() && IsWindowVisible(window());
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

    HHOOK hook_;
    std::optional<Instance> first_;
    std::optional<Instance> second_;
    std::size_t boxesBefore_ = 0;
};

}  // namespace

const unsigned kDriverCapabilities = kWidgets | kHeldClipboard;

std::unique_ptr<Driver> makeDriver() {
    return std::make_unique<Win32Driver>();
}

}  // namespace md5z::contract
