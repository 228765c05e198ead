#include "base/registry.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "base/late_binding.h"
#include "base/texts.h"

std::wstring FormatWithKeyName(const wchar_t* format) {
    return FormatString(format, RegistryKeyName, RegistryKeyName);
}

REGSAM RegistryViewFor(HKEY root) {
#ifdef _WIN64
    (void)root;
    return 0;  // the native view is the 64-bit one
#else
    if (root != HKEY_LOCAL_MACHINE) return 0;
    // Bound at run time: systems before Windows XP SP2 lack the call and have no other view.
    static const REGSAM view = [] {
        using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
        const auto isWow64 =
            EntryPoint<IsWow64ProcessFunction>(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process");
        BOOL wow64 = FALSE;
        return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64 ? REGSAM{KEY_WOW64_64KEY} : REGSAM{0};
    }();
    return view;
#endif
}

LONG OpenKeyForRead(HKEY root, const std::wstring& path, UniqueRegKey& key) {
    HKEY raw = nullptr;
    LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | RegistryViewFor(root), &raw);
    key.reset(status == ERROR_SUCCESS ? raw : nullptr);
    return status;
}

LONG CreateKeyForWrite(HKEY root, const std::wstring& path, UniqueRegKey& key, REGSAM extraAccess) {
    HKEY raw = nullptr;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE | extraAccess | RegistryViewFor(root), nullptr, &raw, nullptr);
    key.reset(status == ERROR_SUCCESS ? raw : nullptr);
    return status;
}

