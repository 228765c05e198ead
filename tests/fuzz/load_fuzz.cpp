// Random registry states under every key the start-up load reads: whatever another
// program, an administrator or a damaged profile left there, the load must finish
// in bounded time, never crash, and leave a usable Settings block; saving the
// profiles and loading again must give back what was saved.
//
//   tools/fuzz.sh load [--seed S] [--states N]   (see tests/fuzz/fuzz_support.h)
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "app/sheet_internal.h"
#include "base/globals.h"
#include "pdf/profile_store.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"
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


// What the profile count of a state was, to show what a run has covered.
enum CountKind { CountAbsent, CountZero, CountSmall, CountNegative, CountAllOnes, CountHuge, CountOddValue, CountKinds };
const char* const CountKindNames[] = {"absent", "0", "1..6", "negative", "0xffffffff", "0x7fffffff or more",
                                      "not a 4-byte number"};

class StateMaker : FuzzRandom {
public:
    explicit StateMaker(uint32_t seed) : FuzzRandom(seed) {}

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
};

bool Terminated(const wchar_t* text, size_t units) { return wmemchr(text, L'\0', units) != nullptr; }

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

double TimedLoad(int& result) {
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ResetSettings();
    result = LoadSheetSettings();
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

// Runs one state; what broke, or empty.
std::string RunState(uint32_t seed, CountKind& kind) {
    MessageBoxWatcher boxes;
    kind = StateMaker(seed).Make();

    int loaded = 0;
    double seconds = TimedLoad(loaded);
    const char* broken = nullptr;
    if (!loaded) broken = "the load failed";
    else if (seconds > LoadTimeLimitSeconds) broken = "the load took too long";
    else if (!boxes.boxes().empty()) broken = "the load showed a message box";
    else broken = BrokenRule();

    NotStored saveFailure;
    if (!broken && !SavePdfProfiles(saveFailure)) broken = "the save failed";
    if (!broken) {
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
    if (!broken) return {};
    char text[160];
    std::snprintf(text, sizeof text, "%s (%.1f s)", broken, seconds);
    return text;
}

}  // namespace

int wmain(int, wchar_t**) {
    InitProcessGlobals(GetModuleHandleW(nullptr));
    int kinds[CountKinds] = {};
    // A state that runs for twice the load limit (a load and a save each within it) hangs.
    const int failures = RunFuzzStates(
        "load", FuzzOptionsFromCommandLine(), 2 * LoadTimeLimitSeconds,
        [&](uint32_t seed) {
            CountKind kind = CountAbsent;
            std::string broken = RunState(seed, kind);
            ++kinds[kind];
            return broken;
        },
        [&] {
            std::string seen = "profile counts seen:";
            for (int kind = 0; kind < CountKinds; ++kind)
                seen += std::string(" ") + CountKindNames[kind] + " x" + std::to_string(kinds[kind]) + ";";
            return seen;
        });
    DeleteProgramKeys();
    return failures ? 1 : 0;
}
