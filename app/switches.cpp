#include "app/switches.h"

#include <cwchar>

namespace {

wchar_t FoldAsciiCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool TokenEquals(const wchar_t* token, size_t length, const wchar_t* word) {
    if (wcslen(word) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (FoldAsciiCase(token[i]) != word[i]) return false;
    return true;
}

}  // namespace

Switches ParseSwitches(const wchar_t* tail) {
    Switches switches;
    if (!tail) return switches;
    const wchar_t* p = tail;
    while (*p) {
        while (*p == L' ') ++p;
        const wchar_t* start = p;
        while (*p && *p != L' ') ++p;
        size_t length = static_cast<size_t>(p - start);
        if (length == 0) continue;
        if (TokenEquals(start, length, L"/nogeneral"))
            switches.noGeneral = 1;
        else if (TokenEquals(start, length, L"/nopaper"))
            switches.noPaper = 1;
    }
    return switches;
}
