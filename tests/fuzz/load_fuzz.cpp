// Random registry states under every key the start-up load reads: whatever another
// program, an administrator or a damaged profile left there, the load must finish
// in bounded time, never crash, and leave a usable Settings block; saving the
// profiles and loading again must give back what was saved.
//
//   load_fuzz [--seed S] [--states N]
// State i uses the seed S + i; a failure prints the command that replays it alone.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "app/globals.h"
#include "pdf/profile_store.h"
#include "settings/settings.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/registry_fixture.h"

namespace {

// One start-up load, 10,000 profiles included, stays far below this.
constexpr double LoadTimeLimitSeconds = 90;


// The plain values the load looks for, in any of the three main keys.
const wchar_t* const PlainValueNames[] = {
    L"Last Viewed Page", L"Agent: Hide page", L"Version",           L"EMF: Hide page",
    L"EMF: Enabled",     L"PDF: Hide page",   L"PDF: Enabled",      L"PDF: Separate",
    L"PDF: Exclude fonts", L"PDF: Do not embed fonts",
};

const wchar_t* const ProfileFieldNames[] = {
    L"Profile name",     L"Title",          L"Author",          L"Subject",          L"Keywords",
    L"Security enabled", L"User password enabled", L"User password", L"Owner password enabled",
    L"Owner password",   L"Allow copying",  L"Allow commenting", L"Allow changing",  L"Allow printing",
    L"Encryption Level", L"Document Compression", L"Images Compression", L"JPEG Quality", L"PDF Version",
    L"Page Layout",      L"Page Mode",      L"Alternate EMF Rendering",
};

// What the profile count of a state was, to show what a run has covered.
enum CountKind { CountAbsent, CountZero, CountSmall, CountNegative, CountAllOnes, CountHuge, CountOddValue, CountKinds };
const char* const CountKindNames[] = {"absent", "0", "1..6", "negative", "0xffffffff", "0x7fffffff or more",
                                      "not a 4-byte number"};

class StateMaker {
public:
    explicit StateMaker(uint32_t seed) : random_(seed) {}

    // Fills the registry with one random state; returns the kind of count the profile
    // key that the load reads was given.
    CountKind Make() {
        DeleteProgramKeys();
        if (Chance(0.7)) FillPlainKey(HKEY_CURRENT_USER, UserKeyPath);
        if (Chance(0.6)) FillPlainKey(HKEY_LOCAL_MACHINE, MachineKeyPath);
        if (Chance(0.6)) FillPlainKey(HKEY_LOCAL_MACHINE, DefaultsKeyPath);
        CountKind defaults = CountAbsent, user = CountAbsent;
        bool userKey = Chance(0.6);
        if (Chance(0.6)) defaults = FillProfileKey(HKEY_LOCAL_MACHINE, DefaultProfilesPath);
        if (userKey) user = FillProfileKey(HKEY_CURRENT_USER, UserProfilesPath);
        return userKey ? user : defaults;
    }

private:
    bool Chance(double probability) { return std::uniform_real_distribution<double>(0, 1)(random_) < probability; }
    uint32_t Below(uint32_t bound) { return std::uniform_int_distribution<uint32_t>(0, bound - 1)(random_); }
    uint32_t Any32() { return static_cast<uint32_t>(random_()); }

    DWORD RandomType() {
        static const DWORD types[] = {REG_DWORD, REG_SZ,        REG_BINARY, REG_EXPAND_SZ,
                                      REG_MULTI_SZ, REG_QWORD, REG_NONE,   REG_DWORD_BIG_ENDIAN};
        // Mostly the types the program writes, so that the sizes matter.
        if (Chance(0.6)) return Chance(0.5) ? REG_DWORD : REG_SZ;
        return types[Below(sizeof types / sizeof types[0])];
    }

    DWORD RandomSize() {
        static const DWORD sizes[] = {0, 1, 2, 3, 4, 5, 8, 63, 64, 65, 255, 256, 257, 512, 513,
                                      1024, 2047, 2048, 2049, 4095, 4096};
        if (Chance(0.5)) return sizes[Below(sizeof sizes / sizeof sizes[0])];
        return Below(4097);
    }

    uint32_t InterestingNumber() {
        static const uint32_t numbers[] = {0, 1, 2, 3, 4, 5, 6, 80, 85, 100, 101, 0x7fffffff, 0x80000000, 0xffffffff};
        return Chance(0.8) ? numbers[Below(sizeof numbers / sizeof numbers[0])] : Any32();
    }

    // Bytes of a value: a number, a text with or without terminator, or noise.
    std::vector<BYTE> RandomBytes(DWORD size) {
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
                if (size >= 2) {
                    DWORD end = Below(size / 2) * 2;
                    bytes[end] = 0;
                }
                break;
            default:
                for (BYTE& byte : bytes) byte = static_cast<BYTE>(Below(256));
                break;
        }
        return bytes;
    }

