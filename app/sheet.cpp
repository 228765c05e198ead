#include "app/sheet.h"

#include <cstring>
#include <tuple>

#include "app/display_scale.h"
#include "app/globals.h"
#include "app/pages.h"
#include "device/printer_access.h"
#include "res/resource.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace {

// The sheet's icons live until the sheet has closed.
UniqueIcon SheetSmallIcon;
UniqueIcon SheetBigIcon;
bool ButtonPressReported = false;

struct PageTableRow {
    SheetPage page;
    int templateId;
    DLGPROC proc;
    const wchar_t* title;
};

// Sheet order. General keeps its template's caption; Paper's template caption is not used.
const PageTableRow PageTable[] = {
    {SheetPage::General, IDD_GENERAL_PAGE, GeneralPageProc, nullptr},
    {SheetPage::Paper, IDD_PAPER_PAGE, PaperPageProc, L"Paper"},
    {SheetPage::Agent, IDD_AGENT_PAGE, AgentPageProc, L"Agent"},
    {SheetPage::Emf, IDD_EMF_PAGE, EmfPageProc, L"EMF"},
    {SheetPage::Pdf, IDD_PDF_PAGE, PdfPageProc, L"PDF"},
    {SheetPage::About, IDD_ABOUT_PAGE, AboutPageProc, L"About"},
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

// Follows the sheet to a monitor of another scale: new icons of that scale's sizes.
LRESULT CALLBACK SheetScaleSubclass(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(sheet, SheetScaleSubclass, 0);
    const LRESULT result = DefSubclassProc(sheet, message, wParam, lParam);
    if (message == WM_DPICHANGED) SetSheetIcons(sheet, LOWORD(wParam));  // the new scale
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
        if (IsPresent(row.page, conditions)) slots.push_back({row.templateId, row.proc, row.title});
    return slots;
}

int StartPage(int lastViewedPage, int pageCount) {
    return (lastViewedPage >= 0 && lastViewedPage < pageCount) ? lastViewedPage : 0;
}

void ChangeTemplateStyle(void* dialogTemplate, DWORD remove, DWORD add) {
    auto* bytes = static_cast<unsigned char*>(dialogTemplate);
    WORD signature;
    std::memcpy(&signature, bytes + 2, sizeof signature);
    unsigned char* styleField = bytes + (signature == 0xFFFF ? 12 : 0);
    DWORD style;
    std::memcpy(&style, styleField, sizeof style);
    style = (style & ~remove) | add;
    std::memcpy(styleField, &style, sizeof style);
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
                SetWindowSubclass(sheet, SheetScaleSubclass, 0, 0);
            }
            break;
        case PSCB_BUTTONPRESSED:
            ButtonPressReported = true;
            StoreLastViewedPage();
            break;
    }
    return 0;
}

std::vector<HPROPSHEETPAGE> CreatePages(const std::vector<PageSlot>& slots) {
    std::vector<HPROPSHEETPAGE> pages;
    for (const PageSlot& slot : slots) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.hInstance = AppInstance;
        page.pszTemplate = MAKEINTRESOURCEW(slot.templateId);
        page.pfnDlgProc = slot.proc;
        if (slot.title) {
            page.dwFlags = PSP_USETITLE;
            page.pszTitle = slot.title;
        }
        pages.push_back(CreatePropertySheetPageW(&page));
    }
    return pages;
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

void StoreLastViewedPage() {
    UniqueRegKey key;
    if (CreateKeyForWrite(HKEY_CURRENT_USER, FormatWithKeyName(UserKeyFormat), key) != ERROR_SUCCESS) return;
    WriteDwordValue(key.get(), L"Last Viewed Page", static_cast<DWORD>(Settings.LastViewedPage));
}

bool SheetReportedButtonPress() { return ButtonPressReported; }
void ResetButtonPressReport() { ButtonPressReported = false; }

