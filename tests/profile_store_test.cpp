#include "pdf/profile_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/registry.h"
#include "settings/pdf_profile.h"
#include "settings/settings.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/registry_fixture.h"

// Every block this program releases through operator delete is searched for the bytes
// of a watched text while a FreedBlockWatch lives: memory that held a clear password
// must not be handed back with it.
namespace {
const BYTE* WatchedBytes = nullptr;
size_t WatchedSize = 0;
int BlocksFreed = 0;
int BlocksWithWatchedBytes = 0;

void InspectFreedBlock(void* block) {
    if (!block || !WatchedBytes) return;
    const BYTE* begin = static_cast<const BYTE*>(block);
    const BYTE* end = begin + _msize(block);
    ++BlocksFreed;
    if (std::search(begin, end, WatchedBytes, WatchedBytes + WatchedSize) != end) ++BlocksWithWatchedBytes;
}
}  // namespace

void operator delete(void* block) noexcept {
    InspectFreedBlock(block);
    std::free(block);
}
void operator delete(void* block, size_t) noexcept { operator delete(block); }

namespace {

class FreedBlockWatch {
public:
    // `text` must outlive the watch and live outside the heap.
    explicit FreedBlockWatch(const wchar_t* text) {
        BlocksFreed = BlocksWithWatchedBytes = 0;
        WatchedSize = wcslen(text) * sizeof(wchar_t);
        WatchedBytes = reinterpret_cast<const BYTE*>(text);
    }
    ~FreedBlockWatch() { WatchedBytes = nullptr; }
    FreedBlockWatch(const FreedBlockWatch&) = delete;
    FreedBlockWatch& operator=(const FreedBlockWatch&) = delete;
    int freed() const { return BlocksFreed; }
    int freedWithText() const { return BlocksWithWatchedBytes; }
};

// Stores exactly the given units. The registry adds a terminator to a string value
// whose buffer has one just past the stated size, so the buffer gets none there.
void SetUnits(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& text) {
    std::wstring buffer = text + L'#';
    SetRaw(root, path, name, REG_SZ, buffer.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    auto stored = ReadStored(root, path, name);
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(text.size() * sizeof(wchar_t), stored->bytes.size());
}

void MakeKey(HKEY root, const wchar_t* path) {
    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_READ | InstallerView(root), nullptr, &raw, nullptr));
    RegCloseKey(raw);
}

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | InstallerView(root), &raw) != ERROR_SUCCESS) return false;
    RegCloseKey(raw);
    return true;
}

StoredValue UserValue(const wchar_t* name) {
    return ReadStored(HKEY_CURRENT_USER, UserProfilesPath, name).value_or(StoredValue{REG_NONE, {}});
}

bool UserValueExists(const wchar_t* name) { return ReadStored(HKEY_CURRENT_USER, UserProfilesPath, name).has_value(); }

// --- Profiles -----------------------------------------------------------------------

// A profile with every field away from its default and distinct from the others, so a
// value stored under another field's name shows.
PdfProfile DistinctProfile(const std::wstring& name) {
    PdfProfile profile = MakeDefaultProfile();
    wcscpy(profile.name, name.c_str());
    wcscpy(profile.title, L"Quarterly report");
    wcscpy(profile.author, L"Ilse Varga");
    wcscpy(profile.subject, L"Figures \u00E0 la carte");
    wcscpy(profile.keywords, L"sales; north; 2024");
    profile.securityEnabled = 11;
    profile.userPasswordEnabled = 12;
    wcscpy(profile.userPassword, L"open-up");
    profile.ownerPasswordEnabled = 13;
    wcscpy(profile.ownerPassword, L"Own\u00DFr");
    profile.allowCopying = 14;
    profile.allowCommenting = 15;
    profile.allowChanging = 16;
    profile.allowPrinting = 17;
    profile.encryptionLevel = 18;
    profile.documentCompression = 19;
    profile.imagesCompression = 20;
    profile.jpegQuality = 21;
    profile.pdfVersion = 22;
    profile.pageLayout = 23;
    profile.pageMode = 24;
    profile.alternateEmfRendering = -25;
    return profile;
}

// A loaded password field keeps the blob's filler after its terminator; blank it so
// whole profiles can be compared.
PdfProfile WithoutPasswordFiller(PdfProfile profile) {
    for (wchar_t* password : {profile.userPassword, profile.ownerPassword}) {
        size_t length = wcsnlen(password, 32);
        std::fill(password + length, password + 32, L'\0');
    }
    return profile;
}

