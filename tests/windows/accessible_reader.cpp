// A second process that reads the window as assistive technology does,
// through MSAA and WinEvents, and acts on it as such a tool would. Each
// argument is one step; what the steps find is printed one line each, in
// UTF-8:
//
//   window        wait for the window
//   notice        wait for the window and its start-up notice; answer it
//   layout        client WxH at X Y (its origin on the screen), then
//                 place NAME L T R B for each shown child, client pixels
//   tree          child ROLE NAME | VALUE | STATES | ACTION for each child
//   text:UNITS    the box's text replaced as typed keys (\uXXXX escapes)
//   press:NAME    the default action of the child NAME: press NAME ok|refused
//   hook          WinEvents of every process from now on (idProcess 0)
//   events        the window's events since the last look: EVENT NAME, sorted
//   answer        OK pressed on the box the window shows
//   wait:MS       messages pumped for MS milliseconds
//   focus         focus NAME: where get_accFocus says the focus is

#include <oleacc.h>
#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

HWND gWindow = nullptr;
DWORD gProcess = 0;
std::vector<std::string> gEvents;

std::string utf8(std::wstring_view text) {
    std::string out(text.size() * 3, '\0');
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(std::max(length, 0)));
    return out;
}

void say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

[[noreturn]] void fail(const std::string& why) {
    say("failed " + why);
    std::exit(1);
}

std::wstring unescaped(std::wstring_view text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 5 < text.size() + 0 && text[i + 1] == L'u') {
            out += static_cast<wchar_t>(
                std::wcstoul(std::wstring(text.substr(i + 2, 4)).c_str(), nullptr, 16));
            i += 5;
        } else {
            out += text[i];
        }
    }
    return out;
}

void pump(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    MSG message{};
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

HWND findWindow(const wchar_t* type, const wchar_t* title) {
    struct Search {
        const wchar_t* type;
        const wchar_t* title;
        HWND found;
    } search{type, title, nullptr};
    EnumWindows(
        [](HWND window, LPARAM l) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(l);
            wchar_t type[64] = {};
            wchar_t title[64] = {};
            GetClassNameW(window, type, 64);
            GetWindowTextW(window, title, 64);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (std::wcscmp(type, s.type) == 0 &&
                (s.title == nullptr || s.title == std::wstring(title)) && IsWindowVisible(window) &&
                (gProcess == 0 || process == gProcess)) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitFor(const wchar_t* type, const wchar_t* title) {
    for (int tries = 0; tries < 450; ++tries) {
        if (HWND found = findWindow(type, title)) {
            return found;
        }
        pump(100);
    }
    fail("waiting for a window of class " + utf8(type));
}

IAccessible* client() {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(gWindow, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        fail("AccessibleObjectFromWindow");
    }
    return object;
}

VARIANT child(LONG id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* o,
                 LONG id) {
    BSTR value = nullptr;
    std::string out;
    if ((o->*get)(child(id), &value) == S_OK && value != nullptr) {
        out = utf8(value);
    }
    SysFreeString(value);
    return out;
}

using Names = std::initializer_list<std::pair<LONG, const char*>>;

std::string nameIn(Names names, LONG value) {
    for (const auto& [key, name] : names) {
        if (key == value) {
            return name;
        }
    }
    return {};
}

std::string roleName(LONG role) {
    return nameIn({{ROLE_SYSTEM_PUSHBUTTON, "button"},
                   {ROLE_SYSTEM_STATICTEXT, "text"},
                   {ROLE_SYSTEM_TEXT, "entry"},
                   {ROLE_SYSTEM_ALERT, "alert"}},
                  role);
}

std::string stateNames(LONG state) {
    static const std::pair<LONG, const char*> kNames[] = {
        {STATE_SYSTEM_UNAVAILABLE, "unavailable"}, {STATE_SYSTEM_FOCUSED, "focused"},
        {STATE_SYSTEM_FOCUSABLE, "focusable"},     {STATE_SYSTEM_INVISIBLE, "invisible"},
        {STATE_SYSTEM_READONLY, "readonly"},       {STATE_SYSTEM_PROTECTED, "protected"}};
    std::string out;
    for (const auto& [flag, name] : kNames) {
        if (state & flag) {
            out += out.empty() ? name : std::string(",") + name;
        }
    }
    return out;
}

// The child the id names: a simple element, or the box's own object.
IAccessible* objectOf(IAccessible* parent, LONG& id) {
    IDispatch* dispatch = nullptr;
    if (parent->get_accChild(child(id), &dispatch) == S_OK && dispatch != nullptr) {
        IAccessible* own = nullptr;
        dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own));
        dispatch->Release();
        id = CHILDID_SELF;
        return own;
    }
    parent->AddRef();
    return parent;
}

std::string describe(IAccessible* parent, LONG index) {
    LONG id = index;
    IAccessible* o = objectOf(parent, id);
    VARIANT role;
    VARIANT state;
    o->get_accRole(child(id), &role);
    o->get_accState(child(id), &state);
    std::string line = roleName(role.lVal) + " " + text(&IAccessible::get_accName, o, id) + " | " +
                       text(&IAccessible::get_accValue, o, id) + " | " + stateNames(state.lVal) +
                       " | " + text(&IAccessible::get_accDefaultAction, o, id);
    o->Release();
    return line;
}

LONG childNamed(IAccessible* o, const std::string& name) {
    LONG count = 0;
    o->get_accChildCount(&count);
    for (LONG id = 1; id <= count; ++id) {
        LONG own = id;
        IAccessible* object = objectOf(o, own);
        const bool found = text(&IAccessible::get_accName, object, own) == name;
        object->Release();
        if (found) {
            return id;
        }
    }
    fail("no child named " + name);
}

std::string eventName(DWORD event) {
    return nameIn({{EVENT_SYSTEM_ALERT, "alert"},
                   {EVENT_OBJECT_NAMECHANGE, "name"},
                   {EVENT_OBJECT_VALUECHANGE, "value"},
                   {EVENT_OBJECT_STATECHANGE, "state"},
                   {EVENT_OBJECT_SHOW, "show"},
                   {EVENT_OBJECT_HIDE, "hide"},
                   {EVENT_OBJECT_FOCUS, "focus"}},
                  static_cast<LONG>(event));
}

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG id, DWORD, DWORD) {
    const std::string name = eventName(event);
    if (window != gWindow || object != OBJID_CLIENT || name.empty() || id == CHILDID_SELF) {
        return;
    }
    IAccessible* source = nullptr;
    VARIANT which;
    VariantInit(&which);
    if (SUCCEEDED(AccessibleObjectFromEvent(window, static_cast<DWORD>(object),
                                            static_cast<DWORD>(id), &source, &which))) {
        gEvents.push_back(name + " " + text(&IAccessible::get_accName, source, which.lVal));
        source->Release();
    }
}

