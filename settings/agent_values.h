// The Agent page's seven values, apart from any window: what the page shows, which of
// them an apply writes, and the writes. They are read and written under
// "Software\LumarelPrinter" through the record tables of settings/regtools.h, one row at a
// time, so that every failure reaches the error log and each row's outcome is known.
//
// The rule:
//  - Each value shows the user's own where the user key holds it readable, else the
//    machine's (HKEY_LOCAL_MACHINE, read only for the values it is needed for), else
//    empty or 0.
//  - An apply in which no value differs from what was loaded writes nothing.
//  - An apply in which any differs writes all seven, so that the user's table is whole,
//    except the values the user did not change that the user key holds already (readable
//    or not): those are never written and keep their bytes.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <string>

#include "base/messages.h"
#include "settings/imported_values.h"

// The rows, in the order of the machine list (settings/machine_values.h).
enum AgentRow : size_t {
    AgentApplication,    // "Client Application", REG_SZ
    AgentMode,           // "Transfer Mode", REG_DWORD: the index of the list's entry
    AgentTitle,          // "Target window title", REG_SZ
    AgentMessageId,      // "Message ID", REG_DWORD
    AgentDirectory,      // "Output Directory", REG_SZ
    AgentPreprocessing,  // "Preprocessing: Enabled", REG_DWORD
    AgentPreprocessor,   // "Preprocessing: Application", REG_SZ
    AgentRowCount
};

const wchar_t* AgentValueName(size_t row);
bool IsAgentText(size_t row);  // REG_SZ; the others are REG_DWORD

// One value: a text row keeps `text`, a number row `number`.
struct AgentValue {
    std::wstring text;
    DWORD number = 0;
    bool operator==(const AgentValue& other) const { return text == other.text && number == other.number; }
    bool operator!=(const AgentValue& other) const { return !(*this == other); }
};
using AgentShown = std::array<AgentValue, AgentRowCount>;
using AgentRows = std::array<bool, AgentRowCount>;

// What the page stands for: the values it shows and which of them are the user's.
struct AgentLoad {
    AgentShown shown;
    // The user key holds the value, readable or not (also when the key could not tell).
    AgentRows userHolds{};
    // A machine value that was needed could not be read, other than by being absent.
    Failure machineFailure;
};

// Reads the seven values by the rule above.
AgentLoad LoadAgentValues();

// Puts the values an import holds into what the page stands for, as the user's own: the
// rows whose value the page can show (a text as REG_SZ, a number as a REG_DWORD of four
// bytes). Returns those rows.
AgentRows OverlayImported(AgentLoad& load, const ImportedValues& imported);

// The page's values as the data layer compares them. `atLoad` and `now` are what the
// controls held after the load and hold at apply: a row whose control still holds what it
// showed stands for the loaded value, which a control may show only in part (a text cut
// at a line break, a switch stored as 7, a mode the list does not have).
AgentShown AgentEdited(const AgentLoad& loaded, const AgentShown& atLoad, const AgentShown& now);

// The rows an apply of `edited` writes: none when no value differs from the loaded one;
// else every row but those unchanged that the user key holds.
AgentRows AgentRowsToWrite(const AgentLoad& loaded, const AgentShown& edited);

// Writes those rows with their `edited` values under HKEY_CURRENT_USER, one value at a
// time, each write checked: every value outside the change stays untouched, whenever the
// process stops. The values not stored are added to `notStored`; true when all were.
bool SaveAgentChange(const AgentLoad& loaded, const AgentShown& edited, NotStored& notStored);

// What the page stands for once SaveAgentChange stored `edited` whole.
AgentLoad AgentLoadAfterSave(const AgentLoad& loaded, const AgentShown& edited);
