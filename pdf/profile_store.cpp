#include "pdf/profile_store.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <unordered_set>
#include <vector>

#include "base/messages.h"
#include "base/registry.h"
#include "pdf/password_cipher.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

constexpr wchar_t UserProfilesKeyFormat[] = L"Software\\%s\\PDF Profiles";             // below HKCU

constexpr const wchar_t* CountValue = ProfilesCountValue;
constexpr const wchar_t* CurrentValue = CurrentProfileValue;
// The name of the profile made when there is none. Saved with the list, it is the
// user's data from then on: the same in every language the sheet is shown in.
constexpr wchar_t DefaultProfileName[] = L"Default";

enum class FieldKind { Text, Number, Password };

struct ProfileField {
    const wchar_t* valueName;
    FieldKind kind;
    size_t offset;  // of the member within PdfProfile
    size_t units;   // text and password width in UTF-16 units
};

#define PROFILE_TEXT(name, member) \
    {name, FieldKind::Text, offsetof(PdfProfile, member), sizeof(PdfProfile::member) / sizeof(wchar_t)}
#define PROFILE_NUMBER(name, member) {name, FieldKind::Number, offsetof(PdfProfile, member), 0}
#define PROFILE_PASSWORD(name, member) {name, FieldKind::Password, offsetof(PdfProfile, member), PasswordUnits}

// Every per-profile value, in the order they are written.
constexpr ProfileField ProfileFields[] = {
    PROFILE_TEXT(L"Profile name", name),
    PROFILE_TEXT(L"Title", title),
    PROFILE_TEXT(L"Author", author),
    PROFILE_TEXT(L"Subject", subject),
    PROFILE_TEXT(L"Keywords", keywords),
    PROFILE_NUMBER(L"Security enabled", securityEnabled),
    PROFILE_NUMBER(L"User password enabled", userPasswordEnabled),
    PROFILE_PASSWORD(L"User password", userPassword),
    PROFILE_NUMBER(L"Owner password enabled", ownerPasswordEnabled),
    PROFILE_PASSWORD(L"Owner password", ownerPassword),
    PROFILE_NUMBER(L"Allow copying", allowCopying),
    PROFILE_NUMBER(L"Allow commenting", allowCommenting),
    PROFILE_NUMBER(L"Allow changing", allowChanging),
    PROFILE_NUMBER(L"Allow printing", allowPrinting),
    PROFILE_NUMBER(L"Encryption Level", encryptionLevel),
    PROFILE_NUMBER(L"Document Compression", documentCompression),
    PROFILE_NUMBER(L"Images Compression", imagesCompression),
    PROFILE_NUMBER(L"JPEG Quality", jpegQuality),
    PROFILE_NUMBER(L"PDF Version", pdfVersion),
    PROFILE_NUMBER(L"Page Layout", pageLayout),
    PROFILE_NUMBER(L"Page Mode", pageMode),
    PROFILE_NUMBER(L"Alternate EMF Rendering", alternateEmfRendering),
};

static_assert(sizeof(PdfProfile::userPassword) == PasswordBlobBytes, "a password field is one blob");
static_assert(sizeof(PdfProfile::ownerPassword) == PasswordBlobBytes, "a password field is one blob");

#undef PROFILE_TEXT
#undef PROFILE_NUMBER
#undef PROFILE_PASSWORD

wchar_t* TextOf(PdfProfile& profile, const ProfileField& field) {
    return reinterpret_cast<wchar_t*>(reinterpret_cast<unsigned char*>(&profile) + field.offset);
}

const wchar_t* TextOf(const PdfProfile& profile, const ProfileField& field) {
    return reinterpret_cast<const wchar_t*>(reinterpret_cast<const unsigned char*>(&profile) + field.offset);
}

int& NumberOf(PdfProfile& profile, const ProfileField& field) {
    return *reinterpret_cast<int*>(reinterpret_cast<unsigned char*>(&profile) + field.offset);
}

int NumberOf(const PdfProfile& profile, const ProfileField& field) {
    return *reinterpret_cast<const int*>(reinterpret_cast<const unsigned char*>(&profile) + field.offset);
}

// A password is taken only from a blob of exactly the stored size; anything else
// leaves the field empty. True when a value was read, whatever its size.
bool ReadPassword(HKEY key, const wchar_t* name, wchar_t* password) {
    uint8_t blob[PasswordBlobBytes] = {};
    DWORD got = 0;
    const bool read = ReadValueBytes(key, name, blob, sizeof blob, &got);
    if (read && got == sizeof blob) DecryptPasswordBlob(blob, password);
    SecureZeroMemory(blob, sizeof blob);
    return read;
}

// True when a value was written, false when an empty password deleted it or the write failed.
bool WritePassword(HKEY key, const wchar_t* name, const wchar_t* password) {
    if (password[0] == L'\0') {
        DeleteValue(key, name);
        return false;
    }
    uint8_t blob[PasswordBlobBytes];
    EncryptPasswordBlob(password, blob);
    return WriteBinaryValue(key, name, blob, sizeof blob) == ERROR_SUCCESS;
}

