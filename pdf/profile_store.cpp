#include "pdf/profile_store.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "base/registry.h"
#include "pdf/password_cipher.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

constexpr wchar_t UserProfilesKeyFormat[] = L"Software\\%s\\PDF Profiles";             // below HKCU
// The key as a failure names it to the user.
constexpr wchar_t UserProfilesKeyShown[] = L"HKCU\\Software\\%s\\PDF Profiles";

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


constexpr size_t FieldCount = std::size(ProfileFields);

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

// Splits a per-profile name "[<index>] <rest>", the index in plain decimal as the store
// writes it (a name such as "[03] Title" is no profile's: no reader asks for it).
bool SplitProfileName(const std::wstring& name, int& index, const wchar_t*& rest) {
    if (name.size() < 4 || name[0] != L'[') return false;
    size_t end = 1;
    long long number = 0;
    while (end < name.size() && name[end] >= L'0' && name[end] <= L'9' && number <= INT_MAX) {
        number = number * 10 + (name[end] - L'0');
        ++end;
    }
    const bool leadingZero = name[1] == L'0' && end > 2;
    if (end == 1 || leadingZero || number > INT_MAX || name.compare(end, 2, L"] ") != 0) return false;
    index = static_cast<int>(number);
    rest = name.c_str() + end + 2;
    return true;
}

// Whether `name` is `known` (plain ASCII) but for case, as the registry compares them.
bool SameName(const wchar_t* name, const wchar_t* known) {
    for (; *known; ++name, ++known) {
        wchar_t unit = *name;
        if (unit >= L'a' && unit <= L'z') unit = static_cast<wchar_t>(unit - L'a' + L'A');
        wchar_t expected = *known;
        if (expected >= L'a' && expected <= L'z') expected = static_cast<wchar_t>(expected - L'a' + L'A');
        if (unit != expected) return false;
    }
    return *name == L'\0';
}

int FieldNumber(const wchar_t* rest) {
    for (size_t field = 0; field < FieldCount; ++field)
        if (SameName(rest, ProfileFields[field].valueName)) return static_cast<int>(field);
    return -1;
}

// The field names as names compare, made once.
const std::wstring& FoldedFieldName(size_t number) {
    static const std::vector<std::wstring> names = [] {
        std::vector<std::wstring> folded;
        for (const ProfileField& field : ProfileFields) folded.push_back(FoldedValueName(field.valueName));
        return folded;
    }();
    return names[number];
}

// The values one index holds: its fields, and any other name of that index (a later
// version's, or another tool's), which travel with the profile.
struct OtherValue {
    std::wstring folded;      // the name after "[<index>] ", as names compare
    const wchar_t* rest;      // the same as written
    const NamedValue* value;  // the stored value, by its whole name
};
struct IndexValues {
    const NamedValue* fields[FieldCount] = {};
    std::vector<OtherValue> others;

    void Add(const NamedValue& value, const wchar_t* rest) {
        const int field = FieldNumber(rest);
        if (field >= 0)
            fields[field] = &value;
        else
            others.push_back({FoldedValueName(rest), rest, &value});
    }
};

// The values of one profile named without their index, as a file or a copy holds them.
IndexValues ValuesOfOne(const std::vector<NamedValue>& values) {
    IndexValues one;
    for (const NamedValue& value : values) one.Add(value, value.name.c_str());
    return one;
}

// A profile key's values, by what they mean to the store.
class KeyView {
public:
    explicit KeyView(const std::vector<NamedValue>& values) {
        for (const NamedValue& value : values) {
            int index = 0;
            const wchar_t* rest = nullptr;
            if (SplitProfileName(value.name, index, rest)) {
                byIndex_[index].Add(value, rest);
            } else if (SameName(value.name.c_str(), ProfilesCountValue)) {
                count_ = &value.value;
            } else if (SameName(value.name.c_str(), CurrentProfileValue)) {
                current_ = &value.value;
            }
        }
    }

