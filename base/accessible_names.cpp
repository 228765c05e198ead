#include "base/accessible_names.h"

#include <commctrl.h>

#include <new>

#include "base/late_binding.h"
#include "base/texts.h"

namespace {

// Spelled out: a static MinGW link takes IID_IAccessible from oleacc's import library,
// where the symbol is an export thunk rather than the GUID.
constexpr IID AccessibleInterface = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr IID DispatchInterface = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID UnknownInterface = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// oleacc and oleaut32 are bound when a screen reader first asks, not at the start.
struct AccessibilityCalls {
    decltype(&CreateStdAccessibleObject) createStandard =
        BindEntryPoint<decltype(&CreateStdAccessibleObject)>(L"oleacc.dll", "CreateStdAccessibleObject");
    decltype(&LresultFromObject) resultFromObject =
        BindEntryPoint<decltype(&LresultFromObject)>(L"oleacc.dll", "LresultFromObject");
    decltype(&SysAllocString) allocateString =
        BindEntryPoint<decltype(&SysAllocString)>(L"oleaut32.dll", "SysAllocString");
};

const AccessibilityCalls& Calls() {
    static const AccessibilityCalls calls;
    return calls;
}

struct Annotation {
    UINT nameId;
    LONG role;
};

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's object for a control, answering the name and role of the annotation for
// the control itself and passing everything else on. Direct Annotation
// (IAccPropServices::SetHwndPropStr) is the documented way to name a control, but Wine 8
// answers it with E_NOTIMPL, so the names would be lost there; answering WM_GETOBJECT
// with the system's object wrapped works on every Windows and on Wine. IAccessible has
// no base to inherit the rest from, hence the forwards.
class AnnotatedAccessible final : public IAccessible {
public:
    AnnotatedAccessible(IAccessible* standard, Annotation annotation) : standard_(standard), annotation_(annotation) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(id, AccessibleInterface) || IsEqualIID(id, DispatchInterface) ||
            IsEqualIID(id, UnknownInterface)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return standard_->QueryInterface(id, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
        return standard_->Invoke(member, id, locale, flags, parameters, result, exception, argumentError);
    }

    // IAccessible: the name and role of the control itself are the annotation's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child) || annotation_.nameId == 0) return standard_->get_accName(child, name);
        if (!name) return E_POINTER;
        const auto allocate = Calls().allocateString;
        *name = allocate ? allocate(LoadText(annotation_.nameId).c_str()) : nullptr;
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child) || annotation_.role == 0) return standard_->get_accRole(child, role);
        if (!role) return E_POINTER;
        role->vt = VT_I4;
        role->lVal = annotation_.role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~AnnotatedAccessible() { standard_->Release(); }

    IAccessible* standard_;
    Annotation annotation_;
    LONG references_ = 1;
};

// The apartment of the open sheet, if any; one sheet runs at a time, and WM_GETOBJECT
// comes on its thread.
ScreenReaderApartment* OpenApartment = nullptr;

// The control's object for WM_GETOBJECT; 0 (the system answers) when it cannot be made.
LRESULT AnswerObjectRequest(HWND control, WPARAM flags, const Annotation& annotation) {
    const AccessibilityCalls& calls = Calls();
    if (!calls.createStandard || !calls.resultFromObject) return 0;
    IAccessible* standard = nullptr;
    if (FAILED(calls.createStandard(control, OBJID_CLIENT, AccessibleInterface, reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* annotated = new (std::nothrow) AnnotatedAccessible(standard, annotation);
    if (!annotated) {
        standard->Release();
        return 0;
    }
    LRESULT result = calls.resultFromObject(AccessibleInterface, flags, annotated);
    // The answer travels to the screen reader through COM, which this thread may not
    // have set up yet: then it is set up for as long as the sheet runs.
    if (static_cast<HRESULT>(result) == CO_E_NOTINITIALIZED && OpenApartment && OpenApartment->setUpOnce())
        result = calls.resultFromObject(AccessibleInterface, flags, annotated);
    annotated->Release();
    return result < 0 ? 0 : result;
}

constexpr UINT_PTR AnnotationSubclass = 0x4163;  // 'Ac'

// The annotation travels as the subclass's data: a string id and a role fit a word each.
DWORD_PTR PackAnnotation(const Annotation& annotation) {
    return static_cast<DWORD_PTR>(MAKELONG(static_cast<WORD>(annotation.nameId), static_cast<WORD>(annotation.role)));
}
Annotation UnpackAnnotation(DWORD_PTR data) {
    return {LOWORD(data), static_cast<LONG>(HIWORD(data))};
}

LRESULT CALLBACK AnnotatedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data) {
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT answer = AnswerObjectRequest(control, wParam, UnpackAnnotation(data))) return answer;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, AnnotatedControlProc, AnnotationSubclass);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void SetAccessibleName(HWND control, UINT nameId, LONG role) {
    // A second call with the same subclass only replaces its data.
    if (!control || !SetWindowSubclass(control, AnnotatedControlProc, AnnotationSubclass,
                                       PackAnnotation({nameId, role})))
        return;
    // Bound at run time, as the oldest systems lack the call.
    static const auto notify = BindEntryPoint<decltype(&NotifyWinEvent)>(L"user32.dll", "NotifyWinEvent");
    if (notify) notify(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

ScreenReaderApartment::ScreenReaderApartment() { OpenApartment = this; }

ScreenReaderApartment::~ScreenReaderApartment() {
    if (OpenApartment == this) OpenApartment = nullptr;
}

bool ScreenReaderApartment::setUpOnce() {
    if (com_) return false;
    com_.emplace();
    return com_->initialized();
}

void SetAccessibleNames(HWND dialog, std::initializer_list<ControlName> names) {
    for (const ControlName& name : names) SetAccessibleName(GetDlgItem(dialog, name.controlId), name.nameId, name.role);
}
