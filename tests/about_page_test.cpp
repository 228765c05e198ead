#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/about.h"
#include "app/sheet_internal.h"
#include "base/display_scale.h"
#include "base/handles.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/registry_fixture.h"

namespace {

// The maker's line below the version.
constexpr wchar_t MakerLine[] = L"Lumarel Printer, a virtual printer by Lumarel Software";

TEST(AboutText, VersionThenEmptyLineThenMaker) {
    EXPECT_EQ(ComposeVersionText(L"1.0"), std::wstring(L"Version 1.0\n\n") + MakerLine);
    EXPECT_EQ(ComposeVersionText(L"A&B").substr(0, 14), L"Version A&&B\n\n");
    EXPECT_EQ(ComposeVersionText(L"&&").substr(0, 14), L"Version &&&&\n\n");
}

class AboutPageTest : public InstalledRegistryTest {};

TEST_F(AboutPageTest, ShowsNameVersionAndSite) {
    SetText(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Version", L"3.1 R&D");
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_ABOUT_PAGE);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(ControlText(page, IDC_ABOUT_BANNER), L"Lumarel Printer");
    EXPECT_EQ(ControlText(page, IDC_ABOUT_VERSION), std::wstring(L"Version 3.1 R&&D\n\n") + MakerLine);
    EXPECT_EQ(ControlText(page, IDC_ABOUT_WEBSITE), L"&www.lumarel.example");
    EXPECT_EQ(Settings.LastViewedPage, sheet.IndexOf(page));
    // About is always the last page.
    EXPECT_EQ(sheet.IndexOf(page) + 1, static_cast<int>(TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet.window()))));
}

TEST_F(AboutPageTest, DefaultVersion) {
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet({1, 1, VER_PLATFORM_WIN32_NT, 1, 1, 1});
    HWND page = sheet.CurrentPage();
    ASSERT_NE(GetDlgItem(page, IDC_ABOUT_VERSION), nullptr) << "About alone";
    EXPECT_EQ(ControlText(page, IDC_ABOUT_VERSION), std::wstring(L"Version 1.0\n\n") + MakerLine);
}

TEST_F(AboutPageTest, BannerIsPaintedByTheProgram) {
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_ABOUT_PAGE);
    HWND banner = GetDlgItem(page, IDC_ABOUT_BANNER);
    WNDCLASSW staticClass{};
    GetClassInfoW(nullptr, L"Static", &staticClass);
    EXPECT_NE(GetWindowLongPtrW(banner, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(staticClass.lpfnWndProc));
}

// What the web button asked of the shell, recorded in place of ShellExecuteW.
struct ShellRequest {
    HWND owner;
    std::optional<std::wstring> verb, file, parameters, directory;
    INT show;
};
std::vector<ShellRequest> ShellRequests;

std::optional<std::wstring> Text(const wchar_t* text) {
    return text ? std::optional<std::wstring>(text) : std::nullopt;
}

HINSTANCE WINAPI RecordShellRequest(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                    INT show) {
    ShellRequests.push_back({owner, Text(verb), Text(file), Text(parameters), Text(directory), show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));  // above 32: done
}

TEST_F(AboutPageTest, WebButtonAsksTheShellToOpenTheSite) {
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_ABOUT_PAGE);
    ASSERT_NE(page, nullptr);
    const auto bound = ShellExecuteForWebSite;
    ShellExecuteForWebSite = RecordShellRequest;
    ShellRequests.clear();
    Click(page, IDC_ABOUT_WEBSITE);
    ShellExecuteForWebSite = bound;
    ASSERT_EQ(ShellRequests.size(), 1u);
    const ShellRequest& request = ShellRequests[0];
    EXPECT_EQ(request.owner, nullptr);
    EXPECT_EQ(request.verb, std::optional<std::wstring>(L"open"));
    EXPECT_EQ(request.file, std::optional<std::wstring>(L"https://www.lumarel.example/"));
    EXPECT_EQ(request.parameters, std::nullopt);
    EXPECT_EQ(request.directory, std::nullopt);
    EXPECT_EQ(request.show, SW_SHOWNORMAL);
}

// Draws into a bitmap and looks at the pixels: grey everywhere, white text only from
// 8 pixels on, and the text centred vertically.
TEST(Banner, WhiteTextOnGreyEightPixelsIn) {
    const int width = 200, height = 40;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    {
        SelectedObject selected(dc, bitmap.get());
        RECT area{0, 0, width, height};
        DrawBanner(dc, area, L"Lumarel Printer", ScreenDpi());
        const COLORREF grey = GetPixel(dc, 0, 0);
        EXPECT_EQ(grey, RGB(128, 128, 128));
        int firstWhiteX = width, topWhite = height, bottomWhite = -1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                if (c == RGB(255, 255, 255)) {
                    if (x < firstWhiteX) firstWhiteX = x;
                    if (y < topWhite) topWhite = y;
                    if (y > bottomWhite) bottomWhite = y;
                } else {
                    EXPECT_TRUE(c == grey || GetRValue(c) > 128) << "only grey and text at " << x << "," << y;
                }
            }
        ASSERT_LT(firstWhiteX, width) << "the text is drawn";
        EXPECT_NEAR((topWhite + bottomWhite) / 2.0, height / 2.0, 3.0);

        // The same text drawn plainly from the left edge: the banner's starts 8 pixels further in.
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SetTextColor(dc, RGB(255, 255, 255));
        SelectedObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
        DrawTextW(dc, L"Lumarel Printer", -1, &area, DT_SINGLELINE | DT_VCENTER);
        int plainFirstWhiteX = width;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < plainFirstWhiteX; ++x)
                if (GetPixel(dc, x, y) == RGB(255, 255, 255)) plainFirstWhiteX = x;
        EXPECT_EQ(firstWhiteX, plainFirstWhiteX + 8);
    }
    DeleteDC(dc);
}

}  // namespace