bool SameProfile(const PdfProfile& expected, const PdfProfile& actual) {
    PdfProfile a = WithoutPasswordFiller(expected);
    PdfProfile b = WithoutPasswordFiller(actual);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

PdfProfile NamedDefault(const wchar_t* name) {
    PdfProfile profile = MakeDefaultProfile();
    wcscpy(profile.name, name);
    return profile;
}

// The store's load and save as the program calls them: a failure is shown.
bool LoadProfiles() {
    Failure failure;
    const bool loaded = LoadPdfProfiles(failure);
    ShowFailure(failure, nullptr);
    return loaded;
}
void SaveProfiles() {
    NotStored notStored;
    if (!SavePdfProfiles(notStored)) ShowNotStored(notStored, nullptr);
}

std::wstring ExpectedErrorText(const wchar_t* text, DWORD code) {
    return std::wstring(text) + L"\nError # " + std::to_wstring(code) + L": " + SystemText(code);
}

bool ContainsBytes(const std::vector<BYTE>& haystack, const std::wstring& text) {
    const BYTE* needle = reinterpret_cast<const BYTE*>(text.data());
    size_t size = text.size() * sizeof(wchar_t);
    return std::search(haystack.begin(), haystack.end(), needle, needle + size) != haystack.end();
}

class ProfileStoreTest : public RegistryTest {
protected:
    void TearDown() override {
        // Deleting the program's keys needs the locked keys below them opened again.
        RestoreAccess(HKEY_CURRENT_USER, UserProfilesPath);
        RestoreAccess(HKEY_LOCAL_MACHINE, DefaultProfilesPath);
        RegistryTest::TearDown();
    }

    MessageBoxWatcher watcher_;
};

TEST(PdfProfile, DefaultsAreFlateJpeg80ContinuousAndOtherwiseZero) {
    PdfProfile profile = MakeDefaultProfile();
    EXPECT_EQ(1, profile.documentCompression);
    EXPECT_EQ(80, profile.jpegQuality);
    EXPECT_EQ(1, profile.pageLayout);
    profile.documentCompression = profile.jpegQuality = profile.pageLayout = 0;
    PdfProfile zero{};
    EXPECT_EQ(0, std::memcmp(&zero, &profile, sizeof zero));
}

TEST(PdfProfile, ValueNamesCarryTheIndexInBrackets) {
    EXPECT_EQ(ProfileValueName(0, L"Profile name"), L"[0] Profile name");
    EXPECT_EQ(ProfileValueName(12, L"JPEG Quality"), L"[12] JPEG Quality");
    EXPECT_EQ(ProfileValueName(9999, L"Owner password"), L"[9999] Owner password");
}

TEST(PdfProfile, RemoveMovesLaterProfilesDownAndRefusesOutsideIndexes) {
    ProfileList list;
    for (const wchar_t* name : {L"a", L"b", L"c"}) ASSERT_TRUE(list.Append(NamedDefault(name)));
    EXPECT_FALSE(list.Remove(-1));
    EXPECT_FALSE(list.Remove(3));
    EXPECT_EQ(3, list.Count());
    EXPECT_TRUE(list.Remove(1));
    ASSERT_EQ(2, list.Count());
    EXPECT_STREQ(L"a", list.At(0).name);
    EXPECT_STREQ(L"c", list.At(1).name);
}

// The list's storage is released as it grows and when the list goes; elements removed
// or cleared before leave their slots in it. None of it may still hold a password.
TEST(PdfProfile, MemoryThatHeldAPasswordIsWipedWhenReleased) {
    static const wchar_t secret[] = L"Sesame-7731";
    PdfProfile locked = MakeDefaultProfile();
    wcscpy(locked.userPassword, secret);
    wcscpy(locked.ownerPassword, secret);
    {
        FreedBlockWatch watch(secret);
        {
            ProfileList list;
            for (int i = 0; i < 40; ++i) ASSERT_TRUE(list.Append(locked));
            while (list.Count() > 3) ASSERT_TRUE(list.Remove(list.Count() - 2));
            list.Clear();
            for (int i = 0; i < 5; ++i) ASSERT_TRUE(list.Append(locked));
            ASSERT_TRUE(list.Remove(4));
        }
        EXPECT_GT(watch.freed(), 5) << "the watch did not see the list's storage released";
        EXPECT_EQ(watch.freedWithText(), 0);
    }
    // A copy of its own, as on the stack, once its life ends.
    alignas(PdfProfile) unsigned char storage[sizeof(PdfProfile)];
    PdfProfile* copy = new (storage) PdfProfile(locked);
    copy->~PdfProfile();
    const BYTE* needle = reinterpret_cast<const BYTE*>(secret);
    EXPECT_EQ(std::search(storage, storage + sizeof storage, needle, needle + sizeof secret - sizeof(wchar_t)),
              storage + sizeof storage);
}

TEST_F(ProfileStoreTest, WithoutAnyKeyLoadsOneDefaultProfile) {
    Settings.CurrentProfile = 4;
    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(1, Settings.Profiles.Count());
    EXPECT_TRUE(SameProfile(NamedDefault(L"Default"), Settings.Profiles.At(0)));
    EXPECT_EQ(0, Settings.CurrentProfile) << "the current profile always names one of the list";
    EXPECT_TRUE(watcher_.boxes().empty());
}

TEST_F(ProfileStoreTest, EmptyUserKeyHidesTheMachineDefaults) {
    MakeKey(HKEY_CURRENT_USER, UserProfilesPath);
    SetDword(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"Profiles count", 1);
    SetText(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"[0] Profile name", L"Machine");
    Settings.CurrentProfile = 4;

    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(1, Settings.Profiles.Count());
    EXPECT_STREQ(L"Default", Settings.Profiles.At(0).name);
    EXPECT_EQ(0, Settings.CurrentProfile) << "a count of 0 puts any index out of range";
}

TEST_F(ProfileStoreTest, LoadsTheMachineDefaultsWhenTheUserHasNoKey) {
    SetDword(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"Profiles count", 2);
    SetDword(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"Current profile", 1);
    SetText(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"[0] Profile name", L"Screen");
    SetDword(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"[0] JPEG Quality", 40);
    SetText(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"[1] Profile name", L"Press");
    SetText(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"[1] Author", L"Print shop");
    SetDword(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"[1] Page Mode", 3);

    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(2, Settings.Profiles.Count());
    EXPECT_EQ(1, Settings.CurrentProfile);
    PdfProfile screen = NamedDefault(L"Screen");
    screen.jpegQuality = 40;
    PdfProfile press = NamedDefault(L"Press");
    wcscpy(press.author, L"Print shop");
    press.pageMode = 3;
    EXPECT_TRUE(SameProfile(screen, Settings.Profiles.At(0)));
    EXPECT_TRUE(SameProfile(press, Settings.Profiles.At(1)));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UserProfilesPath)) << "loading writes nothing";
}

