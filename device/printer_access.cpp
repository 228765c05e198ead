#include "device/printer_access.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <functional>

#include "base/globals.h"
#include "base/registry.h"
#include "base/windows_version.h"
#include "device/device_pages.h"
#include "res/resource.h"

namespace {

// Sizes and counts come from the spooler and the driver. Answers beyond these are taken
// for failures: no real printer record, form list or paper list comes near them, and a
// count times an element size must not wrap in a 32-bit build.
constexpr size_t MaxAnswerBytes = 16 * 1024 * 1024;
constexpr int MaxCapabilityItems = 0x10000;

// GetPrinterW at level 2, asked twice. Empty when the size is zero or the read failed;
// `readFailed` tells the two apart.
std::vector<BYTE> ReadPrinterInfo2(HANDLE printer, bool& readFailed) {
    readFailed = false;
    DWORD needed = 0;
    spooler::GetInfo(printer, 2, nullptr, 0, &needed);
    if (needed == 0) return {};
    if (needed > MaxAnswerBytes) {
        readFailed = true;
        return {};
    }
    // Never smaller than the record itself, whatever size was reported.
    std::vector<BYTE> buffer(std::max<size_t>(needed, sizeof(PRINTER_INFO_2W)));
    if (!spooler::GetInfo(printer, 2, buffer.data(), needed, &needed)) {
        readFailed = true;
        return {};
    }
    return buffer;
}

// The failure of a spooler call, with the thread's last error as it is now.
Failure SpoolerFailure(UINT textId) { return {textId, GetLastError()}; }

// The write sequence shared by ApplyDeviceSettings and ApplyPaper: exactly one device
// mode is written, at the level the Windows version asks for. `afterWrite` runs on
// the same handle once the spooler has taken the new device mode.
bool WriteDeviceMode(const std::function<void(DEVMODEW&)>& edit, const std::function<void(HANDLE)>& afterWrite,
                     Failure& failure) {
    const int level = DeviceModeWriteLevel(WindowsVersion().dwMajorVersion);
    UniquePrinter printer = OpenVirtualPrinter(level == 2 ? PRINTER_ALL_ACCESS : PRINTER_ACCESS_USE);
    if (!printer) {
        failure = SpoolerFailure(level == 2 ? IDS_OPEN_ALL_ACCESS_FAILED : IDS_OPEN_USE_FAILED);
        return false;
    }
    bool readFailed = false;
    std::vector<BYTE> buffer = ReadPrinterInfo2(printer.get(), readFailed);
    if (readFailed) failure = SpoolerFailure(IDS_GET_PRINTER_FAILED);
    if (buffer.empty()) return false;
    // An answer that cannot be trusted, a missing device mode included, is a failed read.
    if (!PrinterInfo2Fits(buffer.data(), buffer.size())) {
        failure = {IDS_GET_PRINTER_FAILED, ERROR_INVALID_DATA};
        return false;
    }
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    edit(*info->pDevMode);

    BOOL written;
    if (level == 2) {
        written = spooler::SetInfo(printer.get(), 2, buffer.data(), 0);
        if (!written) failure = SpoolerFailure(IDS_SET_PRINTER_2_FAILED);
    } else {
        PRINTER_INFO_9W perUser{info->pDevMode};
        written = spooler::SetInfo(printer.get(), 9, reinterpret_cast<BYTE*>(&perUser), 0);
        if (!written) failure = SpoolerFailure(IDS_SET_PRINTER_9_FAILED);
    }
    if (written && afterWrite) afterWrite(printer.get());
    return written != FALSE;
}

// Whether the named form is a user form that this user may delete.
bool IsDeletableForm(HANDLE printer, const wchar_t* name) {
    DWORD needed = 0;
    spooler::GetOneForm(printer, name, 1, nullptr, 0, &needed);
    // A size of zero (or one too small for the record) means there is no form to judge.
    if (needed < sizeof(FORM_INFO_1W) || needed > MaxAnswerBytes) return false;
    std::vector<BYTE> buffer(needed);
    if (!spooler::GetOneForm(printer, name, 1, buffer.data(), needed, &needed)) return false;
    return MayDeleteForm(reinterpret_cast<FORM_INFO_1W*>(buffer.data())->Flags, CanAdministerPrinter != FALSE);
}

template <typename T>
std::vector<T> ReadCapabilityItems(WORD capability) {
    CapabilityList list = ReadCapabilityList(capability, sizeof(T));
    std::vector<T> items(static_cast<size_t>(list.count));
    if (!items.empty()) std::memcpy(items.data(), list.bytes.data(), items.size() * sizeof(T));
    return items;
}

}  // namespace

