// The profile store against the plainest code that could do its registry work: a loop
// of RegQueryValueExW / RegSetValueExW over the very values the store reads and writes.
#include "tests/benchmarks/benchmark.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/registry.h"
#include "pdf/profile_store.h"
#include "settings/settings.h"

namespace {

const wchar_t ProfilesKeyPath[] = L"Software\\LumarelPrinter\\PDF Profiles";

// Texts of the lengths people type, different for every profile.
PdfProfile RealisticProfile(int index) {
    PdfProfile profile = MakeDefaultProfile();
    swprintf(profile.name, 128, L"Customer letters %d", index);
    swprintf(profile.title, 256, L"Quarterly statement for account %06d", index * 7919 % 1000000);
    swprintf(profile.author, 256, L"Accounts department, branch %d", index % 97);
    swprintf(profile.subject, 256, L"Statement of the period ending 31 March, copy %d", index);
    swprintf(profile.keywords, 512, L"statement; account; quarter; customer %d; archive", index);
    profile.securityEnabled = 1;
    profile.userPasswordEnabled = 1;
    swprintf(profile.userPassword, 32, L"user-%d-secret", index);
    profile.ownerPasswordEnabled = 1;
    swprintf(profile.ownerPassword, 32, L"owner-%d-Secret!", index);
    profile.allowPrinting = 1;
    profile.encryptionLevel = 1;
    profile.imagesCompression = 1;
    profile.jpegQuality = 60 + index % 40;
    profile.pageMode = index % 4;
    return profile;
}

void FillProfiles(int count) {
    ResetSettings();
    for (int index = 0; index < count; ++index) Settings.Profiles.Append(RealisticProfile(index));
}

struct PlainValue {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

// Every value the store wrote, as the plain loops read and write them.
std::vector<PlainValue> CollectValues(HKEY key) {
    std::vector<PlainValue> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameUnits = 256, type = 0, size = 0;
        BYTE data[2048];
        size = sizeof data;
        if (RegEnumValueW(key, index, name, &nameUnits, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        values.push_back({std::wstring(name, nameUnits), type, std::vector<BYTE>(data, data + size)});
    }
    return values;
}

double PlainRead(HKEY key, const std::vector<PlainValue>& values) {
    Stopwatch watch;
    BYTE buffer[2048];
    for (const PlainValue& value : values) {
        DWORD type = 0, size = sizeof buffer;
        RegQueryValueExW(key, value.name.c_str(), nullptr, &type, buffer, &size);
    }
    return watch.Seconds();
}

double PlainWrite(HKEY key, const std::vector<PlainValue>& values) {
    Stopwatch watch;
    for (const PlainValue& value : values)
        RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    return watch.Seconds();
}

double TimedLoad(int expected) {
    ResetSettings();
    Stopwatch watch;
    Failure loadFailure;
    LoadPdfProfiles(loadFailure);
    double seconds = watch.Seconds();
    if (Settings.Profiles.Count() != expected)
        std::fprintf(stderr, "load gave %d profiles, not %d\n", Settings.Profiles.Count(), expected);
    return seconds;
}

double TimedSave() {
    Stopwatch watch;
    NotStored saveFailure;
    SavePdfProfiles(saveFailure);
    return watch.Seconds();
}

void DeleteProfilesKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, ProfilesKeyPath);
}

// An apply of one changed field of the last profile, loaded as at start-up (not timed):
// the store writes that value alone.
double TimedOneFieldApply(int count) {
    static int round = 0;
    TimedLoad(count);
    swprintf(Settings.Profiles.At(count - 1).title, 256, L"Edited title %d", ++round);
    return TimedSave();
}

// A save that must write everything: the key deleted, the list loaded empty and filled.
double TimedSaveIntoEmptyKey(int count) {
    DeleteProfilesKey();
    TimedLoad(1);
    Settings.Profiles.Clear();
    for (int index = 0; index < count; ++index) Settings.Profiles.Append(RealisticProfile(index));
    return TimedSave();
}

double PlainWriteIntoKey(const std::vector<PlainValue>& values) {
    UniqueRegKey key;
    CreateKeyForWrite(HKEY_CURRENT_USER, ProfilesKeyPath, key);
    return PlainWrite(key.get(), values);
}

// How much ten times the profiles costs against the smaller run, beside what the plain
// loop's own growth is.
void ReportGrowth(const char* what, const PairTimes& small, const PairTimes& large) {
    double ratio = Median(large.subject) / Median(small.subject);
    double plainRatio = Median(large.reference) / Median(small.reference);
    std::printf("%-34s %9.1f ms vs %9.1f ms   ratio %5.2f  (goal <= 11)  %s; the plain loop's ratio %.2f\n", what,
                Median(large.subject) * 1000, Median(small.subject) * 1000, ratio, ratio <= 11 ? "met" : "MISSED",
                plainRatio);
    std::fflush(stdout);
}

}  // namespace

void RunStoreBenchmark(int pairs) {
    const int count = 1000;
    DeleteProfilesKey();
    FillProfiles(count);
    NotStored saveFailure;
    SavePdfProfiles(saveFailure);

    UniqueRegKey key;
    if (CreateKeyForWrite(HKEY_CURRENT_USER, ProfilesKeyPath, key, KEY_READ) != ERROR_SUCCESS) {
        std::printf("store: cannot open the profile key\n");
        return;
    }
    std::vector<PlainValue> values = CollectValues(key.get());
    std::printf("store: %d profiles, %zu values\n", count, values.size());

    PairTimes load = MeasurePairs(
        pairs, [&] { return TimedLoad(count); }, [&] { return PlainRead(key.get(), values); });
    Report("load 1,000 profiles", "RegQueryValueExW loop", load, 1.2);

    FillProfiles(count);
    PairTimes save = MeasurePairs(
        pairs, [&] { return TimedSave(); }, [&] { return PlainWrite(key.get(), values); });
    Report("save 1,000 profiles", "RegSetValueExW loop", save, 1.2);

    PairTimes oneField = MeasurePairs(
        pairs, [&] { return TimedOneFieldApply(count); }, [&] { return PlainWrite(key.get(), values); });
    Report("apply of [999] Title of 1,000", "RegSetValueExW loop", oneField, 0.1);
    PairTimes everything = MeasurePairs(
        pairs, [&] { return TimedSaveIntoEmptyKey(count); }, [&] { return PlainWriteIntoKey(values); });
    Report("save 1,000 into a deleted key", "RegSetValueExW loop", everything, 1.15);
    // The key was made anew: the handle of the one before would write nowhere.
    key.reset();
    CreateKeyForWrite(HKEY_CURRENT_USER, ProfilesKeyPath, key, KEY_READ);

    // Linear growth: ten times the profiles should cost about ten times as much. The
    // plain loop shows what the registry itself adds as a key grows.
    const int large = 10000;
    FillProfiles(large);
    SavePdfProfiles(saveFailure);
    std::vector<PlainValue> largeValues = CollectValues(key.get());
    PairTimes largeLoad = MeasurePairs(
        pairs, [&] { return TimedLoad(large); }, [&] { return PlainRead(key.get(), largeValues); });
    ReportGrowth("load 10,000 vs 1,000 profiles", load, largeLoad);
    FillProfiles(large);
    PairTimes largeSave = MeasurePairs(
        pairs, [&] { return TimedSave(); }, [&] { return PlainWrite(key.get(), largeValues); });
    ReportGrowth("save 10,000 vs 1,000 profiles", save, largeSave);
    DeleteProfilesKey();
    ResetSettings();
}
