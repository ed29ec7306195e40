#include "platform/win32/window_accessible.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "platform/win32/win32_platform.h"
#include "window/accessible_tree.h"
#include "window/layout.h"

namespace md5z {
namespace {

using enum ControlId;

// The default action of a push button, as Windows names it in Chinese.
constexpr std::u16string_view kPressAction = u"按下";

// A child's id is its place in the reading order, counted from 1. The
// notice of what a click changed comes after them; it is not counted among
// the children, as it is never drawn, but its alerts name it.
constexpr LONG kNoticeChild = static_cast<LONG>(kReadingOrder.size()) + 1;

constexpr LONG childIdOf(ControlId id) {
    const auto found = std::ranges::find(kReadingOrder, id);
    return found != kReadingOrder.end() ? static_cast<LONG>(found - kReadingOrder.begin()) + 1
                                        : CHILDID_SELF;
}

HRESULT answer(std::u16string_view text, BSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT noText(BSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    return S_FALSE;
}

void setNumber(VARIANT* out, LONG number) {
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = number;
}

std::u16string nameOf(const Win32Platform& platform, ControlId id) {
    if (id == ControlId::Form1) {
        return platform.windowTitle();
    }
    if (id == Text1) {
        return std::u16string(layoutOf(Text1).toolTip);
    }
    if (id == Label17) {
        return std::u16string(kCounterName);
    }
    if (const AccessibleRow* row = rowShowing(id)) {
        return platform.caption(row->caption);
    }
    if (const AccessibleRow* row = rowCopiedBy(id)) {
        return platform.caption(id) + u' ' + platform.caption(row->caption);
    }
    return platform.caption(id);
}

LONG roleOf(const Win32Platform& platform, ControlId id) {
    if (id == ControlId::Form1) {
        return ROLE_SYSTEM_CLIENT;
    }
    if (id == Text1) {
        return ROLE_SYSTEM_TEXT;
    }
    if (isLabelButton(id)) {
        return ROLE_SYSTEM_PUSHBUTTON;
    }
    if (id == Label14 && platform.isVisible(id)) {
        return ROLE_SYSTEM_ALERT;
    }
    return ROLE_SYSTEM_STATICTEXT;
}

LONG stateOf(const Win32Platform& platform, ControlId id) {
    LONG state = 0;
    const HWND focus = GetFocus();
    if (!IsWindowVisible(platform.window()) ||
        (id != ControlId::Form1 && !platform.isVisible(id))) {
        state |= STATE_SYSTEM_INVISIBLE;
    }
    if (id == ControlId::Form1) {
        state |= STATE_SYSTEM_FOCUSABLE;
        if (focus == platform.window() && !platform.keyboardFocus()) {
            state |= STATE_SYSTEM_FOCUSED;
        }
    } else if (id == Text1) {
        state |= STATE_SYSTEM_FOCUSABLE;
        state |= focus == platform.textBox() ? STATE_SYSTEM_FOCUSED : 0;
        state |= SendMessageW(platform.textBox(), EM_GETPASSWORDCHAR, 0, 0) != 0
                     ? STATE_SYSTEM_PROTECTED
                     : 0;
    } else if (isLabelButton(id)) {
        state |= STATE_SYSTEM_FOCUSABLE;
        state |= platform.keyboardFocus() == id ? STATE_SYSTEM_FOCUSED : 0;
    } else {
        state |= STATE_SYSTEM_READONLY;
    }
    if ((id != ControlId::Form1 && !platform.isEnabled(id)) ||
        !IsWindowEnabled(platform.window())) {
        state = (state & ~STATE_SYSTEM_FOCUSABLE) | STATE_SYSTEM_UNAVAILABLE;
    }
    return state;
}

RECT screenBoxOf(const Win32Platform& platform, ControlId id) {
    RECT box{};
    if (id == Text1) {
        GetWindowRect(platform.textBox(), &box);
        return box;
    }
    if (id == ControlId::Form1) {
        GetClientRect(platform.window(), &box);
    } else {
        box = platform.controlBox(id);
    }
    MapWindowPoints(platform.window(), nullptr, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

}  // namespace

WindowAccessible::WindowAccessible(Win32Platform& platform, ControlId root)
    : platform_(&platform), root_(root) {}

bool WindowAccessible::resolve(const VARIANT& child, ControlId& id) const {
    if (platform_ == nullptr || child.vt != VT_I4) {
        return false;
    }
    if (child.lVal == CHILDID_SELF) {
        id = root_;
        return true;
    }
    if (root_ != ControlId::Form1 || child.lVal < 1 ||
        child.lVal > static_cast<LONG>(kReadingOrder.size())) {
        return false;
    }
    id = kReadingOrder[static_cast<std::size_t>(child.lVal - 1)];
    return true;
}

// The input box is a window of its own, with an object of its own; every
// other control is a simple element of the client area's object.
HRESULT WindowAccessible::childVariant(ControlId id, VARIANT* out) const {
    VariantInit(out);
    if (id == root_) {
        setNumber(out, CHILDID_SELF);
        return S_OK;
    }
    if (id == Text1) {
        out->vt = VT_DISPATCH;
        return AccessibleObjectFromWindow(platform_->textBox(), static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IDispatch),
                                          reinterpret_cast<void**>(&out->pdispVal));
    }
    setNumber(out, childIdOf(id));
    return S_OK;
}

HRESULT WindowAccessible::QueryInterface(REFIID type, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (type == __uuidof(IUnknown) || type == __uuidof(IDispatch) ||
        type == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG WindowAccessible::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG WindowAccessible::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

// Clients reach the object through its vtable, never through IDispatch.
HRESULT WindowAccessible::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}
HRESULT WindowAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}
HRESULT WindowAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}
HRESULT WindowAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                 UINT*) {
    return E_NOTIMPL;
}

HRESULT WindowAccessible::get_accParent(IDispatch** parent) {
    if (parent == nullptr) {
        return E_POINTER;
    }
    *parent = nullptr;
    if (platform_ == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    const HWND window = root_ == Text1 ? platform_->textBox() : platform_->window();
    return CreateStdAccessibleObject(window, OBJID_WINDOW, __uuidof(IDispatch),
                                     reinterpret_cast<void**>(parent));
}

HRESULT WindowAccessible::get_accChildCount(LONG* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    if (platform_ == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    *count = root_ == ControlId::Form1 ? static_cast<LONG>(kReadingOrder.size()) : 0;
    return S_OK;
}

HRESULT WindowAccessible::get_accChild(VARIANT child, IDispatch** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    ControlId id{};
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    if (id == Text1 && root_ == ControlId::Form1) {
        return AccessibleObjectFromWindow(platform_->textBox(), static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IDispatch), reinterpret_cast<void**>(object));
    }
    return S_FALSE;
}

bool WindowAccessible::isNotice(const VARIANT& child) const {
    return platform_ != nullptr && root_ == ControlId::Form1 && child.vt == VT_I4 &&
           child.lVal == kNoticeChild;
}

HRESULT WindowAccessible::get_accName(VARIANT child, BSTR* name) {
    if (isNotice(child)) {
        return answer(platform_->notice(), name);
    }
    ControlId id{};
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    return answer(nameOf(*platform_, id), name);
}

HRESULT WindowAccessible::get_accValue(VARIANT child, BSTR* value) {
    if (isNotice(child)) {
        return noText(value);
    }
    ControlId id{};
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    if (id == Text1) {
        const bool masked = SendMessageW(platform_->textBox(), EM_GETPASSWORDCHAR, 0, 0) != 0;
        return masked ? noText(value) : answer(platform_->text(), value);
    }
    return readsAsValue(id) ? answer(platform_->caption(id), value) : noText(value);
}

// The tooltip says what a control is for, as on the Linux window (the box's
// name repeats it, which screen readers do not say twice).
HRESULT WindowAccessible::get_accDescription(VARIANT child, BSTR* description) {
    if (isNotice(child)) {
        return noText(description);
    }
    ControlId id{};
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    if (id == ControlId::Form1 || layoutOf(id).toolTip.empty()) {
        return noText(description);
    }
    return answer(layoutOf(id).toolTip, description);
}

HRESULT WindowAccessible::get_accRole(VARIANT child, VARIANT* role) {
    ControlId id{};
    if (role == nullptr) {
        return E_POINTER;
    }
    if (isNotice(child)) {
        setNumber(role, ROLE_SYSTEM_ALERT);
        return S_OK;
    }
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    setNumber(role, roleOf(*platform_, id));
    return S_OK;
}

HRESULT WindowAccessible::get_accState(VARIANT child, VARIANT* state) {
    ControlId id{};
    if (state == nullptr) {
        return E_POINTER;
    }
    if (isNotice(child)) {
        setNumber(state, STATE_SYSTEM_READONLY);
        return S_OK;
    }
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    setNumber(state, stateOf(*platform_, id));
    return S_OK;
}

HRESULT WindowAccessible::get_accHelp(VARIANT, BSTR* help) {
    return noText(help);
}

HRESULT WindowAccessible::get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) {
    if (topic != nullptr) {
        *topic = 0;
    }
    return noText(file);
}

HRESULT WindowAccessible::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
    return noText(shortcut);
}

