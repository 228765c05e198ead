// The "PDF Profile Properties" sheet, opened from the PDF page with New or Edit and
// driven while it runs: its frame, every control of its three pages, and what reaches
// the profile list on OK.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "pdf/profile_sheet.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/pdf_page_fixture.h"

namespace {

using Names = std::vector<std::wstring>;
using Step = ModalDriver::Step;

// --- The JPEG quality rules on their own -----------------------------------------------

// The item is the tenth, truncated toward zero, unless the remainder is positive.
TEST(JpegQuality, StoredQualitySelectsItsTruncatedTenth) {
    EXPECT_EQ(JpegQualityItem(0), 0);
    EXPECT_EQ(JpegQualityItem(80), 8);
    EXPECT_EQ(JpegQualityItem(100), 10);
    EXPECT_EQ(JpegQualityItem(-1), 0);
    EXPECT_EQ(JpegQualityItem(-9), 0);
    EXPECT_EQ(JpegQualityItem(85), -1);
    EXPECT_EQ(JpegQualityItem(1), -1);
    EXPECT_EQ(JpegQualityItem(110), -1) << "no item 11: shown as text";
    EXPECT_EQ(JpegQualityItem(-10), -1) << "no item -1: shown as text";
}

TEST(JpegQuality, TextThatIsNoNumberReadsAsZeroWhichIsAccepted) {
    EXPECT_EQ(JpegQualityFromText(true, 55), 55);
    EXPECT_EQ(JpegQualityFromText(false, 123), 0);
    EXPECT_TRUE(IsAcceptedJpegQuality(0));
    EXPECT_TRUE(IsAcceptedJpegQuality(100));
    EXPECT_FALSE(IsAcceptedJpegQuality(101));
    EXPECT_FALSE(IsAcceptedJpegQuality(-1));
}

TEST(ProfileSheetCallback, TakesOnlyTheHelpButtonOffTheTemplate) {
    unsigned char extended[32] = {};
    const WORD header[2] = {1, 0xFFFF};  // dlgVer, signature
    std::memcpy(extended, header, sizeof header);
    DWORD style = WS_POPUP | WS_CAPTION | DS_CONTEXTHELP | DS_MODALFRAME;
    std::memcpy(extended + 12, &style, sizeof style);
    EXPECT_EQ(ProfileSheetCallback(nullptr, PSCB_PRECREATE, reinterpret_cast<LPARAM>(extended)), 0);
    std::memcpy(&style, extended + 12, sizeof style);
    EXPECT_EQ(style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME)) << "not centred either";

    unsigned char plain[32] = {};
    style = WS_POPUP | DS_CONTEXTHELP;
    std::memcpy(plain, &style, sizeof style);
    EXPECT_EQ(ProfileSheetCallback(nullptr, PSCB_PRECREATE, reinterpret_cast<LPARAM>(plain)), 0);
    std::memcpy(&style, plain, sizeof style);
    EXPECT_EQ(style, static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(ProfileSheetCallback(nullptr, PSCB_INITIALIZED, 0), 0);
}

// --- Driving the sheet --------------------------------------------------------------------

class ProfileSheetTest : public PdfPageTest {
protected:
    void SetUp() override {
        PdfPageTest::SetUp();
        SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    }

    // Edits the only profile, stored with `setup` applied over a named default.
    int EditStoredProfile(const std::vector<std::pair<const wchar_t*, DWORD>>& numbers, std::vector<Step> steps) {
        StoreProfiles({L"Stored"}, 0);
        for (const auto& number : numbers)
            SetDword(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(0, number.first).c_str(), number.second);
        if (!OpenPdfPage()) {
            ADD_FAILURE() << "no PDF page";
            return -1;
        }
        int seen = ClickAndDriveProfileSheet(IDC_PDF_EDIT, std::move(steps));
        // The steps hold the checks: a sheet that never opened would run none of them.
        EXPECT_EQ(seen, 1) << "the profile sheet did not open";
        return seen;
    }