    const IndexValues* At(int index) const {
        auto found = byIndex_.find(index);
        return found == byIndex_.end() ? nullptr : &found->second;
    }
    const StoredValue* Count() const { return count_; }
    const StoredValue* Current() const { return current_; }

    // The profiles a reader of the key finds: "Profiles count" of them, but none past
    // the last index that holds a value unless the current profile lies there, so that
    // a damaged count (a text "3" read as 51, a huge number) makes no empty profiles.
    // A count that cannot be read (of more than four bytes, or negative) gives every
    // index that holds a value: nothing stored is hidden by it.
    int Profiles(int currentBefore) const {
        int count = 0;
        const bool countRead = ReadNumber(count_, count) && count >= 0;
        const int bound = countRead ? std::min(count, MaxLoadedProfiles) : MaxLoadedProfiles;
        int profiles = 0;
        auto last = byIndex_.lower_bound(bound);
        if (last != byIndex_.begin()) profiles = std::prev(last)->first + 1;
        const int current = CurrentOf(bound, currentBefore);
        if (countRead && current < bound) profiles = std::max(profiles, current + 1);
        return profiles;
    }

    // "Current profile" (`currentBefore` when none is stored), 0 when it names none of
    // `profiles`.
    int CurrentOf(int profiles, int currentBefore) const {
        int current = currentBefore;
        ReadNumber(current_, current);
        return current >= 0 && current < profiles ? current : 0;
    }

    // A number as the driver reads it: at most four bytes of any type over `number`.
    static bool ReadNumber(const StoredValue* stored, int& number) {
        if (!stored || stored->bytes.size() > sizeof number) return false;
        std::memcpy(&number, stored->bytes.data(), stored->bytes.size());
        return true;
    }

private:
    std::map<int, IndexValues> byIndex_;
    const StoredValue* count_ = nullptr;
    const StoredValue* current_ = nullptr;
};

// A profile as the load shows it: the defaults, then each value that can be read. A
// text longer than its field shows as much of it as fits; a password blob of another
// size than 64 bytes shows no password. Either is kept as stored unless edited.
PdfProfile ShownProfile(const IndexValues* values) {
    PdfProfile profile = MakeDefaultProfile();
    if (!values) return profile;
    for (size_t number = 0; number < FieldCount; ++number) {
        const NamedValue* value = values->fields[number];
        if (!value) continue;
        const ProfileField& field = ProfileFields[number];
        const std::vector<BYTE>& bytes = value->value.bytes;
        switch (field.kind) {
            case FieldKind::Text:
                TextFromBytes(bytes.data(), bytes.size(), TextOf(profile, field), field.units);
                break;
            case FieldKind::Number:
                KeyView::ReadNumber(&value->value, NumberOf(profile, field));
                break;
            case FieldKind::Password:
                if (bytes.size() == PasswordBlobBytes) DecryptPasswordBlob(bytes.data(), TextOf(profile, field));
                break;
        }
    }
    return profile;
}

PdfProfile MadeWhenEmptyProfile() {
    PdfProfile profile = MakeDefaultProfile();
    wcsncpy(profile.name, DefaultProfileName, ARRAYSIZE(profile.name) - 1);
    return profile;
}

bool SameField(const PdfProfile& a, const PdfProfile& b, const ProfileField& field) {
    if (field.kind == FieldKind::Number) return NumberOf(a, field) == NumberOf(b, field);
    return wcsncmp(TextOf(a, field), TextOf(b, field), field.units) == 0;
}

bool SameProfile(const PdfProfile& a, const PdfProfile& b) {
    for (const ProfileField& field : ProfileFields)
        if (!SameField(a, b, field)) return false;
    return true;
}

