// Cuts a save short: a child process (cut_child.exe) loads, makes one scripted change of
// the profile list or of the Agent page's values and saves it as its page does, and is
// ended by TerminateProcess at a random instant of the save. Whatever instant it was, the
// program must still load without a box, "Profiles count" and "Current profile" must name
// a valid list, every value outside the change must be as it was, and a profile entering
// or leaving the list must be whole while the count covers it. A changed profile (or the
// Agent page's values) left half old, half new is counted ("mixed"), not failed.
//
//   tools/fuzz.sh cuts [--seed S] [--states N]   (each state is one cut)
// Seeds in runs of 8 share a scenario, so that its store is set up once for them; the
// replay of a state cuts the same scenario at the same fraction of the save.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/sheet_internal.h"
#include "base/globals.h"
#include "base/handles.h"
#include "pdf/password_cipher.h"
#include "pdf/profile_store.h"
#include "settings/agent_values.h"
#include "settings/settings.h"
#include "tests/fuzz/cut_change.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/registry_fixture.h"

namespace {

constexpr double StateLimitSeconds = 300;  // setting up and calibrating a store of 1,000 included
constexpr uint32_t SeedsPerScenario = 8;
constexpr DWORD CutExitCode = 0xC07;

double Now() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

bool ValidDword(const KeyValues& values, const wchar_t* name, DWORD& number) {
    auto found = values.find(name);
    if (found == values.end() || found->second.type != REG_DWORD || found->second.bytes.size() != 4) return false;
    number = *reinterpret_cast<const DWORD*>(found->second.bytes.data());
    return true;
}

StoredValue Bytes(DWORD type, const void* data, size_t size) {
    StoredValue value;
    value.type = type;
    value.bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    return value;
}

// `count` well-formed profiles, every fifth with passwords; values the program cannot
// read inside and outside the changes; a stray password past the list; plain values and
// the machine's, which a save of the profiles must not touch either.
ProgramValues MakeStore(int count) {
    ProgramValues store(std::size(ProgramKeys));
    KeyValues& profiles = store[UserProfilesIndex];
    for (int index = 0; index < count; ++index) {
        PdfProfile profile = MakeDefaultProfile();
        swprintf(profile.name, 128, L"Profile %d", index);
        swprintf(profile.title, 256, L"Statement %06d", index * 7919 % 1000000);
        swprintf(profile.keywords, 512, L"account; %d", index);
        profile.jpegQuality = 60 + index % 40;
        profile.pageMode = index % 3;
        if (index % 5 == 0) {
            profile.securityEnabled = profile.userPasswordEnabled = 1;
            swprintf(profile.userPassword, 32, L"user-%d", index);
        }
        for (size_t field = 0; field < std::size(ProfileFieldNames); ++field) {
            const std::wstring name = ProfileValueName(index, ProfileFieldNames[field]);
            if (!wcscmp(ProfileFieldNames[field], L"User password")) {
                if (!profile.userPassword[0]) continue;
                uint8_t blob[PasswordBlobBytes];
                EncryptPasswordBlob(profile.userPassword, blob);
                profiles[name] = Bytes(REG_BINARY, blob, sizeof blob);
            } else if (StoredField(profile, field).exact) {
                profiles[name] = *StoredField(profile, field).exact;
            }
        }
    }
    const BYTE odd[65] = {1, 2, 3, 4, 5, 6, 7};
    profiles[L"[3] Subject"] = Bytes(REG_BINARY, odd, 7);
    profiles[L"[3] Allow printing"] = Bytes(REG_SZ, L"yes", 8);
    profiles[L"[4] Owner password"] = Bytes(REG_BINARY, odd, 63);
    profiles[ProfileValueName(count, L"Owner password")] = Bytes(REG_BINARY, odd, 64);
    if (count > 760) {
        profiles[L"[750] JPEG Quality"] = Bytes(REG_SZ, L"high", 10);
        profiles[L"[760] Owner password"] = Bytes(REG_BINARY, odd, 65);
    }
    profiles[ProfilesCountValue] = DwordStored(static_cast<DWORD>(count));
    profiles[CurrentProfileValue] = DwordStored(3);
    store[UserKeyIndex][L"PDF: Enabled"] = DwordStored(1);
    store[UserKeyIndex][L"EMF: Enabled"] = Bytes(REG_SZ, L"on", 6);
    store[UserKeyIndex][L"Unrelated"] = TextStored(L"x");
    // The Agent page's: the user's application and mode, a message number it cannot read.
    store[UserKeyIndex][L"Client Application"] = TextStored(L"C:\\Old\\client.exe");
    store[UserKeyIndex][L"Transfer Mode"] = DwordStored(1);
    store[UserKeyIndex][L"Message ID"] = Bytes(REG_SZ, L"junk", 10);
    // The machine key (all seven of the Agent page), its defaults and their profiles (ProgramKeys).
    for (size_t row = 0; row < AgentRowCount; ++row)
        store[2][AgentValueName(row)] = IsAgentText(row) ? TextStored((L"C:\\Machine\\" + std::to_wstring(row)).c_str())
                                                        : DwordStored(static_cast<DWORD>(row + 1));
    store[2][L"Version"] = TextStored(L"9.9");
    store[3][L"PDF: Separate"] = DwordStored(1);
    store[4][ProfilesCountValue] = DwordStored(1);
    store[4][L"[0] Profile name"] = TextStored(L"Machine");
    return store;
}

struct Scenario {
    const CutChange* change;
    ProgramValues before;
    std::vector<AllowedChanges> allowed;  // per program key
    // Per profile index (-1: the Agent values), the values that differ, by key and name.
    std::map<int, std::vector<std::pair<size_t, std::wstring>>> changedValues;
    ProgramValues saved;  // after an uncut save
    int newCount = 0;
    double saveSeconds = 0;  // the uncut save, between the child's two signals; 0 until calibrated
    int cuts = 0, untouched = 0, midSave = 0, mixed = 0, violations = 0;
};

UniqueHandle Ready, Saved;
std::wstring ReadyName;

// Starts the child on `scenario`'s change and ends it `cutAfter` seconds after its
// signal (never when negative). Returns what went wrong, or empty; `exitCode` is the
// child's, `seconds` the time from its signal before the save to the one after it.
std::string RunChild(const Scenario& scenario, double cutAfter, DWORD& exitCode, double& seconds) {
    std::wstring command = L"\"" + TestProgramDirectory() + L"cut_child.exe\" " + scenario.change->name + L" " + ReadyName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ResetEvent(Ready.get());
    ResetEvent(Saved.get());
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return "cut_child.exe does not start";
    UniqueHandle process(started.hProcess), thread(started.hThread);
    const HANDLE waits[] = {Ready.get(), process.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), CutExitCode);
        GetExitCodeProcess(process.get(), &exitCode);
        return "the child ended before its save, code " + std::to_string(exitCode);
    }
    const double signalled = Now();
    if (cutAfter >= 0) {
        if (cutAfter > 0.003) Sleep(static_cast<DWORD>((cutAfter - 0.002) * 1000));
        while (Now() - signalled < cutAfter) {
        }
        TerminateProcess(process.get(), CutExitCode);
    }
    const HANDLE ends[] = {Saved.get(), process.get()};
    if (WaitForMultipleObjects(2, ends, FALSE, 120000) == WAIT_OBJECT_0) seconds = Now() - signalled;
    WaitForSingleObject(process.get(), 120000);
    GetExitCodeProcess(process.get(), &exitCode);
    if (exitCode != 0 && exitCode != CutExitCode) return "the child's save failed, code " + std::to_string(exitCode);
    return {};
}