    const PdfProfile& Profile(int index) const { return Settings.Profiles.At(index); }
};

// A step that runs `check` on the page made from `templateId`.
Step OnPage(int templateId, std::function<void(HWND page)> check) {
    return [templateId, check](HWND sheet) { check(ShowSheetPage(sheet, templateId)); };
}

LONG StyleOf(HWND page, int id) { return GetWindowLongW(GetDlgItem(page, id), GWL_STYLE); }

std::wstring ClassOf(HWND page, int id) {
    wchar_t name[64] = {};
    GetClassNameW(GetDlgItem(page, id), name, 64);
    return name;
}

TEST_F(ProfileSheetTest, FrameHasThreePagesOkAndCancelButNoApplyOrHelp) {
    ASSERT_NE(OpenPdfPage(), nullptr);
    std::vector<std::wstring> tabs;
    HWND current = nullptr, description = nullptr;
    bool applyShown = true, helpShown = true, contextHelp = true, okShown = false, cancelShown = false;
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_NEW, {[&](HWND s) {
                                                tabs = TabTitles(s);
                                                current = PropSheet_GetCurrentPageHwnd(s);
                                                description = PropSheet_IndexToHwnd(s, 0);
                                                auto shown = [s](int id) {
                                                    HWND b = GetDlgItem(s, id);
                                                    return b && IsWindowVisible(b);
                                                };
                                                applyShown = shown(0x3021);
                                                helpShown = shown(IDHELP);
                                                okShown = shown(IDOK);
                                                cancelShown = shown(IDCANCEL);
                                                contextHelp = (GetWindowLongW(s, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
                                            },
                                            PressCancel()}), 1);
    EXPECT_EQ(tabs, (Names{L"Description", L"Security", L"Advanced"}));
    EXPECT_NE(current, nullptr);
    EXPECT_EQ(current, description) << "opens on Description";
    EXPECT_TRUE(okShown);
    EXPECT_TRUE(cancelShown);
    EXPECT_FALSE(applyShown);
    EXPECT_FALSE(helpShown);
    EXPECT_FALSE(contextHelp);
}

TEST_F(ProfileSheetTest, DescriptionControlsAndLimits) {
    ASSERT_NE(OpenPdfPage(), nullptr);
    EXPECT_EQ(ClickAndDriveProfileSheet(
        IDC_PDF_NEW, {OnPage(IDD_PROFILE_DESCRIPTION,
                             [](HWND p) {
                                 const struct {
                                     int id;
                                     LRESULT limit;
                                 } edits[] = {{IDC_PROFILE_NAME, 127},
                                              {IDC_PROFILE_TITLE, 255},
                                              {IDC_PROFILE_AUTHOR, 255},
                                              {IDC_PROFILE_SUBJECT, 255},
                                              {IDC_PROFILE_KEYWORDS, 511}};
                                 for (const auto& e : edits) {
                                     EXPECT_EQ(ClassOf(p, e.id), L"Edit") << e.id;
                                     EXPECT_EQ(SendDlgItemMessageW(p, e.id, EM_GETLIMITTEXT, 0, 0), e.limit) << e.id;
                                     EXPECT_NE(StyleOf(p, e.id) & ES_AUTOHSCROLL, 0) << e.id;
                                 }
                                 const LONG keywords = StyleOf(p, IDC_PROFILE_KEYWORDS);
                                 EXPECT_NE(keywords & ES_MULTILINE, 0);
                                 EXPECT_NE(keywords & ES_WANTRETURN, 0);
                                 EXPECT_NE(keywords & ES_AUTOVSCROLL, 0);
                                 EXPECT_NE(keywords & WS_VSCROLL, 0);
                                 EXPECT_EQ(StyleOf(p, IDC_PROFILE_NAME) & ES_MULTILINE, 0);
                                 EXPECT_EQ(ControlText(p, IDC_PROFILE_NAME_LABEL), L"Profile &name:");
                                 EXPECT_EQ(ControlText(p, IDC_PROFILE_INFO_GROUP), L"Document info");
                                 EXPECT_EQ(ControlText(p, IDC_PROFILE_TITLE_LABEL), L"&Title:");
                                 EXPECT_EQ(ControlText(p, IDC_PROFILE_AUTHOR_LABEL), L"A&uthor:");
                                 EXPECT_EQ(ControlText(p, IDC_PROFILE_SUBJECT_LABEL), L"&Subject:");
                                 EXPECT_EQ(ControlText(p, IDC_PROFILE_KEYWORDS_LABEL), L"&Keywords:");
                                 // Typing stops at the limit.
                                 TypeAtCaret(p, IDC_PROFILE_NAME, std::wstring(140, L'n'));
                                 EXPECT_EQ(ControlText(p, IDC_PROFILE_NAME).size(), 127u);
                             }),
                      PressCancel()}), 1);
}

TEST_F(ProfileSheetTest, OkWithAnEmptyNameIsRefusedOnTheDescriptionPage) {
    ASSERT_NE(OpenPdfPage(), nullptr);
    MessageBoxWatcher watcher;
    HWND shownAfterRefusal = nullptr, description = nullptr;
    ModalDriver driver(ProfileSheetCaption,
                       {[](HWND s) {
                            ShowSheetPage(s, IDD_PROFILE_ADVANCED);  // OK pressed on another page
                            PressSheetButton(s, PSBTN_OK);
                        },
                        [&](HWND s) {
                            shownAfterRefusal = PropSheet_GetCurrentPageHwnd(s);
                            description = PropSheet_IndexToHwnd(s, 0);
                        },
                        TypeProfileName(L"   "), PressOk()});
    Click(page(), IDC_PDF_NEW);
    EXPECT_EQ(driver.stepsRun(), 4u) << "the refused OK ended the sheet";
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, L"Lumarel Printer properties");
    EXPECT_EQ(watcher.boxes()[0].text, L"Please enter the profile name.");
    EXPECT_EQ(shownAfterRefusal, description);
    EXPECT_EQ(Entries(), (Names{L"Default", L"   "})) << "a name of spaces is a name";
}

