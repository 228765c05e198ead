// Random and damaged settings files for the reader of Import: whatever a file holds,
// the reader finishes in bounded time and memory, never crashes, and either takes the
// file whole (what it read writes back to the same bytes, and merges into the list
// whole) or refuses it with a line within the file and a text that says why.
//
//   tools/fuzz.sh file [--seed S] [--states N]   (see tests/fuzz/fuzz_support.h)
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/globals.h"
#include "pdf/profile_store.h"
#include "pdf/profile_transfer.h"
#include "pdf/settings_file.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/text_encoding.h"

namespace {

// A state reads a file of at most a few hundred kilobytes, or one just over a bound.
constexpr double StateLimitSeconds = 30;
// The most a reader of a file as large as one may be can need: the text, its decoding
// and what was read, a few times over.
constexpr SIZE_T MemoryLimitBytes = 512u * 1024 * 1024;

const wchar_t NamePool[] = L"aZ9 _-\"\\[]=;:,\u00E4\u00DF\u65E5\u672C\u0627";

std::wstring RandomName(FuzzRandom& random, size_t most) {
    std::wstring name;
    const size_t length = 1 + random.Below(static_cast<uint32_t>(most));
    while (name.size() < length) {
        if (random.Chance(0.03)) {
            name += L"\xD83D\xDE00";  // a character outside the basic plane
        } else if (random.Chance(0.01)) {
            name += static_cast<wchar_t>(random.Below(0x20));  // only a damaged name holds one
        } else {
            name += NamePool[random.Below(static_cast<uint32_t>(wcslen(NamePool)))];
        }
    }
    if (name.size() > most) name.resize(most);
    return name;
}

StoredValue RandomValue(FuzzRandom& random) {
    StoredValue value;
    value.type = random.RandomType();
    value.bytes = random.RandomBytes(random.RandomSize() % 600);
    return value;
}

// A file such as an export writes: profiles with known and unknown values of every type,
// and sometimes the plain values.
SettingsFile RandomFile(FuzzRandom& random) {
    SettingsFile file;
    std::unordered_set<std::wstring> sections;
    const uint32_t profiles = random.Below(6);
    for (uint32_t index = 0; index < profiles; ++index) {
        FileProfile profile;
        profile.name = FileSectionName(RandomName(random, 127));
        if (!sections.insert(FoldedValueName(profile.name)).second) continue;
        std::unordered_set<std::wstring> names;
        const uint32_t values = random.Below(10);
        for (uint32_t count = 0; count < values; ++count) {
            const std::wstring name =
                random.Chance(0.7) ? std::wstring(random.OneOf(ProfileFieldNames)) : RandomName(random, 40);
            if (!SettingsFileCanHold(name) || !names.insert(FoldedValueName(name)).second) continue;
            StoredValue value = RandomValue(random);
            // The section says the name; a stored one travels only where it could not.
            if (FoldedValueName(name) == FoldedValueName(L"Profile name")) value.type = REG_BINARY;
            profile.values.push_back({name, std::move(value)});
        }
        file.profiles.push_back(std::move(profile));
    }
    if (random.Chance(0.4)) {
        file.hasPlainValues = true;
        for (const PlainSetting& setting : PlainSettings())
            if (random.Chance(0.4)) file.plainValues.push_back({setting.name, RandomValue(random)});
    }
    return file;
}

// What a user's editor, a cut copy or an attacker does to a file.
void Mutate(FuzzRandom& random, std::string& bytes) {
    const uint32_t mutations = 1 + random.Below(4);
    for (uint32_t count = 0; count < mutations && !bytes.empty(); ++count) {
        const size_t at = random.Below(static_cast<uint32_t>(bytes.size()));
        switch (random.Below(7)) {
            case 0: bytes[at] = static_cast<char>(random.Any32()); break;
            case 1: bytes.erase(at, 1 + random.Below(64)); break;
            case 2: bytes.resize(at); break;  // cut short
            case 3: bytes.insert(at, std::string(1 + random.Below(8), static_cast<char>(random.Any32()))); break;
            case 4: {
                // A line again, somewhere else: duplicate sections and values.
                const size_t start = bytes.rfind('\n', at);
                const size_t end = bytes.find('\n', at);
                const size_t from = start == std::string::npos ? 0 : start + 1;
                const std::string line = bytes.substr(from, end == std::string::npos ? std::string::npos : end - from + 1);
                bytes.insert(random.Below(static_cast<uint32_t>(bytes.size())), line);
                break;
            }
            case 5: bytes.insert(at, random.OneOf({"[Profile \"x\"]\r\n", "\"Title\"=dword:1\r\n", "[End]\r\n",
                                                   "\"EMF: Enabled\"=hex:01\r\n", "\xC0\xAF", "\xED\xA0\x80"}));
                break;
            case 6: bytes = Utf16WithMark(bytes, random.Chance(0.5)); break;
        }
    }
}

// A file over one of the reader's bounds.
std::string OversizedFile(FuzzRandom& random) {
    std::string bytes = "Lumarel Printer settings, version 1.0\r\n";
    if (random.Chance(0.5)) {
        for (size_t index = 0; index <= MaxFileProfiles; ++index)
            bytes += "[Profile \"p" + std::to_string(index) + "\"]\r\n";
    } else {
        bytes += "[Profile \"p\"]\r\n";
        for (size_t index = 0; index <= MaxValuesPerSection; ++index)
            bytes += "\"v" + std::to_string(index) + "\"=dword:00000001\r\n";
    }
    return bytes + "[End]\r\n";
}

size_t LineCount(const std::string& bytes) {
    size_t lines = 1;
    for (char byte : bytes) lines += byte == '\n';
    // UTF-16 breaks are two bytes, counted once above by their low or high byte.
    return lines;
}

enum Outcome { Taken, Refused, Outcomes };
int Seen[Outcomes] = {};
int FaultsSeen[static_cast<int>(FileFault::Truncated) + 1] = {};

std::string RunState(uint32_t seed) {
    FuzzRandom random(seed);
    const SettingsFile made = RandomFile(random);
    std::string bytes = WriteSettingsFile(made);
    bool mutated = random.Chance(0.8);
    if (mutated) Mutate(random, bytes);
    if (random.Chance(0.01)) {
        bytes = OversizedFile(random);
        mutated = true;  // no export writes it
    }

    SettingsFile read;
    FileRefusal refusal;
    const bool taken = ReadSettingsFile(bytes.data(), bytes.size(), read, refusal);
    PROCESS_MEMORY_COUNTERS memory{};
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory) && memory.PeakWorkingSetSize > MemoryLimitBytes)
        return "the reader's memory is not bounded";
    if (!taken) {
        ++Seen[Refused];
        ++FaultsSeen[static_cast<int>(refusal.fault)];
        if (!mutated && bytes.size() < MaxSettingsFileBytes) {
            const std::wstring why = RefusalText(refusal);
            return "a file as an export writes it was refused: " + std::string(why.begin(), why.end());
        }
        if (refusal.fault == FileFault::None) return "refused without a reason";
        if (refusal.line > LineCount(bytes) + 1) return "refused at a line past the end";
        if (!read.profiles.empty() || !read.plainValues.empty()) return "a refused file left something read";
        if (RefusalText(refusal).empty()) return "a refusal without a text";
        return {};
    }
    ++Seen[Taken];
    // Taken whole: what was read says the same again, byte for byte.
    const std::string again = WriteSettingsFile(read);
    SettingsFile reread;
    if (!ReadSettingsFile(again.data(), again.size(), reread, refusal)) return "what was read cannot be read again";
    if (WriteSettingsFile(reread) != again) return "what was read does not say the same twice";
    if (!mutated && again != bytes) return "an export's file does not read back to itself";

    // And merges whole into a list of one stand-in profile.
    ResetSettings();
    Failure failure;
    if (!LoadPdfProfiles(failure)) return "no stand-in list";
    MergeCounts counts;
    const MergeResult merged = MergeFileProfiles(
        read, [](const std::wstring&, const std::wstring&, ConflictAnswer&) { return false; }, counts);
    if (merged != MergeResult::Done) return "a file taken did not merge";
    const int expected = read.profiles.empty() ? 1 : static_cast<int>(read.profiles.size());
    if (Settings.Profiles.Count() != expected || counts.added != static_cast<int>(read.profiles.size()))
        return "a merge into an empty list lost or doubled profiles";
    return {};
}

std::string Coverage() {
    char text[96];
    int kinds = 0;
    for (int count : FaultsSeen) kinds += count > 0;
    snprintf(text, sizeof text, "%d taken, %d refused, %d kinds of fault", Seen[Taken], Seen[Refused], kinds);
    return text;
}

}  // namespace

int wmain(int, wchar_t**) {
    AppInstance = GetModuleHandleW(nullptr);
    // The merge starts from the list of a user without profiles.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\LumarelPrinter");
    const int failures = RunFuzzStates("file", FuzzOptionsFromCommandLine({1, 400}), StateLimitSeconds, RunState, Coverage);
    return failures == 0 ? 0 : 1;
}