HRESULT WindowAccessible::get_accFocus(VARIANT* focus) {
    if (focus == nullptr) {
        return E_POINTER;
    }
    VariantInit(focus);
    if (platform_ == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    const HWND focused = GetFocus();
    if (focused == platform_->textBox()) {
        return childVariant(Text1, focus);
    }
    if (root_ == ControlId::Form1 && focused == platform_->window()) {
        return childVariant(platform_->keyboardFocus().value_or(ControlId::Form1), focus);
    }
    return S_FALSE;
}

HRESULT WindowAccessible::get_accSelection(VARIANT* selection) {
    if (selection == nullptr) {
        return E_POINTER;
    }
    VariantInit(selection);
    return S_FALSE;
}

HRESULT WindowAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (isNotice(child)) {
        return noText(action);
    }
    ControlId id{};
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    return isLabelButton(id) ? answer(kPressAction, action) : noText(action);
}

// Only taking the focus is a selection here.
HRESULT WindowAccessible::accSelect(LONG flags, VARIANT child) {
    ControlId id{};
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    if (flags != SELFLAG_TAKEFOCUS || !(id == Text1 || isLabelButton(id)) ||
        (stateOf(*platform_, id) & STATE_SYSTEM_FOCUSABLE) == 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    platform_->focusOn(id);
    return S_OK;
}

HRESULT WindowAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                      VARIANT child) {
    ControlId id{};
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
        return E_POINTER;
    }
    if (isNotice(child)) {
        *left = *top = *width = *height = 0;
        return S_OK;
    }
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    const RECT box = screenBoxOf(*platform_, id);
    *left = box.left;
    *top = box.top;
    *width = box.right - box.left;
    *height = box.bottom - box.top;
    return S_OK;
}

