#include "app/sheet.h"
#include "app/sheet_internal.h"

#include <cstring>
#include <cwchar>
#include <tuple>

#include "app/about.h"
#include "base/accessible_names.h"
#include "base/display_scale.h"
#include "base/globals.h"
#include "base/registry.h"
#include "base/windows_version.h"
#include "device/device_pages.h"
#include "device/printer_access.h"
#include "handoff/handoff_pages.h"
#include "pdf/pdf_page.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

// The sheet's icons (SetSheetIcons), held until the sheet has closed (SheetScope).
UniqueIcon SheetSmallIcon;
UniqueIcon SheetBigIcon;
bool ButtonPressReported = false;

struct PageTableRow {
    SheetPage page;
    int templateId;
    DLGPROC proc;
    UINT titleId;
};

// Sheet order. A tab shows its template's caption, but for Paper's: its tab is titled
// shorter than its template.
const PageTableRow PageTable[] = {
    {SheetPage::General, IDD_GENERAL_PAGE, GeneralPageProc, 0},
    {SheetPage::Paper, IDD_PAPER_PAGE, PaperPageProc, IDS_PAPER_TAB},
    {SheetPage::Agent, IDD_AGENT_PAGE, AgentPageProc, 0},
    {SheetPage::Emf, IDD_EMF_PAGE, EmfPageProc, 0},
    {SheetPage::Pdf, IDD_PDF_PAGE, PdfPageProc, 0},
    {SheetPage::About, IDD_ABOUT_PAGE, AboutPageProc, 0},
};

bool IsPresent(SheetPage page, const SheetConditions& c) {
    switch (page) {
        case SheetPage::General: return !c.noGeneral;
        case SheetPage::Paper: return !c.noPaper && c.platformId == VER_PLATFORM_WIN32_NT;
        case SheetPage::Agent: return !c.agentHidePage;
        case SheetPage::Emf: return !c.emfHidePage;
        case SheetPage::Pdf: return !c.pdfHidePage;
        case SheetPage::About: return true;
    }
    return false;
}

// The icons at the sizes the display scale `dpi` asks for (icon 121 has images for
// 100, 150 and 200 %).
void SetSheetIcons(HWND sheet, int dpi) {
    // The new icons are in place before the ones the sheet still shows are destroyed.
    for (auto [which, metric, owned] : {std::tuple{ICON_SMALL, SM_CXSMICON, &SheetSmallIcon},
                                        std::tuple{ICON_BIG, SM_CXICON, &SheetBigIcon}}) {
        const int size = SystemMetricForDpi(metric, dpi);
        UniqueIcon icon(
            static_cast<HICON>(LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_PRINTER), IMAGE_ICON, size, size, 0)));
        SendMessageW(sheet, WM_SETICON, which, reinterpret_cast<LPARAM>(icon.get()));
        *owned = std::move(icon);
    }
}

// Follows the sheet to a monitor of another scale (new icons of that scale's sizes) and
// into or out of a high-contrast theme (the pictures the pages draw are drawn anew).
LRESULT CALLBACK SheetDisplaySubclass(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(sheet, SheetDisplaySubclass, 0);
    const LRESULT result = DefSubclassProc(sheet, message, wParam, lParam);
    if (message == WM_DPICHANGED) SetSheetIcons(sheet, LOWORD(wParam));  // the new scale
    if (message == WM_SETTINGCHANGE && wParam == SPI_SETHIGHCONTRAST)
        RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return result;
}

}  // namespace

std::vector<SheetPage> PresentPageKinds(const SheetConditions& conditions) {
    std::vector<SheetPage> kinds;
    for (const PageTableRow& row : PageTable)
        if (IsPresent(row.page, conditions)) kinds.push_back(row.page);
    return kinds;
}

std::vector<PageSlot> PresentPages(const SheetConditions& conditions) {
    std::vector<PageSlot> slots;
    for (const PageTableRow& row : PageTable)
        if (IsPresent(row.page, conditions)) slots.push_back({row.templateId, row.proc, row.titleId});
    return slots;
}

int StartPage(int lastViewedPage, int pageCount) {
    return (lastViewedPage >= 0 && lastViewedPage < pageCount) ? lastViewedPage : 0;
}

void AdjustSheetTemplate(void* dialogTemplate) { ChangeTemplateStyle(dialogTemplate, DS_CONTEXTHELP, DS_CENTER); }

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam) {
    switch (message) {
        case PSCB_PRECREATE:
            if (lParam) AdjustSheetTemplate(reinterpret_cast<void*>(lParam));
            break;
        case PSCB_INITIALIZED:
            if (sheet) {
                SetSheetIcons(sheet, WindowDpi(sheet));
                SetWindowSubclass(sheet, SheetDisplaySubclass, 0, 0);
            }
            break;
        case PSCB_BUTTONPRESSED:
            ButtonPressReported = true;
            StoreLastViewedPage();
            break;
    }
    return 0;
}

