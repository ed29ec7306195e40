// A second process that reads the window as assistive technology does,
// through MSAA and WinEvents, and acts on it as such a tool would. It waits
// for the program's window first; then each argument is one step, and what
// the steps find is printed one line each, in UTF-8:
//
//   tree          client WxH at X Y (its origin on the screen), then
//                 child ROLE NAME | VALUE | STATES | ACTION | L T R B
//                 for each child, its place in client pixels
//   answer        OK pressed on the box the program shows (the start-up
//                 notice, say), and the box gone
//   text:TEXT     the box's text replaced as typed keys
//   press:NAME    the default action of the child NAME: press NAME ok|refused
//   hook          WinEvents of every process from now on (idProcess 0)
//   events        the window's alerts and name changes since the last look:
//                 event alert|name NAME, sorted
//   wait:MS       messages pumped for MS milliseconds
//   focus         focus NAME: where get_accFocus says the focus is

#include <oleacc.h>
#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
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
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

[[noreturn]] void fail(const std::string& why) {
    say("failed " + why);
    std::exit(1);
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

// A shown top-level window of the program (of any process before it is
// found) of this class and, unless null, this title.
HWND findWindow(const wchar_t* type, const wchar_t* title) {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, type, title));) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (IsWindowVisible(window) && (gProcess == 0 || process == gProcess)) {
            return window;
        }
    }
    return nullptr;
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

VARIANT child(LONG id) {
    VARIANT v{};
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

std::string nameOf(IAccessible* o, LONG id) {
    return text(&IAccessible::get_accName, o, id);
}

std::string roleName(LONG role) {
    return role == ROLE_SYSTEM_PUSHBUTTON   ? "button"
           : role == ROLE_SYSTEM_STATICTEXT ? "text"
           : role == ROLE_SYSTEM_TEXT       ? "entry"
           : role == ROLE_SYSTEM_ALERT      ? "alert"
                                            : std::to_string(role);
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

// Calls visit(index, object, id) for each child of the client area: a
// simple element of `client`, or an object of its own (the box's).
template <typename Visit>
void forEachChild(IAccessible* client, Visit visit) {
    LONG count = 0;
    client->get_accChildCount(&count);
    for (LONG index = 1; index <= count; ++index) {
        IDispatch* dispatch = nullptr;
        IAccessible* object = client;
        LONG id = index;
        if (client->get_accChild(child(index), &dispatch) == S_OK && dispatch != nullptr) {
            dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&object));
            dispatch->Release();
            id = CHILDID_SELF;
        }
        visit(index, object, id);
        if (object != client) {
            object->Release();
        }
    }
}

void tree(IAccessible* client) {
    RECT area{};
    GetClientRect(gWindow, &area);
    POINT origin{0, 0};
    ClientToScreen(gWindow, &origin);
    say("client " + std::to_string(area.right) + "x" + std::to_string(area.bottom) + " at " +
        std::to_string(origin.x) + " " + std::to_string(origin.y));
    forEachChild(client, [&](LONG, IAccessible* o, LONG id) {
        VARIANT role{}, state{};
        o->get_accRole(child(id), &role);
        o->get_accState(child(id), &state);
        LONG x = 0, y = 0, w = 0, h = 0;
        o->accLocation(&x, &y, &w, &h, child(id));
        x -= origin.x;
        y -= origin.y;
        say("child " + roleName(role.lVal) + " " + nameOf(o, id) + " | " +
            text(&IAccessible::get_accValue, o, id) + " | " + stateNames(state.lVal) + " | " +
            text(&IAccessible::get_accDefaultAction, o, id) + " | " + std::to_string(x) + " " +
            std::to_string(y) + " " + std::to_string(x + w) + " " + std::to_string(y + h));
    });
}

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG id, DWORD, DWORD) {
    const char* name = event == EVENT_SYSTEM_ALERT        ? "alert"
                       : event == EVENT_OBJECT_NAMECHANGE ? "name"
                                                          : nullptr;
    IAccessible* source = nullptr;
    VARIANT which{};
    if (window == gWindow && object == OBJID_CLIENT && name && id != CHILDID_SELF &&
        SUCCEEDED(AccessibleObjectFromEvent(window, static_cast<DWORD>(object),
                                            static_cast<DWORD>(id), &source, &which))) {
        gEvents.push_back(std::string(name) + " " + nameOf(source, which.lVal));
        source->Release();
    }
}

void step(const std::wstring& argument) {
    const auto colon = argument.find(L':');
    const std::wstring verb = argument.substr(0, colon);
    const std::wstring rest = colon == std::wstring::npos ? L"" : argument.substr(colon + 1);
    if (verb == L"answer") {
        PostMessageW(waitFor(L"#32770", nullptr), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        for (int tries = 0; tries < 100 && findWindow(L"#32770", nullptr); ++tries) {
            pump(50);
        }
    } else if (verb == L"wait") {
        pump(std::wcstoul(rest.c_str(), nullptr, 10));
    } else if (verb == L"hook") {
        SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, onEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
    } else if (verb == L"events") {
        std::sort(gEvents.begin(), gEvents.end());
        for (const auto& event : gEvents) {
            say("event " + event);
        }
        gEvents.clear();
    } else if (verb == L"text") {
        HWND box = FindWindowExW(gWindow, nullptr, L"Edit", nullptr);
        SendMessageW(box, EM_SETSEL, 0, -1);
        for (const wchar_t unit : rest) {
            SendMessageW(box, WM_CHAR, unit, 0);
        }
    } else {
        IAccessible* client = nullptr;
        if (FAILED(AccessibleObjectFromWindow(gWindow, static_cast<DWORD>(OBJID_CLIENT),
                                              __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&client)))) {
            fail("AccessibleObjectFromWindow");
        }
        if (verb == L"tree") {
            tree(client);
        } else if (verb == L"press") {
            LONG target = 0;
            forEachChild(client, [&](LONG index, IAccessible* o, LONG id) {
                target = nameOf(o, id) == utf8(rest) ? index : target;
            });
            if (target == 0) {
                fail("no child named " + utf8(rest));
            }
            const bool done = client->accDoDefaultAction(child(target)) == S_OK;
            say("press " + utf8(rest) + (done ? " ok" : " refused"));
        } else if (verb == L"focus") {
            VARIANT focus{};
            client->get_accFocus(&focus);
            IAccessible* own = client;
            if (focus.vt == VT_DISPATCH) {
                focus.pdispVal->QueryInterface(__uuidof(IAccessible),
                                               reinterpret_cast<void**>(&own));
            }
            say("focus " + (focus.vt == VT_EMPTY
                                ? std::string("none")
                                : nameOf(own, focus.vt == VT_I4 ? focus.lVal : 0)));
            if (own != client) {
                own->Release();
            }
            VariantClear(&focus);
        } else {
            fail("unknown step " + utf8(argument));
        }
        client->Release();
    }
}

}  // namespace

int main() {
    OleInitialize(nullptr);
    gWindow = waitFor(L"MD5Zevrin.Form1", L"MD5Zevrin");
    GetWindowThreadProcessId(gWindow, &gProcess);
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        step(arguments[i]);
    }
    LocalFree(arguments);
    OleUninitialize();
    return 0;
}
