#include "settings/regtools.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "base/handles.h"
#include "base/registry.h"

namespace {

// The line numbers the log's entries carry are part of its format: the tools that read
// the log know them.
enum LogLine : unsigned {
    CreateKeyFailed = 30,
    CreateUnsupportedType = 46,
    SetValueFailed = 53,
    OpenKeyFailed = 74,
    QueryValueFailed = 90,
    AllocFailed = 97,
    ReadUnsupportedType = 120,
};

// A composed message is cut to one character less, for its terminator.
constexpr size_t MessageCapacity = 2048;
using MessageBuffer = wchar_t[MessageCapacity];

void* DefaultAllocate(size_t bytes) { return std::malloc(bytes); }

reg_alloc_fn Allocate = DefaultAllocate;

// Registry calls return their status and leave the thread's last-error value alone;
// the walkers report through that value, so a failed call's status is put there.
void KeepStatus(LONG status) { SetLastError(static_cast<DWORD>(status)); }

void Compose(MessageBuffer& message, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    _vsnwprintf(message, MessageCapacity - 1, format, args);
    va_end(args);
    message[MessageCapacity - 1] = L'\0';
}

// Logs a failure of the row under `line`, with the thread's last-error value as its
// code, and leaves that value in place (writing the log may change it). The format
// takes the root's name, the subkey and the value name, or the first two of them.
void LogRowFailure(MessageBuffer& message, unsigned line, const wchar_t* format, const RegRecord& row) {
    const DWORD code = GetLastError();
    Compose(message, format, reg_root_name(row.root), row.subkey, row.value_name);
    reg_log_error(line, message, static_cast<int>(code));
    SetLastError(code);
}

bool ReadStringRow(RegRecord& row, HKEY key, MessageBuffer& message) {
    // A missing value comes back as no string, whatever the pointer held.
    row.string_value = nullptr;
    DWORD stored = 0;
    LONG status = RegQueryValueExW(key, row.value_name, nullptr, nullptr, nullptr, &stored);
    if (status != ERROR_SUCCESS) {
        KeepStatus(status);
        return false;
    }
    // Twice the stored size plus a terminator: the zeroed block always ends the text,
    // even one stored without its own terminator.
    const uint64_t bytes = 2ull * stored + 2;
    void* block = bytes <= SIZE_MAX ? Allocate(static_cast<size_t>(bytes)) : nullptr;
    if (!block) {
        reg_log_error(AllocFailed, "reg_read_records(): failed to malloc().", ERROR_NOT_ENOUGH_MEMORY);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::memset(block, 0, static_cast<size_t>(bytes));
    row.string_value = static_cast<wchar_t*>(block);
    DWORD allowed = stored;
    status = RegQueryValueExW(key, row.value_name, nullptr, nullptr, static_cast<BYTE*>(block), &allowed);
    if (status == ERROR_SUCCESS) return true;

    KeepStatus(status);
    LogRowFailure(message, QueryValueFailed, L"reg_read_records(): failed to RegQueryValueEx(\"%ls:%ls:%ls\").", row);
    std::free(block);
    row.string_value = nullptr;
    return false;
}

bool ReadDwordRow(RegRecord& row, HKEY key) {
    // Read into a copy: a failed query may leave its buffer undefined, and the row's
    // value is its default.
    DWORD value = row.dword_value;
    DWORD size = sizeof value;
    LONG status = RegQueryValueExW(key, row.value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    if (status != ERROR_SUCCESS) {
        KeepStatus(status);
        return false;
    }
    row.dword_value = value;
    return true;
}

// Returns the number of failures of the row's write (0, 1, or 2 for an unsupported type).
int WriteRow(RegRecord& row, HKEY key, MessageBuffer& message) {
    int failed = 0;
    const BYTE* data = nullptr;
    DWORD size = 0;
    bool supported = true;
    switch (row.type) {
        case REG_SZ: {
            const wchar_t* text = row.string_value ? row.string_value : L"";
            data = reinterpret_cast<const BYTE*>(text);
            size = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
            break;
        }
        case REG_DWORD:
            data = reinterpret_cast<const BYTE*>(&row.dword_value);
            size = sizeof row.dword_value;
            break;
        default:
            reg_log_error(CreateUnsupportedType, "reg_create_records(): unsupported value type.",
                          static_cast<int>(row.type));
            SetLastError(row.type);
            ++failed;
            supported = false;
            break;
    }
    if (supported) {
        LONG status = RegSetValueExW(key, row.value_name, 0, row.type, data, size);
        if (status == ERROR_SUCCESS) return failed;
        KeepStatus(status);
    }
    // The write failed, or was not tried for an unsupported type.
    LogRowFailure(message, SetValueFailed, L"reg_create_records(): failed to RegSetValueEx(\"%ls:%ls:%ls\").", row);
    return failed + 1;
}

}  // namespace

int reg_read_records(RegRecord* table) {
    MessageBuffer message = {};
    int failed = 0;
    for (RegRecord* row = table; row && row->root; ++row) {
        SetLastError(ERROR_SUCCESS);
        HKEY opened = nullptr;
        LONG status = RegOpenKeyExW(row->root, row->subkey, 0, KEY_READ | RegistryViewFor(row->root), &opened);
        if (status != ERROR_SUCCESS) {
            KeepStatus(status);
            ++failed;
            if (GetLastError() == ERROR_FILE_NOT_FOUND)
                LogRowFailure(message, OpenKeyFailed, L"reg_read_records(): failed to RegOpenKeyEx(\"%ls:%ls\").", *row);
            continue;
        }
        const UniqueRegKey key(opened);
        switch (row->type) {
            case REG_SZ:
                if (!ReadStringRow(*row, key.get(), message)) ++failed;
                break;
            case REG_DWORD:
                if (!ReadDwordRow(*row, key.get())) ++failed;
                break;
            default:
                SetLastError(row->type);
                LogRowFailure(message, ReadUnsupportedType, L"reg_read_records(): unsupporter value type: \"%ls:%ls:%ls\".",
                              *row);
                ++failed;
                break;
        }
    }
    return failed;
}

int reg_create_records(RegRecord* table) {
    MessageBuffer message = {};
    int failed = 0;
    for (RegRecord* row = table; row && row->root; ++row) {
        SetLastError(ERROR_SUCCESS);
        HKEY created = nullptr;
        LONG status = RegCreateKeyExW(row->root, row->subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_READ | KEY_WRITE | RegistryViewFor(row->root), nullptr, &created, nullptr);
        if (status != ERROR_SUCCESS) {
            KeepStatus(status);
            LogRowFailure(message, CreateKeyFailed, L"reg_create_records(): failed to RegCreateKeyEx(\"%ls:%ls\").", *row);
            ++failed;
            continue;
        }
        const UniqueRegKey key(created);
        failed += WriteRow(*row, key.get(), message);
    }
    return failed;
}

void reg_free_records(RegRecord* table) {
    for (RegRecord* row = table; row && row->root; ++row) {
        if (row->type == REG_SZ && row->string_value) {
            std::free(row->string_value);
            row->string_value = nullptr;
        }
    }
}

const wchar_t* reg_root_name(HKEY root) {
    if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
    if (root == HKEY_USERS) return L"HKEY_USERS";
    return L"Unknown";
}

reg_alloc_fn reg_set_allocator(reg_alloc_fn allocate) {
    reg_alloc_fn previous = Allocate;
    Allocate = allocate ? allocate : DefaultAllocate;
    return previous;
}
