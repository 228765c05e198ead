#include "base/texts.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/globals.h"

std::wstring LoadText(UINT id) {
    // A zero buffer size asks for a pointer to the string inside the resource itself,
    // whatever its length; it is counted, not terminated.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(AppInstance, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || !text) return std::wstring();
    return std::wstring(text, static_cast<size_t>(length));
}

namespace {

std::wstring FormatArguments(const wchar_t* format, va_list arguments) {
    va_list counted;
    va_copy(counted, arguments);
    const int length = _vscwprintf(format, counted);
    va_end(counted);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    _vsnwprintf(buffer.data(), buffer.size(), format, arguments);
    return std::wstring(buffer.data(), static_cast<size_t>(length));
}

}  // namespace

std::wstring FormatString(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::wstring text = FormatArguments(format, arguments);
    va_end(arguments);
    return text;
}

std::wstring FormatText(UINT id, ...) {
    const std::wstring format = LoadText(id);
    va_list arguments;
    va_start(arguments, id);
    std::wstring text = FormatArguments(format.c_str(), arguments);
    va_end(arguments);
    return text;
}

std::wstring LoadFileFilter(UINT id) {
    std::wstring filter = LoadText(id);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    return filter;
}
