// The PDF page in a live sheet: its check boxes and enabling rule, the profile list
// with New, Edit and Delete, and what an apply writes to the registry.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/sheet_internal.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/agent_page_values.h"
#include "tests/support/pdf_page_fixture.h"

namespace {

using Names = std::vector<std::wstring>;

std::optional<DWORD> UserDword(const wchar_t* name) { return ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, name); }

std::optional<DWORD> ProfilesDword(const wchar_t* name) {
    return ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, name);
}

std::wstring StoredText(const wchar_t* path, const std::wstring& name) {
    return ReadStoredText(HKEY_CURRENT_USER, path, name.c_str()).value_or(L"<missing>");
}

std::wstring StoredProfileName(int index) { return StoredText(UserProfilesPath, ProfileValueName(index, L"Profile name")); }

bool UserKeyExists() {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, UserKeyPath, 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    RegCloseKey(raw);
    return true;
}

const int GovernedControls[] = {IDC_PDF_SEPARATE, IDC_PDF_NO_EMBED_FONTS, IDC_PDF_PROFILES_GROUP,
                                IDC_PDF_PROFILE_LIST, IDC_PDF_NEW, IDC_PDF_EDIT, IDC_PDF_DELETE, IDC_PDF_COPY,
                                IDC_PDF_EXPORT, IDC_PDF_IMPORT};

// --- Showing and enabling ---------------------------------------------------------

TEST_F(PdfPageTest, ShowsTheLoadedValuesAndTheProfilesUnsortedWithTheCurrentSelected) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Separate", 1);
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Do not embed fonts", 0);
    StoreProfiles({L"Zeta", L"alpha", L"Mid"}, 2);
    ASSERT_NE(OpenPdfPage(), nullptr);
    EXPECT_EQ(IsDlgButtonChecked(page(), IDC_PDF_SAVE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page(), IDC_PDF_SEPARATE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page(), IDC_PDF_NO_EMBED_FONTS), BST_UNCHECKED);
    EXPECT_EQ(Entries(), (Names{L"Zeta", L"alpha", L"Mid"}));
    EXPECT_EQ(Selection(), 2);
    for (int id : GovernedControls) EXPECT_TRUE(IsControlEnabled(page(), id)) << id;
    EXPECT_FALSE(sheet().ApplyEnabled());
    EXPECT_EQ(GetWindowLongW(list(), GWL_STYLE) & LBS_SORT, 0);
}

TEST_F(PdfPageTest, SaveToPdfGovernsEveryOtherControl) {
    ASSERT_NE(OpenPdfPage(), nullptr);
    EXPECT_TRUE(IsControlEnabled(page(), IDC_PDF_SAVE));
    for (int id : GovernedControls) EXPECT_FALSE(IsControlEnabled(page(), id)) << id;

    Click(page(), IDC_PDF_SAVE);
    EXPECT_EQ(Settings.PdfEnabled, 1u);
    EXPECT_TRUE(sheet().ApplyEnabled());
    for (int id : GovernedControls) EXPECT_TRUE(IsControlEnabled(page(), id)) << id;

    Click(page(), IDC_PDF_SAVE);
    EXPECT_EQ(Settings.PdfEnabled, 0u);
    for (int id : GovernedControls) EXPECT_FALSE(IsControlEnabled(page(), id)) << id;
}

TEST_F(PdfPageTest, OptionBoxesChangeTheirSettings) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    ASSERT_NE(OpenPdfPage(), nullptr);
    Click(page(), IDC_PDF_SEPARATE);
    EXPECT_EQ(Settings.PdfSeparate, 1u);
    EXPECT_TRUE(sheet().ApplyEnabled());
    Click(page(), IDC_PDF_NO_EMBED_FONTS);
    EXPECT_EQ(Settings.PdfDoNotEmbedFonts, 1u);
}

// --- Choosing the current profile ------------------------------------------------