HRESULT WindowAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
    ControlId id{};
    if (end == nullptr) {
        return E_POINTER;
    }
    VariantInit(end);
    if (!resolve(start, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    if (root_ != ControlId::Form1) {
        return S_FALSE;
    }
    const LONG count = static_cast<LONG>(kReadingOrder.size());
    LONG to = 0;
    if (id == ControlId::Form1 &&
        (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD)) {
        to = direction == NAVDIR_FIRSTCHILD ? 1 : count;
    } else if (id != ControlId::Form1 &&
               (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS)) {
        to = childIdOf(id) + (direction == NAVDIR_NEXT ? 1 : -1);
    }
    if (to < 1 || to > count) {
        return S_FALSE;
    }
    return childVariant(kReadingOrder[static_cast<std::size_t>(to - 1)], end);
}

// The topmost shown control under the point, as the mouse finds it.
HRESULT WindowAccessible::accHitTest(LONG x, LONG y, VARIANT* child) {
    if (child == nullptr) {
        return E_POINTER;
    }
    VariantInit(child);
    if (platform_ == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    const POINT point{x, y};
    const RECT box = screenBoxOf(*platform_, Text1);
    if (PtInRect(&box, point)) {
        return childVariant(Text1, child);
    }
    if (root_ != ControlId::Form1) {
        return S_FALSE;
    }
    for (const ControlId id : kReadingOrder) {
        const RECT shown = screenBoxOf(*platform_, id);
        if (id != Text1 && platform_->isVisible(id) && PtInRect(&shown, point)) {
            return childVariant(id, child);
        }
    }
    const RECT client = screenBoxOf(*platform_, ControlId::Form1);
    return PtInRect(&client, point) ? childVariant(ControlId::Form1, child) : S_FALSE;
}

HRESULT WindowAccessible::accDoDefaultAction(VARIANT child) {
    ControlId id{};
    if (!resolve(child, id)) {
        return platform_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG;
    }
    if (!isLabelButton(id)) {
        return DISP_E_MEMBERNOTFOUND;
    }
    return platform_->pressSoon(id) ? S_OK : E_FAIL;
}

HRESULT WindowAccessible::put_accName(VARIANT, BSTR) {
    return E_NOTIMPL;
}

HRESULT WindowAccessible::put_accValue(VARIANT, BSTR) {
    return E_NOTIMPL;
}

void announce(HWND window) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, kNoticeChild);
    NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, kNoticeChild);
}

void notifyAccessibility(HWND window, ControlId id, AccessibleChange change) {
    const LONG child = childIdOf(id);
    if (child == CHILDID_SELF || window == nullptr) {
        return;
    }
    switch (change) {
        case AccessibleChange::Caption:
            NotifyWinEvent(readsAsValue(id) ? EVENT_OBJECT_VALUECHANGE : EVENT_OBJECT_NAMECHANGE,
                           window, OBJID_CLIENT, child);
            break;
        case AccessibleChange::Enabled:
            NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window, OBJID_CLIENT, child);
            break;
        case AccessibleChange::Shown:
            NotifyWinEvent(EVENT_OBJECT_SHOW, window, OBJID_CLIENT, child);
            if (id == Label14) {
                NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, child);
            }
            break;
        case AccessibleChange::Hidden:
            NotifyWinEvent(EVENT_OBJECT_HIDE, window, OBJID_CLIENT, child);
            break;
        case AccessibleChange::Focus:
            NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, child);
            break;
    }
}

}  // namespace md5z