// A field as the store writes it; no value for an empty password.
MaybeStored EncodedField(const PdfProfile& profile, const ProfileField& field) {
    switch (field.kind) {
        case FieldKind::Text: {
            // Bounded by the field, so an unterminated field is stored as it would load.
            const wchar_t* text = TextOf(profile, field);
            const BYTE* bytes = reinterpret_cast<const BYTE*>(text);
            const size_t length = wcsnlen(text, field.units - 1) * sizeof(wchar_t);
            StoredValue stored;
            stored.type = REG_SZ;
            stored.bytes.resize(length + sizeof(wchar_t), 0);
            std::memcpy(stored.bytes.data(), bytes, length);
            return stored;
        }
        case FieldKind::Number:
            return DwordStored(static_cast<DWORD>(NumberOf(profile, field)));
        case FieldKind::Password: {
            const wchar_t* password = TextOf(profile, field);
            if (password[0] == L'\0') return std::nullopt;
            StoredValue blob;
            blob.type = REG_BINARY;
            blob.bytes.resize(PasswordBlobBytes);
            EncryptPasswordBlob(password, blob.bytes.data());
            return blob;
        }
    }
    return std::nullopt;
}

// One write (a value) or deletion (none) of a save.
struct Change {
    std::wstring name;
    MaybeStored value;
};
using Changes = std::vector<Change>;

// What `position` must hold after the save: each field the user did not change as it
// was stored at the profile's loaded index, byte for byte (absent if it was absent),
// each changed field as the store writes it, and every other value of the loaded index.
struct WantedValue {
    const wchar_t* rest;          // after "[<index>] "
    const std::wstring* folded;   // the same, as names compare
    const StoredValue* kept;      // the loaded value it keeps, or
    MaybeStored made;             // the value it is given (none: absent)
    const StoredValue* value() const { return kept ? kept : made ? &*made : nullptr; }
};

// The values a listed profile comes from: those of its stored index, or those it carries;
// none for a profile made from the defaults. `carried` holds the view of carried ones.
const IndexValues* SourceOf(const ProfileList& list, int position, const KeyView& loaded,
                            std::optional<IndexValues>& carried) {
    const int storedIndex = list.StoredIndexAt(position);
    if (storedIndex >= 0) return loaded.At(storedIndex);
    if (list.CarriedAt(position).empty()) return nullptr;
    carried.emplace(ValuesOfOne(list.CarriedAt(position)));
    return &*carried;
}

bool HasSource(const ProfileList& list, int position) {
    return list.StoredIndexAt(position) >= 0 || !list.CarriedAt(position).empty();
}

// The list's values can outlive no change to it: `carried` holds what they point into.
std::vector<WantedValue> WantedAt(const ProfileList& list, int position, const KeyView& loaded,
                                  std::optional<IndexValues>& carried) {
    const PdfProfile& profile = list.At(position);
    const bool sourced = HasSource(list, position);
    const IndexValues* from = SourceOf(list, position, loaded, carried);
    const PdfProfile before = sourced ? ShownProfile(from) : MakeDefaultProfile();
    std::vector<WantedValue> wanted;
    wanted.reserve(FieldCount + (from ? from->others.size() : 0));
    for (size_t number = 0; number < FieldCount; ++number) {
        const ProfileField& field = ProfileFields[number];
        WantedValue value{field.valueName, &FoldedFieldName(number), nullptr, std::nullopt};
        if (sourced && SameField(profile, before, field)) {
            if (from && from->fields[number]) value.kept = &from->fields[number]->value;
        } else {
            value.made = EncodedField(profile, field);
        }
        wanted.push_back(std::move(value));
    }
    if (from)
        for (const OtherValue& other : from->others)
            wanted.push_back({other.rest, &other.folded, &other.value->value, std::nullopt});
    return wanted;
}

// The writes and deletions that make `index` of the stored key hold `wanted`.
void ChangesAt(int index, std::vector<WantedValue>&& wanted, const IndexValues* stored, Changes& changes) {
    auto storedValue = [stored](size_t number, const WantedValue& value) -> const NamedValue* {
        if (!stored) return nullptr;
        if (number < FieldCount) return stored->fields[number];
        for (const OtherValue& other : stored->others)
            if (other.folded == *value.folded) return other.value;
        return nullptr;
    };
    for (size_t number = 0; number < wanted.size(); ++number) {
        WantedValue& value = wanted[number];
        const NamedValue* now = storedValue(number, value);
        const StoredValue* want = value.value();
        if (!want) {
            if (now) changes.push_back({now->name, std::nullopt});
        } else if (!now || now->value != *want) {
            changes.push_back({ProfileValueName(index, value.rest), value.kept ? MaybeStored(*value.kept)
                                                                               : std::move(value.made)});
        }
    }
    if (!stored) return;
    for (const OtherValue& other : stored->others) {
        const bool kept = std::any_of(wanted.begin() + FieldCount, wanted.end(),
                                      [&](const WantedValue& value) { return *value.folded == other.folded; });
        if (!kept) changes.push_back({other.value->name, std::nullopt});
    }
}