TEST_F(PdfPageTest, ClickingAnotherEntryMakesItCurrentAndTheCurrentOneChangesNothing) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"One", L"Two", L"Three"}, 1);
    ASSERT_NE(OpenPdfPage(), nullptr);

    ClickListEntry(page(), IDC_PDF_PROFILE_LIST, 1);
    EXPECT_EQ(Settings.CurrentProfile, 1);
    EXPECT_FALSE(sheet().ApplyEnabled()) << "the entry already current is no change";

    ClickListEntry(page(), IDC_PDF_PROFILE_LIST, 2);
    EXPECT_EQ(Selection(), 2);
    EXPECT_EQ(Settings.CurrentProfile, 2);
    EXPECT_TRUE(sheet().ApplyEnabled());
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ProfilesDword(L"Current profile"), 2u);
}

// --- New and Edit ------------------------------------------------------------------

TEST_F(PdfPageTest, ConfirmedNewAddsTheEntryAtTheBottomSelectedAndCurrent) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"Screen", L"Archive"}, 0);
    ASSERT_NE(OpenPdfPage(), nullptr);

    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_NEW, {TypeProfileName(L"Aardvark"), PressOk()}), 1);
    EXPECT_EQ(Entries(), (Names{L"Screen", L"Archive", L"Aardvark"}));
    EXPECT_EQ(Selection(), 2);
    EXPECT_EQ(Settings.CurrentProfile, 2);
    EXPECT_TRUE(IsControlEnabled(page(), IDC_PDF_EDIT));
    EXPECT_TRUE(IsControlEnabled(page(), IDC_PDF_DELETE));
    EXPECT_TRUE(sheet().ApplyEnabled());

    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ProfilesDword(L"Profiles count"), 3u);
    EXPECT_EQ(ProfilesDword(L"Current profile"), 2u);
    EXPECT_EQ(StoredProfileName(2), L"Aardvark");
    EXPECT_EQ(ProfilesDword(ProfileValueName(2, L"JPEG Quality").c_str()), 80u) << "a new profile has the defaults";
}

TEST_F(PdfPageTest, CancelledNewLeavesNoTrace) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"Screen", L"Archive"}, 1);
    ASSERT_NE(OpenPdfPage(), nullptr);

    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_NEW, {TypeProfileName(L"Gone"), PressCancel()}), 1);
    EXPECT_EQ(Entries(), (Names{L"Screen", L"Archive"}));
    EXPECT_EQ(Settings.Profiles.Count(), 2);
    EXPECT_EQ(Selection(), 1);
    EXPECT_EQ(Settings.CurrentProfile, 1);
    EXPECT_FALSE(sheet().ApplyEnabled());

    // The next New starts from the defaults again, not from what was cancelled.
    std::wstring shownName = L"<not shown>";
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_NEW, {[&](HWND s) {
                                                shownName = ControlText(ShowSheetPage(s, IDD_PROFILE_DESCRIPTION),
                                                                        IDC_PROFILE_NAME);
                                            },
                                            PressCancel()}), 1);
    EXPECT_EQ(shownName, L"");
}

TEST_F(PdfPageTest, ConfirmedEditThatRenamesKeepsThePositionAndSelection) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"One", L"Two", L"Three"}, 1);
    ASSERT_NE(OpenPdfPage(), nullptr);

    std::wstring shownName;
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_EDIT, {[&](HWND s) {
                                                           shownName = ControlText(
                                                               ShowSheetPage(s, IDD_PROFILE_DESCRIPTION), IDC_PROFILE_NAME);
                                                       },
                                                       TypeProfileName(L"Deux"), PressOk()}),
              1);
    EXPECT_EQ(shownName, L"Two");
    EXPECT_EQ(Entries(), (Names{L"One", L"Deux", L"Three"}));
    EXPECT_EQ(Selection(), 1);
    EXPECT_EQ(Settings.CurrentProfile, 1);
    EXPECT_TRUE(sheet().ApplyEnabled());
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(StoredProfileName(1), L"Deux");
    EXPECT_EQ(ProfilesDword(L"Profiles count"), 3u);
}

TEST_F(PdfPageTest, CancelledEditChangesNothing) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"One", L"Two"}, 0);
    ASSERT_NE(OpenPdfPage(), nullptr);
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_EDIT, {TypeProfileName(L"Changed"), PressCancel()}), 1);
    EXPECT_EQ(Entries(), (Names{L"One", L"Two"}));
    EXPECT_STREQ(Settings.Profiles.At(0).name, L"One");
    EXPECT_FALSE(sheet().ApplyEnabled());
}

