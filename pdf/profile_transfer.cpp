#include "pdf/profile_transfer.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <new>
#include <unordered_set>
#include <utility>

#include "base/handles.h"
#include "base/texts.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/agent_values.h"
#include "settings/machine_values.h"
#include "settings/settings.h"

namespace {

constexpr wchar_t ProfileNameValue[] = L"Profile name";
constexpr wchar_t UserPasswordValue[] = L"User password";
constexpr wchar_t OwnerPasswordValue[] = L"Owner password";
constexpr size_t NameUnits = sizeof(PdfProfile::name) / sizeof(wchar_t) - 1;

bool SameValueName(const std::wstring& a, const wchar_t* b) { return FoldedValueName(a) == FoldedValueName(b); }

std::wstring NameOf(const PdfProfile& profile) { return std::wstring(profile.name, wcsnlen(profile.name, NameUnits)); }

// The names of the list, as names compare.
std::unordered_set<std::wstring> ListNames() {
    std::unordered_set<std::wstring> names;
    for (int position = 0; position < Settings.Profiles.Count(); ++position)
        names.insert(FoldedValueName(NameOf(Settings.Profiles.At(position))));
    return names;
}

void SetName(PdfProfile& profile, const std::wstring& name) {
    const size_t units = std::min(name.size(), NameUnits);
    wmemcpy(profile.name, name.data(), units);
    wmemset(profile.name + units, L'\0', NameUnits + 1 - units);
}

// The values as a profile named `name` holds them: its "Profile name" is `name`.
void Rename(std::vector<NamedValue>& values, const std::wstring& name) {
    values.erase(std::remove_if(values.begin(), values.end(),
                                [](const NamedValue& value) { return SameValueName(value.name, ProfileNameValue); }),
                 values.end());
    values.insert(values.begin(), NamedValue{ProfileNameValue, TextStored(name.c_str())});
}

// A file profile as the list takes it: the section's name is its name unless the file
// carries a stored name the section could not say.
std::vector<NamedValue> ValuesOfFileProfile(const FileProfile& profile) {
    std::vector<NamedValue> values = profile.values;
    const bool named = std::any_of(values.begin(), values.end(),
                                   [](const NamedValue& value) { return SameValueName(value.name, ProfileNameValue); });
    if (!named) Rename(values, profile.name);
    return values;
}

}  // namespace

std::wstring CopyName(const std::wstring& name, const std::wstring& pattern, const std::wstring& numbered,
                      const std::function<bool(const std::wstring&)>& taken) {
    for (int number = 1;; ++number) {
        const std::wstring form = number == 1 ? pattern : numbered;
        // Filled with an empty name first, to learn how much of the name fits.
        const std::wstring empty =
            number == 1 ? FormatString(form.c_str(), L"") : FormatString(form.c_str(), L"", number);
        const size_t room = empty.size() < NameUnits ? NameUnits - empty.size() : 0;
        std::wstring base = name.substr(0, room);
        // Not a cut between the two halves of a surrogate pair.
        if (!base.empty() && base.back() >= 0xD800 && base.back() <= 0xDBFF) base.pop_back();
        std::wstring candidate = number == 1 ? FormatString(form.c_str(), base.c_str())
                                             : FormatString(form.c_str(), base.c_str(), number);
        if (candidate.size() > NameUnits) candidate.resize(NameUnits);
        if (!taken(candidate)) return candidate;
    }
}

std::wstring CopyNameForList(const std::wstring& name, const std::vector<std::wstring>& alsoTaken) {
    std::unordered_set<std::wstring> names = ListNames();
    for (const std::wstring& other : alsoTaken) names.insert(FoldedValueName(other));
    return CopyName(name, LoadText(IDS_COPY_NAME), LoadText(IDS_COPY_NAME_NUMBERED),
                    [&names](const std::wstring& candidate) { return names.count(FoldedValueName(candidate)) != 0; });
}

