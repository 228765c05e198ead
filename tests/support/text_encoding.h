// A settings file's text as UTF-16 with its byte-order mark, as Notepad saves "Unicode"
// (little endian) or "Unicode big endian".
#pragma once

#include <windows.h>

#include <string>

// `utf8WithMark` without its first three bytes (the UTF-8 mark), in UTF-16 behind the mark
// of the byte order asked for. Bytes that are no UTF-8 become U+FFFD.
inline std::string Utf16WithMark(const std::string& utf8WithMark, bool bigEndian) {
    const std::string body = utf8WithMark.size() > 3 ? utf8WithMark.substr(3) : std::string();
    std::wstring text(body.size(), L'\0');
    if (!body.empty())
        text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, body.data(), static_cast<int>(body.size()),
                                                            &text[0], static_cast<int>(text.size()))));
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}