TEST_F(PdfPageTest, DoubleClickOnAnEntryEditsThatEntry) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"One", L"Two", L"Three"}, 0);
    ASSERT_NE(OpenPdfPage(), nullptr);
    std::wstring shownName;
    EXPECT_EQ(DoubleClickAndDriveProfileSheet(2, {[&](HWND s) {
                                                      shownName = ControlText(ShowSheetPage(s, IDD_PROFILE_DESCRIPTION),
                                                                              IDC_PROFILE_NAME);
                                                  },
                                                  TypeProfileName(L"Drei"), PressOk()}),
              1);
    EXPECT_EQ(shownName, L"Three");
    EXPECT_EQ(Entries(), (Names{L"One", L"Two", L"Drei"}));
    EXPECT_EQ(Selection(), 2);
}

TEST_F(PdfPageTest, TheMainSheetIsDisabledWhileAProfileIsEdited) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    ASSERT_NE(OpenPdfPage(), nullptr);
    bool mainEnabled = true;
    HWND owner = nullptr;
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_EDIT, {[&](HWND s) {
                                                 mainEnabled = IsWindowEnabled(sheet().window()) != FALSE;
                                                 owner = GetWindow(s, GW_OWNER);
                                             },
                                             PressCancel()}), 1);
    EXPECT_FALSE(mainEnabled) << "the main sheet's OK and Cancel must not work meanwhile";
    EXPECT_EQ(owner, sheet().window());
    EXPECT_TRUE(IsWindowEnabled(sheet().window()));
}

// --- Delete ----------------------------------------------------------------------------

TEST_F(PdfPageTest, DeleteAsksFirstAndNoKeepsTheProfile) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"One", L"Two"}, 1);
    ASSERT_NE(OpenPdfPage(), nullptr);
    MessageBoxWatcher watcher;
    watcher.answerWith(IDNO);
    Click(page(), IDC_PDF_DELETE);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, L"Lumarel Printer properties");
    EXPECT_EQ(watcher.boxes()[0].text, L"Do you want to delete selected profile?");
    EXPECT_EQ(Entries(), (Names{L"One", L"Two"}));
    EXPECT_FALSE(sheet().ApplyEnabled());
}

TEST_F(PdfPageTest, DeleteRemovesTheSelectedEntryAndLeavesNoSelection) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"One", L"Two", L"Three"}, 1);
    ASSERT_NE(OpenPdfPage(), nullptr);
    MessageBoxWatcher watcher;
    watcher.answerWith(IDYES);
    Click(page(), IDC_PDF_DELETE);
    EXPECT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(Entries(), (Names{L"One", L"Three"}));
    EXPECT_EQ(Selection(), LB_ERR);
    EXPECT_EQ(Settings.CurrentProfile, 1) << "now names the profile that moved up";
    EXPECT_TRUE(sheet().ApplyEnabled());

    // Without a selection, Delete does nothing and asks nothing.
    Click(page(), IDC_PDF_DELETE);
    EXPECT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(Entries(), (Names{L"One", L"Three"}));

    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ProfilesDword(L"Profiles count"), 2u);
    EXPECT_EQ(StoredProfileName(1), L"Three");
}

