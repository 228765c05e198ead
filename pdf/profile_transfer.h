// Profiles that travel: a copy of a profile, the list and the user's plain values
// written to a settings file (pdf/settings_file.h), and a file's profiles merged into
// the list. Used by the PDF page and by "properties.exe /export" and "/import". Nothing
// here writes the registry: an import changes the list and Settings.Imported, which the
// next apply stores through the profile store and the imported values' one write.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "pdf/settings_file.h"

// A name for a copy of `name` that `taken` does not know: `pattern` filled with it
// ("Office - Copy"), else `numbered` filled with it and 2, 3, ... ("Office - Copy (2)").
// The name is cut so that the whole fits a profile name.
std::wstring CopyName(const std::wstring& name, const std::wstring& pattern, const std::wstring& numbered,
                      const std::function<bool(const std::wstring&)>& taken);

// The same with the string table's patterns, taken being any name in the list (names
// compare without case) or in `alsoTaken`.
std::wstring CopyNameForList(const std::wstring& name, const std::vector<std::wstring>& alsoTaken = {});

// Appends a copy of the profile at `position` (every value it stands for, passwords
// included) under CopyNameForList of its name. False when memory ran out.
bool CopyProfile(int position);

struct ExportChoice {
    std::vector<int> positions;  // the profiles, by their place in the list
    bool passwords = false;      // their enciphered password values too
    bool plainValues = false;    // the user key's EMF, PDF and Agent values as stored
};

// The file an export writes. Profiles of the same name after the first are renamed as
// copies are, so that each has its section. False when a value's name cannot stand in a
// file; `badName` then names it.
bool BuildExport(const ExportChoice& choice, SettingsFile& file, std::wstring& badName);

enum class MergeChoice { Replace, KeepBoth, Skip };
struct ConflictAnswer {
    MergeChoice choice = MergeChoice::Skip;
    bool forAll = false;  // the same for every later profile whose name the list has
};
// Asked for a file profile whose name the list has; `copyName` is what keep-both would
// call it. False cancels the whole import.
using AskConflict =
    std::function<bool(const std::wstring& name, const std::wstring& copyName, ConflictAnswer& answer)>;

struct MergeCounts {
    int added = 0;     // new names, and kept-both copies
    int replaced = 0;
    int skipped = 0;
};

enum class MergeResult { Done, Cancelled, TooMany, NoMemory };

// Merges the file's profiles into the list: a new name is appended; for a name the list
// has, `ask` chooses. Either every choice is carried out or, when the import is cancelled
// or the list would grow past what a load shows, nothing changes.
MergeResult MergeFileProfiles(const SettingsFile& file, const AskConflict& ask, MergeCounts& counts);

// The user key's values of PlainSettings() as stored; those it does not hold are left out.
std::vector<NamedValue> StoredPlainValues();

// Takes the file's plain values as the user's: held in Settings.Imported for the next
// apply, and those a page can show put into Settings.
void TakePlainValues(const SettingsFile& file);

// Reads a settings file's bytes. A Win32 error code, ERROR_SUCCESS when read;
// ERROR_FILE_TOO_LARGE for a file larger than any settings file may be.
DWORD ReadFileBytes(const std::wstring& path, std::string& bytes);
// Writes `bytes` to `path` whole or not at all (a new file moved over the old one).
DWORD WriteFileBytes(const std::wstring& path, const std::string& bytes);

enum class ImportRead { Read, CannotRead, Refused };
// Reads and checks the file at `path` whole: `error` tells why it could not be read,
// `refusal` why it was refused.
ImportRead ReadImportFile(const std::wstring& path, SettingsFile& file, DWORD& error, FileRefusal& refusal);

// Why a file was refused, in the user's language: "Line 12: ...".
std::wstring RefusalText(const FileRefusal& refusal);