// A count far above the profiles really stored (damaged, or left by a careless tool)
// would cost one registry call per field and index, seconds for 10,000 indexes. When
// a key holds fewer values than half the reads the count asks for, its names are read
// once and only the values present are asked for: the result is the same, as a read
// of an absent value changes nothing.
class PresentValueNames {
public:
    void Prepare(HKEY key, int count) {
        active_ = false;
        names_.clear();
        DWORD values = 0;
        std::vector<std::wstring> names;
        if (!CountValues(key, values) || values >= static_cast<DWORD>(count) * std::size(ProfileFields) / 2 ||
            !ReadValueNames(key, names))
            return;
        for (std::wstring& name : names) {
            // Registry names compare without case; that rule is repeated here for
            // plain ASCII names only, so any other name keeps every read.
            if (!UpperAscii(name)) return;
            names_.insert(std::move(name));
        }
        active_ = true;
    }

    bool MayHold(std::wstring name) const { return !active_ || (UpperAscii(name) && names_.count(name) != 0); }

private:
    static bool UpperAscii(std::wstring& name) {
        for (wchar_t& unit : name) {
            if (unit > 0x7f) return false;
            if (unit >= L'a' && unit <= L'z') unit = static_cast<wchar_t>(unit - L'a' + L'A');
        }
        return true;
    }

    bool active_ = false;
    std::unordered_set<std::wstring> names_;
};

// Reads the values of one index into a profile with the defaults. False when none of
// them could be read: the profile holds nothing of its own.
bool ReadProfile(HKEY key, int index, const PresentValueNames& present, PdfProfile& profile) {
    profile = MakeDefaultProfile();
    bool anyRead = false;
    for (const ProfileField& field : ProfileFields) {
        std::wstring name = ProfileValueName(index, field.valueName);
        if (!present.MayHold(name)) continue;
        switch (field.kind) {
            case FieldKind::Text:
                anyRead |= ReadTextValue(key, name.c_str(), TextOf(profile, field), field.units);
                break;
            case FieldKind::Number:
                anyRead |= ReadDwordValue(key, name.c_str(), NumberOf(profile, field));
                break;
            case FieldKind::Password:
                anyRead |= ReadPassword(key, name.c_str(), TextOf(profile, field));
                break;
        }
    }
    return anyRead;
}

// Returns the number of values written.
DWORD WriteProfile(HKEY key, int index, const PdfProfile& profile) {
    DWORD values = 0;
    for (const ProfileField& field : ProfileFields) {
        std::wstring name = ProfileValueName(index, field.valueName);
        switch (field.kind) {
            case FieldKind::Text: {
                // Bounded by the field, so an unterminated field is stored as it would load.
                const wchar_t* text = TextOf(profile, field);
                std::wstring bounded(text, wcsnlen(text, field.units - 1));
                values += WriteTextValue(key, name.c_str(), bounded.c_str()) == ERROR_SUCCESS;
                break;
            }
            case FieldKind::Number: {
                const DWORD number = static_cast<DWORD>(NumberOf(profile, field));
                values += WriteDwordValue(key, name.c_str(), number) == ERROR_SUCCESS;
                break;
            }
            case FieldKind::Password:
                values += WritePassword(key, name.c_str(), TextOf(profile, field));
                break;
        }
    }
    return values;
}

// The index of a value name the store writes ("[<index>] <field>", the index in plain
// decimal as written, the field in any case, as the registry compares names), or -1.
int StoredIndexOf(const std::wstring& name) {
    if (name.size() < 4 || name[0] != L'[') return -1;
    size_t end = 1;
    long long index = 0;
    while (end < name.size() && name[end] >= L'0' && name[end] <= L'9' && index <= INT_MAX) {
        index = index * 10 + (name[end] - L'0');
        ++end;
    }
    const bool leadingZero = name[1] == L'0' && end > 2;
    if (end == 1 || leadingZero || index > INT_MAX || name.compare(end, 2, L"] ") != 0) return -1;
    const wchar_t* field = name.c_str() + end + 2;
    for (const ProfileField& known : ProfileFields) {
        if (_wcsicmp(field, known.valueName) == 0) return static_cast<int>(index);
    }
    return -1;
}

// Deletes every value of an index at or past `count`: the names the key lists, or,
// when it cannot list them, every name the store writes for the indexes up to the
// count the key held before the save (`heldBefore`). A key that holds no more values
// than the save wrote (`written`, each under a name of its own) holds nothing else,
// and is not walked.
void DeleteProfilesFrom(HKEY key, int count, int heldBefore, DWORD written) {
    DWORD values = 0;
    if (CountValues(key, values) && values == written) return;
    std::vector<std::wstring> names;
    if (ReadValueNames(key, names)) {
        for (const std::wstring& name : names) {
            if (StoredIndexOf(name) >= count) DeleteValue(key, name.c_str());
        }
        return;
    }
    for (int index = count; index < heldBefore; ++index) {
        for (const ProfileField& field : ProfileFields)
            DeleteValue(key, ProfileValueName(index, field.valueName).c_str());
    }
}

