// What every fuzzer of the suite shares: its command line, the seed of each state, the
// one-line replay of a failing, crashing or hanging state, and random registry values.
//
//   <fuzzer> [--seed S] [--states N]
// State i of a run uses the seed S + i; a failure prints the command that replays it
// alone: tools/fuzz.sh <fuzzer> --seed S+i --states 1.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/registry.h"
#include "settings/pdf_profile.h"

struct FuzzOptions {
    uint32_t seed = 1;
    uint32_t states = 200;
};
// --seed and --states from the process's command line; other arguments are left alone.
FuzzOptions FuzzOptionsFromCommandLine(FuzzOptions defaults = {});

// Runs the states of `options` for the fuzzer that tools/fuzz.sh calls `fuzzer` ("load",
// "agent", "profiles", "spooler", "rule", "cuts", "file"): `runState(seed)` returns what broke, empty when the state
// kept every rule. A crash, or a state that runs longer than `stateLimitSeconds`, ends
// the process after printing the replay of the state. Returns the number that failed
// and prints a summary line with `coverage` (what the states were made of) appended.
int RunFuzzStates(const char* fuzzer, const FuzzOptions& options, double stateLimitSeconds,
                  const std::function<std::string(uint32_t seed)>& runState,
                  const std::function<std::string()>& coverage = nullptr);

// The names of a profile's values ("[i] <name>"), every one the store reads.
inline const wchar_t* const ProfileFieldNames[] = {
    L"Profile name",     L"Title",          L"Author",          L"Subject",          L"Keywords",
    L"Security enabled", L"User password enabled", L"User password", L"Owner password enabled",
    L"Owner password",   L"Allow copying",  L"Allow commenting", L"Allow changing",  L"Allow printing",
    L"Encryption Level", L"Document Compression", L"Images Compression", L"JPEG Quality", L"PDF Version",
    L"Page Layout",      L"Page Mode",      L"Alternate EMF Rendering",
};

// The profile with everything after each text's terminator cleared, so that two
// profiles that load alike compare equal byte for byte.
PdfProfile Normalised(PdfProfile profile);

// Random choices and the values another program, an administrator or a damaged
// profile may leave in the registry: any type, sizes from 0 to 4,096 bytes, texts with
// and without a terminator, numbers at the edges.
class FuzzRandom {
public:
    explicit FuzzRandom(uint32_t seed) : random_(seed) {}

    bool Chance(double probability);
    uint32_t Below(uint32_t bound);
    uint32_t Any32() { return static_cast<uint32_t>(random_()); }
    // Mostly REG_DWORD and REG_SZ, so that sizes matter; sometimes any other type.
    DWORD RandomType();
    DWORD RandomSize();
    uint32_t InterestingNumber();
    // A text terminated only by chance of the size, one with a terminator somewhere, or noise.
    std::vector<BYTE> RandomBytes(DWORD size);
    // While on, every UTF-16 unit of the bytes and numbers made is below 0x100
    // (controls, line breaks and terminators included): for values that reach edit
    // controls, since Wine's text drawing crashes on some sequences of other units.
    void KeepUnitsBelow256(bool on) { unitsBelow256_ = on; }
    // A random value of random type and size under root\path (the key is created).
    void SetRandomValue(HKEY root, const wchar_t* path, const wchar_t* name);
    template <typename T, size_t N>
    const T& OneOf(const T (&items)[N]) {
        return items[Below(N)];
    }

private:
    std::mt19937 random_;
    bool unitsBelow256_ = false;
};

// --- What an apply may write -----------------------------------------------------------
// Every value of a key, raw, by name; empty when the key is absent.
using KeyValues = std::map<std::wstring, StoredValue>;
KeyValues ReadKeyValues(HKEY root, const wchar_t* path);
// Makes root\path hold `wanted` by writing only the values that differ and deleting the others.
void RestoreKeyValues(HKEY root, const wchar_t* path, const KeyValues& wanted);

// The keys an apply could touch: the user's key and its profiles, the machine's key, its
// defaults and their profiles; and their values, in that order.
struct ProgramKey {
    HKEY root;
    const wchar_t* path;
    const char* label;
};
extern const ProgramKey ProgramKeys[5];
inline constexpr size_t UserKeyIndex = 0, UserProfilesIndex = 1;
using ProgramValues = std::vector<KeyValues>;
ProgramValues ReadProgramValues();
void RestoreProgramValues(const ProgramValues& wanted);

// What the rule asks of one value after an apply: `exact` (absent: deleted), or what
// `accepts` takes where the bytes cannot be foreseen (a password's random filler).
struct AllowedValue {
    MaybeStored exact;
    std::function<bool(const MaybeStored&)> accepts;
    bool Accepts(const MaybeStored& value) const { return accepts ? accepts(value) : value == exact; }
};
// The values a change may touch; every other one stays byte for byte.
using AllowedChanges = std::map<std::wstring, AllowedValue>;

// The first value of the key (named `key` in the text) that the rule does not explain, or
// empty. A value the change may touch must be what the rule asks, or, `cut` short, may also
// still be as before.
std::string UnexplainedChange(const char* key, const KeyValues& before, const KeyValues& after,
                              const AllowedChanges& allowed, bool cut = false);

// The same for every program key, `allowed` in the order of ProgramKeys: the first
// unexplained value of each key, or empty.
std::string UnexplainedChanges(const ProgramValues& before, const ProgramValues& after,
                               const std::vector<AllowedChanges>& allowed, bool cut = false);

// The stored form the store writes for field `field` (of ProfileFieldNames) of `profile`.
AllowedValue StoredField(const PdfProfile& profile, size_t field);

// The loaded profile list, normalised.
std::vector<PdfProfile> LoadedProfiles();

// One change of the profile list, as the PDF page makes them.
enum class ListChange { None, Select, Edit, Append, Delete };
// What saving `changed` after loading `loaded` from the profile key `before` may write there:
// for an edit of profile `index` its changed fields, for an append the new profile, for a
// deletion of `index` every later index's values moved down and the last index's removed,
// and with any change of the list the count and a current index of it. Nothing when the
// list is as loaded.
AllowedChanges ProfileKeyChanges(const KeyValues& before, const std::vector<PdfProfile>& loaded, int loadedCurrent,
                                 const std::vector<PdfProfile>& changed, int changedCurrent, ListChange change,
                                 int index);