UniquePrinter OpenVirtualPrinter(ACCESS_MASK desiredAccess) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, desiredAccess};
    HANDLE printer = nullptr;
    if (!spooler::Open(PrinterName, &printer, &defaults)) return UniquePrinter();
    return UniquePrinter(printer);
}

bool ProbePrinterAdministration() { return static_cast<bool>(OpenVirtualPrinter(PRINTER_ACCESS_ADMINISTER)); }

int DeviceModeWriteLevel(DWORD majorVersion) { return majorVersion < 5 ? 2 : 9; }

namespace {

// The offset of `at` in the answer, or false when it does not point inside it.
bool OffsetInside(const BYTE* answer, size_t answerSize, const void* at, size_t& offset) {
    const auto begin = reinterpret_cast<uintptr_t>(answer);
    const auto pointer = reinterpret_cast<uintptr_t>(at);
    if (!answer || !at || pointer < begin || pointer - begin >= answerSize) return false;
    offset = pointer - begin;
    return true;
}

}  // namespace

bool DeviceModeFits(const BYTE* answer, size_t answerSize, const DEVMODEW* mode) {
    size_t offset = 0;
    if (!OffsetInside(answer, answerSize, mode, offset)) return false;
    const size_t room = answerSize - offset;
    // dmSize and dmDriverExtra are read only once the fields they precede are inside.
    if (room < DeviceModeBytesUsed || mode->dmSize < DeviceModeBytesUsed) return false;
    return size_t{mode->dmSize} + mode->dmDriverExtra <= room;
}

bool TextFits(const BYTE* answer, size_t answerSize, const wchar_t* text) {
    size_t offset = 0;
    if (!OffsetInside(answer, answerSize, text, offset)) return false;
    return wmemchr(text, L'\0', (answerSize - offset) / sizeof(wchar_t)) != nullptr;
}

bool PrinterInfo2Fits(const BYTE* answer, size_t answerSize) {
    if (!answer || answerSize < sizeof(PRINTER_INFO_2W)) return false;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(answer);
    if (!DeviceModeFits(answer, answerSize, info->pDevMode)) return false;
    for (const wchar_t* text : {info->pServerName, info->pPrinterName, info->pShareName, info->pPortName,
                                info->pDriverName, info->pComment, info->pLocation, info->pSepFile,
                                info->pPrintProcessor, info->pDatatype, info->pParameters})
        if (text && !TextFits(answer, answerSize, text)) return false;
    return true;
}

void EditDeviceSettings(DEVMODEW& mode, const DeviceSettings& settings) {
    mode.dmFields |= DM_ORIENTATION | DM_PRINTQUALITY | DM_YRESOLUTION;
    mode.dmOrientation = settings.orientation;
    mode.dmPrintQuality = static_cast<short>(settings.horizontal);
    mode.dmYResolution = static_cast<short>(settings.vertical);
}

void EditPaper(DEVMODEW& mode, short paperNumber, const wchar_t* paperName) {
    mode.dmFields |= DM_PAPERSIZE | DM_FORMNAME;
    mode.dmPaperSize = paperNumber;
    wcsncpy(mode.dmFormName, paperName, CCHFORMNAME - 1);
    mode.dmFormName[CCHFORMNAME - 1] = L'\0';
}

std::vector<BYTE> ReadDeviceMode(HWND owner, HANDLE printer, Failure& failure) {
    LONG size = spooler::DeviceModeProperties(owner, printer, PrinterName, nullptr, nullptr, 0);
    if (size > 0 && static_cast<size_t>(size) <= MaxAnswerBytes) {
        // Never smaller than the public part, whatever size the driver reported.
        std::vector<BYTE> buffer(std::max<size_t>(static_cast<size_t>(size), sizeof(DEVMODEW)));
        if (spooler::DeviceModeProperties(owner, printer, PrinterName, AsDeviceMode(buffer), nullptr,
                                          DM_OUT_BUFFER) == IDOK)
            return buffer;
    }
    failure = SpoolerFailure(IDS_DOCUMENT_PROPERTIES_FAILED);
    return {};
}