TEST_F(ProfileStoreTest, UserProfilesWinOverTheMachineDefaults) {
    SetDword(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"Profiles count", 2);
    SetText(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"[0] Profile name", L"Machine");
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 1);
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Profile name", L"Mine");

    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(1, Settings.Profiles.Count());
    EXPECT_STREQ(L"Mine", Settings.Profiles.At(0).name);
}

TEST_F(ProfileStoreTest, ProfilesWithoutValuesLoadAsUnnamedDefaults) {
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 3);
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Profile name", L"Only");
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Page Layout", 2);
    Settings.CurrentProfile = 2;  // kept: no "Current profile" is stored

    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(3, Settings.Profiles.Count());
    PdfProfile only = NamedDefault(L"Only");
    only.pageLayout = 2;
    EXPECT_TRUE(SameProfile(only, Settings.Profiles.At(0)));
    EXPECT_TRUE(SameProfile(MakeDefaultProfile(), Settings.Profiles.At(1)));
    EXPECT_TRUE(SameProfile(MakeDefaultProfile(), Settings.Profiles.At(2)));
    EXPECT_EQ(2, Settings.CurrentProfile);
}

TEST_F(ProfileStoreTest, CurrentProfileOutsideTheListBecomesZero) {
    struct Case {
        DWORD stored;
        int expected;
    };
    for (Case c : {Case{1, 1}, Case{2, 0}, Case{0xFFFFFFFF, 0}, Case{0x80000000, 0}}) {
        SCOPED_TRACE(c.stored);
        ResetSettings();
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 2);
        SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[1] Profile name", L"Second");
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile", c.stored);
        ASSERT_TRUE(LoadProfiles());
        EXPECT_EQ(2, Settings.Profiles.Count());
        EXPECT_EQ(c.expected, Settings.CurrentProfile);
    }
}