TEST_F(PdfPageTest, DeletingTheOnlyProfileDisablesEditAndDeleteAlsoAfterSaveToPdfOffAndOn) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    ASSERT_NE(OpenPdfPage(), nullptr);
    ASSERT_EQ(Entries(), (Names{L"Default"}));
    MessageBoxWatcher watcher;
    watcher.answerWith(IDYES);
    Click(page(), IDC_PDF_DELETE);
    EXPECT_TRUE(Entries().empty());
    EXPECT_FALSE(IsControlEnabled(page(), IDC_PDF_EDIT));
    EXPECT_FALSE(IsControlEnabled(page(), IDC_PDF_DELETE));
    EXPECT_TRUE(IsControlEnabled(page(), IDC_PDF_NEW));

    Click(page(), IDC_PDF_SAVE);
    Click(page(), IDC_PDF_SAVE);
    EXPECT_EQ(Settings.PdfEnabled, 1u);
    EXPECT_TRUE(IsControlEnabled(page(), IDC_PDF_NEW));
    EXPECT_FALSE(IsControlEnabled(page(), IDC_PDF_EDIT));
    EXPECT_FALSE(IsControlEnabled(page(), IDC_PDF_DELETE));

    EXPECT_TRUE(sheet().Apply());
    EXPECT_FALSE(ProfilesDword(L"Profiles count").has_value()) << "the profile shown for none was never stored";

    // A new profile brings them back.
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_NEW, {TypeProfileName(L"Fresh"), PressOk()}), 1);
    EXPECT_EQ(Entries(), (Names{L"Fresh"}));
    EXPECT_EQ(Settings.CurrentProfile, 0);
    EXPECT_TRUE(IsControlEnabled(page(), IDC_PDF_EDIT));
    EXPECT_TRUE(IsControlEnabled(page(), IDC_PDF_DELETE));
}

// After deleting the last entry the current index lies past the end; with an empty
// list it names nothing. Edit, by button or double-click, then opens nothing.
TEST_F(PdfPageTest, EditWithoutACurrentProfileOpensNothing) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"One", L"Two"}, 1);
    ASSERT_NE(OpenPdfPage(), nullptr);
    MessageBoxWatcher watcher;
    watcher.answerWith(IDYES);
    Click(page(), IDC_PDF_DELETE);
    ASSERT_EQ(Settings.CurrentProfile, 1);
    ASSERT_EQ(Settings.Profiles.Count(), 1);
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_EDIT, {PressOk()}), 0);
    EXPECT_EQ(Entries(), (Names{L"One"}));

    // Picking the entry makes it current, and Edit works again.
    ClickListEntry(page(), IDC_PDF_PROFILE_LIST, 0);
    EXPECT_EQ(Settings.CurrentProfile, 0);
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_EDIT, {PressCancel()}), 1);

    ClickListEntry(page(), IDC_PDF_PROFILE_LIST, 0);
    Click(page(), IDC_PDF_DELETE);
    ASSERT_TRUE(Entries().empty());
    EXPECT_EQ(DoubleClickAndDriveProfileSheet(0, {PressOk()}), 0);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(Settings.Profiles.Count(), 0);
}

// --- Apply -------------------------------------------------------------------------------

