#include "settings/settings.h"

#include <cwchar>

#include "base/messages.h"
#include "base/registry.h"
#include "res/resource.h"
#include "settings/machine_values.h"

SettingsBlock Settings;

void ResetSettings() {
    Settings.LastViewedPage = 0;
    Settings.AgentHidePage = 0;
    Settings.Version[0] = L'\0';
    Settings.EmfHidePage = 0;
    Settings.EmfEnabled = 0;
    Settings.PdfHidePage = 0;
    Settings.PdfEnabled = 0;
    Settings.PdfSeparate = 0;
    Settings.PdfExcludeFonts[0] = L'\0';
    Settings.PdfDoNotEmbedFonts = 0;
    Settings.CurrentProfile = 0;
    Settings.Profiles.Clear();
    Settings.Imported.Clear();
}

bool CreateUserKey(UniqueRegKey& key, Failure& failure) {
    LONG status = CreateKeyForWrite(HKEY_CURRENT_USER, FormatWithKeyName(UserKeyFormat), key);
    if (status == ERROR_SUCCESS) return true;
    failure = {IDS_USER_KEY_CREATE_FAILED, static_cast<DWORD>(status)};
    return false;
}

namespace {

struct MainKey {
    HKEY root;
    const wchar_t* pathFormat;
    UINT failureText;
};

// In the order they are opened.
const MainKey MachineMainKey{HKEY_LOCAL_MACHINE, MachineKeyFormat, IDS_MACHINE_KEY_OPEN_FAILED};
const MainKey DefaultsMainKey{HKEY_LOCAL_MACHINE, DefaultsKeyFormat, IDS_DEFAULTS_KEY_OPEN_FAILED};
const MainKey UserMainKey{HKEY_CURRENT_USER, UserKeyFormat, IDS_USER_KEY_OPEN_FAILED};

// Opens one main key. An absent key is normal and leaves `key` empty; any other
// failure fills `failure` and returns false.
bool OpenMainKey(const MainKey& mainKey, UniqueRegKey& key, Failure& failure) {
    LONG status = OpenKeyForRead(mainKey.root, FormatWithKeyName(mainKey.pathFormat), key);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return true;
    failure = {mainKey.failureText, static_cast<DWORD>(status)};
    return false;
}

// The user's value wins, even when it is 0; the machine default stands behind it.
template <typename Field>
void ReadUserOrDefault(HKEY user, HKEY defaults, const wchar_t* name, Field& field) {
    if (!ReadDwordValue(user, name, field)) ReadDwordValue(defaults, name, field);
}

// A text too long for the field is not the user's value: the default stands behind it.
void ReadExcludedFonts(HKEY user, HKEY defaults) {
    if (!ReadTextValue(user, ValueName::PdfExcludeFonts, Settings.PdfExcludeFonts))
        ReadTextValue(defaults, ValueName::PdfExcludeFonts, Settings.PdfExcludeFonts);
}

void ReadPlainValues(HKEY machine, HKEY defaults, HKEY user) {
    ReadDwordValue(user, L"Last Viewed Page", Settings.LastViewedPage);
    ReadDwordValue(machine, ValueName::AgentHidePage, Settings.AgentHidePage);
    if (!ReadTextValue(machine, ValueName::Version, Settings.Version)) wcscpy(Settings.Version, L"1.0");
    ReadDwordValue(machine, ValueName::EmfHidePage, Settings.EmfHidePage);
    ReadUserOrDefault(user, defaults, ValueName::EmfEnabled, Settings.EmfEnabled);
    ReadDwordValue(machine, ValueName::PdfHidePage, Settings.PdfHidePage);
    ReadUserOrDefault(user, defaults, ValueName::PdfEnabled, Settings.PdfEnabled);
    ReadUserOrDefault(user, defaults, ValueName::PdfSeparate, Settings.PdfSeparate);
    ReadExcludedFonts(user, defaults);
    ReadUserOrDefault(user, defaults, ValueName::PdfDoNotEmbedFonts, Settings.PdfDoNotEmbedFonts);
}

}  // namespace

int LoadSettings(Failure& failure) {
    UniqueRegKey machine, defaults, user;
    if (!OpenMainKey(MachineMainKey, machine, failure) || !OpenMainKey(DefaultsMainKey, defaults, failure) ||
        !OpenMainKey(UserMainKey, user, failure))
        return 0;
    ReadPlainValues(machine.get(), defaults.get(), user.get());
    return 1;
}