TEST_F(ProfileSheetTest, DescriptionTextsReachTheProfileWithTheirLineBreaks) {
    ASSERT_NE(OpenPdfPage(), nullptr);
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_NEW, {OnPage(IDD_PROFILE_DESCRIPTION,
                                                   [](HWND p) {
                                                       TypeAtCaret(p, IDC_PROFILE_NAME, L"Report");
                                                       TypeAtCaret(p, IDC_PROFILE_TITLE, L"Q3 figures");
                                                       TypeAtCaret(p, IDC_PROFILE_AUTHOR, L"Ilse Varga");
                                                       TypeAtCaret(p, IDC_PROFILE_SUBJECT, L"Sales");
                                                       TypeAtCaret(p, IDC_PROFILE_KEYWORDS, L"north\rsouth");
                                                   }),
                                            PressOk()}), 1);
    ASSERT_EQ(Settings.Profiles.Count(), 2);
    EXPECT_STREQ(Profile(1).name, L"Report");
    EXPECT_STREQ(Profile(1).title, L"Q3 figures");
    EXPECT_STREQ(Profile(1).author, L"Ilse Varga");
    EXPECT_STREQ(Profile(1).subject, L"Sales");
    EXPECT_STREQ(Profile(1).keywords, L"north\r\nsouth");

    // Edit shows them again.
    std::wstring keywords;
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_EDIT, {OnPage(IDD_PROFILE_DESCRIPTION,
                                                    [&](HWND p) { keywords = ControlText(p, IDC_PROFILE_KEYWORDS); }),
                                             PressCancel()}), 1);
    EXPECT_EQ(keywords, L"north\r\nsouth");
}

