// A PDF profile made in properties.exe through both sheets, kept across a restart.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "pdf/password_cipher.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "tests/support/process_driver.h"
#include "tests/support/registry_fixture.h"

namespace {

constexpr wchar_t ProfileSheetTitle[] = L"PDF Profile Properties";
constexpr int ImagesCompressionJpeg = 1;

std::optional<LRESULT> Result(LRESULT value) { return value; }
std::optional<DWORD> Dword(DWORD value) { return value; }

std::optional<DWORD> ProfileDword(int index, const wchar_t* field) {
    return ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(index, field).c_str());
}

// The page of the nested sheet at `index`, made current.
HWND SelectNestedPage(HWND nested, int index) {
    if (!SendWithTimeout(nested, PSM_SETCURSEL, static_cast<WPARAM>(index), 0)) return nullptr;
    return reinterpret_cast<HWND>(SendWithTimeout(nested, PSM_GETCURRENTPAGEHWND, 0, 0).value_or(0));
}

void PostTypingOver(HWND edit, const std::wstring& text) {
    SendWithTimeout(edit, EM_SETSEL, 0, -1);
    ASSERT_TRUE(PostTypingAtCaret(edit, text));
}

// Waits until the queued typing has reached the edit.
bool WaitForText(HWND window, const std::wstring& text) {
    return WaitUntil([&] { return RemoteText(window) == text; }, WindowTimeoutMs);
}

