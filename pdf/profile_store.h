// Loading and saving the PDF profiles under the "PDF Profiles" keys.
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
};
// Every field the store reads and writes for each profile, in its order.
std::vector<ProfileFieldValue> ProfileFieldValues();

// The most profiles a load takes from "Profiles count". The list is a list box a user
// scrolls; the bound keeps a damaged count from hanging the start or eating memory.
inline constexpr int MaxLoadedProfiles = 10000;

// Fills Settings.Profiles and Settings.CurrentProfile from the user's profile key, or
// the machine defaults when the user has none. True on success; false when a key that
// exists could not be opened, which `failure` then tells.
bool LoadPdfProfiles(Failure& failure);

// Writes every profile and the current index (0 when it names no profile of the list)
// to the user's profile key, and deletes every value of an index past the list. False
// when the key could not be created, which `failure` then tells.
bool SavePdfProfiles(Failure& failure);