TEST_F(ProfileSheetTest, SecurityControlsShowTheStoredFlags) {
    EditStoredProfile({{L"Security enabled", 1},
                       {L"User password enabled", 1},
                       {L"Owner password enabled", 0},
                       {L"Allow copying", 1},
                       {L"Allow printing", 1},
                       {L"Encryption Level", 1}},
                      {OnPage(IDD_PROFILE_SECURITY,
                              [](HWND p) {
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_SECURITY_ENABLE), BST_CHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_USER_PASSWORD_ENABLE), BST_CHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_OWNER_PASSWORD_ENABLE), BST_UNCHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ALLOW_COPYING), BST_CHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ALLOW_COMMENTING), BST_UNCHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ALLOW_CHANGING), BST_UNCHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ALLOW_PRINTING), BST_CHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ENCRYPTION_LOW), BST_UNCHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ENCRYPTION_HIGH), BST_CHECKED);
                                  EXPECT_TRUE(IsControlEnabled(p, IDC_USER_PASSWORD));
                                  EXPECT_FALSE(IsControlEnabled(p, IDC_OWNER_PASSWORD));
                                  for (int id : {IDC_USER_PASSWORD, IDC_OWNER_PASSWORD}) {
                                      EXPECT_NE(StyleOf(p, id) & ES_PASSWORD, 0) << id;
                                      EXPECT_EQ(SendDlgItemMessageW(p, id, EM_GETLIMITTEXT, 0, 0), 31) << id;
                                  }
                                  for (int id : {IDC_ENCRYPTION_LOW, IDC_ENCRYPTION_HIGH})
                                      EXPECT_EQ(StyleOf(p, id) & BS_TYPEMASK, BS_RADIOBUTTON) << id;
                                  EXPECT_EQ(ControlText(p, IDC_ALLOWED_ACTIONS_GROUP), L"Allowed Actions");
                                  EXPECT_EQ(ControlText(p, IDC_ENCRYPTION_GROUP), L"Encryption Level");
                                  EXPECT_EQ(ControlText(p, IDC_ALLOW_COMMENTING),
                                            L"&Form Filling, Signing, Commenting");
                                  EXPECT_EQ(ControlText(p, IDC_ENCRYPTION_HIGH), L"&High (128-bit RC4)");
                              }),
                       PressCancel()});
}

TEST_F(ProfileSheetTest, SecurityOffDisablesEverythingButTheGroupBoxes) {
    const int governed[] = {IDC_USER_PASSWORD_ENABLE, IDC_USER_PASSWORD,    IDC_OWNER_PASSWORD_ENABLE,
                            IDC_OWNER_PASSWORD,       IDC_ALLOW_COPYING,    IDC_ALLOW_COMMENTING,
                            IDC_ALLOW_CHANGING,       IDC_ALLOW_PRINTING,   IDC_ENCRYPTION_LOW,
                            IDC_ENCRYPTION_HIGH};
    EditStoredProfile(
        {{L"Security enabled", 0}, {L"User password enabled", 1}, {L"Owner password enabled", 0}},
        {OnPage(IDD_PROFILE_SECURITY,
                [&](HWND p) {
                    for (int id : governed) EXPECT_FALSE(IsControlEnabled(p, id)) << id;
                    EXPECT_TRUE(IsControlEnabled(p, IDC_ALLOWED_ACTIONS_GROUP));
                    EXPECT_TRUE(IsControlEnabled(p, IDC_ENCRYPTION_GROUP));

                    // On: the password edits follow their own boxes.
                    Click(p, IDC_SECURITY_ENABLE);
                    EXPECT_EQ(EditedProfile.securityEnabled, 1);
                    EXPECT_TRUE(IsControlEnabled(p, IDC_USER_PASSWORD));
                    EXPECT_FALSE(IsControlEnabled(p, IDC_OWNER_PASSWORD));
                    EXPECT_TRUE(IsControlEnabled(p, IDC_ALLOW_PRINTING));
                    EXPECT_TRUE(IsControlEnabled(p, IDC_ENCRYPTION_HIGH));

                    Click(p, IDC_OWNER_PASSWORD_ENABLE);
                    EXPECT_EQ(EditedProfile.ownerPasswordEnabled, 1);
                    EXPECT_TRUE(IsControlEnabled(p, IDC_OWNER_PASSWORD));
                    Click(p, IDC_USER_PASSWORD_ENABLE);
                    EXPECT_EQ(EditedProfile.userPasswordEnabled, 0);
                    EXPECT_FALSE(IsControlEnabled(p, IDC_USER_PASSWORD));

                    Click(p, IDC_SECURITY_ENABLE);
                    for (int id : governed) EXPECT_FALSE(IsControlEnabled(p, id)) << id;
                }),
         PressOk()});
    EXPECT_EQ(Profile(0).securityEnabled, 0);
    EXPECT_EQ(Profile(0).userPasswordEnabled, 0);
    EXPECT_EQ(Profile(0).ownerPasswordEnabled, 1);
}

