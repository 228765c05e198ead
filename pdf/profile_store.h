// Loading and saving the PDF profiles under the "PDF Profiles" keys.
//
// The load keeps every value of the key as it was stored (Settings.Profiles.Loaded()),
// and the save writes only what the user's changes imply: a field the user did not
// change keeps its stored bytes, also where the program could not read or hold them,
// and a profile moved up by a deletion carries its values as they were. The writes are
// ordered so that "Profiles count" and "Current profile" name a whole list at every
// instant: a cut leaves at most the profile being written half old, half new.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "settings/pdf_profile.h"

// Per-profile value names: "[<index>] <field value name>".
std::wstring ProfileValueName(int index, const wchar_t* fieldName);

// Below HKEY_LOCAL_MACHINE: the profiles a user starts from while he has none of his own.
inline constexpr wchar_t DefaultProfilesKeyFormat[] = L"Software\\%s\\Defaults\\PDF Profiles";
// The values of a profile key: these two, and each profile's fields.
inline constexpr wchar_t ProfilesCountValue[] = L"Profiles count";
inline constexpr wchar_t CurrentProfileValue[] = L"Current profile";

struct ProfileFieldValue {
    const wchar_t* name;  // after "[<index>] "
    DWORD type;           // as stored: REG_SZ, REG_DWORD, or REG_BINARY for an enciphered password
    size_t bytes;         // the most a text holds with its terminator; a password's exact size; 4
};
// Every field the store reads and writes for each profile, in its order.
std::vector<ProfileFieldValue> ProfileFieldValues();

// The most profiles a load shows. The list is a list box a user scrolls; the bound
// keeps a damaged key from eating memory. Indexes past it are kept as stored.
inline constexpr int MaxLoadedProfiles = 10000;

// Fills Settings.Profiles and Settings.CurrentProfile from the user's profile key, or
// the machine defaults when the user has none. True on success; false when a key that
// exists could not be opened, which `failure` then tells.
bool LoadPdfProfiles(Failure& failure);

// The values the profile at `position` of the list stands for, named as after
// "[<index>] ": each field the user did not change as it is stored (or as it came in),
// each changed one as the store writes it, and every other value it came with.
std::vector<NamedValue> ProfileValuesAt(int position);

// The profile a list shows for the values of one profile, named as after "[<index>] ".
PdfProfile ProfileFromValues(const std::vector<NamedValue>& values);

// Whether the list holds nothing but the profile shown when none is stored, untouched:
// a stand-in that an import of profiles takes the place of.
bool ListIsOnlyStandIn();

// Whether the list differs from what was loaded: a profile added, removed, moved or
// edited, or another current profile.
bool PdfProfilesChanged();

// Writes the difference between the list and what was loaded to the user's profile key
// (nothing when the list is unchanged). False when a write or deletion failed, or the key
// could not be created; `notStored` then names what was not stored (the key by its path).
bool SavePdfProfiles(NotStored& notStored);