// The values outside what the change may touch that are not as before; under the
// profile key also touched ones that are neither old nor new.
std::string UnexplainedValues(const Scenario& scenario, const ProgramValues& now, bool cut) {
    std::vector<AllowedChanges> allowed = scenario.allowed;
    allowed[UserKeyIndex][L"Last Viewed Page"] = {std::nullopt, [](const MaybeStored&) { return true; }};
    return UnexplainedChanges(scenario.before, now, allowed, cut);
}

std::string Prepare(Scenario& scenario) {
    RestoreProgramValues(scenario.before);
    if (scenario.saveSeconds > 0) return {};
    scenario.before = ReadProgramValues();
    // What the change may write, foreseen from the same load and change as the child's.
    ResetSettings();
    if (LoadSheetSettings() != 1) return "the store does not load";
    const std::vector<PdfProfile> loaded = LoadedProfiles();
    const int loadedCurrent = Settings.CurrentProfile;
    scenario.allowed.assign(std::size(ProgramKeys), {});
    if (scenario.change->agent) {
        // The application, and every other row the user key does not hold, as the machine's.
        const KeyValues& user = scenario.before[UserKeyIndex];
        for (size_t row = 0; row < AgentRowCount; ++row)
            if (row == AgentApplication)
                scenario.allowed[UserKeyIndex][AgentValueName(row)] = {TextStored(CutApplication), nullptr};
            else if (!user.count(AgentValueName(row)))
                scenario.allowed[UserKeyIndex][AgentValueName(row)] = {scenario.before[2].at(AgentValueName(row)), nullptr};
    } else if (!MakeCutChange(*scenario.change)) {
        return "the change cannot be made";
    }
    scenario.newCount = Settings.Profiles.Count();
    scenario.allowed[UserProfilesIndex] =
        ProfileKeyChanges(scenario.before[UserProfilesIndex], loaded, loadedCurrent, LoadedProfiles(),
                          Settings.CurrentProfile, scenario.change->kind, scenario.change->index);
    for (size_t key : {UserKeyIndex, UserProfilesIndex})
        for (const auto& [name, value] : scenario.allowed[key]) {
            auto was = scenario.before[key].find(name);
            const MaybeStored old = was == scenario.before[key].end() ? MaybeStored() : MaybeStored(was->second);
            if (old != value.exact && (key == UserKeyIndex || name[0] == L'['))
                scenario.changedValues[key == UserKeyIndex ? -1 : _wtoi(name.c_str() + 1)].push_back({key, name});
        }
    // Three uncut saves: how long one takes, and that it writes what the rule implies.
    std::vector<double> times;
    std::string broken;
    for (int run = 0; run < 3 && broken.empty(); ++run) {
        DWORD code = 0;
        double seconds = 0;
        broken = RunChild(scenario, -1, code, seconds);
        times.push_back(seconds);
        const ProgramValues after = ReadProgramValues();
        scenario.saved = after;
        if (broken.empty()) broken = UnexplainedValues(scenario, after, false);
        RestoreProgramValues(scenario.before);
    }
    std::sort(times.begin(), times.end());
    scenario.saveSeconds = std::max(times[times.size() / 2], 0.0001);
    return broken.empty() ? std::string() : "the uncut save: " + broken;
}

