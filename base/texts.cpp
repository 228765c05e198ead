#include "base/texts.h"

#include "base/globals.h"

std::wstring LoadText(UINT id) {
    // A zero buffer size asks for a pointer to the string inside the resource itself,
    // whatever its length; it is counted, not terminated.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(AppInstance, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || !text) return std::wstring();
    return std::wstring(text, static_cast<size_t>(length));
}