// An apply writes the options the user changed, and nothing he did not: neither an option
// clicked back to what it showed, nor the excluded fonts (no control edits them), which a
// machine default behind an absent user value would otherwise become the user's own.
TEST_F(PdfPageTest, ApplyWritesTheChangedOptionsAndNeverTheExcludedFonts) {
    SetText(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Exclude fonts", L"Wingdings;Symbol");
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Separate", 1);
    ASSERT_NE(OpenPdfPage(), nullptr);
    Click(page(), IDC_PDF_SAVE);
    Click(page(), IDC_PDF_NO_EMBED_FONTS);
    Click(page(), IDC_PDF_SEPARATE);
    Click(page(), IDC_PDF_SEPARATE);
    EXPECT_FALSE(UserKeyExists()) << "nothing is written before the apply";
    EXPECT_TRUE(sheet().Apply());
    EXPECT_FALSE(sheet().ApplyEnabled());

    EXPECT_EQ(UserDword(L"PDF: Enabled"), 1u);
    EXPECT_EQ(UserDword(L"PDF: Do not embed fonts"), 1u);
    EXPECT_FALSE(UserDword(L"PDF: Separate").has_value());
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Exclude fonts").has_value());
    EXPECT_FALSE(ProfilesDword(L"Profiles count").has_value()) << "the profiles did not change";
}

// No control edits the excluded fonts: a text that was not read whole (longer than the
// field, or filling it without a terminator) is left as stored by an apply, the user's
// or, behind an absent one, the machine's, which an empty user value would hide.
TEST_F(PdfPageTest, ExcludedFontsNotReadWholeAreLeftAsStored) {
    const std::wstring tooLong(1100, L'f');
    const std::wstring filling(1025, L'g');  // stored as 1,024 units: no terminator
    struct Case {
        HKEY root;
        const wchar_t* path;
        const std::wstring& text;
        DWORD bytes;
    };
    for (const Case& c : {Case{HKEY_CURRENT_USER, UserKeyPath, tooLong, 2202},
                          Case{HKEY_CURRENT_USER, UserKeyPath, filling, 2048},
                          Case{HKEY_LOCAL_MACHINE, DefaultsKeyPath, tooLong, 2202}}) {
        SCOPED_TRACE(c.bytes);
        DeleteProgramKeys();
        SetText(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Exclude fonts", L"Wingdings");
        SetRaw(c.root, c.path, L"PDF: Exclude fonts", REG_SZ, c.text.data(), c.bytes);
        auto storedBytes = [] {
            auto fonts = ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Exclude fonts");
            return fonts ? fonts->bytes : std::vector<BYTE>{};
        };
        const std::vector<BYTE> before = storedBytes();
        ASSERT_NE(OpenPdfPage(), nullptr);
        Click(page(), IDC_PDF_SAVE);
        EXPECT_TRUE(sheet().Apply());
        EXPECT_EQ(UserDword(L"PDF: Enabled"), 1u);
        const std::vector<BYTE> after = storedBytes();
        EXPECT_TRUE(after == before) << after.size() << " bytes stored, " << before.size() << " before";
    }
}

TEST_F(PdfPageTest, ApplyWithoutChangesOnThisPageWritesNothing) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 7);
    ASSERT_NE(OpenPdfPage(), nullptr);
    ClickListEntry(page(), IDC_PDF_PROFILE_LIST, 0);  // the current entry: no change
    // Another page's change makes the sheet apply.
    HWND emf = sheet().ShowPage(IDD_EMF_PAGE);
    ASSERT_NE(emf, nullptr);
    Click(emf, IDC_EMF_SAVE);
    EXPECT_TRUE(sheet().Apply());

    EXPECT_EQ(UserDword(L"EMF: Enabled"), 1u);
    EXPECT_EQ(UserDword(L"PDF: Enabled"), 7u);
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Separate").has_value());
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Exclude fonts").has_value());
    EXPECT_FALSE(ProfilesDword(L"Profiles count").has_value()) << "no profiles were saved";
}

// What could not be stored is told once, naming it; the sheet stays open with the page
// changed, and the next apply stores it. The profiles are saved even when the user key
// is refused.
TEST_F(PdfPageTest, WhatWasNotStoredIsToldOnceAndStoredByTheNextApply) {
    StoreProfiles({L"Kept", L"Other"}, 0);
    ASSERT_NE(OpenPdfPage(), nullptr);
    MessageBoxWatcher watcher;
    size_t told = 0;
    auto refusedApply = [&](const std::wstring& names) {
        EXPECT_FALSE(sheet().Apply()) << "the apply is refused";
        ASSERT_EQ(watcher.boxes().size(), ++told);
        EXPECT_EQ(watcher.boxes().back().text,
                  L"These settings could not be stored:\n" + names + L"\nError # 5: " + SystemText(5));
        EXPECT_TRUE(sheet().ApplyEnabled());
    };

    Click(page(), IDC_PDF_SAVE);
    ClickListEntry(page(), IDC_PDF_PROFILE_LIST, 1);
    DenyAccess(HKEY_CURRENT_USER, UserKeyPath);
    refusedApply(L"\"HKCU\\Software\\LumarelPrinter\"");
    EXPECT_EQ(ProfilesDword(L"Current profile"), 1u);
    RestoreAccess(HKEY_CURRENT_USER, UserKeyPath);
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(UserDword(L"PDF: Enabled"), 1u);

    ClickListEntry(page(), IDC_PDF_PROFILE_LIST, 0);
    DenyAccess(HKEY_CURRENT_USER, UserProfilesPath);
    refusedApply(L"\"HKCU\\Software\\LumarelPrinter\\PDF Profiles\"");
    RestoreAccess(HKEY_CURRENT_USER, UserProfilesPath);
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ProfilesDword(L"Current profile"), 0u);
    EXPECT_EQ(watcher.boxes().size(), told);
}

