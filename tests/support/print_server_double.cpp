#include "tests/support/print_server_double.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "device/spooler.h"

namespace {

constexpr wchar_t DoublePrinterName[] = L"Lumarel Printer";
UINT_PTR NextHandle = 0x5000;

bool Fails(const char* call) {
    auto found = PrintServer().failures.find(call);
    if (found == PrintServer().failures.end()) return false;
    SetLastError(found->second);
    return true;
}

bool IsOpen(HANDLE printer) {
    if (PrintServer().openHandles.count(printer)) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

bool IsOpenToAdminister(HANDLE printer) {
    if (!IsOpen(printer)) return false;
    if (PrintServer().openHandles[printer] & PRINTER_ACCESS_ADMINISTER) return true;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

// Lays out a record followed by the texts and device mode it points to.
class Layout {
public:
    explicit Layout(size_t fixed) : size_(fixed) {}
    size_t reserve(size_t bytes) {
        size_t at = (size_ + 7) & ~size_t{7};
        size_ = at + bytes;
        return at;
    }
    size_t size() const { return size_; }

private:
    size_t size_;
};

}  // namespace

PrintServerDouble& PrintServer() {
    static PrintServerDouble server;
    return server;
}

void ResetPrintServer() {
    PrintServerDouble& s = PrintServer();
    s = PrintServerDouble();
    s.driverPapers = {{DMPAPER_A4, L"A4", {2100, 2970}},
                      {DMPAPER_LETTER, L"US Letter", {2159, 2794}},
                      {DMPAPER_A5, L"A5", {1480, 2100}}};
    s.resolutions = {{300, 300}, {600, 600}};
    s.forms = {{L"A4", FORM_BUILTIN, {210000, 297000}, {0, 0, 210000, 297000}},
               {L"Letter", FORM_BUILTIN, {215900, 279400}, {0, 0, 215900, 279400}},
               {L"A5", FORM_BUILTIN, {148000, 210000}, {0, 0, 148000, 210000}},
               {L"Lumarel Label", FORM_USER, {100000, 50000}, {0, 0, 100000, 50000}}};
    std::memset(&s.deviceMode, 0, sizeof s.deviceMode);
    wcscpy(s.deviceMode.dmDeviceName, DoublePrinterName);
    s.deviceMode.dmSize = sizeof(DEVMODEW);
    s.deviceMode.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PRINTQUALITY | DM_YRESOLUTION | DM_FORMNAME | DM_COPIES;
    s.deviceMode.dmOrientation = DMORIENT_PORTRAIT;
    s.deviceMode.dmPaperSize = DMPAPER_A4;
    s.deviceMode.dmCopies = 3;
    s.deviceMode.dmPrintQuality = 600;
    s.deviceMode.dmYResolution = 600;
    wcscpy(s.deviceMode.dmFormName, L"A4");
    s.outside.assign(4096, PrintServerDouble::OutsidePattern);
}

bool OutsideUntouched() {
    const std::vector<BYTE>& outside = PrintServer().outside;
    return std::all_of(outside.begin(), outside.end(), [](BYTE b) { return b == PrintServerDouble::OutsidePattern; });
}

std::vector<DoublePaper> ListedPapers() {
    std::vector<DoublePaper> papers = PrintServer().driverPapers;
    if (!PrintServer().driverListsUserForms) return papers;
    WORD number = 0x100;
    for (const DoubleForm& form : PrintServer().forms)
        if (form.flags == FORM_USER)
            papers.push_back({number++, form.name, {form.size.cx / 100, form.size.cy / 100}});
    return papers;
}

const DoubleForm* FindForm(const std::wstring& name) {
    for (const DoubleForm& form : PrintServer().forms)
        if (form.name == name) return &form;
    return nullptr;
}

namespace spooler {

BOOL Open(const wchar_t* printerName, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
    PrintServerDouble& s = PrintServer();
    ACCESS_MASK access = defaults ? defaults->DesiredAccess : PRINTER_ACCESS_USE;
    s.opens.push_back(access);
    if (std::wcscmp(printerName, DoublePrinterName) != 0) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    if (access & s.refusedAccess) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *printer = reinterpret_cast<HANDLE>(NextHandle++);
    s.openHandles[*printer] = access;
    return TRUE;
}

BOOL Close(HANDLE printer) {
    if (!IsOpen(printer)) return FALSE;
    PrintServer().openHandles.erase(printer);
    // ClosePrinter clears the last error on success, as the real one may.
    SetLastError(0);
    return TRUE;
}

BOOL GetInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    if (!IsOpen(printer)) return FALSE;
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    PrintServerDouble& s = PrintServer();
    Layout layout(sizeof(PRINTER_INFO_2W));
    size_t nameAt = layout.reserve(sizeof DoublePrinterName);
    const size_t modeBytes = s.deviceModeAnswerBytes >= 0
                                 ? static_cast<size_t>(s.deviceModeAnswerBytes)
                                 : size_t{s.deviceMode.dmSize} + s.deviceMode.dmDriverExtra;
    size_t modeAt = layout.reserve(modeBytes);
    *needed = s.zeroPrinterInfoSize ? 0 : static_cast<DWORD>(layout.size());
    if (Fails("GetPrinter")) return FALSE;
    if (!buffer || size < layout.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(buffer, 0, layout.size());
    std::memcpy(buffer + nameAt, DoublePrinterName, sizeof DoublePrinterName);
    std::memcpy(buffer + modeAt, &s.deviceMode, std::min(modeBytes, sizeof(DEVMODEW)));
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
    info->pPrinterName = reinterpret_cast<wchar_t*>(buffer + nameAt);
    info->pDevMode = reinterpret_cast<DEVMODEW*>(buffer + modeAt);
    if (s.alterAnswer) s.alterAnswer("GetPrinter", buffer, layout.size());
    s.lastPrinterAnswer = buffer;
    s.lastPrinterAnswerSize = size;
    return TRUE;
}

BOOL SetInfo(HANDLE printer, DWORD level, BYTE* info, DWORD command) {
    // The machine-wide device mode is the administrator's; level 9 is the user's own.
    if (!(level == 2 ? IsOpenToAdminister(printer) : IsOpen(printer))) return FALSE;
    if (Fails("SetPrinter")) return FALSE;
    const DEVMODEW* mode = nullptr;
    if (level == 2) mode = reinterpret_cast<PRINTER_INFO_2W*>(info)->pDevMode;
    if (level == 9) mode = reinterpret_cast<PRINTER_INFO_9W*>(info)->pDevMode;
    if (!mode || command != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The device mode must be the one read, edited in place within its bytes.
    PrintServerDouble& s = PrintServer();
    const auto begin = reinterpret_cast<uintptr_t>(s.lastPrinterAnswer);
    const auto at = reinterpret_cast<uintptr_t>(mode);
    const size_t used = offsetof(DEVMODEW, dmFormName) + sizeof mode->dmFormName;
    const bool inside = begin && at >= begin && at - begin + used <= s.lastPrinterAnswerSize &&
                        mode->dmSize >= used &&
                        at - begin + mode->dmSize + mode->dmDriverExtra <= s.lastPrinterAnswerSize;
    if (!inside) {
        s.strayDeviceModes.push_back("level " + std::to_string(level) + ": a device mode outside the answer");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memcpy(&s.deviceMode, mode, std::min<size_t>(mode->dmSize, sizeof(DEVMODEW)));
    PrintServer().writtenLevels.push_back(level);
    return TRUE;
}

LONG DeviceModeProperties(HWND, HANDLE printer, const wchar_t*, DEVMODEW* output, DEVMODEW*, DWORD mode) {
    if (!IsOpen(printer)) return -1;
    if (Fails("DocumentProperties")) return -1;
    if (mode == 0) return sizeof(DEVMODEW);
    if (mode & DM_OUT_BUFFER) *output = PrintServer().deviceMode;
    return IDOK;
}

int Capabilities(const wchar_t* printerName, const wchar_t*, WORD capability, wchar_t* output, const DEVMODEW*) {
    if (std::wcscmp(printerName, DoublePrinterName) != 0) return -1;
    PrintServerDouble& s = PrintServer();
    std::vector<DoublePaper> papers = ListedPapers();
    const int listed = static_cast<int>(papers.size());
    auto limited = [&](int count) { return count < 0 ? listed : count; };
    int count = 0;     // what the driver reports
    int available = 0; // elements it really has
    size_t elementSize = 0;
    switch (capability) {
        case DC_PAPERS: count = available = listed; elementSize = sizeof(WORD); break;
        case DC_PAPERNAMES:
            count = limited(s.paperNameCount);
            available = std::min(count, listed);
            elementSize = 64 * sizeof(wchar_t);
            break;
        case DC_PAPERSIZE:
            count = limited(s.paperSizeCount);
            available = std::min(count, listed);
            elementSize = sizeof(POINT);
            break;
        case DC_ENUMRESOLUTIONS:
            available = static_cast<int>(s.resolutions.size());
            count = s.useResolutionCountOverride ? s.resolutionCountOverride : available;
            available = std::min(available, std::max(count, 0));
            elementSize = 2 * sizeof(LONG);
            break;
        default: return -1;
    }
    if (s.capabilityCount) count = s.capabilityCount(capability, count, output != nullptr);
    if (!output) {
        s.reportedCounts[capability] = count;
        return count;
    }
    // Never more than the caller was told to make room for.
    const int written = std::max(0, std::min(count, s.reportedCounts[capability]));
    auto* bytes = reinterpret_cast<BYTE*>(output);
    for (int i = 0; i < written; ++i) {
        BYTE* element = bytes + static_cast<size_t>(i) * elementSize;
        if (i >= available) {
            std::memset(element, 'N', elementSize);  // noise, and a name without a terminator
            continue;
        }
        switch (capability) {
            case DC_PAPERS: *reinterpret_cast<WORD*>(element) = papers[i].number; break;
            case DC_PAPERNAMES: wcsncpy(reinterpret_cast<wchar_t*>(element), papers[i].name.c_str(), 64); break;
            case DC_PAPERSIZE: *reinterpret_cast<POINT*>(element) = papers[i].size; break;
            case DC_ENUMRESOLUTIONS:
                reinterpret_cast<LONG*>(element)[0] = s.resolutions[i].first;
                reinterpret_cast<LONG*>(element)[1] = s.resolutions[i].second;
                break;
        }
    }
    return count;
}

BOOL DriverProperties(HWND, HANDLE printer) {
    if (!IsOpen(printer)) return FALSE;
    ++PrintServer().driverDialogRuns;
    if (PrintServer().driverDialog) PrintServer().driverDialog(PrintServer().deviceMode);
    return TRUE;
}

BOOL EnumerateForms(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
    if (!IsOpen(printer)) return FALSE;
    const std::vector<DoubleForm>& forms = PrintServer().forms;
    Layout layout(sizeof(FORM_INFO_1W) * forms.size());
    std::vector<size_t> nameAt;
    for (const DoubleForm& form : forms) nameAt.push_back(layout.reserve((form.name.size() + 1) * sizeof(wchar_t)));
    *needed = static_cast<DWORD>(layout.size());
    *count = 0;
    if (Fails("EnumForms")) return FALSE;
    if (level != 1 || !buffer || size < layout.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* records = reinterpret_cast<FORM_INFO_1W*>(buffer);
    for (size_t i = 0; i < forms.size(); ++i) {
        auto* name = reinterpret_cast<wchar_t*>(buffer + nameAt[i]);
        wcscpy(name, forms[i].name.c_str());
        records[i] = {forms[i].flags, name, forms[i].size, forms[i].imageableArea};
    }
    *count = static_cast<DWORD>(forms.size());
    if (PrintServer().alterAnswer) PrintServer().alterAnswer("EnumForms", buffer, layout.size());
    return TRUE;
}

BOOL GetOneForm(HANDLE printer, const wchar_t* formName, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    if (!IsOpen(printer)) return FALSE;
    const DoubleForm* form = FindForm(formName);
    *needed = 0;
    if (Fails("GetForm")) return FALSE;
    if (!form) {
        SetLastError(ERROR_INVALID_FORM_NAME);
        return FALSE;
    }
    Layout layout(sizeof(FORM_INFO_1W));
    size_t nameAt = layout.reserve((form->name.size() + 1) * sizeof(wchar_t));
    *needed = PrintServer().zeroFormSize ? 0 : static_cast<DWORD>(layout.size());
    if (level != 1 || !buffer || size < layout.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* name = reinterpret_cast<wchar_t*>(buffer + nameAt);
    wcscpy(name, form->name.c_str());
    *reinterpret_cast<FORM_INFO_1W*>(buffer) = {form->flags, name, form->size, form->imageableArea};
    if (PrintServer().alterAnswer) PrintServer().alterAnswer("GetForm", buffer, layout.size());
    return TRUE;
}

BOOL AddOneForm(HANDLE printer, DWORD level, BYTE* info) {
    if (!IsOpenToAdminister(printer)) return FALSE;
    if (Fails("AddForm")) return FALSE;
    const auto* form = reinterpret_cast<const FORM_INFO_1W*>(info);
    if (level != 1 || !form->pName || !*form->pName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (FindForm(form->pName)) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    PrintServer().forms.push_back({form->pName, form->Flags, form->Size, form->ImageableArea});
    return TRUE;
}

BOOL DeleteOneForm(HANDLE printer, const wchar_t* formName) {
    if (!IsOpenToAdminister(printer)) return FALSE;
    if (Fails("DeleteForm")) return FALSE;
    std::vector<DoubleForm>& forms = PrintServer().forms;
    for (auto it = forms.begin(); it != forms.end(); ++it) {
        if (it->name != formName) continue;
        if (it->flags != FORM_USER) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        forms.erase(it);
        return TRUE;
    }
    SetLastError(ERROR_INVALID_FORM_NAME);
    return FALSE;
}

}  // namespace spooler
