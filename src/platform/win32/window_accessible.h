#pragma once

#include <oleacc.h>
#include <windows.h>

#include "window/controls.h"

namespace md5z {

class Win32Platform;

// What assistive technology reads of the window through MSAA, and UI
// Automation clients such as Narrator through Windows' MSAA proxy: the same
// tree as the Linux window shows (the title, the prompt, the input box, the
// counter, the warning, 加密, 重置, then each row's value and its copy
// label). The label-buttons are push buttons that press as a click does; a
// row is named by its caption and carries what it shows as its value; the
// warning is an alert while it shows. The shapes, lines, background and the
// hidden stores are not there to be read.
//
// What a click on a label-button changed is told by an alert of its own
// (EVENT_SYSTEM_ALERT), whose name is the words to say; it is never drawn
// and is not among the children.
//
// One object stands for the client area with those children (root Form1),
// another for the input box alone (root Text1), which names the box by its
// tooltip as the Linux window does. Each lives as long as a client holds
// it; once the window is gone it answers CO_E_OBJNOTCONNECTED.
class WindowAccessible final : public IAccessible {
  public:
    WindowAccessible(Win32Platform& platform, ControlId root);
    WindowAccessible(const WindowAccessible&) = delete;
    WindowAccessible& operator=(const WindowAccessible&) = delete;

    // The window is going: nothing reaches it from now on.
    void disconnect() { platform_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID type, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

  private:
    ~WindowAccessible() = default;
    // The control a child id names here, if any.
    bool resolve(const VARIANT& child, ControlId& id) const;
    bool isNotice(const VARIANT& child) const;
    HRESULT childVariant(ControlId id, VARIANT* out) const;

    Win32Platform* platform_;
    ControlId root_;
    LONG references_ = 1;
};

// What assistive technology is told when a control changes.
enum class AccessibleChange { Caption, Enabled, Shown, Hidden, Focus };
void notifyAccessibility(HWND window, ControlId id, AccessibleChange change);
// The notice has new words to say.
void announce(HWND window);

}  // namespace md5z