    void SetRandomValue(HKEY root, const wchar_t* path, const wchar_t* name) {
        DWORD type = RandomType();
        if (type == REG_DWORD && Chance(0.7)) {
            uint32_t number = InterestingNumber();
            SetRaw(root, path, name, REG_DWORD, &number, sizeof number);
            return;
        }
        std::vector<BYTE> bytes = RandomBytes(RandomSize());
        SetRaw(root, path, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    }

    void FillPlainKey(HKEY root, const wchar_t* path) {
        SetRaw(root, path, L"Unrelated", REG_SZ, L"x", 4);  // the key exists, values or not
        for (const wchar_t* name : PlainValueNames)
            if (Chance(0.5)) SetRandomValue(root, path, name);
    }

    // A count of each kind. One that loads 10,000 profiles makes the check save and
    // load them all again, seconds under Wine, so it comes seldom.
    CountKind SetCount(HKEY root, const wchar_t* path, uint32_t& count) {
        uint32_t roll = Below(1000);
        CountKind kind = roll < 120   ? CountAbsent
                         : roll < 240 ? CountZero
                         : roll < 600 ? CountSmall
                         : roll < 720 ? CountNegative
                         : roll < 840 ? CountAllOnes
                         : roll < 990 ? CountOddValue
                                      : CountHuge;
        switch (kind) {
            case CountAbsent: count = 0; return kind;
            case CountZero: count = 0; break;
            case CountSmall: count = 1 + Below(6); break;
            case CountNegative: count = 0x80000000u + Below(0x7fffffff); break;
            case CountAllOnes: count = 0xffffffff; break;
            case CountHuge: count = Chance(0.5) ? 0x7fffffff : 10000 + Below(0x7fffffff - 10000); break;
            default: {
                // Another size or type: of 0, 1, 5 or 8 bytes, so never above 255 profiles.
                const DWORD sizes[] = {0, 1, 5, 8};
                std::vector<BYTE> bytes = RandomBytes(sizes[Below(4)]);
                SetRaw(root, path, L"Profiles count", RandomType(), bytes.data(), static_cast<DWORD>(bytes.size()));
                count = 8;  // per-profile values for a few indexes anyway
                return kind;
            }
        }
        SetRaw(root, path, L"Profiles count", REG_DWORD, &count, sizeof count);
        return kind;
    }

    CountKind FillProfileKey(HKEY root, const wchar_t* path) {
        SetRaw(root, path, L"Unrelated", REG_SZ, L"x", 4);
        uint32_t count = 0;
        CountKind kind = SetCount(root, path, count);
        int stored = static_cast<int>(count > 8 ? 8 : count);
        if (Chance(0.8)) {
            const uint32_t currents[] = {0, 1, count - 1, count, count + 1, 0x7fffffff, 0x80000000, 0xffffffff, Any32()};
            uint32_t current = currents[Below(sizeof currents / sizeof currents[0])];
            if (Chance(0.8)) SetRaw(root, path, L"Current profile", REG_DWORD, &current, sizeof current);
            else SetRandomValue(root, path, L"Current profile");
        }
        for (int index = 0; index < stored + 1; ++index)
            for (const wchar_t* field : ProfileFieldNames) {
                if (!Chance(0.4)) continue;
                std::wstring name = ProfileValueName(index, field);
                bool password = wcsstr(field, L" password") && !wcsstr(field, L"enabled");
                if (password && Chance(0.6)) {
                    // Blobs of the stored size and one byte either side.
                    const DWORD sizes[] = {63, 64, 65};
                    std::vector<BYTE> blob = RandomBytes(sizes[Below(3)]);
                    SetRaw(root, path, name.c_str(), REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
                } else {
                    SetRandomValue(root, path, name.c_str());
                }
            }
        return kind;
    }

    std::mt19937 random_;
};

bool Terminated(const wchar_t* text, size_t units) { return wmemchr(text, L'\0', units) != nullptr; }

// The profile with everything after each text's terminator cleared, so that two
// profiles that load alike compare equal byte for byte.
PdfProfile Normalised(PdfProfile profile) {
    for (auto [text, units] : {std::pair<wchar_t*, size_t>{profile.name, 128}, {profile.title, 256},
                               {profile.author, 256}, {profile.subject, 256}, {profile.keywords, 512},
                               {profile.userPassword, 32}, {profile.ownerPassword, 32}}) {
        size_t length = wcsnlen(text, units);
        wmemset(text + length, L'\0', units - length);
    }
    return profile;
}

// Every rule a loaded Settings block must keep; the first one broken, or null.
const char* BrokenRule() {
    if (!Terminated(Settings.Version, 260)) return "Version is not terminated";
    if (!Terminated(Settings.PdfExcludeFonts, 1024)) return "PDF: Exclude fonts is not terminated";
    if (Settings.Profiles.Count() < 1) return "no profile loaded";
    if (Settings.Profiles.Count() > MaxLoadedProfiles) return "more profiles than the bound";
    if (!Settings.Profiles.Contains(Settings.CurrentProfile)) return "the current profile is outside the list";
    for (int index = 0; index < Settings.Profiles.Count(); ++index) {
        const PdfProfile& profile = Settings.Profiles.At(index);
        if (!Terminated(profile.name, 128) || !Terminated(profile.title, 256) || !Terminated(profile.author, 256) ||
            !Terminated(profile.subject, 256) || !Terminated(profile.keywords, 512) ||
            !Terminated(profile.userPassword, 32) || !Terminated(profile.ownerPassword, 32))
            return "a profile text is not terminated";
    }
    return nullptr;
}

// The state running now, for a crash or a hang, which end the run before the state's
// own report: both print its replay command too.
// (32-bit values: read whole on every platform.)
volatile LONG CurrentSeed = 0;
volatile LONG StateRunning = 0;
volatile DWORD CurrentStateStart = 0;

void PrintReplay(const char* what) {
    const auto seed = static_cast<uint32_t>(CurrentSeed);
    std::printf("state %u: %s\n  replay: load_fuzz --seed %u --states 1\n", seed, what, seed);
    std::fflush(stdout);
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS*) {
    PrintReplay("the program crashed");
    return EXCEPTION_EXECUTE_HANDLER;
}

// A state that runs for twice the load limit (a load and a save each within it) hangs.
DWORD WINAPI Watchdog(void*) {
    for (;;) {
        Sleep(500);
        if (StateRunning && GetTickCount() - CurrentStateStart > static_cast<DWORD>(2 * LoadTimeLimitSeconds * 1000)) {
            PrintReplay("the state did not end in bounded time");
            ExitProcess(1);
        }
    }
}

double TimedLoad(int& result) {
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ResetSettings();
    result = LoadSettings();
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

// Runs one state; prints and returns false on the first broken rule.
bool RunState(uint32_t seed, CountKind& kind) {
    MessageBoxWatcher boxes;
    kind = StateMaker(seed).Make();

    int loaded = 0;
    double seconds = TimedLoad(loaded);
    const char* broken = nullptr;
    if (!loaded) broken = "the load failed";
    else if (seconds > LoadTimeLimitSeconds) broken = "the load took too long";
    else if (!boxes.boxes().empty()) broken = "the load showed a message box";
    else broken = BrokenRule();

    if (!broken) {
        SavePdfProfiles();
        std::vector<PdfProfile> saved;
        for (int index = 0; index < Settings.Profiles.Count(); ++index)
            saved.push_back(Normalised(Settings.Profiles.At(index)));
        int savedCurrent = Settings.CurrentProfile;
        TimedLoad(loaded);
        if (!loaded || Settings.Profiles.Count() != static_cast<int>(saved.size()))
            broken = "loading the saved profiles gave another number of profiles";
        else if (Settings.CurrentProfile != savedCurrent)
            broken = "loading the saved profiles gave another current profile";
        else
            for (size_t index = 0; index < saved.size() && !broken; ++index) {
                PdfProfile reloaded = Normalised(Settings.Profiles.At(static_cast<int>(index)));
                if (std::memcmp(&reloaded, &saved[index], sizeof reloaded) != 0)
                    broken = "a saved profile loaded differently";
            }
        if (!broken && !boxes.boxes().empty()) broken = "saving showed a message box";
    }
    if (broken) {
        std::printf("state %u: %s (%.1f s)\n  replay: load_fuzz --seed %u --states 1\n", seed, broken, seconds, seed);
        return false;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    InitProcessGlobals(GetModuleHandleW(nullptr));
    uint32_t seed = 1;
    uint32_t states = 200;
    for (int index = 1; index + 1 < argc; index += 2) {
        if (!wcscmp(argv[index], L"--seed")) seed = static_cast<uint32_t>(wcstoul(argv[index + 1], nullptr, 10));
        else if (!wcscmp(argv[index], L"--states")) states = static_cast<uint32_t>(wcstoul(argv[index + 1], nullptr, 10));
    }
    int failures = 0;
    int kinds[CountKinds] = {};
    SetUnhandledExceptionFilter(ReportCrash);
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (watchdog) CloseHandle(watchdog);  // it runs until the process ends
    for (uint32_t state = 0; state < states; ++state) {
        CountKind kind = CountAbsent;
        CurrentSeed = static_cast<LONG>(seed + state);
        CurrentStateStart = GetTickCount();
        StateRunning = 1;
        if (!RunState(seed + state, kind)) ++failures;
        StateRunning = 0;
        ++kinds[kind];
    }
    DeleteProgramKeys();
    std::printf("%u states from seed %u, %d failed; profile counts seen:", states, seed, failures);
    for (int kind = 0; kind < CountKinds; ++kind) std::printf(" %s x%d;", CountKindNames[kind], kinds[kind]);
    std::printf("\n");
    return failures ? 1 : 0;
}