TEST_F(ProfileSheetTest, AStoredEncryptionLevelOfTwoChecksNeitherUntilOneIsClicked) {
    EditStoredProfile({{L"Security enabled", 1}, {L"Encryption Level", 2}},
                      {OnPage(IDD_PROFILE_SECURITY,
                              [](HWND p) {
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ENCRYPTION_LOW), BST_UNCHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ENCRYPTION_HIGH), BST_UNCHECKED);
                                  // Neither checked, Tab still reaches the group.
                                  EXPECT_NE((GetWindowLongW(GetDlgItem(p, IDC_ENCRYPTION_LOW), GWL_STYLE) |
                                             GetWindowLongW(GetDlgItem(p, IDC_ENCRYPTION_HIGH), GWL_STYLE)) &
                                                WS_TABSTOP,
                                            0);
                                  Click(p, IDC_ENCRYPTION_HIGH);
                                  EXPECT_EQ(EditedProfile.encryptionLevel, 1);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ENCRYPTION_HIGH), BST_CHECKED);
                                  Click(p, IDC_ENCRYPTION_LOW);
                                  EXPECT_EQ(EditedProfile.encryptionLevel, 0);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ENCRYPTION_LOW), BST_CHECKED);
                                  EXPECT_EQ(IsDlgButtonChecked(p, IDC_ENCRYPTION_HIGH), BST_UNCHECKED);
                              }),
                       PressOk()});
    EXPECT_EQ(Profile(0).encryptionLevel, 0);
}

TEST_F(ProfileSheetTest, PasswordsAreLimitedAndTakenEvenFromDisabledEdits) {
    EditStoredProfile({{L"Security enabled", 1}, {L"User password enabled", 1}},
                      {OnPage(IDD_PROFILE_SECURITY,
                              [](HWND p) {
                                  TypeAtCaret(p, IDC_USER_PASSWORD, std::wstring(40, L'u'));
                                  EXPECT_EQ(ControlText(p, IDC_USER_PASSWORD).size(), 31u);
                                  TypeAtCaret(p, IDC_OWNER_PASSWORD, L"owner");
                                  Click(p, IDC_SECURITY_ENABLE);  // both edits disabled now
                              }),
                       PressOk()});
    EXPECT_EQ(std::wstring(Profile(0).userPassword), std::wstring(31, L'u'));
    EXPECT_STREQ(Profile(0).ownerPassword, L"owner");
    EXPECT_EQ(Profile(0).securityEnabled, 0);
}