void layout(IAccessible* o) {
    RECT client{};
    GetClientRect(gWindow, &client);
    POINT origin{0, 0};
    ClientToScreen(gWindow, &origin);
    say("client " + std::to_string(client.right) + "x" + std::to_string(client.bottom) + " at " +
        std::to_string(origin.x) + " " + std::to_string(origin.y));
    LONG count = 0;
    o->get_accChildCount(&count);
    for (LONG index = 1; index <= count; ++index) {
        LONG id = index;
        IAccessible* object = objectOf(o, id);
        VARIANT state;
        object->get_accState(child(id), &state);
        LONG x = 0, y = 0, w = 0, h = 0;
        object->accLocation(&x, &y, &w, &h, child(id));
        if ((state.lVal & STATE_SYSTEM_INVISIBLE) == 0) {
            say("place " + text(&IAccessible::get_accName, object, id) + " " +
                std::to_string(x - origin.x) + " " + std::to_string(y - origin.y) + " " +
                std::to_string(x - origin.x + w) + " " + std::to_string(y - origin.y + h));
        }
        object->Release();
    }
}

void step(const std::wstring& argument) {
    const auto colon = argument.find(L':');
    const std::wstring verb = argument.substr(0, colon);
    const std::wstring rest = colon == std::wstring::npos ? L"" : argument.substr(colon + 1);
    if (verb == L"notice" || verb == L"window") {
        gWindow = waitFor(L"MD5Zevrin.Form1", L"MD5Zevrin");
        GetWindowThreadProcessId(gWindow, &gProcess);
    }
    if (verb == L"window") {
        return;
    }
    if (verb == L"notice") {
        HWND box = waitFor(L"#32770", L"提示");
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        for (int tries = 0; tries < 100 && findWindow(L"#32770", nullptr); ++tries) {
            pump(50);
        }
        return;
    }
    if (verb == L"wait") {
        pump(std::wcstoul(rest.c_str(), nullptr, 10));
        return;
    }
    if (verb == L"hook") {
        SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, onEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
        return;
    }
    if (verb == L"events") {
        std::sort(gEvents.begin(), gEvents.end());
        for (const auto& event : gEvents) {
            say("event " + event);
        }
        gEvents.clear();
        return;
    }
    if (verb == L"answer") {
        HWND box = waitFor(L"#32770", nullptr);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return;
    }
    if (verb == L"text") {
        HWND box = FindWindowExW(gWindow, nullptr, L"Edit", nullptr);
        SendMessageW(box, EM_SETSEL, 0, -1);
        for (const wchar_t unit : unescaped(rest)) {
            SendMessageW(box, WM_CHAR, unit, 0);
        }
        return;
    }
    IAccessible* o = client();
    if (verb == L"layout") {
        layout(o);
    } else if (verb == L"tree") {
        LONG count = 0;
        o->get_accChildCount(&count);
        for (LONG id = 1; id <= count; ++id) {
            say("child " + describe(o, id));
        }
    } else if (verb == L"press") {
        const std::string name = utf8(unescaped(rest));
        const HRESULT done = o->accDoDefaultAction(child(childNamed(o, name)));
        say("press " + name + (done == S_OK ? " ok" : " refused"));
    } else if (verb == L"focus") {
        VARIANT focus;
        VariantInit(&focus);
        o->get_accFocus(&focus);
        if (focus.vt == VT_I4) {
            say("focus " + text(&IAccessible::get_accName, o, focus.lVal));
        } else if (focus.vt == VT_DISPATCH) {
            IAccessible* own = nullptr;
            focus.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own));
            say("focus " + text(&IAccessible::get_accName, own, CHILDID_SELF));
            own->Release();
        } else {
            say("focus none");
        }
        VariantClear(&focus);
    } else {
        fail("unknown step " + utf8(argument));
    }
    o->Release();
}

}  // namespace

int main() {
    OleInitialize(nullptr);
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        step(arguments[i]);
    }
    LocalFree(arguments);
    OleUninitialize();
    return 0;
}