PROPSHEETHEADERW MakeSheetHeader(std::vector<HPROPSHEETPAGE>& pages, int startPage) {
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPTITLE | PSH_USECALLBACK;
    header.hInstance = AppInstance;
    header.pszCaption = PrinterName;
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = pages.data();
    header.pfnCallback = SheetCallback;
    header.nStartPage = static_cast<UINT>(startPage);
    return header;
}

SheetGuard::SheetGuard() {
    wchar_t name[MAX_PATH];
    _snwprintf(name, MAX_PATH, L"%s_properties_mutex", PrinterName);
    name[MAX_PATH - 1] = L'\0';
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name));
    // Read at once, whatever CreateMutexW returned: a name held by another session's
    // object, or with a DACL that refuses us, fails with ERROR_ACCESS_DENIED.
    const DWORD status = GetLastError();
    if (status == ERROR_ALREADY_EXISTS || status == ERROR_ACCESS_DENIED) return;
    mutex_ = std::move(mutex);
    taken_ = true;
}

void StoreLastViewedPage() {
    UniqueRegKey key;
    if (CreateKeyForWrite(HKEY_CURRENT_USER, FormatWithKeyName(UserKeyFormat), key) != ERROR_SUCCESS) return;
    WriteDwordValue(key.get(), L"Last Viewed Page", static_cast<DWORD>(Settings.LastViewedPage));
}

bool SheetReportedButtonPress() { return ButtonPressReported; }
void ResetButtonPressReport() { ButtonPressReported = false; }

namespace {

// Non-zero while a sheet of this process is open. The pages keep their state in
// process-wide variables, so a second sheet would take the first one's lists away.
LONG SheetOpen = 0;

class SheetOpenClaim {
public:
    SheetOpenClaim() : claimed_(InterlockedCompareExchange(&SheetOpen, 1, 0) == 0) {}
    ~SheetOpenClaim() {
        if (claimed_) InterlockedExchange(&SheetOpen, 0);
    }
    SheetOpenClaim(const SheetOpenClaim&) = delete;
    SheetOpenClaim& operator=(const SheetOpenClaim&) = delete;
    bool claimed() const { return claimed_; }

private:
    bool claimed_;
};

class SheetIcons {
public:
    SheetIcons() = default;
    ~SheetIcons() {
        SheetSmallIcon.reset();
        SheetBigIcon.reset();
    }
    SheetIcons(const SheetIcons&) = delete;
    SheetIcons& operator=(const SheetIcons&) = delete;
};

// What lives while the sheet is open, released when it has closed, on every path: the
// orientation pictures, the sheet's icons (made when the sheet starts and at a change of
// scale) and COM for screen readers (set up at the first request that needs it). The
// single-instance guard is the caller's (SheetGuard), as it may be needed without a sheet.
struct SheetScope {
    OrientationBitmaps bitmaps;
    SheetIcons icons;
    ScreenReaderApartment screenReaders;
};

}  // namespace

int LoadSheetSettings() {
    Failure failure;
    if (LoadSettings(failure) && LoadPdfProfiles(failure)) return 1;
    ShowFailure(failure, nullptr);
    return 0;
}

int RunPropertySheet(int noGeneral, int noPaper) {
    SheetOpenClaim claim;
    if (!claim.claimed()) return SheetAlreadyOpen;

    SheetScope scope;
    CanAdministerPrinter = TRUE;
    ResetButtonPressReport();

    DWORD platformId = WindowsVersion().dwPlatformId;
    // Every call starts from an empty block, not from what an earlier call loaded.
    ResetSettings();
    if (!LoadSheetSettings()) return SettingsNotLoaded;

    SheetConditions conditions{noGeneral, noPaper, platformId, Settings.AgentHidePage, Settings.EmfHidePage,
                               Settings.PdfHidePage};
    std::vector<HPROPSHEETPAGE> pages = CreatePages(PresentPages(conditions));
    PROPSHEETHEADERW header = MakeSheetHeader(pages, StartPage(Settings.LastViewedPage, static_cast<int>(pages.size())));

    PropertySheetW(&header);
    // Some platforms never report button presses to the callback; the page viewed
    // last is then stored once the sheet has closed.
    if (!SheetReportedButtonPress()) StoreLastViewedPage();
    return SheetClosed;
}