TEST_F(ProfileSheetTest, AdvancedListsHoldTheirItemsInOrderAndShowTheStoredChoices) {
    EditStoredProfile(
        {{L"Page Layout", 3}, {L"Page Mode", 2}, {L"Document Compression", 0}, {L"Images Compression", 1},
         {L"JPEG Quality", 80}, {L"PDF Version", 1}, {L"Alternate EMF Rendering", 1}},
        {OnPage(IDD_PROFILE_ADVANCED,
                [](HWND p) {
                    EXPECT_EQ(ComboItems(p, IDC_PAGE_LAYOUT),
                              (Names{L"Single Page", L"Continuous", L"Facing", L"Continuous - Facing"}));
                    EXPECT_EQ(ComboItems(p, IDC_PAGE_MODE),
                              (Names{L"Normal", L"Outlines", L"Thumbnails", L"Full Screen"}));
                    EXPECT_EQ(ComboItems(p, IDC_DOCUMENT_COMPRESSION), (Names{L"None", L"Flate"}));
                    EXPECT_EQ(ComboItems(p, IDC_IMAGES_COMPRESSION),
                              (Names{L"Flate", L"JPEG", L"CCITT3", L"CCITT32d", L"CCITT4"}));
                    EXPECT_EQ(ComboItems(p, IDC_JPEG_QUALITY),
                              (Names{L"0", L"10", L"20", L"30", L"40", L"50", L"60", L"70", L"80", L"90", L"100"}));
                    EXPECT_EQ(ComboItems(p, IDC_PDF_VERSION),
                              (Names{L"v1.3 (Acrobat 4.xx)", L"v1.4 (Acrobat 5.xx)"}));
                    for (int id : {IDC_PAGE_LAYOUT, IDC_PAGE_MODE, IDC_DOCUMENT_COMPRESSION, IDC_IMAGES_COMPRESSION,
                                   IDC_PDF_VERSION}) {
                        EXPECT_EQ(StyleOf(p, id) & 3, CBS_DROPDOWNLIST) << id;
                        EXPECT_EQ(StyleOf(p, id) & CBS_SORT, 0) << id;
                    }
                    EXPECT_EQ(StyleOf(p, IDC_JPEG_QUALITY) & 3, CBS_DROPDOWN);
                    EXPECT_NE(StyleOf(p, IDC_ALTERNATE_EMF) & BS_LEFTTEXT, 0);
                    EXPECT_EQ(ControlText(p, IDC_IMAGES_COMPRESSION_LABEL), L"&Images Compression");
                    EXPECT_EQ(ControlText(p, IDC_JPEG_QUALITY_LABEL), L"&JPEG Quality");

                    EXPECT_EQ(ComboSelection(p, IDC_PAGE_LAYOUT), 3);
                    EXPECT_EQ(ComboSelection(p, IDC_PAGE_MODE), 2);
                    EXPECT_EQ(ComboSelection(p, IDC_DOCUMENT_COMPRESSION), 0);
                    EXPECT_EQ(ComboSelection(p, IDC_IMAGES_COMPRESSION), 1);
                    EXPECT_EQ(ComboSelection(p, IDC_JPEG_QUALITY), 8) << "80 selects its item";
                    EXPECT_EQ(ControlText(p, IDC_JPEG_QUALITY), L"80");
                    EXPECT_TRUE(IsControlEnabled(p, IDC_JPEG_QUALITY));
                    EXPECT_EQ(ComboSelection(p, IDC_PDF_VERSION), 1);
                    EXPECT_EQ(IsDlgButtonChecked(p, IDC_ALTERNATE_EMF), BST_CHECKED);

                    ChooseComboItem(p, IDC_PAGE_LAYOUT, 0);
                    ChooseComboItem(p, IDC_PAGE_MODE, 3);
                    ChooseComboItem(p, IDC_DOCUMENT_COMPRESSION, 1);
                    ChooseComboItem(p, IDC_PDF_VERSION, 0);
                    ChooseComboItem(p, IDC_JPEG_QUALITY, 3);
                    Click(p, IDC_ALTERNATE_EMF);
                }),
         PressOk()});
    EXPECT_EQ(Profile(0).pageLayout, 0);
    EXPECT_EQ(Profile(0).pageMode, 3);
    EXPECT_EQ(Profile(0).documentCompression, 1);
    EXPECT_EQ(Profile(0).pdfVersion, 0);
    EXPECT_EQ(Profile(0).jpegQuality, 30);
    EXPECT_EQ(Profile(0).alternateEmfRendering, 0);
}

