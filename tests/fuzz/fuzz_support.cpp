#include "tests/fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

#include "pdf/password_cipher.h"
#include "pdf/profile_store.h"
#include "settings/settings.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_steps.h"

namespace {

// The state running now, for a crash or a hang, which end the run before the state's
// own report. (32-bit values: read whole on every platform.)
const char* CurrentFuzzer = "";
volatile LONG CurrentSeed = 0;
volatile LONG StateRunning = 0;
volatile DWORD CurrentStateStart = 0;
DWORD StateLimitMs = 0;

void PrintReplay(uint32_t seed, const std::string& what) {
    std::printf("state %u: %s\n  replay: tools/fuzz.sh %s --seed %u --states 1\n", seed, what.c_str(), CurrentFuzzer, seed);
    std::fflush(stdout);
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS*) {
    if (StateRunning) PrintReplay(static_cast<uint32_t>(CurrentSeed), "the program crashed");
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI Watchdog(void*) {
    for (;;) {
        Sleep(500);
        if (StateRunning && GetTickCount() - CurrentStateStart > StateLimitMs) {
            PrintReplay(static_cast<uint32_t>(CurrentSeed), "the state did not end in bounded time");
            ExitProcess(1);
        }
    }
}

}  // namespace

FuzzOptions FuzzOptionsFromCommandLine(FuzzOptions options) {
    for (int index = 1; index + 1 < __argc; ++index) {
        if (!wcscmp(__wargv[index], L"--seed"))
            options.seed = static_cast<uint32_t>(wcstoul(__wargv[index + 1], nullptr, 10));
        else if (!wcscmp(__wargv[index], L"--states"))
            options.states = static_cast<uint32_t>(wcstoul(__wargv[index + 1], nullptr, 10));
    }
    return options;
}

int RunFuzzStates(const char* fuzzer, const FuzzOptions& options, double stateLimitSeconds,
                  const std::function<std::string(uint32_t seed)>& runState,
                  const std::function<std::string()>& coverage) {
    CurrentFuzzer = fuzzer;
    StateLimitMs = static_cast<DWORD>(stateLimitSeconds * 1000);
    SetUnhandledExceptionFilter(ReportCrash);
    // 32-bit Wine run through qemu breaks in a process with a second thread (see
    // tests/support/test_main.cpp): there the test bed's watchdog, which names the last
    // state noted below, ends a state that hangs.
    if (GetEnvironmentVariableW(L"LUMAREL_X86_THROUGH_QEMU", nullptr, 0) == 0) {
        static const HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);  // runs until the end
        (void)watchdog;
    }
    int failures = 0;
    for (uint32_t state = 0; state < options.states; ++state) {
        const uint32_t seed = options.seed + state;
        CurrentSeed = static_cast<LONG>(seed);
        CurrentStateStart = GetTickCount();
        NoteTestStep(L"state %u", seed);
        StateRunning = 1;
        std::string broken = runState(seed);
        StateRunning = 0;
        if (!broken.empty()) {
            PrintReplay(seed, broken);
            ++failures;
        }
    }
    std::printf("%s: %u states from seed %u, %d failed%s%s\n", fuzzer, options.states, options.seed, failures,
                coverage ? "; " : "", coverage ? coverage().c_str() : "");
    return failures;
}

bool FuzzRandom::Chance(double probability) {
    return std::uniform_real_distribution<double>(0, 1)(random_) < probability;
}

uint32_t FuzzRandom::Below(uint32_t bound) { return std::uniform_int_distribution<uint32_t>(0, bound - 1)(random_); }

DWORD FuzzRandom::RandomType() {
    static const DWORD types[] = {REG_DWORD, REG_SZ,   REG_BINARY, REG_EXPAND_SZ,
                                  REG_MULTI_SZ, REG_QWORD, REG_NONE, REG_DWORD_BIG_ENDIAN};
    if (Chance(0.6)) return Chance(0.5) ? REG_DWORD : REG_SZ;
    return OneOf(types);
}