// One cut of `scenario` at `fraction` of its save; every rule it broke, or empty.
std::string Cut(Scenario& scenario, double fraction) {
    DWORD code = 0;
    double seconds = 0;
    std::string broken = RunChild(scenario, fraction * scenario.saveSeconds, code, seconds);
    const auto fail = [&broken](const std::string& what) {
        if (!what.empty()) broken += (broken.empty() ? "" : "; ") + what;
    };
    ++scenario.cuts;
    const ProgramValues now = ReadProgramValues();
    {
        MessageBoxWatcher boxes;
        ResetSettings();
        if (LoadSheetSettings() != 1) fail("the load failed");
        if (!boxes.boxes().empty()) fail("the load showed a box");
    }
    const KeyValues& profiles = now[UserProfilesIndex];
    DWORD count = 0, current = 0;
    if (!ValidDword(profiles, ProfilesCountValue, count) || !ValidDword(profiles, CurrentProfileValue, current) ||
        current >= count)
        fail("\"Profiles count\" and \"Current profile\" name no valid list");
    fail(UnexplainedValues(scenario, now, true));
    bool mixed = false;
    for (const auto& [index, names] : scenario.changedValues) {
        int old = 0, fresh = 0;
        for (const auto& [key, name] : names) {
            auto found = now[key].find(name);
            const MaybeStored value = found == now[key].end() ? MaybeStored() : MaybeStored(found->second);
            fresh += value == scenario.allowed[key].at(name).exact;
            old += value != scenario.allowed[key].at(name).exact;
        }
        mixed |= old && fresh;
        const int oldCount = scenario.change->storedProfiles;
        const bool covered = index >= 0 && static_cast<DWORD>(index) < count;
        if (covered && index >= oldCount && index < scenario.newCount && old)
            fail("the count grew before profile " + std::to_string(index) + " was written");
        if (covered && index >= scenario.newCount && index < oldCount && fresh)
            fail("profile " + std::to_string(index) + " lost values before the count shrank");
    }
    scenario.mixed += mixed;
    scenario.midSave += code == CutExitCode && now != scenario.before && now != scenario.saved;
    scenario.untouched += now == scenario.before;
    RestoreProgramValues(scenario.before);
    if (!broken.empty()) ++scenario.violations;
    return broken;
}

}  // namespace

int wmain(int, wchar_t**) {
    InitProcessGlobals(GetModuleHandleW(nullptr));
    ReadyName = L"LumarelCutFuzz" + std::to_wstring(GetCurrentProcessId());
    Ready.reset(CreateEventW(nullptr, FALSE, FALSE, ReadyName.c_str()));
    Saved.reset(CreateEventW(nullptr, FALSE, FALSE, (ReadyName + L" saved").c_str()));
    std::vector<Scenario> scenarios;
    for (const CutChange& change : CutChanges) {
        scenarios.emplace_back();
        scenarios.back().change = &change;
        scenarios.back().before = MakeStore(change.storedProfiles);
    }
    Scenario* prepared = nullptr;
    const int failures = RunFuzzStates(
        "cuts", FuzzOptionsFromCommandLine({1, 40}), StateLimitSeconds,
        [&](uint32_t seed) {
            Scenario& scenario = scenarios[seed / SeedsPerScenario % scenarios.size()];
            std::string broken;
            if (prepared != &scenario) {
                broken = Prepare(scenario);
                prepared = &scenario;
                if (!broken.empty()) ++scenario.violations;
            }
            FuzzRandom random(seed);
            const std::string cut = Cut(scenario, random.Below(1000001) / 1e6);
            return broken.empty() ? cut : broken;
        },
        [&] {
            std::string seen;
            char line[200];
            for (const Scenario& scenario : scenarios) {
                if (!scenario.saveSeconds) continue;
                std::snprintf(line, sizeof line,
                              "\n  %ls: %d cuts (%d before the first write, %d mid-save), %d left a changed profile "
                              "mixed, %d violations (uncut save %.1f ms)",
                              scenario.change->name, scenario.cuts, scenario.untouched, scenario.midSave, scenario.mixed,
                              scenario.violations, scenario.saveSeconds * 1000);
                seen += line;
            }
            return seen;
        });
    DeleteProgramKeys();
    return failures ? 1 : 0;
}
