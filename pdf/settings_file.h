// The settings file: profiles and the user's plain values as text a person can read and
// mend in Notepad, written by Export and read by Import.
//
//   Lumarel Printer settings, version 1.0
//   ; a comment
//   [Profile "Office"]
//   "Title"="Quarterly report"
//   "JPEG Quality"=dword:00000050
//   "User password"=hex:1f,a0,...            (REG_BINARY)
//   "A later version's value"=hex(7):41,00,00,00,00,00   (any type, byte for byte)
//   [Settings]
//   "EMF: Enabled"=dword:00000001
//   [End]
//
// Each value stands under its registry value name (a profile's without the "[<index>] "
// prefix) with its type. A profile's name is its section's. Values the program could not
// hold, or that a plain form cannot say (a text with a line break, no terminator, another
// type than the name's), are written in the hex(<type>) form, so that an import gives back
// every byte. "[End]" closes the file: a file cut short lacks it and is refused.
// Written as UTF-8 with a byte-order mark and CRLF; read as UTF-8 (with or without the
// mark) or UTF-16 with its mark. A file of a later minor version is read (sections this
// version does not know are passed over); one of a later major version is refused.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "base/registry.h"

inline constexpr int SettingsFileMajorVersion = 1;
inline constexpr int SettingsFileMinorVersion = 0;

// What a file may hold at most; a larger one is refused whole.
inline constexpr size_t MaxSettingsFileBytes = 16u * 1024 * 1024;
inline constexpr size_t MaxFileProfiles = 10000;
inline constexpr size_t MaxValuesPerSection = 1000;
inline constexpr size_t MaxValueNameUnits = 16383;  // the registry's own bound

// One profile: its name and its values, named as after "[<index>] ".
struct FileProfile {
    std::wstring name;
    std::vector<NamedValue> values;
};

struct SettingsFile {
    std::vector<FileProfile> profiles;
    bool hasPlainValues = false;           // the file has a [Settings] section
    std::vector<NamedValue> plainValues;   // of the user key, by their names
};

// Why a file was refused: the line (1 is the first; 0 the file as a whole) and one of
// these, with the name or version the text shows.
enum class FileFault {
    None,
    TooLarge,           // over MaxSettingsFileBytes
    Encoding,           // not valid UTF-8 or UTF-16
    NotSettingsFile,    // the first line names no settings file
    LaterVersion,       // a later major version (detail: the version)
    Syntax,             // neither a section, a value, nor a comment
    ControlCharacter,   // in a name or a text
    ValueOutsideSection,
    UnknownSection,
    DuplicateSection,   // detail: the profile's name, or "Settings"
    DuplicateValue,     // detail: the value's name
    WrongKind,          // a value of the wrong type or size for its name (detail: the name)
    UnknownSetting,     // a [Settings] value this program does not keep (detail: the name)
    NameDiffers,        // a plain "Profile name" other than the section's
    TooMany,            // over MaxFileProfiles, or MaxValuesPerSection
    Truncated,          // no "[End]", or lines after it
};

struct FileRefusal {
    size_t line = 0;
    FileFault fault = FileFault::None;
    std::wstring detail;
};

// Whether a value of this name can stand in a file: a name with control characters or
// an unpaired surrogate cannot, and the export refuses to leave it out silently.
bool SettingsFileCanHold(const std::wstring& valueName);

// A profile's name as its section can say it: control characters and lone surrogates,
// which only a damaged name holds, become U+FFFD (the stored name travels as a value).
std::wstring FileSectionName(const std::wstring& name);

// The file's bytes for `file`; every value name must be one it can hold.
std::string WriteSettingsFile(const SettingsFile& file);

// Reads `bytes` whole into `file`. False when the file is refused, which `refusal` then
// tells; `file` is then empty.
bool ReadSettingsFile(const void* bytes, size_t size, SettingsFile& file, FileRefusal& refusal);

// The value names a [Settings] section may hold, with their types: the user's EMF and PDF
// switches and the Agent page's seven values.
struct PlainSetting {
    const wchar_t* name;
    DWORD type;
};
const std::vector<PlainSetting>& PlainSettings();
