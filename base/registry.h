// The one place that reads and writes registry values. Reads never fail loudly: an
// absent or unreadable value leaves the destination as it was. Keys are opened for
// reading with KEY_READ and created for writing, below HKEY_CURRENT_USER only, with
// KEY_WRITE and REG_OPTION_NON_VOLATILE. HKEY_LOCAL_MACHINE is always opened in the
// 64-bit view where the system has one (RegistryViewFor).
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/handles.h"

// The registry key name under Software and the printer's name in the spooler.
inline constexpr wchar_t RegistryKeyName[] = L"LumarelPrinter";
inline constexpr wchar_t PrinterName[] = L"Lumarel Printer";

// printf-style formatting of a key path or a message that names the registry key:
// every %s of the format is filled with RegistryKeyName.
std::wstring FormatWithKeyName(const wchar_t* format);

// The access flag that selects the registry view for keys below `root`: the product's
// installer and driver are native 64-bit programs on 64-bit Windows and keep the machine
// values in the 64-bit view, so a 32-bit process there opens HKEY_LOCAL_MACHINE with
// KEY_WOW64_64KEY. 0 for every other root, for a 64-bit process and on 32-bit Windows
// (where older systems would refuse the flag).
REGSAM RegistryViewFor(HKEY root);

// Opens root\path with KEY_READ. Returns the Win32 status; on success `key` owns the handle.
LONG OpenKeyForRead(HKEY root, const std::wstring& path, UniqueRegKey& key);

// Creates or opens root\path with KEY_WRITE (plus `extraAccess`). Returns the Win32 status.
LONG CreateKeyForWrite(HKEY root, const std::wstring& path, UniqueRegKey& key, REGSAM extraAccess = 0);

// Reads at most `size` bytes of a value, whatever its type, into `data`. On success
// the bytes read replace the start of `data` (the rest stays as it was) and the
// count is returned through `bytesRead`; on failure `data` is untouched.
bool ReadValueBytes(HKEY key, const wchar_t* name, void* data, DWORD size, DWORD* bytesRead = nullptr);

// Reads a 32-bit value: the stored bytes (at most four) replace the start of `value`.
bool ReadDwordValue(HKEY key, const wchar_t* name, DWORD& value);
bool ReadDwordValue(HKEY key, const wchar_t* name, int& value);

// What a text read took of the stored value.
enum class TextRead {
    NotRead,  // absent or unreadable: `text` is untouched
    Whole,    // `text` holds the stored text up to its terminator
    Cut,      // the stored text fills the buffer without a terminator: `text` lacks its last unit
    TooLong,  // the value is longer than the buffer: `text` is untouched
};

// Reads a text of at most `units` code units including the terminator. The stored bytes
// are taken as they are into a zeroed buffer (an odd last byte makes a unit of its own).
// Whole or Cut leave a terminated string in `text`.
TextRead ReadText(HKEY key, const wchar_t* name, wchar_t* text, size_t units);

// The same for a value's bytes already read: Whole and Cut as above; for TooLong the
// text is filled too, with as much of the stored text as the buffer holds.
TextRead TextFromBytes(const BYTE* bytes, size_t size, wchar_t* text, size_t units);

template <size_t N>
TextRead ReadText(HKEY key, const wchar_t* name, wchar_t (&text)[N]) {
    return ReadText(key, name, text, N);
}

// The same, true when `text` was filled (whole or cut short by one unit).
inline bool ReadTextValue(HKEY key, const wchar_t* name, wchar_t* text, size_t units) {
    const TextRead read = ReadText(key, name, text, units);
    return read == TextRead::Whole || read == TextRead::Cut;
}

template <size_t N>
bool ReadTextValue(HKEY key, const wchar_t* name, wchar_t (&text)[N]) {
    return ReadTextValue(key, name, text, N);
}


LONG WriteDwordValue(HKEY key, const wchar_t* name, DWORD value);
// Writes REG_SZ with the length of the text plus its terminator.
LONG WriteTextValue(HKEY key, const wchar_t* name, const wchar_t* text);
LONG WriteBinaryValue(HKEY key, const wchar_t* name, const void* data, DWORD size);
// Deletes a value; an absent value is not an error.
LONG DeleteValue(HKEY key, const wchar_t* name);

// A value as the registry holds it: its type and every byte of it, whatever they mean.
// What the program could not read or hold is kept in this form and written back as it
// was, never in the program's reading of it.
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const StoredValue& other) const { return type == other.type && bytes == other.bytes; }
    bool operator!=(const StoredValue& other) const { return !(*this == other); }
};
// An absent value is no StoredValue.
using MaybeStored = std::optional<StoredValue>;

// The forms the program writes: a REG_DWORD, and a REG_SZ of `text` with its terminator.
StoredValue DwordStored(DWORD value);
StoredValue TextStored(const wchar_t* text);

// Reads a value whole, however long; empty when it is absent or cannot be read.
MaybeStored ReadStoredValue(HKEY key, const wchar_t* name);
// Writes `value` exactly, or deletes the value when it is empty (an absent value is no error).
LONG WriteStoredValue(HKEY key, const wchar_t* name, const MaybeStored& value);

// A value name as names compare in the registry, without case: the same string for
// every spelling of one name.
std::wstring FoldedValueName(const std::wstring& name);

// One value of a key, named as the registry lists it.
struct NamedValue {
    std::wstring name;
    StoredValue value;
};
// Every value of a key with its type and bytes, in the registry's order; false when the
// walk failed.
bool ReadAllValues(HKEY key, std::vector<NamedValue>& values);

// What tells cheaply whether a key was written since it was last looked at: when it or
// one of its values was last written, and how many values it holds.
struct KeyStamp {
    FILETIME written{};
    DWORD values = 0;
    bool operator==(const KeyStamp& other) const {
        return CompareFileTime(&written, &other.written) == 0 && values == other.values;
    }
};
// False when the key cannot tell.
bool ReadKeyStamp(HKEY key, KeyStamp& stamp);