namespace {

// ReadValueBytes with the reason of a failure: ERROR_MORE_DATA for a value longer than `size`.
LONG QueryValueBytes(HKEY key, const wchar_t* name, void* data, DWORD size, DWORD* bytesRead) {
    if (!key) return ERROR_INVALID_HANDLE;
    // Read into a scratch copy: after a failed read the contents of the buffer are
    // undefined, and the caller's field must keep its value.
    std::vector<BYTE> scratch(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    DWORD got = size;
    LONG status = RegQueryValueExW(key, name, nullptr, nullptr, scratch.data(), &got);
    if (status != ERROR_SUCCESS) return status;
    if (got > size) return ERROR_MORE_DATA;
    std::memcpy(data, scratch.data(), got);
    if (bytesRead) *bytesRead = got;
    return ERROR_SUCCESS;
}

}  // namespace

bool ReadValueBytes(HKEY key, const wchar_t* name, void* data, DWORD size, DWORD* bytesRead) {
    return QueryValueBytes(key, name, data, size, bytesRead) == ERROR_SUCCESS;
}

bool ReadDwordValue(HKEY key, const wchar_t* name, DWORD& value) {
    return ReadValueBytes(key, name, &value, sizeof value);
}

bool ReadDwordValue(HKEY key, const wchar_t* name, int& value) {
    return ReadValueBytes(key, name, &value, sizeof value);
}

TextRead TextFromBytes(const BYTE* bytes, size_t size, wchar_t* text, size_t units) {
    if (units == 0) return TextRead::NotRead;
    const bool tooLong = size > units * sizeof(wchar_t);
    if (tooLong) size = units * sizeof(wchar_t);
    // An odd trailing byte is taken as it is: it becomes the low byte of a unit whose
    // high byte stays zero.
    std::vector<wchar_t> scratch(units, L'\0');
    std::memcpy(scratch.data(), bytes, size);
    const size_t length = (size + 1) / sizeof(wchar_t);
    // The stored text may hold its own terminator earlier; copy up to it.
    const size_t fits = std::min(length, units - 1);
    size_t copied = 0;
    for (; copied < fits && scratch[copied] != L'\0'; ++copied) text[copied] = scratch[copied];
    text[copied] = L'\0';
    if (tooLong) return copied < units - 1 ? TextRead::Whole : TextRead::TooLong;
    // Every unit of the buffer was stored and none ended the text: the last one is left out.
    const bool cut = copied == units - 1 && length == units && scratch[units - 1] != L'\0';
    return cut ? TextRead::Cut : TextRead::Whole;
}

TextRead ReadText(HKEY key, const wchar_t* name, wchar_t* text, size_t units) {
    if (units == 0) return TextRead::NotRead;
    std::vector<BYTE> stored(units * sizeof(wchar_t));
    DWORD got = 0;
    LONG status = QueryValueBytes(key, name, stored.data(), static_cast<DWORD>(stored.size()), &got);
    if (status == ERROR_MORE_DATA) return TextRead::TooLong;
    if (status != ERROR_SUCCESS) return TextRead::NotRead;
    return TextFromBytes(stored.data(), got, text, units);
}

LONG WriteDwordValue(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG WriteTextValue(HKEY key, const wchar_t* name, const wchar_t* text) {
    DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
}

LONG WriteBinaryValue(HKEY key, const wchar_t* name, const void* data, DWORD size) {
    return RegSetValueExW(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

LONG DeleteValue(HKEY key, const wchar_t* name) {
    LONG status = RegDeleteValueW(key, name);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

StoredValue DwordStored(DWORD value) {
    StoredValue stored;
    stored.type = REG_DWORD;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    stored.bytes.assign(bytes, bytes + sizeof value);
    return stored;
}

StoredValue TextStored(const wchar_t* text) {
    StoredValue stored;
    stored.type = REG_SZ;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text);
    stored.bytes.assign(bytes, bytes + (wcslen(text) + 1) * sizeof(wchar_t));
    return stored;
}

MaybeStored ReadStoredValue(HKEY key, const wchar_t* name) {
    if (!key) return std::nullopt;
    StoredValue stored;
    DWORD size = 64;
    // Another writer may make the value longer between the two calls: ask again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        stored.bytes.resize(size);
        DWORD got = size;
        LONG status = RegQueryValueExW(key, name, nullptr, &stored.type, stored.bytes.data(), &got);
        if (status == ERROR_SUCCESS) {
            stored.bytes.resize(got);
            return stored;
        }
        if (status != ERROR_MORE_DATA) return std::nullopt;
        size = got > size ? got : size * 2;
    }
    return std::nullopt;
}

LONG WriteStoredValue(HKEY key, const wchar_t* name, const MaybeStored& value) {
    if (!value) return DeleteValue(key, name);
    const DWORD size = static_cast<DWORD>(value->bytes.size());
    // The system adds a terminator to a text value whose last unit is not zero when a
    // zero unit follows the bytes given: such a text is written from a copy followed by a
    // unit that is not zero, so that its bytes come back as they were.
    const bool text = value->type == REG_SZ || value->type == REG_EXPAND_SZ || value->type == REG_MULTI_SZ;
    const bool unterminated = size >= 2 && (value->bytes[size / 2 * 2 - 1] || value->bytes[size / 2 * 2 - 2]);
    if (text && unterminated) {
        std::vector<BYTE> bytes(value->bytes);
        bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF});
        return RegSetValueExW(key, name, 0, value->type, bytes.data(), size);
    }
    return RegSetValueExW(key, name, 0, value->type, size ? value->bytes.data() : nullptr, size);
}

bool ReadAllValues(HKEY key, std::vector<NamedValue>& values) {
    values.clear();
    if (!key) return false;
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    values.reserve(count);
    std::vector<wchar_t> name(static_cast<size_t>(longestName) + 1);
    std::vector<BYTE> data(static_cast<size_t>(longestData) + 1);
    int regrown = 0;
    for (DWORD index = 0;; ++index) {
        DWORD units = static_cast<DWORD>(name.size());
        DWORD bytes = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG status = RegEnumValueW(key, index, name.data(), &units, nullptr, &type, data.data(), &bytes);
        if (status == ERROR_MORE_DATA && ++regrown < 16) {
            // Grown since the key was asked: make room and take this index again.
            name.resize(16384);
            if (bytes > data.size()) data.resize(bytes);
            else data.resize(data.size() * 2);
            --index;
            continue;
        }
        if (status == ERROR_NO_MORE_ITEMS) return true;
        if (status != ERROR_SUCCESS) return false;
        NamedValue value;
        value.name.assign(name.data(), units);
        value.value.type = type;
        value.value.bytes.assign(data.begin(), data.begin() + bytes);
        values.push_back(std::move(value));
    }
}

bool ReadKeyStamp(HKEY key, KeyStamp& stamp) {
    return key && RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &stamp.values, nullptr,
                                   nullptr, nullptr, &stamp.written) == ERROR_SUCCESS;
}

std::wstring FoldedValueName(const std::wstring& name) {
    std::wstring folded = name;
    bool ascii = true;
    for (wchar_t& unit : folded) {
        if (unit >= L'a' && unit <= L'z') unit = static_cast<wchar_t>(unit - L'a' + L'A');
        ascii = ascii && unit < 0x80;
    }
    if (!ascii && !folded.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.c_str(), static_cast<int>(name.size()), &folded[0],
                     static_cast<int>(folded.size()));
    return folded;
}