void DeletionsAt(const IndexValues* stored, Changes& changes) {
    if (!stored) return;
    for (const NamedValue* field : stored->fields)
        if (field) changes.push_back({field->name, std::nullopt});
    for (const OtherValue& other : stored->others) changes.push_back({other.value->name, std::nullopt});
}

// Carries out `changes` in order; false when one failed, which `notStored` names.
bool Carry(HKEY key, const Changes& changes, NotStored& notStored) {
    bool all = true;
    for (const Change& change : changes) {
        const LONG status = WriteStoredValue(key, change.name.c_str(), change.value);
        notStored.Add(change.name, status);
        all = all && status == ERROR_SUCCESS;
    }
    return all;
}

// `values` as the key holds them after `changes`. Only the names as long as a changed
// one are compared, so that a change of one value costs no pass of case folding over a
// store of thousands.
void Follow(std::vector<NamedValue>& values, Changes&& changes) {
    if (values.empty()) {
        // Into an empty key: every change is a new value (each name is changed once).
        for (Change& change : changes)
            if (change.value) values.push_back({std::move(change.name), std::move(*change.value)});
        return;
    }
    std::unordered_map<std::wstring, size_t> changed;  // folded name: the last change of it
    std::vector<bool> lengths;
    for (size_t index = 0; index < changes.size(); ++index) {
        changed[FoldedValueName(changes[index].name)] = index;
        const size_t length = changes[index].name.size();
        if (lengths.size() <= length) lengths.resize(length + 1, false);
        lengths[length] = true;
    }
    std::vector<bool> done(changes.size(), false);
    size_t kept = 0;
    for (size_t index = 0; index < values.size(); ++index) {
        const size_t length = values[index].name.size();
        auto found = length < lengths.size() && lengths[length] ? changed.find(FoldedValueName(values[index].name))
                                                                 : changed.end();
        if (found != changed.end()) {
            Change& change = changes[found->second];
            done[found->second] = true;
            if (!change.value) continue;
            values[index].value = std::move(*changes[found->second].value);
        }
        if (kept != index) values[kept] = std::move(values[index]);
        ++kept;
    }
    values.resize(kept);
    for (const auto& entry : changed) {
        Change& change = changes[entry.second];
        if (!done[entry.second] && change.value) values.push_back({std::move(change.name), std::move(*change.value)});
    }
}

// The current profile as it is saved: an index of the list, 0 when it names none.
int SavedCurrent() { return Settings.Profiles.Contains(Settings.CurrentProfile) ? Settings.CurrentProfile : 0; }

void ShowStoredProfiles(const KeyView& view, LoadedProfileKey& loaded) {
    const int profiles = view.Profiles(Settings.CurrentProfile);
    for (int index = 0; index < profiles; ++index) {
        if (!Settings.Profiles.Append(ShownProfile(view.At(index)), index)) {
            // Short of memory: a list that lacks stored profiles must not be saved.
            loaded.complete = false;
            break;
        }
    }
    Settings.CurrentProfile = view.CurrentOf(Settings.Profiles.Count(), Settings.CurrentProfile);
}

}  // namespace

std::wstring ProfileValueName(int index, const wchar_t* fieldName) {
    wchar_t number[16];
    const int digits = _snwprintf(number, 16, L"[%d] ", index);
    std::wstring name;
    name.reserve(static_cast<size_t>(digits) + wcslen(fieldName));
    name.append(number, static_cast<size_t>(digits)).append(fieldName);
    return name;
}