TEST_F(PdfPageTest, PasswordsAreNeverStoredInClearText) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    ASSERT_NE(OpenPdfPage(), nullptr);
    const std::wstring password = L"Sesame-42";
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_NEW, {TypeProfileName(L"Locked"),
                                            [&](HWND s) {
                                                HWND security = ShowSheetPage(s, IDD_PROFILE_SECURITY);
                                                TypeOver(security, IDC_USER_PASSWORD, password);
                                                TypeOver(security, IDC_OWNER_PASSWORD, password);
                                            },
                                            PressOk()}), 1);
    EXPECT_TRUE(sheet().Apply());

    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, UserProfilesPath, 0, KEY_READ, &raw), ERROR_SUCCESS);
    UniqueRegKey key(raw);
    const std::string needle(reinterpret_cast<const char*>(password.data()), password.size() * sizeof(wchar_t));
    int values = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 0;
        BYTE data[4096];
        size = sizeof data;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        ++values;
        std::string bytes(reinterpret_cast<const char*>(data), size);
        EXPECT_EQ(bytes.find(needle), std::string::npos) << "clear password in " << std::string(name, name + nameLength);
    }
    EXPECT_GT(values, 20);
    auto blob = ReadStored(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(1, L"User password").c_str());
    ASSERT_TRUE(blob.has_value());
    EXPECT_EQ(blob->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(blob->bytes.size(), 64u);
}

// --- Copy, Export and Import -------------------------------------------------------

TEST_F(PdfPageTest, CopyAddsTheSelectedProfileAtTheBottomSelectedAndCurrent) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    StoreProfiles({L"Office", L"Web", L"Web - Copy"}, 0);
    ASSERT_NE(OpenPdfPage(), nullptr);
    ClickListEntry(page(), IDC_PDF_PROFILE_LIST, 1);
    Click(page(), IDC_PDF_COPY);
    EXPECT_EQ(Entries(), (Names{L"Office", L"Web", L"Web - Copy", L"Web - Copy (2)"}));
    EXPECT_EQ(Selection(), 3);
    EXPECT_EQ(Settings.CurrentProfile, 3);
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(StoredProfileName(3), L"Web - Copy (2)");
    EXPECT_EQ(ProfilesDword(L"Current profile"), 3u);
}

// Suites named *LiveShellDialog* drive the system's dialogs (see tests/support/test_main.cpp).
class PdfTransferLiveShellDialogTest : public PdfPageTest {
protected:
    void SetUp() override {
        PdfPageTest::SetUp();
        InstallMachineAgentValues();
        SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
        StoreProfiles({L"Office", L"Web"}, 0);
    }
    void TearDown() override {
        DeleteFileW(File);
        PdfPageTest::TearDown();
    }
    static constexpr wchar_t File[] = L"C:\\users\\Public\\moved.lpsettings";
};