TEST_F(ProfileSheetTest, StoredValuesWithoutAnItemSelectNothingAndAreKept) {
    EditStoredProfile({{L"Page Layout", 7}, {L"Page Mode", 0xFFFFFFFF}, {L"PDF Version", 2}},
                      {OnPage(IDD_PROFILE_ADVANCED,
                              [](HWND p) {
                                  EXPECT_EQ(ComboSelection(p, IDC_PAGE_LAYOUT), CB_ERR);
                                  EXPECT_EQ(ComboSelection(p, IDC_PAGE_MODE), CB_ERR);
                                  EXPECT_EQ(ComboSelection(p, IDC_PDF_VERSION), CB_ERR);
                              }),
                       PressOk()});
    EXPECT_EQ(Profile(0).pageLayout, 7);
    EXPECT_EQ(Profile(0).pageMode, -1);
    EXPECT_EQ(Profile(0).pdfVersion, 2);
}

TEST_F(ProfileSheetTest, JpegQualityFollowsTheImagesCompression) {
    EditStoredProfile({{L"Images Compression", 2}},
                      {OnPage(IDD_PROFILE_ADVANCED,
                              [](HWND p) {
                                  EXPECT_TRUE(IsControlEnabled(p, IDC_JPEG_QUALITY)) << "stored CCITT3 opens enabled";
                                  ChooseComboItem(p, IDC_IMAGES_COMPRESSION, 4);
                                  EXPECT_EQ(EditedProfile.imagesCompression, 4);
                                  EXPECT_FALSE(IsControlEnabled(p, IDC_JPEG_QUALITY)) << "chosen CCITT4 disables it";
                                  ChooseComboItem(p, IDC_IMAGES_COMPRESSION, 1);
                                  EXPECT_TRUE(IsControlEnabled(p, IDC_JPEG_QUALITY));
                                  ChooseComboItem(p, IDC_IMAGES_COMPRESSION, 0);
                                  EXPECT_FALSE(IsControlEnabled(p, IDC_JPEG_QUALITY));
                              }),
                       PressOk()});
    EXPECT_EQ(Profile(0).imagesCompression, 0);
}

TEST_F(ProfileSheetTest, AQualityOfEightyFiveIsShownAsText) {
    EditStoredProfile({{L"JPEG Quality", 85}}, {OnPage(IDD_PROFILE_ADVANCED,
                                                       [](HWND p) {
                                                           EXPECT_EQ(ControlText(p, IDC_JPEG_QUALITY), L"85");
                                                           EXPECT_EQ(ComboSelection(p, IDC_JPEG_QUALITY), CB_ERR);
                                                       }),
                                                PressOk()});
    EXPECT_EQ(Profile(0).jpegQuality, 85);
}

// A stored quality the user leaves alone is kept as stored, whatever the box shows.
TEST_F(ProfileSheetTest, AStoredQualityOfMinusFiveSelectsZeroAndIsKept) {
    EditStoredProfile({{L"JPEG Quality", static_cast<DWORD>(-5)}},
                      {OnPage(IDD_PROFILE_ADVANCED,
                              [](HWND p) {
                                  EXPECT_EQ(ComboSelection(p, IDC_JPEG_QUALITY), 0);
                                  EXPECT_EQ(ControlText(p, IDC_JPEG_QUALITY), L"0");
                              }),
                       PressOk()});
    EXPECT_EQ(Profile(0).jpegQuality, -5) << "accepted at the first OK, and not edited";
}