std::vector<ProfileFieldValue> ProfileFieldValues() {
    std::vector<ProfileFieldValue> values;
    for (const ProfileField& field : ProfileFields) {
        const DWORD type = field.kind == FieldKind::Text     ? REG_SZ
                           : field.kind == FieldKind::Number ? REG_DWORD
                                                             : REG_BINARY;
        const size_t bytes = field.kind == FieldKind::Number ? sizeof(DWORD) : field.units * sizeof(wchar_t);
        values.push_back({field.valueName, type, bytes});
    }
    return values;
}

bool LoadPdfProfiles(Failure& failure) {
    UniqueRegKey key;
    bool fromUserKey = true;
    LONG status = OpenKeyForRead(HKEY_CURRENT_USER, FormatWithKeyName(UserProfilesKeyFormat), key);
    if (status == ERROR_FILE_NOT_FOUND) {
        // The user has no profiles of his own yet: start from the machine's.
        fromUserKey = false;
        status = OpenKeyForRead(HKEY_LOCAL_MACHINE, FormatWithKeyName(DefaultProfilesKeyFormat), key);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            failure = {IDS_DEFAULT_PROFILES_OPEN_FAILED, static_cast<DWORD>(status)};
            return false;
        }
    } else if (status != ERROR_SUCCESS) {
        failure = {IDS_USER_PROFILES_OPEN_FAILED, static_cast<DWORD>(status)};
        return false;
    }

    Settings.Profiles.Clear();
    LoadedProfileKey& loaded = Settings.Profiles.Loaded();
    if (key) {
        loaded.fromUserKey = fromUserKey;
        loaded.haveStamp = ReadKeyStamp(key.get(), loaded.stamp);
        // A key whose values cannot all be listed is shown as far as it could be read,
        // and never saved: a save would take the unread values for deleted ones.
        loaded.complete = ReadAllValues(key.get(), loaded.values);
        ShowStoredProfiles(KeyView(loaded.values), loaded);
    }
    key.reset();
    loaded.count = Settings.Profiles.Count();
    if (Settings.Profiles.Count() == 0) Settings.Profiles.Append(MadeWhenEmptyProfile(), MadeWhenEmpty);
    if (!Settings.Profiles.Contains(Settings.CurrentProfile)) Settings.CurrentProfile = 0;
    loaded.current = Settings.CurrentProfile;
    return true;
}

namespace {

bool ListChanged(const KeyView& view) {
    const ProfileList& list = Settings.Profiles;
    const LoadedProfileKey& loaded = list.Loaded();
    if (SavedCurrent() != loaded.current) return true;
    const bool onlyTheMadeOne = loaded.count == 0 && list.Count() == 1 && list.StoredIndexAt(0) == MadeWhenEmpty;
    if (onlyTheMadeOne) return !SameProfile(list.At(0), MadeWhenEmptyProfile());
    if (list.Count() != loaded.count) return true;
    for (int position = 0; position < list.Count(); ++position) {
        if (list.StoredIndexAt(position) != position) return true;
        if (!SameProfile(list.At(position), ShownProfile(view.At(position)))) return true;
    }
    return false;
}

}  // namespace

std::vector<NamedValue> ProfileValuesAt(int position) {
    const KeyView loaded(Settings.Profiles.Loaded().values);
    std::optional<IndexValues> carried;
    std::vector<NamedValue> values;
    for (const WantedValue& wanted : WantedAt(Settings.Profiles, position, loaded, carried))
        if (const StoredValue* value = wanted.value()) values.push_back({wanted.rest, *value});
    return values;
}

PdfProfile ProfileFromValues(const std::vector<NamedValue>& values) {
    const IndexValues one = ValuesOfOne(values);
    return ShownProfile(&one);
}

bool ListIsOnlyStandIn() {
    const ProfileList& list = Settings.Profiles;
    return list.Count() == 1 && list.StoredIndexAt(0) == MadeWhenEmpty && SameProfile(list.At(0), MadeWhenEmptyProfile());
}