DWORD FuzzRandom::RandomSize() {
    static const DWORD sizes[] = {0,   1,   2,   3,    4,    5,    8,    63,   64,   65,  255,
                                  256, 257, 512, 513, 1024, 2047, 2048, 2049, 4095, 4096};
    if (Chance(0.5)) return OneOf(sizes);
    return Below(4097);
}

uint32_t FuzzRandom::InterestingNumber() {
    static const uint32_t numbers[] = {0, 1, 2, 3, 4, 5, 6, 80, 85, 100, 101, 0x7fffffff, 0x80000000, 0xffffffff};
    const uint32_t number = Chance(0.8) ? OneOf(numbers) : Any32();
    return unitsBelow256_ ? number & 0x00ff00ffu : number;
}

std::vector<BYTE> FuzzRandom::RandomBytes(DWORD size) {
    std::vector<BYTE> bytes(size);
    switch (Below(3)) {
        case 0:  // printable text, terminated only by chance of the size
            for (DWORD at = 0; at + 1 < size; at += 2) {
                bytes[at] = static_cast<BYTE>(L'a' + Below(26));
                bytes[at + 1] = 0;
            }
            if (size % 2) bytes[size - 1] = static_cast<BYTE>('x');
            break;
        case 1:  // text with a terminator somewhere
            for (DWORD at = 0; at < size; ++at) bytes[at] = static_cast<BYTE>(at % 2 ? 0 : 'A' + Below(26));
            if (size >= 2) bytes[Below(size / 2) * 2] = 0;
            break;
        default:
            for (BYTE& byte : bytes) byte = static_cast<BYTE>(Below(256));
            break;
    }
    if (unitsBelow256_)
        for (size_t at = 1; at < bytes.size(); at += 2) bytes[at] = 0;
    return bytes;
}

void FuzzRandom::SetRandomValue(HKEY root, const wchar_t* path, const wchar_t* name) {
    DWORD type = RandomType();
    if (type == REG_DWORD && Chance(0.7)) {
        uint32_t number = InterestingNumber();
        SetRaw(root, path, name, REG_DWORD, &number, sizeof number);
        return;
    }
    std::vector<BYTE> bytes = RandomBytes(RandomSize());
    SetRaw(root, path, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

PdfProfile Normalised(PdfProfile profile) {
    for (auto [text, units] : {std::pair<wchar_t*, size_t>{profile.name, 128}, {profile.title, 256},
                               {profile.author, 256}, {profile.subject, 256}, {profile.keywords, 512},
                               {profile.userPassword, 32}, {profile.ownerPassword, 32}}) {
        size_t length = wcsnlen(text, units);
        wmemset(text + length, L'\0', units - length);
    }
    return profile;
}

KeyValues ReadKeyValues(HKEY root, const wchar_t* path) {
    KeyValues values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | InstallerView(root), &key) != ERROR_SUCCESS) return values;
    std::vector<NamedValue> all;
    ReadAllValues(key, all);
    RegCloseKey(key);
    for (NamedValue& value : all) values.emplace(std::move(value.name), std::move(value.value));
    return values;
}

void RestoreKeyValues(HKEY root, const wchar_t* path, const KeyValues& wanted) {
    const KeyValues now = ReadKeyValues(root, path);
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_READ | KEY_WRITE | InstallerView(root), nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (const auto& [name, value] : now)
        if (!wanted.count(name)) RegDeleteValueW(key, name.c_str());
    for (const auto& [name, value] : wanted) {
        auto found = now.find(name);
        if (found == now.end() || found->second != value) WriteStoredValue(key, name.c_str(), value);
    }
    RegCloseKey(key);
}

const ProgramKey ProgramKeys[5] = {
    {HKEY_CURRENT_USER, UserKeyPath, "HKCU"},
    {HKEY_CURRENT_USER, UserProfilesPath, "HKCU\\PDF Profiles"},
    {HKEY_LOCAL_MACHINE, MachineKeyPath, "HKLM"},
    {HKEY_LOCAL_MACHINE, DefaultsKeyPath, "HKLM\\Defaults"},
    {HKEY_LOCAL_MACHINE, DefaultProfilesPath, "HKLM\\Defaults\\PDF Profiles"},
};