TEST_F(ProfileStoreTest, PasswordBlobsOfAnotherSizeAreIgnored) {
    std::vector<BYTE> shortBlob(63, 0x5A);
    std::vector<BYTE> longBlob(65, 0x5A);
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 1);
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"[0] User password enabled", 1);
    SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"[0] User password", REG_BINARY, shortBlob.data(), 63);
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Owner password enabled", 1);
    SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Owner password", REG_BINARY, longBlob.data(), 65);

    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(1, Settings.Profiles.Count());
    const PdfProfile& loaded = Settings.Profiles.At(0);
    EXPECT_EQ(1, loaded.userPasswordEnabled);
    EXPECT_EQ(1, loaded.ownerPasswordEnabled);
    PdfProfile zero{};
    EXPECT_EQ(0, std::memcmp(zero.userPassword, loaded.userPassword, sizeof zero.userPassword));
    EXPECT_EQ(0, std::memcmp(zero.ownerPassword, loaded.ownerPassword, sizeof zero.ownerPassword));
}

TEST_F(ProfileStoreTest, SaveWritesEveryValueWithItsTypeAndLoadReadsItBack) {
    Settings.Profiles.Append(NamedDefault(L"First"));
    Settings.Profiles.Append(DistinctProfile(L"Second"));
    Settings.CurrentProfile = 1;
    SaveProfiles();
    EXPECT_TRUE(watcher_.boxes().empty());

    EXPECT_EQ(2u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count"));
    EXPECT_EQ(1u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile"));

    struct Text {
        const wchar_t* name;
        std::wstring text;
    };
    for (const Text& t : {Text{L"[1] Profile name", L"Second"}, Text{L"[1] Title", L"Quarterly report"},
                          Text{L"[1] Author", L"Ilse Varga"}, Text{L"[1] Subject", L"Figures \u00E0 la carte"},
                          Text{L"[1] Keywords", L"sales; north; 2024"}, Text{L"[0] Title", L""}}) {
        SCOPED_TRACE(t.name);
        StoredValue value = UserValue(t.name);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type);
        ASSERT_EQ((t.text.size() + 1) * sizeof(wchar_t), value.bytes.size());
        EXPECT_EQ(0, std::memcmp(t.text.c_str(), value.bytes.data(), value.bytes.size()));
    }

    struct Number {
        const wchar_t* name;
        DWORD value;
    };
    for (const Number& n :
         {Number{L"[1] Security enabled", 11}, Number{L"[1] User password enabled", 12},
          Number{L"[1] Owner password enabled", 13}, Number{L"[1] Allow copying", 14},
          Number{L"[1] Allow commenting", 15}, Number{L"[1] Allow changing", 16}, Number{L"[1] Allow printing", 17},
          Number{L"[1] Encryption Level", 18}, Number{L"[1] Document Compression", 19},
          Number{L"[1] Images Compression", 20}, Number{L"[1] JPEG Quality", 21}, Number{L"[1] PDF Version", 22},
          Number{L"[1] Page Layout", 23}, Number{L"[1] Page Mode", 24},
          Number{L"[1] Alternate EMF Rendering", static_cast<DWORD>(-25)}, Number{L"[0] JPEG Quality", 80}}) {
        SCOPED_TRACE(n.name);
        EXPECT_EQ(n.value, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, n.name));
    }

    struct Password {
        const wchar_t* name;
        std::wstring clear;
    };
    for (const Password& p : {Password{L"[1] User password", L"open-up"}, Password{L"[1] Owner password", L"Own\u00DFr"}}) {
        SCOPED_TRACE(p.name);
        StoredValue value = UserValue(p.name);
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), value.type);
        EXPECT_EQ(64u, value.bytes.size());
        EXPECT_FALSE(ContainsBytes(value.bytes, p.clear)) << "the password is stored in clear";
    }
    EXPECT_FALSE(UserValueExists(L"[0] User password"));

    ResetSettings();
    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(2, Settings.Profiles.Count());
    EXPECT_EQ(1, Settings.CurrentProfile);
    EXPECT_TRUE(SameProfile(NamedDefault(L"First"), Settings.Profiles.At(0)));
    EXPECT_TRUE(SameProfile(DistinctProfile(L"Second"), Settings.Profiles.At(1)));
}