TEST_F(PdfTransferLiveShellDialogTest, ExportWritesTheChosenProfilesAndSettingsToTheFileChosen) {
    ASSERT_NE(OpenPdfPage(), nullptr);
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled", 1);
    std::vector<std::wstring> titles;
    ModalDriver driver({[&](HWND exportDialog) {
                            titles.push_back(WindowTextOf(exportDialog));
                            Click(exportDialog, IDC_EXPORT_ALL);
                            Click(exportDialog, IDC_EXPORT_PLAIN_VALUES);
                            PostClick(exportDialog, IDOK);
                        },
                        [&](HWND saveDialog) {
                            titles.push_back(WindowTextOf(saveDialog));
                            TypeFileName(saveDialog, File);
                            PostClick(saveDialog, IDOK);
                        }});
    Click(page(), IDC_PDF_EXPORT);
    EXPECT_TRUE(driver.done());
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(titles, (Names{L"Export Profiles", L"Save As"}));
    HANDLE file = CreateFileW(File, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char bytes[8192];
    DWORD read = 0;
    ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(file);
    const std::string text(bytes, read);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBFLumarel Printer settings, version 1.0\r\n", 0), 0u);
    for (const char* part : {"[Profile \"Office\"]", "[Profile \"Web\"]", "[Settings]\r\n\"EMF: Enabled\"=dword:00000001"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    EXPECT_FALSE(sheet().ApplyEnabled()) << "an export changes nothing";
}

// The file's settings replace the user's on every page that shows them, and what the
// user then changes himself wins; nothing is stored before the apply.
TEST_F(PdfTransferLiveShellDialogTest, ImportMergesTheProfilesAndShowsTheSettingsOnTheirPages) {
    HANDLE file = CreateFileW(File, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string text = "Lumarel Printer settings, version 1.0\r\n[Profile \"Office\"]\r\n"
                             "\"Title\"=\"from the file\"\r\n[Profile \"Print\"]\r\n[Settings]\r\n"
                             "\"EMF: Enabled\"=dword:00000001\r\n\"Client Application\"=\"C:\\\\imported.exe\"\r\n"
                             "\"Output Directory\"=\"C:\\\\imported\"\r\n[End]\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);

    ASSERT_NE(OpenPdfPage(), nullptr);
    HWND agent = sheet().ShowPage(IDD_AGENT_PAGE);  // shown before the import, the EMF page after it
    ASSERT_NE(agent, nullptr);
    sheet().ShowPage(IDD_PDF_PAGE);
    std::wstring conflict;
    MessageBoxWatcher question;
    question.answerWith(IDYES);
    ModalDriver driver({[&](HWND openDialog) {
                            TypeFileName(openDialog, File);
                            PostClick(openDialog, IDOK);
                        },
                        [&](HWND conflictDialog) {
                            conflict = ControlText(conflictDialog, IDC_CONFLICT_TEXT);
                            PostClick(conflictDialog, IDC_CONFLICT_KEEP_BOTH);
                        }});
    Click(page(), IDC_PDF_IMPORT);
    EXPECT_TRUE(driver.done());
    EXPECT_FALSE(driver.timedOut());
    ASSERT_EQ(question.boxes().size(), 1u);
    EXPECT_EQ(question.boxes()[0].text,
              L"The file also holds EMF, PDF and Agent settings. Do you want them to replace yours?");
    EXPECT_EQ(conflict, L"A profile named \"Office\" exists already.\n\nThe imported one can replace it, be added as "
                        L"\"Office - Copy\", or be skipped.");
    EXPECT_EQ(Entries(), (Names{L"Office", L"Web", L"Office - Copy", L"Print"}));
    EXPECT_FALSE(UserDword(L"EMF: Enabled").has_value()) << "nothing stored before the apply";

    EXPECT_EQ(ControlText(agent, IDC_AGENT_APPLICATION), L"C:\\imported.exe");
    TypeOver(agent, IDC_AGENT_DIRECTORY, L"C:\\mine");
    HWND emf = sheet().ShowPage(IDD_EMF_PAGE);
    EXPECT_EQ(IsDlgButtonChecked(emf, IDC_EMF_SAVE), static_cast<UINT>(BST_CHECKED));
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(UserDword(L"EMF: Enabled"), 1u);
    EXPECT_EQ(StoredText(UserKeyPath, L"Client Application"), L"C:\\imported.exe");
    EXPECT_EQ(StoredText(UserKeyPath, L"Output Directory"), L"C:\\mine");
    EXPECT_EQ(StoredProfileName(2), L"Office - Copy");
    EXPECT_EQ(StoredText(UserProfilesPath, ProfileValueName(2, L"Title")), L"from the file");
    EXPECT_EQ(StoredProfileName(3), L"Print");
}

// --- In the sheet ----------------------------------------------------------------------

TEST_F(PdfPageTest, BecomingActiveRecordsTheIndex) {
    ASSERT_NE(OpenPdfPage(), nullptr);
    EXPECT_EQ(Settings.LastViewedPage, sheet().IndexOf(page()));
}

TEST_F(PdfPageTest, HiddenPageIsNotInTheSheet) {
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet hidden({0, 0, VER_PLATFORM_WIN32_NT, 0, 0, 1});
    EXPECT_EQ(hidden.ShowPage(IDD_PDF_PAGE), nullptr);
}

}  // namespace