bool CopyProfile(int position) {
    if (!Settings.Profiles.Contains(position)) return false;
    PdfProfile copy = Settings.Profiles.At(position);
    const std::wstring name = CopyNameForList(NameOf(copy));
    SetName(copy, name);
    std::vector<NamedValue> values;
    try {
        values = ProfileValuesAt(position);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The copy keeps every value of the original; only its name is its own.
    Rename(values, name);
    return Settings.Profiles.AppendCarrying(copy, std::move(values));
}

bool BuildExport(const ExportChoice& choice, SettingsFile& file, std::wstring& badName) {
    file = SettingsFile{};
    std::unordered_set<std::wstring> sections;
    std::vector<std::wstring> sectionNames;
    for (int position : choice.positions) {
        if (!Settings.Profiles.Contains(position)) continue;
        FileProfile profile;
        profile.values = ProfileValuesAt(position);
        if (!choice.passwords) {
            profile.values.erase(std::remove_if(profile.values.begin(), profile.values.end(),
                                                [](const NamedValue& value) {
                                                    return SameValueName(value.name, UserPasswordValue) ||
                                                           SameValueName(value.name, OwnerPasswordValue);
                                                }),
                                 profile.values.end());
        }
        for (const NamedValue& value : profile.values) {
            if (!SettingsFileCanHold(value.name)) {
                badName = value.name;
                return false;
            }
        }
        profile.name = FileSectionName(NameOf(Settings.Profiles.At(position)));
        if (sections.count(FoldedValueName(profile.name))) {
            // A second profile of one name travels renamed as a copy: both arrive.
            profile.name = CopyName(profile.name, LoadText(IDS_COPY_NAME), LoadText(IDS_COPY_NAME_NUMBERED),
                                    [&sections](const std::wstring& candidate) {
                                        return sections.count(FoldedValueName(candidate)) != 0;
                                    });
            Rename(profile.values, profile.name);
        }
        sections.insert(FoldedValueName(profile.name));
        file.profiles.push_back(std::move(profile));
    }
    if (choice.plainValues) {
        file.hasPlainValues = true;
        file.plainValues = StoredPlainValues();
    }
    return true;
}

MergeResult MergeFileProfiles(const SettingsFile& file, const AskConflict& ask, MergeCounts& counts) {
    counts = MergeCounts{};
    struct Step {
        size_t from;         // the file's profile
        int replaces;        // the list's profile it replaces, or -1 to append
        std::wstring name;   // its name in the list
    };
    std::vector<Step> steps;
    std::vector<std::wstring> coming;  // names the import adds
    bool haveAnswer = false;
    ConflictAnswer forAll;
    // A user without profiles of his own sees a stand-in "Default": the file's profiles
    // take its place instead of following it.
    const bool standIn = ListIsOnlyStandIn() && !file.profiles.empty();
    for (size_t from = 0; from < file.profiles.size(); ++from) {
        const std::wstring& name = file.profiles[from].name;
        const std::wstring folded = FoldedValueName(name);
        int existing = -1;
        for (int position = 0; position < Settings.Profiles.Count() && existing < 0 && !standIn; ++position)
            if (FoldedValueName(NameOf(Settings.Profiles.At(position))) == folded) existing = position;
        if (existing < 0) {
            steps.push_back({from, -1, name});
            coming.push_back(name);
            ++counts.added;
            continue;
        }
        // Keep-both names avoid the list's names, those coming, and the file's own.
        std::vector<std::wstring> taken = coming;
        for (const FileProfile& other : file.profiles) taken.push_back(other.name);
        const std::wstring copyName = CopyNameForList(name, taken);
        ConflictAnswer answer = forAll;
        if (!haveAnswer) {
            if (!ask(name, copyName, answer)) {
                counts = MergeCounts{};
                return MergeResult::Cancelled;
            }
            if (answer.forAll) {
                forAll = answer;
                haveAnswer = true;
            }
        }
        switch (answer.choice) {
            case MergeChoice::Replace:
                steps.push_back({from, existing, name});
                ++counts.replaced;
                break;
            case MergeChoice::KeepBoth:
                steps.push_back({from, -1, copyName});
                coming.push_back(copyName);
                ++counts.added;
                break;
            case MergeChoice::Skip:
                ++counts.skipped;
                break;
        }
    }
    if (static_cast<size_t>(Settings.Profiles.Count()) + static_cast<size_t>(counts.added) >
        static_cast<size_t>(MaxLoadedProfiles)) {
        counts = MergeCounts{};
        return MergeResult::TooMany;
    }

    // Made whole before the list is touched, so that a lack of memory changes nothing.
    std::vector<std::pair<PdfProfile, std::vector<NamedValue>>> made;
    try {
        made.reserve(steps.size());
        for (const Step& step : steps) {
            std::vector<NamedValue> values = ValuesOfFileProfile(file.profiles[step.from]);
            if (step.name != file.profiles[step.from].name) Rename(values, step.name);
            PdfProfile profile = ProfileFromValues(values);
            made.emplace_back(profile, std::move(values));
        }
    } catch (const std::bad_alloc&) {
        counts = MergeCounts{};
        return MergeResult::NoMemory;
    }
    const PdfProfile standInProfile = standIn ? Settings.Profiles.At(0) : MakeDefaultProfile();
    if (standIn) Settings.Profiles.Remove(0);
    const int countBefore = Settings.Profiles.Count();
    for (size_t index = 0; index < steps.size(); ++index) {
        if (steps[index].replaces >= 0) {
            Settings.Profiles.ReplaceCarrying(steps[index].replaces, made[index].first, std::move(made[index].second));
        } else if (!Settings.Profiles.AppendCarrying(made[index].first, std::move(made[index].second))) {
            // Out of memory half way: the profiles appended are taken back.
            while (Settings.Profiles.Count() > countBefore) Settings.Profiles.Remove(Settings.Profiles.Count() - 1);
            if (standIn) Settings.Profiles.Append(standInProfile, MadeWhenEmpty);
            counts = MergeCounts{};
            return MergeResult::NoMemory;
        }
    }
    return MergeResult::Done;
}

std::vector<NamedValue> StoredPlainValues() {
    std::vector<NamedValue> values;
    UniqueRegKey key;
    if (OpenKeyForRead(HKEY_CURRENT_USER, FormatWithKeyName(UserKeyFormat), key) != ERROR_SUCCESS) return values;
    for (const PlainSetting& setting : PlainSettings())
        if (MaybeStored value = ReadStoredValue(key.get(), setting.name))
            values.push_back({setting.name, std::move(*value)});
    return values;
}

void TakePlainValues(const SettingsFile& file) {
    if (!file.hasPlainValues) return;
    Settings.Imported.Take(file.plainValues);
    struct Switch {
        const wchar_t* name;
        DWORD SettingsBlock::*field;
    };
    static const Switch switches[] = {{ValueName::EmfEnabled, &SettingsBlock::EmfEnabled},
                                      {ValueName::PdfEnabled, &SettingsBlock::PdfEnabled},
                                      {ValueName::PdfSeparate, &SettingsBlock::PdfSeparate},
                                      {ValueName::PdfDoNotEmbedFonts, &SettingsBlock::PdfDoNotEmbedFonts}};
    for (const Switch& entry : switches)
        if (const StoredValue* value = Settings.Imported.Find(entry.name)) ImportedNumber(*value, Settings.*entry.field);
}

DWORD ReadFileBytes(const std::wstring& path, std::string& bytes) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) return GetLastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return GetLastError();
    if (size.QuadPart > static_cast<LONGLONG>(MaxSettingsFileBytes)) return ERROR_FILE_TOO_LARGE;
    try {
        bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr))
        return GetLastError();
    bytes.resize(read);
    return ERROR_SUCCESS;
}