TEST_F(ProfileStoreTest, PasswordsOfOneAnd31UnitsSurviveSaveAndLoad) {
    const std::wstring longest = L"abcdefghijklmnopqrstuvwxyz\u00C4\u00D6\u00DC12";
    ASSERT_EQ(31u, longest.size());
    PdfProfile profile = NamedDefault(L"Locked");
    wcscpy(profile.userPassword, L"u");
    wcscpy(profile.ownerPassword, longest.c_str());
    Settings.Profiles.Append(profile);
    SaveProfiles();

    StoredValue owner = UserValue(L"[0] Owner password");
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), owner.type);
    EXPECT_EQ(64u, owner.bytes.size());
    EXPECT_FALSE(ContainsBytes(owner.bytes, longest.substr(0, 4)));

    ResetSettings();
    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(1, Settings.Profiles.Count());
    EXPECT_STREQ(L"u", Settings.Profiles.At(0).userPassword);
    EXPECT_EQ(longest, Settings.Profiles.At(0).ownerPassword);
}

TEST_F(ProfileStoreTest, EmptiedPasswordDeletesItsValueButKeepsItsFlag) {
    PdfProfile profile = NamedDefault(L"Locked");
    profile.userPasswordEnabled = 1;
    wcscpy(profile.userPassword, L"gone soon");
    Settings.Profiles.Append(profile);
    SaveProfiles();
    ASSERT_TRUE(UserValueExists(L"[0] User password"));

    Settings.Profiles.At(0).userPassword[0] = L'\0';
    SaveProfiles();
    EXPECT_FALSE(UserValueExists(L"[0] User password"));
    EXPECT_EQ(1u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"[0] User password enabled"));
}

// Names of the user key's values at an index of `indexes`, or not of the store's own.
std::vector<std::wstring> UserValueNamesAt(std::initializer_list<int> indexes) {
    UniqueRegKey key;
    std::vector<NamedValue> values;
    std::vector<std::wstring> found;
    EXPECT_EQ(ERROR_SUCCESS, OpenKeyForRead(HKEY_CURRENT_USER, UserProfilesPath, key));
    EXPECT_TRUE(ReadAllValues(key.get(), values));
    for (const NamedValue& value : values) {
        const std::wstring& name = value.name;
        for (int index : indexes) {
            if (name.rfind(L"[" + std::to_wstring(index) + L"]", 0) == 0) found.push_back(name);
        }
    }
    return found;
}

