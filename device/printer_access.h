// Access to the virtual printer through the print spooler: the one place the device
// pages reach it. A printer handle never outlives the operation that opened it. Nothing
// here shows a window: a failure is returned, and the page that called shows it.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "device/spooler.h"

struct PrinterCloser {
    void operator()(HANDLE printer) const { spooler::Close(printer); }
};
using UniquePrinter = std::unique_ptr<void, PrinterCloser>;

// Opens the virtual printer with the given access; empty on failure (GetLastError tells why).
UniquePrinter OpenVirtualPrinter(ACCESS_MASK desiredAccess);

// Whether the printer may be administered: opened with PRINTER_ACCESS_ADMINISTER and closed at once.
bool ProbePrinterAdministration();

// What the General page edits: orientation (1 portrait, 2 landscape) and the
// horizontal and vertical resolution in dots per inch.
struct DeviceSettings {
    short orientation;
    int horizontal;
    int vertical;
};

// The level a changed device mode is written at: 2 (machine-wide, needs full access)
// before Windows 2000, 9 (the calling user's own) from Windows 2000 on.
int DeviceModeWriteLevel(DWORD majorVersion);

// What a spooler answer may be trusted for. A pointer inside an answer is followed only
// when what it points to lies wholly inside the answer's bytes: a damaged or foreign
// driver must not make the pages read or write past the buffer.
// The last field the pages read or write: a device mode must cover it.
inline constexpr size_t DeviceModeBytesUsed = offsetof(DEVMODEW, dmFormName) + sizeof(DEVMODEW::dmFormName);
// Not null, inside the answer, a dmSize of at least DeviceModeBytesUsed, and its public
// and driver parts (dmSize + dmDriverExtra bytes) inside the answer.
bool DeviceModeFits(const BYTE* answer, size_t answerSize, const DEVMODEW* mode);
// Not null, starting inside the answer and terminated before its end.
bool TextFits(const BYTE* answer, size_t answerSize, const wchar_t* text);
// A PRINTER_INFO_2W answer: the record itself, a device mode that fits, and every text
// it names either absent or fitting (a level-2 write hands them back to the spooler).
bool PrinterInfo2Fits(const BYTE* answer, size_t answerSize);

// The edits of ApplyDeviceSettings and ApplyPaper; every other field stays as read.
void EditDeviceSettings(DEVMODEW& mode, const DeviceSettings& settings);
void EditPaper(DEVMODEW& mode, short paperNumber, const wchar_t* paperName);

// The printer's current device mode for this user (public and driver part), or an
// empty buffer and `failure` ("DocumentProperties() failed.").
std::vector<BYTE> ReadDeviceMode(HWND owner, HANDLE printer, Failure& failure);
inline DEVMODEW* AsDeviceMode(std::vector<BYTE>& buffer) { return reinterpret_cast<DEVMODEW*>(buffer.data()); }

// Writes orientation and resolutions into the printer's device mode; only on the
// Windows NT platform (elsewhere nothing is written, and that is no failure). False with
// `failure` when a spooler call failed.
bool ApplyDeviceSettings(const DeviceSettings& settings, Failure& failure);

// Writes paper number and name into the printer's device mode. True when the spooler
// took the device mode; `formDeletable` then tells whether that paper's form may be
// deleted by this user (the Paper page's "Delete"). False with `failure` otherwise.
bool ApplyPaper(short paperNumber, const wchar_t* paperName, bool& formDeletable, Failure& failure);

// DeviceCapabilitiesW for the printer, asked twice: the element count, then the list.
// A count of zero or less, or one no driver could mean (above 65,536), gives an empty list.
struct CapabilityList {
    std::vector<BYTE> bytes;  // count * element size, zero-filled before the driver wrote it
    int count = 0;
};
CapabilityList ReadCapabilityList(WORD capability, size_t elementSize);

struct ResolutionPair {
    LONG horizontal;
    LONG vertical;
};
std::vector<ResolutionPair> ReadResolutions();
std::vector<WORD> ReadPaperNumbers();
// Each name ends at its terminator or after 64 units, whichever comes first.
std::vector<std::wstring> ReadPaperNames();
std::vector<POINT> ReadPaperSizes();  // tenths of a millimetre

// One form of the print server; lengths in thousandths of a millimetre.
struct FormEntry {
    std::wstring name;
    DWORD flags;  // FORM_USER, FORM_BUILTIN or FORM_PRINTER
    SIZEL size;
    RECTL imageableArea;
};
std::vector<FormEntry> ReadForms(HANDLE printer);

// The paper number stored in the printer's device mode, 0 when it cannot be read.
WORD ReadCurrentPaper(HANDLE printer);

// A user form covering the whole sheet; the size in thousandths of a millimetre.
bool AddUserForm(HANDLE printer, const wchar_t* name, LONG width, LONG length);
bool DeleteNamedForm(HANDLE printer, const wchar_t* name);

// The driver's own modal printer-properties dialog.
void RunDriverProperties(HWND owner, HANDLE printer);