bool ApplyDeviceSettings(const DeviceSettings& settings, Failure& failure) {
    if (WindowsVersion().dwPlatformId != VER_PLATFORM_WIN32_NT) return true;
    return WriteDeviceMode([&](DEVMODEW& mode) { EditDeviceSettings(mode, settings); }, nullptr, failure);
}

bool ApplyPaper(short paperNumber, const wchar_t* paperName, bool& formDeletable, Failure& failure) {
    return WriteDeviceMode([&](DEVMODEW& mode) { EditPaper(mode, paperNumber, paperName); },
                           [&](HANDLE printer) { formDeletable = IsDeletableForm(printer, paperName); }, failure);
}

CapabilityList ReadCapabilityList(WORD capability, size_t elementSize) {
    CapabilityList list;
    int count = spooler::Capabilities(PrinterName, nullptr, capability, nullptr, nullptr);
    if (count <= 0 || count > MaxCapabilityItems) return list;
    list.bytes.assign(static_cast<size_t>(count) * elementSize, 0);
    int filled = spooler::Capabilities(PrinterName, nullptr, capability, reinterpret_cast<wchar_t*>(list.bytes.data()),
                                       nullptr);
    // A list that shrank in between is taken at its new length; one that grew cannot
    // have been written past the buffer by a well-behaved driver, and is cut.
    list.count = filled <= 0 ? 0 : std::min(filled, count);
    list.bytes.resize(static_cast<size_t>(list.count) * elementSize);
    return list;
}

std::vector<ResolutionPair> ReadResolutions() { return ReadCapabilityItems<ResolutionPair>(DC_ENUMRESOLUTIONS); }
std::vector<WORD> ReadPaperNumbers() { return ReadCapabilityItems<WORD>(DC_PAPERS); }
std::vector<POINT> ReadPaperSizes() { return ReadCapabilityItems<POINT>(DC_PAPERSIZE); }

std::vector<std::wstring> ReadPaperNames() {
    constexpr size_t NameUnits = 64;
    CapabilityList list = ReadCapabilityList(DC_PAPERNAMES, NameUnits * sizeof(wchar_t));
    std::vector<std::wstring> names;
    const auto* units = reinterpret_cast<const wchar_t*>(list.bytes.data());
    for (int i = 0; i < list.count; ++i) {
        const wchar_t* name = units + static_cast<size_t>(i) * NameUnits;
        // A name that fills all 64 units has no terminator.
        names.emplace_back(name, wcsnlen(name, NameUnits));
    }
    return names;
}

std::vector<FormEntry> ReadForms(HANDLE printer) {
    DWORD needed = 0, count = 0;
    spooler::EnumerateForms(printer, 1, nullptr, 0, &needed, &count);
    if (needed == 0 || needed > MaxAnswerBytes) return {};
    std::vector<BYTE> buffer(needed);
    count = 0;
    if (!spooler::EnumerateForms(printer, 1, buffer.data(), needed, &needed, &count)) return {};
    // Never more records than the buffer holds.
    count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(FORM_INFO_1W)));
    std::vector<FormEntry> forms;
    const auto* records = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        // A form whose name cannot be read is left out.
        if (!TextFits(buffer.data(), buffer.size(), records[i].pName)) continue;
        forms.push_back({records[i].pName, records[i].Flags, records[i].Size, records[i].ImageableArea});
    }
    return forms;
}

WORD ReadCurrentPaper(HANDLE printer) {
    bool readFailed = false;
    std::vector<BYTE> buffer = ReadPrinterInfo2(printer, readFailed);
    if (buffer.empty() || !PrinterInfo2Fits(buffer.data(), buffer.size())) return 0;
    return static_cast<WORD>(reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())->pDevMode->dmPaperSize);
}

bool AddUserForm(HANDLE printer, const wchar_t* name, LONG width, LONG length) {
    FORM_INFO_1W form{};
    form.Flags = FORM_USER;
    form.pName = const_cast<wchar_t*>(name);
    form.Size = {width, length};
    form.ImageableArea = {0, 0, width, length};
    return spooler::AddOneForm(printer, 1, reinterpret_cast<BYTE*>(&form)) != FALSE;
}

bool DeleteNamedForm(HANDLE printer, const wchar_t* name) { return spooler::DeleteOneForm(printer, name) != FALSE; }

void RunDriverProperties(HWND owner, HANDLE printer) { spooler::DriverProperties(owner, printer); }