// A removed profile, passwords included, must leave no value a driver could read, and
// the saved current index must name a saved profile.
TEST_F(ProfileStoreTest, ShrinkingDeletesEveryValueOfTheRemovedIndexes) {
    for (const wchar_t* name : {L"p0", L"p1", L"p2", L"p3", L"p4"}) Settings.Profiles.Append(DistinctProfile(name));
    SaveProfiles();
    ASSERT_TRUE(UserValueExists(L"[4] Owner password"));
    // Left behind past the count by an earlier version, one in another case, and values
    // that are not the store's: nobody's change, so they are kept as they are.
    std::vector<BYTE> blob(64, 0x33);
    SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"[7] User password", REG_BINARY, blob.data(), 64);
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[6] profile NAME", L"old");
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[3] Notes", L"not ours");
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[03] Title", L"not ours");
    ResetSettings();
    ASSERT_TRUE(LoadProfiles());
    ASSERT_TRUE(Settings.Profiles.Remove(4));
    ASSERT_TRUE(Settings.Profiles.Remove(1));
    Settings.CurrentProfile = 3;  // the deleted last profile's index
    SaveProfiles();

    EXPECT_EQ(3u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count"));
    EXPECT_EQ(0u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile"));
    EXPECT_EQ(UserValueNamesAt({3, 4, 6, 7}),
              (std::vector<std::wstring>{L"[6] profile NAME", L"[7] User password"}))
        << "a profile's other values move with it: \"[3] Notes\" went with p3 to index 2";
    EXPECT_TRUE(UserValueExists(L"[2] Notes"));
    EXPECT_TRUE(UserValueExists(L"[03] Title"));
    EXPECT_TRUE(UserValueExists(L"[2] Owner password"));

    ResetSettings();
    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(3, Settings.Profiles.Count());
    EXPECT_STREQ(L"p0", Settings.Profiles.At(0).name);
    EXPECT_STREQ(L"p2", Settings.Profiles.At(1).name);
    EXPECT_TRUE(SameProfile(DistinctProfile(L"p3"), Settings.Profiles.At(2)));

    // Emptied: nothing of any profile stays, and the index is 0.
    while (Settings.Profiles.Count() > 0) Settings.Profiles.Remove(0);
    Settings.CurrentProfile = 2;
    SaveProfiles();
    EXPECT_EQ(0u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count"));
    EXPECT_EQ(0u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile"));
    EXPECT_EQ(UserValueNamesAt({0, 1, 2, 3}), std::vector<std::wstring>{});
}

TEST_F(ProfileStoreTest, TextsThatFillOrOverflowTheirFields) {
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 1);
    // Exactly the field's width and no terminator: cut to leave room for one.
    SetUnits(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Profile name", std::wstring(128, L'n'));
    SetUnits(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Keywords", std::wstring(512, L'k'));
    // Longer than the field: shown cut, and kept whole unless the user edits it.
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Title", std::wstring(300, L't'));
    SetUnits(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Author", std::wstring(257, L'a'));
    // The longest text that fits with its terminator.
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Subject", std::wstring(255, L's'));

    ASSERT_TRUE(LoadProfiles());
    ASSERT_EQ(1, Settings.Profiles.Count());
    const PdfProfile& loaded = Settings.Profiles.At(0);
    EXPECT_EQ(std::wstring(127, L'n'), loaded.name);
    EXPECT_EQ(std::wstring(511, L'k'), loaded.keywords);
    EXPECT_EQ(std::wstring(255, L't'), loaded.title);
    EXPECT_EQ(std::wstring(255, L'a'), loaded.author);
    EXPECT_EQ(std::wstring(255, L's'), loaded.subject);

    const StoredValue title = UserValue(L"[0] Title"), name = UserValue(L"[0] Profile name");
    Settings.Profiles.At(0).jpegQuality = 90;
    SaveProfiles();
    EXPECT_EQ(title, UserValue(L"[0] Title"));
    EXPECT_EQ(name, UserValue(L"[0] Profile name")) << "an unterminated text keeps its last unit";
    EXPECT_EQ(90u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"[0] JPEG Quality"));
}

// Every value of the user's profile key, by its name in capitals (as names compare).
std::map<std::wstring, StoredValue> UserProfileValues() { return ValuesInCapitals(HKEY_CURRENT_USER, UserProfilesPath); }

// A save writes exactly what the change implies: a value the load could not read or
// hold (too long, of another type or size, of a name it does not know) stays byte for
// byte, and moves with its profile when a deletion moves the profile.
TEST_F(ProfileStoreTest, ASaveWritesOnlyTheChangeAndKeepsWhatItCouldNotRead) {
    // EditTitleKeyGone: the key is deleted by someone else between the load and the save.
    enum class Change { Nothing, EditTitle, EditTitleKeyGone, DeleteFirst, Append };
    struct Case {
        Change change;
        std::set<std::wstring> differing;  // after the change; for DeleteFirst see below
    };
    for (const Case& c : {Case{Change::Nothing, {}}, Case{Change::EditTitle, {L"[1] TITLE"}},
                          // The profiles come back whole; another tool's value stays deleted.
                          Case{Change::EditTitleKeyGone, {L"[1] TITLE", L"OTHER TOOL'S VALUE"}},
                          Case{Change::DeleteFirst, {}}, Case{Change::Append, {}}}) {
        SCOPED_TRACE(static_cast<int>(c.change));
        DeleteProgramKeys();
        ResetSettings();
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 3);
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile", 1);
        SetText(HKEY_CURRENT_USER, UserProfilesPath, L"Other tool's value", L"theirs");
        for (int index = 0; index < 3; ++index)
            SetText(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(index, L"Profile name").c_str(),
                    L"p" + std::to_wstring(index));
        SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Title", std::wstring(300, L't'));
        std::vector<BYTE> shortBlob(63, 0x5A);
        SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"[1] User password", REG_BINARY, shortBlob.data(), 63);
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"[1] Later version's option", 7);
        SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"[1] Keywords", REG_BINARY, L"kw", 6);
        const unsigned long long wide = 95;
        SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"[2] JPEG QUALITY", REG_QWORD, &wide, sizeof wide);
        const auto before = UserProfileValues();

        ASSERT_TRUE(LoadProfiles());
        ASSERT_EQ(3, Settings.Profiles.Count());
        EXPECT_STREQ(L"kw", Settings.Profiles.At(1).keywords);
        switch (c.change) {
            case Change::Nothing: break;
            case Change::EditTitleKeyGone:
                ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, UserProfilesPath));
                [[fallthrough]];
            case Change::EditTitle: wcscpy(Settings.Profiles.At(1).title, L"New title"); break;
            case Change::DeleteFirst: Settings.Profiles.Remove(0); break;
            case Change::Append: Settings.Profiles.Append(NamedDefault(L"p3")); break;
        }
        SaveProfiles();
        EXPECT_TRUE(watcher_.boxes().empty());
        auto after = UserProfileValues();

        if (c.change == Change::DeleteFirst) {
            // Index i now holds exactly what index i + 1 held; the last index is gone.
            std::map<std::wstring, StoredValue> moved;
            for (const auto& [name, value] : before) {
                if (name.rfind(L"[0]", 0) == 0) continue;
                if (name.rfind(L"[1]", 0) == 0) moved[L"[0]" + name.substr(3)] = value;
                else if (name.rfind(L"[2]", 0) == 0) moved[L"[1]" + name.substr(3)] = value;
                else moved[name] = value;
            }
            moved[L"PROFILES COUNT"] = DwordStored(2);
            EXPECT_EQ(std::set<std::wstring>{}, Differing(moved, after));
        } else if (c.change == Change::Append) {
            std::set<std::wstring> differing = Differing(before, after);
            EXPECT_EQ(1u, differing.erase(L"PROFILES COUNT"));
            for (const std::wstring& name : differing) EXPECT_EQ(0u, name.rfind(L"[3] ", 0)) << name;
            EXPECT_EQ(std::wstring(L"p3"), ReadStoredText(HKEY_CURRENT_USER, UserProfilesPath, L"[3] Profile name"));
        } else {
            EXPECT_EQ(c.differing, Differing(before, after));
        }
    }
}