ProgramValues ReadProgramValues() {
    ProgramValues values;
    for (const ProgramKey& key : ProgramKeys) values.push_back(ReadKeyValues(key.root, key.path));
    return values;
}

void RestoreProgramValues(const ProgramValues& wanted) {
    for (size_t key = 0; key < std::size(ProgramKeys); ++key)
        RestoreKeyValues(ProgramKeys[key].root, ProgramKeys[key].path, wanted[key]);
}

namespace {

std::string Described(const MaybeStored& value) {
    if (!value) return "absent";
    if (value->type == REG_DWORD && value->bytes.size() == 4)
        return "REG_DWORD " + std::to_string(*reinterpret_cast<const DWORD*>(value->bytes.data()));
    return "type " + std::to_string(value->type) + ", " + std::to_string(value->bytes.size()) + " bytes";
}

MaybeStored Find(const KeyValues& values, const std::wstring& name) {
    auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

// Where each field of ProfileFieldNames lives in a PdfProfile; `units` 0 for a number.
struct FieldPlace {
    size_t offset;
    size_t units;
    bool password;
};
#define TEXT_AT(member) {offsetof(PdfProfile, member), sizeof(PdfProfile::member) / sizeof(wchar_t), false}
#define NUMBER_AT(member) {offsetof(PdfProfile, member), 0, false}
const FieldPlace FieldPlaces[] = {
    TEXT_AT(name), TEXT_AT(title), TEXT_AT(author), TEXT_AT(subject), TEXT_AT(keywords),
    NUMBER_AT(securityEnabled), NUMBER_AT(userPasswordEnabled),
    {offsetof(PdfProfile, userPassword), PasswordUnits, true}, NUMBER_AT(ownerPasswordEnabled),
    {offsetof(PdfProfile, ownerPassword), PasswordUnits, true}, NUMBER_AT(allowCopying),
    NUMBER_AT(allowCommenting), NUMBER_AT(allowChanging), NUMBER_AT(allowPrinting), NUMBER_AT(encryptionLevel),
    NUMBER_AT(documentCompression), NUMBER_AT(imagesCompression), NUMBER_AT(jpegQuality), NUMBER_AT(pdfVersion),
    NUMBER_AT(pageLayout), NUMBER_AT(pageMode), NUMBER_AT(alternateEmfRendering),
};
#undef TEXT_AT
#undef NUMBER_AT
static_assert(std::size(FieldPlaces) == std::size(ProfileFieldNames), "a place for every field");

const BYTE* FieldAt(const PdfProfile& profile, size_t field) {
    return reinterpret_cast<const BYTE*>(&profile) + FieldPlaces[field].offset;
}

bool SameField(const PdfProfile& a, const PdfProfile& b, size_t field) {
    const size_t units = FieldPlaces[field].units;
    return std::memcmp(FieldAt(a, field), FieldAt(b, field), units ? units * sizeof(wchar_t) : sizeof(int)) == 0;
}

bool SameProfile(const PdfProfile& a, const PdfProfile& b) {
    for (size_t field = 0; field < std::size(FieldPlaces); ++field)
        if (!SameField(a, b, field)) return false;
    return true;
}

}  // namespace

std::string UnexplainedChange(const char* key, const KeyValues& before, const KeyValues& after,
                              const AllowedChanges& allowed, bool cut) {
    KeyValues names = before;
    names.insert(after.begin(), after.end());
    for (const auto& entry : names) {
        const MaybeStored was = Find(before, entry.first), is = Find(after, entry.first);
        auto rule = allowed.find(entry.first);
        const bool explained = rule == allowed.end() ? is == was : rule->second.Accepts(is) || (cut && is == was);
        if (!explained)
            return std::string(key) + "\\" + std::string(entry.first.begin(), entry.first.end()) + ": " +
                   Described(is) + (is && was && Described(is) == Described(was) ? " of other bytes" : "") +
                   ", was " + Described(was) +
                   (rule == allowed.end() ? " (no change of it was made)" : " (not what the change implies)");
    }
    return {};
}

std::string UnexplainedChanges(const ProgramValues& before, const ProgramValues& after,
                               const std::vector<AllowedChanges>& allowed, bool cut) {
    std::string broken;
    for (size_t key = 0; key < std::size(ProgramKeys); ++key) {
        const std::string unexplained =
            UnexplainedChange(ProgramKeys[key].label, before[key], after[key], allowed[key], cut);
        if (!unexplained.empty()) broken += (broken.empty() ? "" : "; ") + unexplained;
    }
    return broken;
}

AllowedValue StoredField(const PdfProfile& profile, size_t field) {
    const FieldPlace& place = FieldPlaces[field];
    const auto* text = reinterpret_cast<const wchar_t*>(FieldAt(profile, field));
    if (!place.units) return {DwordStored(static_cast<DWORD>(*reinterpret_cast<const int*>(text))), nullptr};
    const std::wstring bounded(text, wcsnlen(text, place.units - 1));
    if (!place.password) return {TextStored(bounded.c_str()), nullptr};
    if (bounded.empty()) return {};  // an empty password is no value
    // Enciphered over random filler: any blob that deciphers to the password.
    return {std::nullopt, [bounded](const MaybeStored& value) {
                if (!value || value->type != REG_BINARY || value->bytes.size() != PasswordBlobBytes) return false;
                wchar_t password[PasswordUnits];
                DecryptPasswordBlob(value->bytes.data(), password);
                return bounded == password;
            }};
}

std::vector<PdfProfile> LoadedProfiles() {
    std::vector<PdfProfile> profiles;
    for (int index = 0; index < Settings.Profiles.Count(); ++index)
        profiles.push_back(Normalised(Settings.Profiles.At(index)));
    return profiles;
}

AllowedChanges ProfileKeyChanges(const KeyValues& before, const std::vector<PdfProfile>& loaded, int loadedCurrent,
                                 const std::vector<PdfProfile>& changed, int changedCurrent, ListChange change,
                                 int index) {
    AllowedChanges allowed;
    bool same = loaded.size() == changed.size() && loadedCurrent == changedCurrent;
    for (size_t at = 0; same && at < loaded.size(); ++at) same = SameProfile(loaded[at], changed[at]);
    if (same) return allowed;
    const int count = static_cast<int>(changed.size());
    allowed[ProfilesCountValue] = {DwordStored(static_cast<DWORD>(count)), nullptr};
    if (changedCurrent >= 0 && changedCurrent < count)
        allowed[CurrentProfileValue] = {DwordStored(static_cast<DWORD>(changedCurrent)), nullptr};
    else  // the page's index names no profile (the last one was deleted): any that does
        allowed[CurrentProfileValue] = {std::nullopt, [count](const MaybeStored& value) {
                                            return value && value->type == REG_DWORD && value->bytes.size() == 4 &&
                                                   *reinterpret_cast<const DWORD*>(value->bytes.data()) <
                                                       static_cast<DWORD>(count);
                                        }};
    const auto name = [](int at, size_t field) { return ProfileValueName(at, ProfileFieldNames[field]); };
    for (size_t field = 0; field < std::size(ProfileFieldNames); ++field) {
        switch (change) {
            case ListChange::Edit:
                if (!SameField(loaded[index], changed[index], field))
                    allowed[name(index, field)] = StoredField(changed[index], field);
                break;
            case ListChange::Append: allowed[name(count - 1, field)] = StoredField(changed[count - 1], field); break;
            case ListChange::Delete:
                // Every value moves as stored, also one the program cannot read.
                for (int at = index; at < count; ++at)
                    allowed[name(at, field)] = {Find(before, name(at + 1, field)), nullptr};
                allowed[name(count, field)] = {};
                break;
            default: break;
        }
    }
    return allowed;
}