bool AppendDefaultProfiles(int count) {
    for (int made = 0; made < count; ++made) {
        if (!Settings.Profiles.Append(MakeDefaultProfile())) return false;
    }
    return true;
}

void ReadProfiles(HKEY key) {
    int count = 0;
    ReadDwordValue(key, CountValue, count);
    // A damaged count must neither hang the start nor use up memory.
    if (count < 0) count = 0;
    if (count > MaxLoadedProfiles) count = MaxLoadedProfiles;

    ReadDwordValue(key, CurrentValue, Settings.CurrentProfile);

    // A damaged count (a text "3" read as 51, any large number) must not make profiles
    // that a save would then store: one without any value of its own is made only when
    // a later index holds one, or when it is the current profile, so that no index moves
    // and the current profile stays the one the driver uses.
    PresentValueNames present;
    present.Prepare(key, count);
    const int current = Settings.CurrentProfile;
    int emptyPending = 0;  // profiles without a value, not made yet
    PdfProfile profile;
    for (int index = 0; index < count; ++index) {
        if (!ReadProfile(key, index, present, profile) && index != current) {
            ++emptyPending;
            continue;
        }
        if (!AppendDefaultProfiles(emptyPending) || !Settings.Profiles.Append(profile)) break;
        emptyPending = 0;
    }
    // Checked against the profiles loaded, so also a list cut short by a lack of memory.
    if (!Settings.Profiles.Contains(Settings.CurrentProfile)) Settings.CurrentProfile = 0;
}

}  // namespace

std::wstring ProfileValueName(int index, const wchar_t* fieldName) {
    std::wstring name = L"[";
    name += std::to_wstring(index);
    name += L"] ";
    name += fieldName;
    return name;
}

std::vector<ProfileFieldValue> ProfileFieldValues() {
    std::vector<ProfileFieldValue> values;
    for (const ProfileField& field : ProfileFields) {
        const DWORD type = field.kind == FieldKind::Text     ? REG_SZ
                           : field.kind == FieldKind::Number ? REG_DWORD
                                                             : REG_BINARY;
        values.push_back({field.valueName, type});
    }
    return values;
}

bool LoadPdfProfiles(Failure& failure) {
    UniqueRegKey key;
    LONG status = OpenKeyForRead(HKEY_CURRENT_USER, FormatWithKeyName(UserProfilesKeyFormat), key);
    if (status == ERROR_FILE_NOT_FOUND) {
        // The user has no profiles of his own yet: start from the machine's.
        status = OpenKeyForRead(HKEY_LOCAL_MACHINE, FormatWithKeyName(DefaultProfilesKeyFormat), key);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            failure = {IDS_DEFAULT_PROFILES_OPEN_FAILED, static_cast<DWORD>(status)};
            return false;
        }
    } else if (status != ERROR_SUCCESS) {
        failure = {IDS_USER_PROFILES_OPEN_FAILED, static_cast<DWORD>(status)};
        return false;
    }

    if (key) ReadProfiles(key.get());
    key.reset();

    if (Settings.Profiles.Count() == 0) {
        PdfProfile profile = MakeDefaultProfile();
        wcsncpy(profile.name, DefaultProfileName, ARRAYSIZE(profile.name) - 1);
        Settings.Profiles.Append(profile);
    }
    return true;
}

bool SavePdfProfiles(Failure& failure) {
    UniqueRegKey key;
    LONG status =
        CreateKeyForWrite(HKEY_CURRENT_USER, FormatWithKeyName(UserProfilesKeyFormat), key, KEY_QUERY_VALUE);
    if (status != ERROR_SUCCESS) {
        failure = {IDS_USER_PROFILES_CREATE_FAILED, static_cast<DWORD>(status)};
        return false;
    }
    const int count = Settings.Profiles.Count();
    // Taken before anything is written: the indexes the key held until now.
    int heldBefore = 0;
    ReadDwordValue(key.get(), CountValue, heldBefore);
    heldBefore = std::min(std::max(heldBefore, 0), MaxLoadedProfiles);
    DWORD written = WriteDwordValue(key.get(), CountValue, static_cast<DWORD>(count)) == ERROR_SUCCESS;
    // A driver may trust the index: it must name a saved profile.
    const int current = Settings.Profiles.Contains(Settings.CurrentProfile) ? Settings.CurrentProfile : 0;
    written += WriteDwordValue(key.get(), CurrentValue, static_cast<DWORD>(current)) == ERROR_SUCCESS;
    for (int index = 0; index < count; ++index) written += WriteProfile(key.get(), index, Settings.Profiles.At(index));
    // A removed profile leaves nothing behind, its password blobs least of all.
    DeleteProfilesFrom(key.get(), count, heldBefore, written);
    return true;
}