// A damaged count never hides nor destroys stored profiles: one that cannot be read (a
// long text, a QWORD, a negative number) shows every index that holds a value, one read
// as a huge number (a text "3" read as its bytes, 51) makes no profile past the last one
// stored. A save writes nothing unless the list changed, and then a valid count.
TEST_F(ProfileStoreTest, DamagedProfileCountsNeitherHideNorMakeProfiles) {
    struct Case {
        const wchar_t* what;
        DWORD type;
        std::vector<BYTE> count;
        DWORD current;
        int expectedCurrent;
    };
    auto bytesOf = [](const auto& value) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
        return std::vector<BYTE>(bytes, bytes + sizeof value);
    };
    const wchar_t text3[] = L"3", text12[] = L"12";
    for (const Case& c : {Case{L"text 3, read as 51", REG_SZ, bytesOf(text3), 2, 2},
                          Case{L"text 12, unreadable", REG_SZ, bytesOf(text12), 1, 1},
                          Case{L"QWORD", REG_QWORD, bytesOf(3ull), 1, 1},
                          Case{L"huge", REG_DWORD, bytesOf(0x7FFFFFFFu), 10000, 0},
                          Case{L"negative", REG_DWORD, bytesOf(0xFFFFFFFFu), 3, 0},
                          Case{L"most negative", REG_DWORD, bytesOf(0x80000000u), 0, 0}}) {
        SCOPED_TRACE(c.what);
        DeleteProgramKeys();
        ResetSettings();
        SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", c.type, c.count.data(),
               static_cast<DWORD>(c.count.size()));
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile", c.current);
        for (const wchar_t* name : {L"[0] Profile name", L"[1] Profile name", L"[2] Profile name"})
            SetText(HKEY_CURRENT_USER, UserProfilesPath, name, L"Kept");
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"[2] Page Mode", 2);
        const StoredValue countBefore = UserValue(L"Profiles count");

        ASSERT_TRUE(LoadProfiles());
        ASSERT_EQ(3, Settings.Profiles.Count());
        EXPECT_EQ(c.expectedCurrent, Settings.CurrentProfile);
        EXPECT_STREQ(L"Kept", Settings.Profiles.At(2).name);
        SaveProfiles();
        EXPECT_EQ(countBefore, UserValue(L"Profiles count")) << "nothing changed, nothing written";

        Settings.Profiles.At(0).pageMode = 1;
        SaveProfiles();
        EXPECT_EQ(3u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count"));
        EXPECT_EQ(2u, ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"[2] Page Mode"));
        EXPECT_FALSE(UserValueExists(L"[3] Profile name"));
        EXPECT_TRUE(watcher_.boxes().empty());
    }
}