DWORD WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    const std::wstring partial = path + L".partial";
    DWORD status = ERROR_SUCCESS;
    {
        UniqueFileHandle file(
            CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return GetLastError();
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.get()))
            status = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    }
    if (status == ERROR_SUCCESS &&
        !MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        status = GetLastError();
    if (status != ERROR_SUCCESS) DeleteFileW(partial.c_str());
    return status;
}

ImportRead ReadImportFile(const std::wstring& path, SettingsFile& file, DWORD& error, FileRefusal& refusal) {
    std::string bytes;
    error = ReadFileBytes(path, bytes);
    if (error == ERROR_FILE_TOO_LARGE) {
        refusal = {0, FileFault::TooLarge, {}};
        return ImportRead::Refused;
    }
    if (error != ERROR_SUCCESS) return ImportRead::CannotRead;
    return ReadSettingsFile(bytes.data(), bytes.size(), file, refusal) ? ImportRead::Read : ImportRead::Refused;
}

std::wstring RefusalText(const FileRefusal& refusal) {
    const UINT id = IDS_FILE_FAULTS + static_cast<UINT>(refusal.fault) - 1;
    const std::wstring why = FormatText(id, refusal.detail.c_str());
    if (refusal.line == 0) return why;
    return FormatText(IDS_REFUSAL_LINE, static_cast<int>(refusal.line), why.c_str());
}
