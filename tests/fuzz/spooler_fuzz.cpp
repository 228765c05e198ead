// Damaged and foreign driver and spooler answers, given by the in-memory print server,
// under the General and Paper pages opened, changed and applied (tests/fuzz/fuzz_support.h):
//
//   tools/fuzz.sh spooler [--seed S] [--states N]
//
// Device modes short, long or lying in dmSize and dmDriverExtra, pointers outside the
// answer, capability counts negative, zero, huge or changing between the two calls,
// names without a terminator. No crash, no device mode handed back that does not lie
// inside the answer it came in, no write to memory outside the answers, and every
// failure reported with one of the fixed texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>

#include "app/sheet_internal.h"
#include "device/printer_access.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/print_server_double.h"
#include "tests/support/registry_fixture.h"

namespace {

constexpr double StateLimitSeconds = 60;

// A pointer of the answer aimed elsewhere: null, into `outside`, just past the answer,
// or at its last unit with no terminator after it.
template <typename T>
void Misdirect(FuzzRandom& random, T*& pointer, BYTE* answer, size_t size) {
    switch (random.Below(4)) {
        case 0: pointer = nullptr; break;
        case 1: pointer = reinterpret_cast<T*>(PrintServer().outside.data() + random.Below(64) * 2); break;
        case 2: pointer = reinterpret_cast<T*>(answer + size); break;
        default:
            answer[size - 2] = 'x';
            answer[size - 1] = 0;
            pointer = reinterpret_cast<T*>(answer + size - 2);
            break;
    }
}

void DamagePrintServer(FuzzRandom& random) {
    PrintServerDouble& s = PrintServer();
    if (random.Chance(0.5)) {
        const WORD sizes[] = {0, 1, 68, 156, 165, 166, 220, 221, 1000, 0xffff};
        s.deviceMode.dmSize = random.Chance(0.8) ? random.OneOf(sizes) : static_cast<WORD>(random.Any32());
    }
    if (random.Chance(0.4)) {
        const WORD extras[] = {0, 4, 1000, 0xffff};
        s.deviceMode.dmDriverExtra = random.Chance(0.8) ? random.OneOf(extras) : static_cast<WORD>(random.Any32());
    }
    if (random.Chance(0.4)) {
        const int bytes[] = {0, 2, 100, 165, 166, 220, 4000};
        s.deviceModeAnswerBytes = random.Chance(0.8) ? random.OneOf(bytes) : static_cast<int>(random.Below(70000));
    }
    const uint32_t pointerDamage = random.Below(4);  // 0: none; 1: device mode; 2: a text; 3: form names
    const uint32_t damageSeed = random.Any32();
    s.alterAnswer = [pointerDamage, damageSeed](const char* call, BYTE* answer, size_t size) {
        FuzzRandom random(damageSeed);
        const std::string name = call;
        if (name == "GetPrinter" && size >= sizeof(PRINTER_INFO_2W)) {
            auto* info = reinterpret_cast<PRINTER_INFO_2W*>(answer);
            if (pointerDamage == 1) Misdirect(random, info->pDevMode, answer, size);
            if (pointerDamage == 2) Misdirect(random, random.Chance(0.5) ? info->pPrinterName : info->pComment, answer, size);
        } else if (name == "EnumForms" && pointerDamage == 3) {
            auto* records = reinterpret_cast<FORM_INFO_1W*>(answer);
            const size_t count = PrintServer().forms.size();
            if (count) Misdirect(random, records[random.Below(static_cast<uint32_t>(count))].pName, answer, size);
        } else if (name == "GetForm" && random.Chance(0.3)) {
            reinterpret_cast<FORM_INFO_1W*>(answer)->Flags = random.Any32();
        }
    };
    if (random.Chance(0.5)) {
        const uint32_t countSeed = random.Any32();
        s.capabilityCount = [countSeed](WORD capability, int count, bool filling) {
            FuzzRandom random(countSeed + capability + (filling ? 1000 : 0));
            const int counts[] = {0, -1, -0x7fffffff - 1, 1, 0x10000, 0x10001, 0x7fffffff};
            switch (random.Below(4)) {
                case 0: return count;
                case 1: return random.OneOf(counts);
                case 2: return count + 1 + static_cast<int>(random.Below(3));  // more than it has
                default: return count > 0 ? static_cast<int>(random.Below(static_cast<uint32_t>(count))) : count;
            }
        };
    }
    if (random.Chance(0.3)) s.driverPapers[random.Below(3)].name = std::wstring(64, L'N');  // no terminator
    if (random.Chance(0.2)) s.resolutions.clear();
}

bool IsFixedText(const std::wstring& text) {
    for (const wchar_t* fixed :
         {L"OpenPrinter(PRINTER_ALL_ACCESS) failed.", L"OpenPrinter(PRINTER_ACCESS_USE) failed.",
          L"GetPrinter(PRINTER_INFO_2) failed.", L"SetPrinter(PRINTER_INFO_2) failed.",
          L"SetPrinter(PRINTER_INFO_9) failed.", L"OpenPrinter(PRINTER_ACCESS_USE) error.", L"OpenPrinter() failed.",
          L"DocumentProperties() failed."})
        if (text.rfind(std::wstring(fixed) + L"\nError # ", 0) == 0) return true;
    return false;
}

std::string RunSpoolerState(uint32_t seed) {
    FuzzRandom random(seed);
    ResetPrintServer();
    DamagePrintServer(random);
    MessageBoxWatcher boxes;
    {
        ModelessSheet sheet;
        HWND general = sheet.ShowPage(IDD_GENERAL_PAGE);
        if (!general) return "no General page";
        Click(general, IDC_LANDSCAPE);
        HWND paper = sheet.ShowPage(IDD_PAPER_PAGE);
        if (!paper) return "no Paper page";
        const size_t papers = ComboItems(paper, IDC_PAPER_LIST).size();
        if (papers) ChooseComboItem(paper, IDC_PAPER_LIST, static_cast<int>(random.Below(static_cast<uint32_t>(papers))));
        sheet.Apply();
    }
    PrintServerDouble& s = PrintServer();
    if (!s.strayDeviceModes.empty()) return "a device mode outside its answer was handed back: " + s.strayDeviceModes[0];
    if (!OutsideUntouched()) return "memory outside the answers was written";
    if (!s.openHandles.empty()) return "a printer handle outlived its operation";
    for (const ObservedBox& box : boxes.boxes())
        if (!IsFixedText(box.text)) return "a box without a fixed text: " + std::string(box.text.begin(), box.text.end());
    // The orientation was changed: it is written, or its failure is reported.
    if (s.writtenLevels.empty() && boxes.boxes().empty()) return "the change was neither written nor reported";
    return {};
}

TEST(SpoolerFuzz, DamagedDriverAnswersUnderTheDevicePages) {
    DeleteProgramKeys();
    ResetSettings();
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_EQ(RunFuzzStates("spooler", FuzzOptionsFromCommandLine({1, 200}), StateLimitSeconds, RunSpoolerState),
              0);
}

}  // namespace
