#include "settings/agent_values.h"

#include <utility>

#include "base/registry.h"
#include "res/resource.h"
#include "settings/machine_values.h"
#include "settings/regtools.h"
#include "settings/settings.h"

namespace {

// The rows are the Agent values of the machine list, in its order.
constexpr const MachineValue* AgentList = MachineValues + FirstAgentValue;
static_assert(AgentRowCount == AgentValueCount, "one row per Agent value");
constexpr bool RowsInListOrder() {
    const wchar_t* const names[AgentRowCount] = {
        ValueName::ClientApplication, ValueName::TransferMode,         ValueName::TargetWindowTitle,
        ValueName::MessageId,         ValueName::OutputDirectory,      ValueName::PreprocessingEnabled,
        ValueName::PreprocessingApplication};
    for (size_t row = 0; row < AgentRowCount; ++row)
        if (AgentList[row].name != names[row]) return false;
    return true;
}
static_assert(RowsInListOrder(), "the AgentRow enumeration follows the machine list");

// A table of one row and its terminator; the row's string, read, is released with it.
struct OneRow {
    RegRecord table[2];
    OneRow(HKEY root, const std::wstring& subkey, size_t row)
        : table{{root, subkey.c_str(), AgentValueName(row), AgentList[row].type, 0, nullptr}, {}} {}
    OneRow(const OneRow&) = delete;
    OneRow& operator=(const OneRow&) = delete;
    ~OneRow() { reg_free_records(table); }
};

struct RowRead {
    LONG status = ERROR_SUCCESS;  // the read's, ERROR_SUCCESS when it was read
    AgentValue value;             // empty or 0 unless it was read
};

RowRead ReadRow(HKEY root, const std::wstring& subkey, size_t row) {
    OneRow one(root, subkey, row);
    RowRead read;
    // The record tables leave a failed row's status as the thread's last error.
    if (reg_read_records(one.table) != 0) {
        read.status = static_cast<LONG>(GetLastError());
        if (read.status == ERROR_SUCCESS) read.status = ERROR_READ_FAULT;
        return read;
    }
    if (one.table[0].string_value) read.value.text = one.table[0].string_value;
    read.value.number = one.table[0].dword_value;
    return read;
}

}  // namespace

const wchar_t* AgentValueName(size_t row) { return AgentList[row].name; }

bool IsAgentText(size_t row) { return AgentList[row].type == REG_SZ; }

AgentLoad LoadAgentValues() {
    const std::wstring userKey = FormatWithKeyName(UserKeyFormat);
    const std::wstring machineKey = FormatWithKeyName(MachineKeyFormat);
    AgentLoad load;
    for (size_t row = 0; row < AgentRowCount; ++row) {
        const RowRead own = ReadRow(HKEY_CURRENT_USER, userKey, row);
        // Held unless surely absent: what could not be looked at is not written over.
        load.userHolds[row] = own.status != ERROR_FILE_NOT_FOUND;
        if (own.status == ERROR_SUCCESS) {
            load.shown[row] = own.value;
            continue;
        }
        const RowRead machine = ReadRow(HKEY_LOCAL_MACHINE, machineKey, row);
        load.shown[row] = machine.value;
        // Values that are simply not there are normal, also on the machine.
        if (machine.status != ERROR_SUCCESS && machine.status != ERROR_FILE_NOT_FOUND && !load.machineFailure)
            load.machineFailure = {IDS_MACHINE_AGENT_READ_FAILED, static_cast<DWORD>(machine.status)};
    }
    return load;
}

AgentRows OverlayImported(AgentLoad& load, const ImportedValues& imported) {
    AgentRows rows{};
    for (size_t row = 0; row < AgentRowCount; ++row) {
        const StoredValue* value = imported.Find(AgentValueName(row));
        AgentValue shown;
        if (!value || !(IsAgentText(row) ? ImportedText(*value, shown.text) : ImportedNumber(*value, shown.number)))
            continue;
        load.shown[row] = std::move(shown);
        load.userHolds[row] = true;
        rows[row] = true;
    }
    return rows;
}

AgentShown AgentEdited(const AgentLoad& loaded, const AgentShown& atLoad, const AgentShown& now) {
    AgentShown edited;
    for (size_t row = 0; row < AgentRowCount; ++row)
        edited[row] = now[row] == atLoad[row] ? loaded.shown[row] : now[row];
    return edited;
}

AgentRows AgentRowsToWrite(const AgentLoad& loaded, const AgentShown& edited) {
    AgentRows changed{};
    bool anyChanged = false;
    for (size_t row = 0; row < AgentRowCount; ++row) anyChanged |= changed[row] = edited[row] != loaded.shown[row];
    AgentRows rows{};
    if (!anyChanged) return rows;
    for (size_t row = 0; row < AgentRowCount; ++row) rows[row] = changed[row] || !loaded.userHolds[row];
    return rows;
}

bool SaveAgentChange(const AgentLoad& loaded, const AgentShown& edited, NotStored& notStored) {
    const AgentRows rows = AgentRowsToWrite(loaded, edited);
    const std::wstring userKey = FormatWithKeyName(UserKeyFormat);
    bool stored = true;
    for (size_t row = 0; row < AgentRowCount; ++row) {
        if (!rows[row]) continue;
        // The row borrows the text, which `edited` owns: the table is never released,
        // and writing only reads the string.
        RegRecord table[2] = {{HKEY_CURRENT_USER, userKey.c_str(), AgentValueName(row), AgentList[row].type,
                               edited[row].number, const_cast<wchar_t*>(edited[row].text.c_str())},
                              {}};
        if (reg_create_records(table) == 0) continue;
        const DWORD status = GetLastError();
        notStored.Add(AgentValueName(row), static_cast<LONG>(status != ERROR_SUCCESS ? status : ERROR_WRITE_FAULT));
        stored = false;
    }
    return stored;
}

AgentLoad AgentLoadAfterSave(const AgentLoad& loaded, const AgentShown& edited) {
    const AgentRows written = AgentRowsToWrite(loaded, edited);
    AgentLoad after;
    after.shown = edited;
    for (size_t row = 0; row < AgentRowCount; ++row) after.userHolds[row] = loaded.userHolds[row] || written[row];
    return after;
}