bool PdfProfilesChanged() { return ListChanged(KeyView(Settings.Profiles.Loaded().values)); }

bool SavePdfProfiles(NotStored& notStored) {
    ProfileList& list = Settings.Profiles;
    LoadedProfileKey& loaded = list.Loaded();
    const KeyView before(loaded.values);
    if (!ListChanged(before)) return true;
    const std::wstring keyShown = FormatWithKeyName(UserProfilesKeyShown);
    if (!loaded.complete) {
        notStored.Add(keyShown, ERROR_READ_FAULT);
        return false;
    }
    UniqueRegKey key;
    LONG status =
        CreateKeyForWrite(HKEY_CURRENT_USER, FormatWithKeyName(UserProfilesKeyFormat), key, KEY_QUERY_VALUE);
    if (status != ERROR_SUCCESS) {
        notStored.Add(keyShown, status);
        return false;
    }

    // What the key holds now: as loaded, unless someone wrote it since (or the list came
    // from the machine's key). Telling costs one question, not a read of the store.
    KeyStamp stamp;
    const bool stamped = ReadKeyStamp(key.get(), stamp);
    std::vector<NamedValue> reread;
    const bool asLoaded = loaded.fromUserKey && loaded.haveStamp && stamped && stamp == loaded.stamp;
    if (!asLoaded && !ReadAllValues(key.get(), reread)) {
        notStored.Add(keyShown, ERROR_READ_FAULT);
        return false;
    }
    std::vector<NamedValue>& storedValues = asLoaded ? loaded.values : reread;

    Changes newTail, inPlace, removedTail, listValues;
    {
        std::optional<KeyView> rereadView;
        if (!asLoaded) rereadView.emplace(storedValues);
        const KeyView& stored = asLoaded ? before : *rereadView;
        const int storedProfiles = stored.Profiles(0);
        const int profiles = list.Count();
        for (int position = 0; position < profiles; ++position) {
            Changes& changes = position < storedProfiles ? inPlace : newTail;
            std::optional<IndexValues> carried;
            ChangesAt(position, WantedAt(list, position, before, carried), stored.At(position), changes);
        }
        for (int index = profiles; index < storedProfiles; ++index) DeletionsAt(stored.At(index), removedTail);

        // The count and the current index name a whole list at every instant: a new
        // current profile past the stored ones once the count includes it, one inside
        // them before the count shrinks below the old one.
        const StoredValue count = DwordStored(static_cast<DWORD>(profiles));
        const StoredValue current = DwordStored(static_cast<DWORD>(SavedCurrent()));
        const bool writeCount = !stored.Count() || *stored.Count() != count;
        const bool writeCurrent = !stored.Current() || *stored.Current() != current;
        const bool currentFirst = SavedCurrent() < storedProfiles;
        if (writeCurrent && currentFirst) listValues.push_back({CurrentProfileValue, current});
        if (writeCount) listValues.push_back({ProfilesCountValue, count});
        if (writeCurrent && !currentFirst) listValues.push_back({CurrentProfileValue, current});
    }

    // New profiles before the count that shows them; values removed after the count that
    // hides them. A failure stops before the count: it must not show a profile half made.
    const bool profilesStored = Carry(key.get(), newTail, notStored) & Carry(key.get(), inPlace, notStored);
    if (!profilesStored || !Carry(key.get(), listValues, notStored) || !Carry(key.get(), removedTail, notStored))
        return false;

    // From now on the list stands for what is stored.
    if (!asLoaded) loaded.values = std::move(reread);
    for (Changes* changes : {&inPlace, &listValues, &removedTail})
        newTail.insert(newTail.end(), std::make_move_iterator(changes->begin()), std::make_move_iterator(changes->end()));
    Follow(loaded.values, std::move(newTail));
    loaded.fromUserKey = true;
    loaded.haveStamp = ReadKeyStamp(key.get(), loaded.stamp);
    loaded.count = list.Count();
    loaded.current = SavedCurrent();
    list.MarkStoredInPlace();
    return true;
}