bool CloseNested(HWND nested, int button) {
    PostMessageW(nested, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    return WaitUntil([&] { return !IsWindow(nested); }, WindowTimeoutMs);
}

class PdfProfileEndToEnd : public RegistryTest {};

TEST_F(PdfProfileEndToEnd, ProfileWithPasswordAndJpegSurvivesARestart) {
    const std::wstring name = L"Scans";
    const std::wstring password = L"Open sesame 7";
    {
        ProgramUnderTest program;
        ASSERT_NE(program.waitForSheet(), nullptr);
        ASSERT_GE(program.showPage(IDD_PDF_PAGE), 0);
        ASSERT_TRUE(program.click(IDC_PDF_SAVE));
        ASSERT_TRUE(program.postClick(IDC_PDF_NEW));
        HWND nested = program.waitForWindowTitled(ProfileSheetTitle);
        ASSERT_NE(nested, nullptr);

        HWND description = SelectNestedPage(nested, 0);
        ASSERT_NE(description, nullptr);
        HWND nameEdit = GetDlgItem(description, IDC_PROFILE_NAME);
        ASSERT_NO_FATAL_FAILURE(PostTypingOver(nameEdit, name));
        ASSERT_TRUE(WaitForText(nameEdit, name));

        HWND security = SelectNestedPage(nested, 1);
        ASSERT_NE(GetDlgItem(security, IDC_SECURITY_ENABLE), nullptr);
        SendWithTimeout(GetDlgItem(security, IDC_SECURITY_ENABLE), BM_CLICK, 0, 0);
        SendWithTimeout(GetDlgItem(security, IDC_USER_PASSWORD_ENABLE), BM_CLICK, 0, 0);
        HWND passwordEdit = GetDlgItem(security, IDC_USER_PASSWORD);
        EXPECT_TRUE(IsWindowEnabled(passwordEdit));
        ASSERT_NO_FATAL_FAILURE(PostTypingOver(passwordEdit, password));
        ASSERT_TRUE(WaitUntil(
            [&] { return SendWithTimeout(passwordEdit, WM_GETTEXTLENGTH, 0, 0) == Result(LRESULT(password.size())); },
            WindowTimeoutMs));

        HWND advanced = SelectNestedPage(nested, 2);
        HWND images = GetDlgItem(advanced, IDC_IMAGES_COMPRESSION);
        ASSERT_NE(images, nullptr);
        SendWithTimeout(images, CB_SETCURSEL, ImagesCompressionJpeg, 0);
        SendWithTimeout(advanced, WM_COMMAND, MAKEWPARAM(IDC_IMAGES_COMPRESSION, CBN_SELENDOK),
                        reinterpret_cast<LPARAM>(images));
        HWND quality = GetDlgItem(advanced, IDC_JPEG_QUALITY);
        EXPECT_TRUE(IsWindowEnabled(quality));
        HWND qualityEdit = FindWindowExW(quality, nullptr, L"Edit", nullptr);
        ASSERT_NE(qualityEdit, nullptr);
        ASSERT_NO_FATAL_FAILURE(PostTypingOver(qualityEdit, L"65"));
        ASSERT_TRUE(WaitForText(qualityEdit, L"65"));

        ASSERT_TRUE(CloseNested(nested, PSBTN_OK)) << "the profile sheet did not accept OK";
        EXPECT_FALSE(ProfileDword(1, L"JPEG Quality").has_value()) << "stored before the main sheet's OK";
        ASSERT_TRUE(program.pressButton(PSBTN_OK));
        EXPECT_EQ(program.waitForExit(), Dword(0));
        EXPECT_TRUE(program.boxesSeen().empty());
    }

    // What the driver will read.
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled"), Dword(1));
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count"), Dword(2));
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile"), Dword(1));
    EXPECT_EQ(ProfileDword(1, L"Security enabled"), Dword(1));
    EXPECT_EQ(ProfileDword(1, L"User password enabled"), Dword(1));
    EXPECT_EQ(ProfileDword(1, L"Images Compression"), Dword(ImagesCompressionJpeg));
    EXPECT_EQ(ProfileDword(1, L"JPEG Quality"), Dword(65));
    auto blob = ReadStored(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(1, L"User password").c_str());
    ASSERT_TRUE(blob.has_value());
    ASSERT_EQ(blob->bytes.size(), PasswordBlobBytes);
    const std::string clear(reinterpret_cast<const char*>(password.data()), password.size() * sizeof(wchar_t));
    EXPECT_EQ(std::string(blob->bytes.begin(), blob->bytes.end()).find(clear), std::string::npos);
    wchar_t deciphered[PasswordUnits];
    DecryptPasswordBlob(blob->bytes.data(), deciphered);
    EXPECT_EQ(std::wstring(deciphered), password);

    // The next run shows it all again.
    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    ASSERT_GE(program.showPage(IDD_PDF_PAGE), 0);
    EXPECT_EQ(program.checkState(IDC_PDF_SAVE), Result(BST_CHECKED));
    HWND list = GetDlgItem(program.currentPage(), IDC_PDF_PROFILE_LIST);
    EXPECT_EQ(SendWithTimeout(list, LB_GETCOUNT, 0, 0), Result(2));
    EXPECT_EQ(SendWithTimeout(list, LB_GETCURSEL, 0, 0), Result(1));
    ASSERT_TRUE(program.postClick(IDC_PDF_EDIT));
    HWND nested = program.waitForWindowTitled(ProfileSheetTitle);
    ASSERT_NE(nested, nullptr);
    HWND description = SelectNestedPage(nested, 0);
    EXPECT_EQ(RemoteText(GetDlgItem(description, IDC_PROFILE_NAME)), name);
    HWND security = SelectNestedPage(nested, 1);
    EXPECT_EQ(SendWithTimeout(GetDlgItem(security, IDC_SECURITY_ENABLE), BM_GETCHECK, 0, 0), Result(BST_CHECKED));
    EXPECT_EQ(SendWithTimeout(GetDlgItem(security, IDC_USER_PASSWORD_ENABLE), BM_GETCHECK, 0, 0),
              Result(BST_CHECKED));
    EXPECT_EQ(RemoteText(GetDlgItem(security, IDC_USER_PASSWORD)), password);
    HWND advanced = SelectNestedPage(nested, 2);
    EXPECT_EQ(SendWithTimeout(GetDlgItem(advanced, IDC_IMAGES_COMPRESSION), CB_GETCURSEL, 0, 0),
              Result(ImagesCompressionJpeg));
    EXPECT_EQ(RemoteText(GetDlgItem(advanced, IDC_JPEG_QUALITY)), L"65");
    ASSERT_TRUE(CloseNested(nested, PSBTN_CANCEL));
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), Dword(0));
}

}  // namespace