void RecordLastViewedPage(HWND page) {
    Settings.LastViewedPage =
        static_cast<int>(SendMessageW(GetParent(page), PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

void MarkPageChanged(HWND page) { SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0); }

void MarkPageChanged(HWND page, bool& changedFlag) {
    changedFlag = true;
    MarkPageChanged(page);
}

DWORD CheckBoxValue(HWND page, int controlId) { return IsDlgButtonChecked(page, controlId) == BST_CHECKED ? 1 : 0; }

void CheckRadioChoice(HWND dialog, std::initializer_list<int> buttons, int choice) {
    int index = 0;
    for (int button : buttons) CheckDlgButton(dialog, button, index++ == choice ? BST_CHECKED : BST_UNCHECKED);
    // A radio button takes the group's tab stop when checked and loses it when cleared:
    // with none checked, the first one gets it back.
    if (choice < 0 || choice >= static_cast<int>(buttons.size())) {
        HWND first = GetDlgItem(dialog, *buttons.begin());
        SetWindowLongW(first, GWL_STYLE, GetWindowLongW(first, GWL_STYLE) | WS_TABSTOP);
    }
}

void ChooseRadioReachedByArrow(HWND dialog, WPARAM command) {
    if (HIWORD(command) != BN_SETFOCUS) return;
    bool arrow = false;
    for (int key : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}) arrow = arrow || (GetKeyState(key) & 0x8000);
    HWND button = GetDlgItem(dialog, LOWORD(command));
    if (!arrow || (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) != BS_RADIOBUTTON ||
        SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
        return;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(LOWORD(command), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

INT_PTR AcceptApply(HWND page) {
    SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
    SendMessageW(GetParent(page), PSM_UNCHANGED, reinterpret_cast<WPARAM>(page), 0);
    return TRUE;
}

INT_PTR OnSettingsPageNotify(HWND page, const NMHDR& notification, void (*apply)(HWND page)) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            RecordLastViewedPage(page);
            return FALSE;
        case PSN_APPLY:
            apply(page);
            return AcceptApply(page);
    }
    return FALSE;
}

// The module that holds this code and its resources: properties.exe, properties.dll or
// a test program.
extern "C" IMAGE_DOS_HEADER __ImageBase;

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

// The entry point loads the orientation pictures; a call through the export loads them
// here. Either way they are freed when the sheet has closed.
void LoadOrientationBitmaps() {
    if (!PortraitBitmap) PortraitBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_PORTRAIT)));
    if (!LandscapeBitmap) LandscapeBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_LANDSCAPE)));
}

void ReleaseSheetResources() {
    SheetSmallIcon.reset();
    SheetBigIcon.reset();
    PortraitBitmap.reset();
    LandscapeBitmap.reset();
    PropertiesMutex.reset();
}

}  // namespace

int RunPropertySheet(int noGeneral, int noPaper) {
    SheetOpenClaim claim;
    if (!claim.claimed()) return SheetAlreadyOpen;

    // Resources always come from this module, never from a host that called the export.
    InitProcessGlobals(reinterpret_cast<HINSTANCE>(&__ImageBase));
    LoadOrientationBitmaps();
    CanAdministerPrinter = TRUE;
    ResetButtonPressReport();

    DWORD platformId = WindowsVersion().dwPlatformId;
    // Every call starts from an empty block, not from what an earlier call loaded.
    ResetSettings();
    if (!LoadSettings()) {
        ReleaseSheetResources();
        return SettingsNotLoaded;
    }

    SheetConditions conditions{noGeneral, noPaper, platformId, Settings.AgentHidePage, Settings.EmfHidePage,
                               Settings.PdfHidePage};
    std::vector<HPROPSHEETPAGE> pages = CreatePages(PresentPages(conditions));
    PROPSHEETHEADERW header = MakeSheetHeader(pages, StartPage(Settings.LastViewedPage, static_cast<int>(pages.size())));

    PropertySheetW(&header);
    // Some platforms never report button presses to the callback; the page viewed
    // last is then stored once the sheet has closed.
    if (!SheetReportedButtonPress()) StoreLastViewedPage();

    ReleaseSheetResources();
    return SheetClosed;
}
