// A host program's view of the module: this program carries none of the module's
// resources, loads properties.dll (and properties.exe) by full path and finds
// ShowProperties by name, as another vendor's program would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "base/handles.h"
#include "tests/support/dialog_input.h"
#include "tests/support/modal_driver.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/process_driver.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/resource_counters.h"

namespace {

using ShowPropertiesFunction = int(WINAPI*)(int noGeneral, int noPaper);

// ShowProperties(1, 1) from a thread of its own (a Win32 thread: the toolchain's thread
// model has no std::thread).
struct ThreadCall {
    ShowPropertiesFunction show;
    int result;
};

DWORD WINAPI ShowOnThread(void* parameter) {
    ThreadCall* call = static_cast<ThreadCall*>(parameter);
    call->result = call->show(1, 1);
    return 0;
}

int ShowFromAnotherThread(ShowPropertiesFunction show) {
    ThreadCall call{show, -1};
    UniqueHandle thread(CreateThread(nullptr, 0, ShowOnThread, &call, 0, nullptr));
    if (!thread) return -1;
    WaitForSingleObject(thread.get(), INFINITE);
    return call.result;
}

// What ShowProperties returns (see the README).
constexpr int SheetClosed = 0;
constexpr int SheetAlreadyOpen = 2;
constexpr int NotInProgramProcess = 3;

// The title the common controls compose for the printer's name (Wine's wording).
constexpr wchar_t SheetTitle[] = L"Properties for Lumarel Printer";

const std::vector<std::wstring> AllTabs = {L"General", L"Paper", L"Agent", L"EMF", L"PDF", L"About"};
constexpr int EmfPageIndex = 3;
constexpr int AboutPageIndex = 5;

class LoadedModule {
public:
    explicit LoadedModule(const wchar_t* fileName) : module_(LoadLibraryW((TestProgramDirectory() + fileName).c_str())) {}
    ~LoadedModule() {
        if (module_) FreeLibrary(module_);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    HMODULE get() const { return module_; }
    ShowPropertiesFunction showProperties() const {
        return reinterpret_cast<ShowPropertiesFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(module_, "ShowProperties")));
    }

private:
    HMODULE module_;
};