TEST_F(ProfileSheetTest, TypedQualityOutOfRangeIsReplacedByEightyAndKeepsTheSheetOpen) {
    HWND advanced = nullptr, shownAfterRefusal = nullptr;
    std::wstring textAfterRefusal;
    int qualityWhileTyped = -1;
    int seen = EditStoredProfile(
        {{L"Images Compression", 1}},
        {OnPage(IDD_PROFILE_ADVANCED,
                [&](HWND p) {
                    advanced = p;
                    TypeOver(p, IDC_JPEG_QUALITY, L"150");
                    qualityWhileTyped = EditedProfile.jpegQuality;
                    TypeOver(p, IDC_JPEG_QUALITY, L"45");
                    EXPECT_EQ(EditedProfile.jpegQuality, 45);
                    TypeOver(p, IDC_JPEG_QUALITY, L"150");
                }),
         [](HWND s) {
             ShowSheetPage(s, IDD_PROFILE_DESCRIPTION);  // OK from Description: the sheet goes back to Advanced
             PressSheetButton(s, PSBTN_OK);
         },
         [&](HWND s) {
             shownAfterRefusal = PropSheet_GetCurrentPageHwnd(s);
             textAfterRefusal = ControlText(advanced, IDC_JPEG_QUALITY);
             TypeOver(advanced, IDC_JPEG_QUALITY, L"0");
         },
         PressOk()});
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(qualityWhileTyped, 80) << "a typed 150 gives 80 at once";
    EXPECT_EQ(shownAfterRefusal, advanced);
    EXPECT_EQ(textAfterRefusal, L"80");
    EXPECT_EQ(Profile(0).jpegQuality, 0) << "0 is accepted";
}

TEST_F(ProfileSheetTest, StoredQualityOutOfRangeIsShownAndKeptUnlessEdited) {
    std::wstring shown;
    EditStoredProfile({{L"JPEG Quality", 150}},
                      {OnPage(IDD_PROFILE_ADVANCED, [&](HWND p) { shown = ControlText(p, IDC_JPEG_QUALITY); }),
                       PressOk()});
    EXPECT_EQ(shown, L"150");
    EXPECT_EQ(Profile(0).jpegQuality, 150) << "accepted at the first OK";
}

TEST_F(ProfileSheetTest, TextThatIsNoNumberReadsAsZeroAndIsAccepted) {
    int qualityWhileTyped = -1;
    EditStoredProfile({{L"Images Compression", 1}, {L"JPEG Quality", 50}},
                      {OnPage(IDD_PROFILE_ADVANCED,
                              [&](HWND p) {
                                  TypeOver(p, IDC_JPEG_QUALITY, L"high");
                                  qualityWhileTyped = EditedProfile.jpegQuality;
                              }),
                       PressOk()});
    EXPECT_EQ(qualityWhileTyped, 0);
    EXPECT_EQ(Profile(0).jpegQuality, 0) << "accepted at the first OK";
}

TEST_F(ProfileSheetTest, PagesNeverShownKeepTheProfilesValues) {
    EditStoredProfile({{L"Encryption Level", 2}, {L"JPEG Quality", 150}, {L"Page Layout", 7}},
                      {TypeProfileName(L"Renamed"), PressOk()});
    EXPECT_STREQ(Profile(0).name, L"Renamed");
    EXPECT_EQ(Profile(0).encryptionLevel, 2);
    EXPECT_EQ(Profile(0).jpegQuality, 150);
    EXPECT_EQ(Profile(0).pageLayout, 7);
}

TEST_F(ProfileSheetTest, ASheetEndedByQuitConfirmsNothing) {
    ASSERT_NE(OpenPdfPage(), nullptr);
    EXPECT_EQ(ClickAndDriveProfileSheet(IDC_PDF_NEW, {TypeProfileName(L"Never"), [](HWND) { PostQuitMessage(0); }}), 1);
    EXPECT_EQ(Entries(), (Names{L"Default"}));
    EXPECT_FALSE(sheet().ApplyEnabled());
}

}  // namespace
