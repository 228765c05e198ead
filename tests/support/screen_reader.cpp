#include "tests/support/screen_reader.h"

#include <oleacc.h>

namespace {

// Spelled out: IID_IAccessible of a static MinGW link is oleacc's export thunk.
constexpr IID AccessibleInterface = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

}  // namespace

Spoken SpokenBy(HWND control) {
    Spoken spoken;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), AccessibleInterface,
                                          reinterpret_cast<void**>(&object))))
        return spoken;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK && name) spoken.name = name;
    SysFreeString(name);
    VARIANT role{};
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) spoken.role = role.lVal;
    object->Release();
    return spoken;
}

bool AnswersForItself(HWND control) {
    const LRESULT answer = SendMessageW(control, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    IAccessible* object = nullptr;
    if (answer > 0 && SUCCEEDED(ObjectFromLresult(answer, AccessibleInterface, 0, reinterpret_cast<void**>(&object))))
        object->Release();
    return answer > 0;
}
