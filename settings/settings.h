// The settings that several pages share, loaded once at start-up.
#pragma once

#include <windows.h>

#include "app/handles.h"
#include "pdf/pdf_profile.h"

struct SettingsBlock {
    int LastViewedPage;          // "Last Viewed Page", user key only
    DWORD AgentHidePage;         // "Agent: Hide page", machine key only
    wchar_t Version[260];        // "Version", machine key only; "1.0" when absent
    DWORD EmfHidePage;           // "EMF: Hide page", machine key only
    DWORD EmfEnabled;            // "EMF: Enabled"
    DWORD PdfHidePage;           // "PDF: Hide page", machine key only
    DWORD PdfEnabled;            // "PDF: Enabled"
    DWORD PdfSeparate;           // "PDF: Separate"
    wchar_t PdfExcludeFonts[1024];  // "PDF: Exclude fonts"; no control edits it
    DWORD PdfDoNotEmbedFonts;    // "PDF: Do not embed fonts"
    int CurrentProfile;          // "Current profile" of the PDF profile keys
    ProfileList Profiles;
};

extern SettingsBlock Settings;

// Key paths (filled by FormatWithKeyName).
inline constexpr wchar_t UserKeyFormat[] = L"Software\\%s";      // below HKEY_CURRENT_USER
inline constexpr wchar_t MachineKeyFormat[] = L"Software\\%s";   // below HKEY_LOCAL_MACHINE
inline constexpr wchar_t DefaultsKeyFormat[] = L"Software\\%s\\Defaults";  // below HKEY_LOCAL_MACHINE

// Creates or opens the user key for writing. A failure is shown to the user in the
// words "Failed to create/open registry key" and returns false.
bool CreateUserKeyOrReport(UniqueRegKey& key);

// Puts every field back to its state before the load: zero, empty, no profiles.
void ResetSettings();

// Fills Settings from the registry, the machine defaults behind the user's values.
// Returns 1 when loaded (also when no key exists), 0 when a key exists but could not
// be opened; the user has been told then.
int LoadSettings();