// A count far above what the key holds must cost the values that are there, and must
// still find each of them as a plain read would: names compare without case.
TEST_F(ProfileStoreTest, ADamagedCountReadsOnlyTheValuesPresentWhateverTheirCase) {
    // A name outside ASCII makes the load read every name one by one: fewer indexes then.
    for (bool otherName : {false, true}) {
        SCOPED_TRACE(otherName ? "with a name outside ASCII" : "ASCII names only");
        const int last = otherName ? 1999 : MaxLoadedProfiles - 1;
        DeleteProgramKeys();
        ResetSettings();
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", otherName ? 2000 : 0x7FFFFFFF);
        SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Profile name", L"Zeroth");
        SetText(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(last, L"PROFILE NAME").c_str(), L"Last");
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"[42] jpeg quality", 55);
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(last + 1, L"JPEG Quality").c_str(), 10);
        if (otherName) SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[3] \u00c4uthor", L"x");

        auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(LoadProfiles());
        auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_EQ(last + 1, Settings.Profiles.Count());
        EXPECT_STREQ(L"Zeroth", Settings.Profiles.At(0).name);
        EXPECT_STREQ(L"Last", Settings.Profiles.At(last).name);
        EXPECT_EQ(55, Settings.Profiles.At(42).jpegQuality);
        EXPECT_EQ(80, Settings.Profiles.At(41).jpegQuality);
        EXPECT_EQ(80, Settings.Profiles.At(last).jpegQuality);
        EXPECT_STREQ(L"", Settings.Profiles.At(3).author);
        // Reading all 220,000 names one by one takes several seconds under Wine.
        if (!otherName) {
            EXPECT_LT(seconds, 3.0);
        }
    }
}

TEST_F(ProfileStoreTest, UnopenableUserKeyIsReportedAndLoadsNothing) {
    SetDword(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"Profiles count", 1);
    DenyAccess(HKEY_CURRENT_USER, UserProfilesPath);

    EXPECT_FALSE(LoadProfiles());
    EXPECT_EQ(0, Settings.Profiles.Count());
    std::vector<ObservedBox> boxes = watcher_.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(ExpectedErrorText(L"Failed to open registry key\nHKCU\\Software\\LumarelPrinter\\PDF Profiles", 5),
              boxes[0].text);
}

TEST_F(ProfileStoreTest, UnopenableDefaultsKeyIsReportedAndLoadsNothing) {
    DenyAccess(HKEY_LOCAL_MACHINE, DefaultProfilesPath);

    EXPECT_FALSE(LoadProfiles());
    EXPECT_EQ(0, Settings.Profiles.Count());
    std::vector<ObservedBox> boxes = watcher_.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(ExpectedErrorText(
                  L"Failed to open registry key\nHKLM\\Software\\LumarelPrinter\\Defaults\\PDF Profiles", 5),
              boxes[0].text);
}

TEST_F(ProfileStoreTest, UnwritableUserKeyIsReportedOnSave) {
    Settings.Profiles.Append(NamedDefault(L"Unsaved"));
    DenyAccess(HKEY_CURRENT_USER, UserProfilesPath);

    SaveProfiles();
    std::vector<ObservedBox> boxes = watcher_.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(ExpectedErrorText(
                  L"These settings could not be stored:\n\"HKCU\\Software\\LumarelPrinter\\PDF Profiles\"", 5),
              boxes[0].text);
}

TEST_F(ProfileStoreTest, ALockedKeyLeftBehindIsStillCleanedUp) {
    // Every locking test relies on its TearDown to remove the locked keys.
    DenyAccess(HKEY_CURRENT_USER, UserProfilesPath);
    DenyAccess(HKEY_LOCAL_MACHINE, DefaultProfilesPath);
    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExW(HKEY_CURRENT_USER, UserProfilesPath, 0, KEY_READ, &raw));
    TearDown();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UserKeyPath));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MachineKeyPath));
}

}  // namespace
