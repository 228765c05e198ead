// An in-memory print server in place of device/spooler.cpp, for what Wine's spooler
// cannot show: user forms (Wine's AddFormW and DeleteFormW do nothing), the right to
// administer the printer, and spooler failures with given error codes.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct DoublePaper {
    WORD number;
    std::wstring name;  // up to 64 units; 64 leave no terminator in DC_PAPERNAMES
    POINT size;         // tenths of a millimetre
};

struct DoubleForm {
    std::wstring name;
    DWORD flags;
    SIZEL size;  // thousandths of a millimetre
    RECTL imageableArea;
};

struct PrintServerDouble {
    // The printer.
    std::vector<DoublePaper> driverPapers;
    std::vector<std::pair<LONG, LONG>> resolutions;
    DEVMODEW deviceMode;  // the stored one
    // The driver lists the print server's user forms after its own papers, numbered
    // from 0x100 on in the order of the forms.
    bool driverListsUserForms = true;
    std::vector<DoubleForm> forms;

    // Refusals: an open asking for any of these access bits fails with ERROR_ACCESS_DENIED.
    // Writing at level 2, adding and deleting forms need a handle opened with
    // PRINTER_ACCESS_ADMINISTER, as on Windows; without it they fail the same way.
    ACCESS_MASK refusedAccess = 0;
    // A call named here ("GetPrinter", "SetPrinter", "DocumentProperties", "AddForm",
    // "DeleteForm", "GetForm", "EnumForms") fails and leaves this code as the last error.
    std::map<std::string, DWORD> failures;
    // Odd driver answers: lists shorter than the paper numbers (-1: as long), a
    // resolution count of its own, sizes of zero for GetPrinter and GetForm.
    int paperNameCount = -1;
    int paperSizeCount = -1;
    int resolutionCountOverride = 0;
    bool useResolutionCountOverride = false;
    bool zeroPrinterInfoSize = false;
    bool zeroFormSize = false;
    // Damaged or foreign answers. The answer to GetPrinter holds this many bytes of the
    // stored device mode (-1: its dmSize + dmDriverExtra; bytes past the stored
    // DEVMODEW are zero).
    int deviceModeAnswerBytes = -1;
    // Called on every answer written ("GetPrinter", "EnumForms", "GetForm") with the
    // answer's bytes, to make it lie: pointers may be aimed into `outside`.
    std::function<void(const char* call, BYTE* answer, size_t size)> alterAnswer;
    // The count a capability call reports (given the true one); while filling, the
    // double never writes more elements than the count its first call reported, and
    // elements past its own list are noise (names without a terminator).
    std::function<int(WORD capability, int count, bool filling)> capabilityCount;
    // Memory outside every answer, filled with OutsidePattern at reset; it must stay so.
    std::vector<BYTE> outside;
    static constexpr BYTE OutsidePattern = 0xA5;
    // What the double saw of the caller's buffers: a device mode handed to SetPrinter
    // that does not lie inside the last GetPrinter answer, or that does not cover the
    // fields the pages use, is noted here (and refused).
    std::vector<std::string> strayDeviceModes;
    // The caller's buffer of the last GetPrinter answer, and the counts the first
    // capability calls reported.
    const BYTE* lastPrinterAnswer = nullptr;
    size_t lastPrinterAnswerSize = 0;
    std::map<WORD, int> reportedCounts;

    // What the driver's own printer-properties dialog stores when it runs.
    std::function<void(DEVMODEW&)> driverDialog;

    // What the code under test did.
    std::vector<ACCESS_MASK> opens;
    std::map<HANDLE, ACCESS_MASK> openHandles;  // with the access each was opened with
    std::vector<DWORD> writtenLevels;
    int driverDialogRuns = 0;
};

// The one print server of the test program.
PrintServerDouble& PrintServer();

// A printer with A4 (9), US Letter (1) and A5 (11), resolutions 300 x 300 and
// 600 x 600, A4 stored in portrait at 600 x 600; built-in forms "A4", "Letter" and
// "A5" and the user form "Lumarel Label" (listed by the driver as paper 0x100).
void ResetPrintServer();

// The papers the driver lists now: its own, then the user forms when it lists them.
std::vector<DoublePaper> ListedPapers();

const DoubleForm* FindForm(const std::wstring& name);

// Whether `outside` still holds only its pattern.
bool OutsideUntouched();
