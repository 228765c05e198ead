#include "settings/regtools.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "base/handles.h"
#include "base/registry.h"

namespace {

// The log's place and the name and line numbers its entries carry are part of its
// format: the tools that read the log know them.
constexpr wchar_t LogFolder[] = L"C:\\tmp";
constexpr wchar_t LogPath[] = L"C:\\tmp\\log";
constexpr wchar_t RotatedLogPath[] = L"C:\\tmp\\log.1";
constexpr char FileLiteral[] = "..\\agent\\src\\regtools";

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

const char* const DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void* DefaultAllocate(size_t bytes) { return std::malloc(bytes); }

reg_clock_fn Clock = GetLocalTime;
reg_alloc_fn Allocate = DefaultAllocate;

// The key one row opens, closed when the row is done.
struct RowKey {
    HKEY handle = nullptr;
    RowKey() = default;
    RowKey(const RowKey&) = delete;
    RowKey& operator=(const RowKey&) = delete;
    ~RowKey() {
        if (handle) RegCloseKey(handle);
    }
};

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

// The file is 8-bit text: U+0000..U+00FF keep their value, everything else is '?'.
std::string ToLogBytes(const wchar_t* text) {
    std::string bytes;
    for (; text && *text; ++text) bytes += *text <= 0xFF ? static_cast<char>(*text) : '?';
    return bytes;
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

const char* DayName(WORD day) { return day < 7 ? DayNames[day] : "???"; }
const char* MonthName(WORD month) { return month >= 1 && month <= 12 ? MonthNames[month - 1] : "???"; }

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
        RowKey key;
        LONG status = RegOpenKeyExW(row->root, row->subkey, 0, KEY_READ | RegistryViewFor(row->root), &key.handle);
        if (status != ERROR_SUCCESS) {
            key.handle = nullptr;
            KeepStatus(status);
            ++failed;
            if (GetLastError() == ERROR_FILE_NOT_FOUND)
                LogRowFailure(message, OpenKeyFailed, L"reg_read_records(): failed to RegOpenKeyEx(\"%ls:%ls\").", *row);
            continue;
        }
        switch (row->type) {
            case REG_SZ:
                if (!ReadStringRow(*row, key.handle, message)) ++failed;
                break;
            case REG_DWORD:
                if (!ReadDwordRow(*row, key.handle)) ++failed;
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
        RowKey key;
        LONG status = RegCreateKeyExW(row->root, row->subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_READ | KEY_WRITE | RegistryViewFor(row->root), nullptr, &key.handle, nullptr);
        if (status != ERROR_SUCCESS) {
            key.handle = nullptr;
            KeepStatus(status);
            LogRowFailure(message, CreateKeyFailed, L"reg_create_records(): failed to RegCreateKeyEx(\"%ls:%ls\").", *row);
            ++failed;
            continue;
        }
        failed += WriteRow(*row, key.handle, message);
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

RegLogVerdict reg_judge_log(DWORD folder_attributes, DWORD file_attributes, DWORD file_links,
                            unsigned long long file_bytes) {
    const bool plainFolder =
        (folder_attributes & FILE_ATTRIBUTE_DIRECTORY) && !(folder_attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    const bool plainFile = !(file_attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                                FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY));
    // A second name would let whoever made it choose the file the entries go to.
    if (folder_attributes == INVALID_FILE_ATTRIBUTES || file_attributes == INVALID_FILE_ATTRIBUTES || !plainFolder ||
        !plainFile || file_links != 1)
        return RegLogVerdict::Refuse;
    return file_bytes > reg_log_rotate_bytes ? RegLogVerdict::Rotate : RegLogVerdict::Append;
}

namespace {

// Opened as they are, never through a link, as the log's place is open to every user.
constexpr DWORD NoLinkFollowed = FILE_FLAG_OPEN_REPARSE_POINT;
// Readers and other runs appending at the same time are welcome; rotating renames.
constexpr DWORD LogSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

DWORD AttributesOf(HANDLE handle, DWORD* links = nullptr, unsigned long long* bytes = nullptr) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return INVALID_FILE_ATTRIBUTES;
    if (links) *links = info.nNumberOfLinks;
    if (bytes) *bytes = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return info.dwFileAttributes;
}

// One entry as its bytes in the file: text with CR LF line ends.
std::string EntryBytes(unsigned line, const SYSTEMTIME& time, const char* message, int code) {
    char head[160];
    std::snprintf(head, sizeof head, "\nERROR: file: %s; line: %u; time: %s %s %02u %02u:%02u:%02u %u;\n",
                  FileLiteral, line, DayName(time.wDayOfWeek), MonthName(time.wMonth), time.wDay, time.wHour,
                  time.wMinute, time.wSecond, time.wYear);
    std::string text = head;
    text += "message: ";
    text += message ? message : "";
    text += "\nerrcode: " + std::to_string(code) + "\n\n";
    std::string bytes;
    bytes.reserve(text.size() + 16);
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

// Writes the entry in one call while holding the log's lock: an append-only handle
// writes at the end on its own on Windows, but not every implementation of the calls
// makes that end and the write one step. The lock is a byte far past any real log, so
// readers are never kept out; a run that cannot get it within a second drops the entry.
bool WriteWhole(HANDLE file, const std::string& entry) {
    constexpr DWORD LockOffsetHigh = 0x40000000;
    OVERLAPPED lockAt = {};
    lockAt.OffsetHigh = LockOffsetHigh;
    bool locked = false;
    for (int tries = 0; tries < 200 && !locked; ++tries) {
        locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &lockAt) != FALSE;
        if (!locked) Sleep(5);
    }
    if (!locked) return false;
    DWORD written = 0;
    const bool whole =
        WriteFile(file, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr) && written == entry.size();
    UnlockFileEx(file, 0, 1, 0, &lockAt);
    return whole;
}

// Appends the entry in one write, so that two runs appending at once never mix their
// entries. False when the file was refused or the write failed.
bool AppendEntry(const std::string& entry) {
    // The folder is held open without delete sharing while the file is used, so it
    // cannot be renamed and replaced by a link meanwhile.
    UniqueFileHandle folder(CreateFileW(LogFolder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | NoLinkFollowed, nullptr));
    if (!folder.valid()) return false;
    const DWORD folderAttributes = AttributesOf(folder.get());
    // One rotation at most: when another run rotated first, the second look finds its new log.
    for (int attempt = 0; attempt < 2; ++attempt) {
        {
            // Append only: every write goes to the end, whatever other runs wrote meanwhile.
            // Read access only for the lock: the handle cannot write but at the end.
            constexpr DWORD Access = FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
            UniqueFileHandle file(CreateFileW(LogPath, Access, LogSharing, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL | NoLinkFollowed, nullptr));
            if (!file.valid()) return false;
            DWORD links = 0;
            unsigned long long bytes = 0;
            const DWORD fileAttributes = AttributesOf(file.get(), &links, &bytes);
            const RegLogVerdict verdict = reg_judge_log(folderAttributes, fileAttributes, links, bytes);
            if (verdict == RegLogVerdict::Refuse) return false;
            if (verdict == RegLogVerdict::Append) return WriteWhole(file.get(), entry);
        }
        // Rotated with the file closed. A rename moves the file (or a link put in place
        // of log.1) and never writes through a link.
        if (attempt == 0) MoveFileExW(LogPath, RotatedLogPath, MOVEFILE_REPLACE_EXISTING);
    }
    return false;
}

}  // namespace

void reg_log_error(unsigned line, const char* message, int code) {
    SYSTEMTIME time = {};
    Clock(&time);
    // No directory is created: without one, or with a file refused, the entry is lost
    // and nothing else.
    const DWORD lastError = GetLastError();
    AppendEntry(EntryBytes(line, time, message, code));
    SetLastError(lastError);
}

// The narrowing is done here rather than by the C runtime's wide output: a runtime may
// stop the whole write at the first character its locale cannot convert.
void reg_log_error(unsigned line, const wchar_t* message, int code) {
    reg_log_error(line, ToLogBytes(message).c_str(), code);
}

reg_clock_fn reg_set_clock(reg_clock_fn clock) {
    reg_clock_fn previous = Clock;
    Clock = clock ? clock : GetLocalTime;
    return previous;
}

reg_alloc_fn reg_set_allocator(reg_alloc_fn allocate) {
    reg_alloc_fn previous = Allocate;
    Allocate = allocate ? allocate : DefaultAllocate;
    return previous;
}