int CurrentPageIndex(HWND sheet) {
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    return static_cast<int>(SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

// The General page's orientation picture is drawn: the page fills the control with its
// face colour and puts the picture in the middle (nothing drawn leaves neither).
bool OrientationPictureIsDrawn(HWND sheet) {
    HWND page = ShowSheetPage(sheet, IDD_GENERAL_PAGE);
    if (!page) return false;
    HWND picture = GetDlgItem(page, IDC_ORIENTATION_PICTURE);
    UpdateWindow(page);
    UpdateWindow(picture);
    RECT area;
    GetClientRect(picture, &area);
    HDC dc = GetDC(picture);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int facePixels = 0, picturePixels = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) ++(GetPixel(dc, x, y) == face ? facePixels : picturePixels);
    ReleaseDC(picture, dc);
    return facePixels > 100 && picturePixels > 100;
}

struct TitleSearch {
    const std::wstring* title;
    int found;
};

BOOL CALLBACK CountIfTitled(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TitleSearch*>(data);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (IsWindowVisible(window) && *search->title == text) ++search->found;
    return TRUE;
}

int VisibleWindowsTitled(const std::wstring& title) {
    TitleSearch search{&title, 0};
    EnumThreadWindows(GetCurrentThreadId(), CountIfTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CancelIfVisible(HWND window, LPARAM) {
    if (IsWindowVisible(window)) PostCancel(window);
    return TRUE;
}

// A sheet the driver did not recognise would wait for a user for ever.
void CALLBACK CancelEverySheet(HWND, UINT, UINT_PTR, DWORD) {
    ADD_FAILURE() << "a window of the module was still open after a minute: cancelled";
    EnumThreadWindows(GetCurrentThreadId(), CancelIfVisible, 0);
}

class HostLibrary : public InstalledRegistryTest {
protected:
    void SetUp() override {
        InstalledRegistryTest::SetUp();
        ASSERT_NE(library_.get(), nullptr) << "properties.dll beside this program, error " << GetLastError();
        show_ = library_.showProperties();
        ASSERT_NE(show_, nullptr);
    }

    // Runs the sheet through the export, with `steps` run inside its modal loop.
    int Show(std::vector<ModalDriver::Step> steps, int noGeneral = 0, int noPaper = 0) {
        const size_t stepCount = steps.size();
        ModalDriver driver(SheetTitle, std::move(steps));
        UINT_PTR watchdog = SetTimer(nullptr, 0, 60000, CancelEverySheet);
        int result = show_(noGeneral, noPaper);
        KillTimer(nullptr, watchdog);
        EXPECT_EQ(driver.windowsSeen(), 1) << "no sheet titled \"Properties for Lumarel Printer\" opened";
        EXPECT_EQ(driver.stepsRun(), stepCount);
        return result;
    }

    LoadedModule library_{L"properties.dll"};
    ShowPropertiesFunction show_ = nullptr;
};

TEST_F(HostLibrary, ShowsTheWholeSheetFromItsOwnResourcesAgainOnEveryCall) {
    // First call: every page, the icons and the picture; a change applied with OK.
    int result = Show({[](HWND sheet) {
                           EXPECT_EQ(TabTitles(sheet), AllTabs);
                           EXPECT_EQ(CurrentPageIndex(sheet), 0);
                           EXPECT_NE(SendMessageW(sheet, WM_GETICON, ICON_SMALL, 0), 0);
                           EXPECT_NE(SendMessageW(sheet, WM_GETICON, ICON_BIG, 0), 0);
                           EXPECT_TRUE(OrientationPictureIsDrawn(sheet));
                           HWND emf = ShowSheetPage(sheet, IDD_EMF_PAGE);
                           ASSERT_NE(emf, nullptr);
                           EXPECT_EQ(IsDlgButtonChecked(emf, IDC_EMF_SAVE), BST_UNCHECKED);
                           Click(emf, IDC_EMF_SAVE);
                       },
                       [](HWND sheet) { PressSheetButton(sheet, PSBTN_OK); }});
    EXPECT_EQ(result, SheetClosed);
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled"), 1u);
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page"), DWORD{EmfPageIndex});

    // Later calls in the same process: everything read again (the stored page, the
    // stored value, the picture), a change cancelled; nothing is left behind.
    auto cancelledChange = [this] {
        return Show({[](HWND sheet) {
                         EXPECT_EQ(TabTitles(sheet), AllTabs);
                         EXPECT_EQ(CurrentPageIndex(sheet), EmfPageIndex) << "opens on the page viewed last";
                         HWND emf = ShowSheetPage(sheet, IDD_EMF_PAGE);
                         EXPECT_EQ(IsDlgButtonChecked(emf, IDC_EMF_SAVE), BST_CHECKED);
                         Click(emf, IDC_EMF_SAVE);
                         EXPECT_TRUE(OrientationPictureIsDrawn(sheet));
                         ShowSheetPage(sheet, IDD_ABOUT_PAGE);
                     },
                     [](HWND sheet) { PressSheetButton(sheet, PSBTN_CANCEL); }});
    };
    EXPECT_EQ(cancelledChange(), SheetClosed);
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled"), 1u) << "Cancel writes no setting";
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page"), DWORD{AboutPageIndex});

    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page", EmfPageIndex);
    ResourceCounts before = CountResources();
    EXPECT_EQ(cancelledChange(), SheetClosed);
    ResourceCounts after = CountResources();
    EXPECT_EQ(before.kernelHandles, after.kernelHandles) << "kernel handles (registry keys included)";
    EXPECT_EQ(before.gdiObjects, after.gdiObjects) << "GDI objects (-1: not counted in a 32-bit process)";
    EXPECT_EQ(before.windows, after.windows) << "windows";
}

TEST_F(HostLibrary, ACallWhileTheSheetIsOpenReturnsAtOnceAndLeavesItWhole) {
    ShowPropertiesFunction show = show_;
    int result = Show({[show](HWND sheet) {
                           // From the same thread (another window of the host) and from another thread.
                           EXPECT_EQ(show(0, 0), SheetAlreadyOpen);
                           EXPECT_EQ(ShowFromAnotherThread(show), SheetAlreadyOpen);
                           EXPECT_EQ(VisibleWindowsTitled(SheetTitle), 1);
                           // The open sheet keeps its lists and still applies.
                           HWND general = ShowSheetPage(sheet, IDD_GENERAL_PAGE);
                           ASSERT_NE(general, nullptr);
                           EXPECT_FALSE(ComboItems(general, IDC_RESOLUTION_LIST).empty());
                           HWND emf = ShowSheetPage(sheet, IDD_EMF_PAGE);
                           Click(emf, IDC_EMF_SAVE);
                       },
                       [](HWND sheet) { PressSheetButton(sheet, PSBTN_OK); }});
    EXPECT_EQ(result, SheetClosed);
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled"), 1u);
    // And once it has closed, the next call shows a sheet again.
    EXPECT_EQ(Show({[](HWND sheet) {
                  EXPECT_EQ(TabTitles(sheet), (std::vector<std::wstring>{L"Agent", L"EMF", L"PDF", L"About"}));
                  PressSheetButton(sheet, PSBTN_CANCEL);
              }},
                   1, 1),
              SheetClosed);
}

// Every page starts afresh with its sheet: a change cancelled in one call is not
// applied by the next call's OK (the user's key keeps no value; the default stays).
TEST_F(HostLibrary, AChangeCancelledInOneCallIsNotAppliedByTheNext) {
    struct CheckBoxPage {
        int templateId;
        int checkBox;
        const wchar_t* value;
    };
    for (const CheckBoxPage& box : {CheckBoxPage{IDD_EMF_PAGE, IDC_EMF_SAVE, L"EMF: Enabled"},
                                    CheckBoxPage{IDD_PDF_PAGE, IDC_PDF_SAVE, L"PDF: Enabled"}}) {
        SCOPED_TRACE(testing::Message() << "page template " << box.templateId);
        EXPECT_EQ(Show({[box](HWND sheet) { Click(ShowSheetPage(sheet, box.templateId), box.checkBox); },
                        [](HWND sheet) { PressSheetButton(sheet, PSBTN_CANCEL); }}),
                  SheetClosed);
        EXPECT_EQ(Show({[box](HWND sheet) { ShowSheetPage(sheet, box.templateId); },
                        [](HWND sheet) { PressSheetButton(sheet, PSBTN_OK); }}),
                  SheetClosed);
        EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, box.value).has_value());
    }
}

// One sheet at a time in the session, whichever module shows it: the library holds the
// program's single-instance name while its sheet is open, and respects it.
TEST_F(HostLibrary, TheProgramAndAHostNeverShowTheirSheetsAtOnce) {
    EXPECT_EQ(Show({[](HWND) {
                        ProgramUnderTest program;
                        EXPECT_EQ(program.waitForExit(), std::optional<DWORD>(0)) << "the program ends at once";
                        EXPECT_FALSE(program.visibleWindowEverSeen());
                    },
                    [](HWND sheet) { PressSheetButton(sheet, PSBTN_CANCEL); }}),
              SheetClosed);

    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    ModalDriver driver(SheetTitle, {[](HWND sheet) { PressSheetButton(sheet, PSBTN_CANCEL); }});
    EXPECT_EQ(show_(0, 0), SheetAlreadyOpen);
    EXPECT_EQ(driver.windowsSeen(), 0) << "the host's call showed a sheet";
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), std::optional<DWORD>(0));
}

TEST(HostProgramModule, TheExecutableLoadedAsALibraryRefusesTheCallWithoutCrashing) {
    LoadedModule program(L"properties.exe");
    ASSERT_NE(program.get(), nullptr) << "properties.exe beside this program, error " << GetLastError();
    ShowPropertiesFunction show = program.showProperties();
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show(0, 0), NotInProgramProcess);
    EXPECT_EQ(VisibleWindowsTitled(SheetTitle), 0);
}

}  // namespace
