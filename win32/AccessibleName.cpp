#include "AccessibleName.h"

#include <commctrl.h>
#include <exception>
#include <memory>
#include <oleacc.h>
#include <utility>

// Interfaces are named by __uuidof: the import library of oleacc.dll defines IID_IAccessible as a jump to the DLL's
// export, which a link that meets it before the GUID's own definition takes for the GUID.
namespace
{

// A control's name and the source of its value, kept with the control for as long as it lives.
struct Naming {
    std::wstring name;
    std::function<std::wstring()> value;
};

constexpr UINT_PTR SubclassId = 1;

// What the control holds: its Naming, shared with the objects handed to screen readers, which may keep them after
// the control is gone and then must no longer call the value function.
using NamingHolder = std::shared_ptr<const Naming>;

bool isSelf(const VARIANT &child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// A COM object is ended by its own Release, never deleted through its interface, which has no virtual destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// The system's standard object for the control, with the control's own name and value in place of the
// standard ones; every other question goes to the standard object.
class NamedAccessible final : public IAccessible
{
public:
    NamedAccessible(IAccessible *standard, std::weak_ptr<const Naming> naming)
        : m_standard(standard)
        , m_naming(std::move(naming))
    {
    }
    NamedAccessible(const NamedAccessible &) = delete;
    NamedAccessible &operator=(const NamedAccessible &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible *>(this);
            AddRef();
            return S_OK;
        }
        // The list's children are the standard object's to give. Nothing else is asked of it: its marshalling
        // interfaces would hand a screen reader the standard object in place of this one.
        if (iid == __uuidof(IEnumVARIANT) || iid == __uuidof(IOleWindow))
            return m_standard->QueryInterface(iid, object);
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const auto left = static_cast<ULONG>(InterlockedDecrement(&m_references));
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override { return m_standard->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo **info) override
    {
        return m_standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID locale, DISPID *ids) override
    {
        return m_standard->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS *parameters,
        VARIANT *result, EXCEPINFO *exception, UINT *argumentError) override
    {
        return m_standard->Invoke(id, iid, locale, flags, parameters, result, exception, argumentError);
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR *name) override
    {
        const NamingHolder naming = m_naming.lock();
        if (!naming || !isSelf(child))
            return m_standard->get_accName(child, name);
        return text(naming->name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR *value) override
    {
        const NamingHolder naming = m_naming.lock();
        if (!naming || !naming->value || !isSelf(child))
            return m_standard->get_accValue(child, value);
        if (!value)
            return E_POINTER;
        *value = nullptr;
        // Nothing may throw across the interface.
        try {
            return text(naming->value(), value);
        } catch (const std::exception &) {
            return E_FAIL;
        }
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch **parent) override { return m_standard->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG *count) override { return m_standard->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch **object) override
    {
        return m_standard->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR *description) override
    {
        return m_standard->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT *role) override
    {
        return m_standard->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT *state) override
    {
        return m_standard->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR *help) override
    {
        return m_standard->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR *file, VARIANT child, LONG *topic) override
    {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR *shortcut) override
    {
        return m_standard->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT *child) override { return m_standard->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT *children) override
    {
        return m_standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR *action) override
    {
        return m_standard->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override
    {
        return m_standard->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG *left, LONG *top, LONG *width, LONG *height, VARIANT child) override
    {
        return m_standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT *end) override
    {
        return m_standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT *child) override
    {
        return m_standard->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return m_standard->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override
    {
        return m_standard->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return m_standard->put_accValue(child, value);
    }

private:
    // Only Release ends it.
    ~NamedAccessible() { m_standard->Release(); }

    static HRESULT text(const std::wstring &text, BSTR *result)
    {
        if (!result)
            return E_POINTER;
        *result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *result ? S_OK : E_OUTOFMEMORY;
    }

    IAccessible *m_standard;
    std::weak_ptr<const Naming> m_naming;
    LONG m_references = 1;
};
#pragma GCC diagnostic pop

LRESULT CALLBACK namedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        IAccessible *standard = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(
                control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void **>(&standard)))) {
            auto *named = new NamedAccessible(standard, *reinterpret_cast<const NamingHolder *>(data));
            const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, named);
            named->Release();
            return result;
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, namedControlProc, SubclassId);
        std::unique_ptr<NamingHolder>(reinterpret_cast<NamingHolder *>(data)).reset();
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

} // namespace

void setAccessibleName(HWND control, std::wstring name, std::function<std::wstring()> value)
{
    // The object a screen reader gets travels through COM, which the window's thread joins once.
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    auto naming
        = std::make_unique<NamingHolder>(std::make_shared<const Naming>(Naming { std::move(name), std::move(value) }));
    // The control keeps it from here on, and lets it go as it is destroyed.
    if (SetWindowSubclass(control, namedControlProc, SubclassId, reinterpret_cast<DWORD_PTR>(naming.get())))
        naming.release();
}
