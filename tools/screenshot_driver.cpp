// Opens properties.exe (from this program's directory) and saves a picture of every
// page of its sheet and of the two nested dialogs as BMP files in the directory given:
//   screenshot_driver.exe <output directory>
// Run on a real or virtual screen (tools/screenshots.sh).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/handles.h"
#include "res/resource.h"
#include "tests/support/process_driver.h"

namespace {

constexpr DWORD SettleMs = 600;  // for a page change or a new window to be painted

std::wstring OutputDirectory;
int PicturesSaved = 0;

bool SaveBitmap(HBITMAP bitmap, HDC dc, int width, int height, const std::wstring& path) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(stride * static_cast<DWORD>(height));
    if (!GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
                   DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) return false;
    bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1 &&
                   fwrite(pixels.data(), pixels.size(), 1, out) == 1;
    return fclose(out) == 0 && written;
}

// The window as it is drawn, frame included. Read through the window's own DC: Wine
// keeps each top-level window's pixels with the window, not in the screen's DC.
bool Capture(HWND window, const std::wstring& name) {
    // Wholly on the screen: Wine keeps no pixels for parts outside it.
    SetWindowPos(window, HWND_TOP, 16, 16, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(SettleMs);
    RECT area{};
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetWindowDC(window);
    // A mirrored (right-to-left) window's DC is mirrored: copy its pixels as they are on
    // the screen, not their mirror image.
    SetLayout(screen, 0);
    HDC memory = CreateCompatibleDC(screen);
    SetLayout(memory, 0);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
    bool saved = false;
    {
        SelectedObject selected(memory, bitmap.get());
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    }
    std::wstring path = OutputDirectory + L"\\" + name + L".bmp";
    saved = SaveBitmap(bitmap.get(), memory, width, height, path);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    if (saved) {
        ++PicturesSaved;
        std::printf("%ls\n", path.c_str());
    }
    return saved;
}

// A page of a sheet, by its template, and the name of its picture: the same in every
// language, so that the README finds each language's pictures under the same names.
struct PageName {
    int templateId;
    const wchar_t* name;
};
const PageName SheetPages[] = {{IDD_GENERAL_PAGE, L"general"}, {IDD_PAPER_PAGE, L"paper-size"},
                               {IDD_AGENT_PAGE, L"agent"},     {IDD_EMF_PAGE, L"emf"},
                               {IDD_PDF_PAGE, L"pdf"},         {IDD_ABOUT_PAGE, L"about"}};
const PageName ProfilePages[] = {
    {IDD_PROFILE_DESCRIPTION, L"description"}, {IDD_PROFILE_SECURITY, L"security"}, {IDD_PROFILE_ADVANCED, L"advanced"}};

// Every page of a sheet that it has, named "<prefix><position>-<name>".
template <size_t count>
void CaptureSheetPages(HWND sheet, const std::wstring& prefix, const PageName (&pages)[count]) {
    for (const PageName& page : pages) {
        const LRESULT index = SendMessageW(sheet, PSM_IDTOINDEX, 0, page.templateId);
        if (index < 0 || !SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0)) continue;
        Capture(sheet, prefix + std::to_wstring(index + 1) + L"-" + page.name);
    }
}

// Clicks a page's button that opens a modal window, takes its pictures (named after
// `name`) and cancels it.
void CaptureNestedWindow(ProgramUnderTest& program, int pageTemplate, int buttonId, const std::wstring& name) {
    if (program.showPage(pageTemplate) < 0 || !program.postClick(buttonId)) {
        std::printf("no page %d with button %d\n", pageTemplate, buttonId);
        return;
    }
    HWND window = program.waitForNestedWindow();
    if (!window) {
        std::printf("%ls did not open\n", name.c_str());
        return;
    }
    if (FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr))
        CaptureSheetPages(window, name + L"-", ProfilePages);
    else
        Capture(window, name);
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    WaitUntil([&] { return !IsWindow(window); }, WindowTimeoutMs);
}

// "Export...": its dialog, cancelled.
void CaptureExportDialog(ProgramUnderTest& program) {
    if (program.showPage(IDD_PDF_PAGE) < 0 || !program.postClick(IDC_PDF_EXPORT)) return;
    HWND dialog = program.waitForNestedWindow();
    if (!dialog) {
        std::printf("export-profiles did not open\n");
        return;
    }
    Capture(dialog, L"export-profiles");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitUntil([&] { return !IsWindow(dialog); }, WindowTimeoutMs);
}

// "Import..." of a file whose profile the list has: the question for that name, cancelled.
// The list first gets a copy of its profile, so that it holds the user's own.
void CaptureConflictDialog(ProgramUnderTest& program) {
    constexpr wchar_t File[] = L"C:\\users\\Public\\screenshot.lpsettings";
    const char text[] = "Lumarel Printer settings, version 1.0\r\n[Profile \"Default\"]\r\n[End]\r\n";
    HANDLE file = CreateFileW(File, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text, sizeof text - 1, &written, nullptr);
    CloseHandle(file);
    if (program.showPage(IDD_PDF_PAGE) < 0 || !program.click(IDC_PDF_COPY) || !program.postClick(IDC_PDF_IMPORT))
        return;
    // The open dialog once it has its file name box (cmb13) and the box its edit.
    HWND open = nullptr, edit = nullptr;
    WaitUntil(
        [&] {
            open = program.waitForNestedWindow(100);
            HWND nameBox = open ? GetDlgItem(open, 1148) : nullptr;
            edit = nameBox ? FindDescendant(nameBox, L"Edit") : nullptr;
            return edit != nullptr;
        },
        WindowTimeoutMs);
    if (!edit) {
        std::printf("no file name box in the open dialog\n");
        return;
    }
    DWORD_PTR result = 0;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(File), SMTO_ABORTIFHUNG, WindowTimeoutMs, &result);
    PostMessageW(open, WM_COMMAND, IDOK, 0);
    HWND conflict = nullptr;
    WaitUntil(
        [&] {
            conflict = program.waitForNestedWindow(100);
            return conflict && conflict != open && !IsWindow(open);
        },
        WindowTimeoutMs);
    if (!conflict || conflict == open) {
        std::printf("import-profiles did not open\n");
        return;
    }
    Capture(conflict, L"import-profiles");
    PostMessageW(conflict, WM_COMMAND, IDCANCEL, 0);
    WaitUntil([&] { return !IsWindow(conflict); }, WindowTimeoutMs);
    DeleteFileW(File);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: screenshot_driver <output directory>\n");
        return 2;
    }
    OutputDirectory = argv[1];
    ProgramUnderTest program;
    HWND sheet = program.waitForSheet();
    if (!sheet) {
        std::printf("the sheet did not open\n");
        return 1;
    }
    CaptureSheetPages(sheet, L"sheet-", SheetPages);
    // "New" works while "Save to PDF" is on; Cancel at the end forgets the tick.
    if (program.showPage(IDD_PDF_PAGE) >= 0 && program.checkState(IDC_PDF_SAVE) == BST_UNCHECKED)
        program.click(IDC_PDF_SAVE);
    CaptureNestedWindow(program, IDD_PDF_PAGE, IDC_PDF_NEW, L"pdf-profile-properties");
    CaptureNestedWindow(program, IDD_PAPER_PAGE, IDC_ADD_FORM, L"new-paper-form");
    CaptureExportDialog(program);
    CaptureConflictDialog(program);
    program.selectPage(0);
    program.pressButton(PSBTN_CANCEL);
    program.waitForExit();
    return PicturesSaved ? 0 : 1;
}
