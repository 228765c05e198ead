// The settings that several pages share, loaded once at start-up.
#pragma once

#include <windows.h>

#include "base/handles.h"
#include "base/messages.h"
#include "settings/imported_values.h"
#include "settings/pdf_profile.h"

struct SettingsBlock {
    int LastViewedPage;          // "Last Viewed Page", user key only
    DWORD AgentHidePage;         // "Agent: Hide page", machine key only
    wchar_t Version[260];        // "Version", machine key only; "1.0" when absent
    DWORD EmfHidePage;           // "EMF: Hide page", machine key only
    DWORD EmfEnabled;            // "EMF: Enabled"
    DWORD PdfHidePage;           // "PDF: Hide page", machine key only
    DWORD PdfEnabled;            // "PDF: Enabled"
    DWORD PdfSeparate;           // "PDF: Separate"
    wchar_t PdfExcludeFonts[1024];  // "PDF: Exclude fonts"; no control edits it, and it is never written
    DWORD PdfDoNotEmbedFonts;    // "PDF: Do not embed fonts"
    int CurrentProfile;          // "Current profile" of the PDF profile keys
    ProfileList Profiles;
    ImportedValues Imported;     // the user key's values an import brought, until stored
};

extern SettingsBlock Settings;

// Key paths (filled by FormatWithKeyName).
inline constexpr wchar_t UserKeyFormat[] = L"Software\\%s";      // below HKEY_CURRENT_USER
inline constexpr wchar_t MachineKeyFormat[] = L"Software\\%s";   // below HKEY_LOCAL_MACHINE
inline constexpr wchar_t DefaultsKeyFormat[] = L"Software\\%s\\Defaults";  // below HKEY_LOCAL_MACHINE

// Creates or opens the user key for writing. False when it could not, which `failure`
// then tells (in the words "Failed to create/open registry key").
bool CreateUserKey(UniqueRegKey& key, Failure& failure);

// Puts every field back to its state before the load: zero, empty, no profiles.
void ResetSettings();

// Fills the plain values of Settings from the registry, the machine defaults behind the
// user's values (the profiles are the profile store's). Returns 1 when loaded (also when
// no key exists), 0 when a key exists but could not be opened, which `failure` then tells.
int LoadSettings(Failure& failure);
