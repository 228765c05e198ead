#include "settings/error_log.h"

#include <winternl.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>

#include "base/handles.h"
#include "error_log_verdicts.h"

namespace {

// The log's place and the name its entries carry are part of its format: the tools that
// read the log know them.
constexpr wchar_t LogFolder[] = L"C:\\tmp";
constexpr wchar_t NativeLogFolder[] = L"\\??\\C:\\tmp";
constexpr wchar_t LogPath[] = L"C:\\tmp\\log";
constexpr wchar_t RotatedLogPath[] = L"C:\\tmp\\log.1";
constexpr char FileLiteral[] = "..\\agent\\src\\regtools";

const char* const DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

reg_clock_fn Clock = GetLocalTime;

const char* DayName(WORD day) { return day < 7 ? DayNames[day] : "???"; }
const char* MonthName(WORD month) { return month >= 1 && month <= 12 ? MonthNames[month - 1] : "???"; }

// The file is 8-bit text: U+0000..U+00FF keep their value, everything else is '?'.
std::string ToLogBytes(const wchar_t* text) {
    std::string bytes;
    for (; text && *text; ++text) bytes += *text <= 0xFF ? static_cast<char>(*text) : '?';
    return bytes;
}

}  // namespace

bool reg_log_folder_is_plain(DWORD folder_attributes, const wchar_t* folder_final_path) {
    // The final path catches a folder reached through a link higher up, or a name that
    // the system resolves elsewhere.
    return folder_attributes != INVALID_FILE_ATTRIBUTES && (folder_attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(folder_attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (!folder_final_path || _wcsicmp(folder_final_path, L"\\\\?\\C:\\tmp") == 0);
}

RegLogVerdict reg_judge_log(DWORD folder_attributes, const wchar_t* folder_final_path, DWORD file_attributes,
                            DWORD file_links, unsigned long long file_bytes, const wchar_t* file_final_path) {
    const bool plainFile = file_attributes != INVALID_FILE_ATTRIBUTES &&
                           !(file_attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                                FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY));
    const bool inFolder = !folder_final_path || !file_final_path ||
                          _wcsicmp(file_final_path, (std::wstring(folder_final_path) + L"\\log").c_str()) == 0;
    // A second name would let whoever made it choose the file the entries go to.
    if (!reg_log_folder_is_plain(folder_attributes, folder_final_path) || !plainFile || !inFolder || file_links != 1)
        return RegLogVerdict::Refuse;
    return file_bytes > reg_log_rotate_bytes ? RegLogVerdict::Rotate : RegLogVerdict::Append;
}

RegLogOpenVerdict reg_judge_open(NTSTATUS status, HANDLE handle) {
    if (status == reg_status_oplock_break_in_progress) return RegLogOpenVerdict::NotNow;
    // STATUS_PENDING is a success too, but of an open not done: no file to write yet.
    constexpr NTSTATUS Pending = 0x00000103;
    if (status < 0 || status == Pending || handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return RegLogOpenVerdict::Failed;
    return RegLogOpenVerdict::Use;
}

namespace {

// Opened as they are, never through a link, as the log's place is open to every user.
constexpr DWORD NoLinkFollowed = FILE_FLAG_OPEN_REPARSE_POINT;
// Readers and other runs appending at the same time are welcome; rotating renames.
constexpr DWORD LogSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a look at an open handle finds.
struct HandleLook {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    DWORD links = 0;
    unsigned long long bytes = 0;
    bool named = false;           // false where the system gives handles no final path
    std::wstring finalPath;       // empty when the system failed to name it
    const wchar_t* path() const { return named ? finalPath.c_str() : nullptr; }
};

HandleLook LookAt(HANDLE handle) {
    // Bound at run time: systems before Vista lack it.
    using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
    static const auto finalPathOf = reinterpret_cast<FinalPathFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
    HandleLook look;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info)) {
        look.attributes = info.dwFileAttributes;
        look.links = info.nNumberOfLinks;
        look.bytes = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    if (finalPathOf) {
        look.named = true;
        wchar_t path[MAX_PATH + 16];
        const DWORD length = finalPathOf(handle, path, MAX_PATH + 16, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length > 0 && length < MAX_PATH + 16) look.finalPath.assign(path, length);
    }
    return look;
}

// One entry as its bytes in the file: text with CR LF line ends.
std::string EntryBytes(unsigned line, const SYSTEMTIME& time, const char* message, int code) {
    // The C runtime's own formatting (MinGW's C99 printf would add 50 KB to each module).
    char head[160] = {};
    _snprintf(head, sizeof head - 1, "\nERROR: file: %s; line: %u; time: %s %s %02u %02u:%02u:%02u %u;\n",
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

// The native calls that open and rename a file relative to an open folder, so that the
// folder judged is the one written to, whatever its name leads to meanwhile, and that
// open without waiting on an oplock. Windows 9x has neither (nor junctions, nor
// oplocks): there the folder and the log are opened, and the log renamed, by their paths.
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG nameBytes;
    WCHAR name[8];
};
struct NativeFileCalls {
    using CreateFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG,
                                  ULONG, ULONG, ULONG, PVOID, ULONG);
    using SetInformationFn = LONG(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    CreateFn create = nullptr;
    SetInformationFn setInformation = nullptr;
};

const NativeFileCalls& Native() {
    static const NativeFileCalls calls = [] {
        NativeFileCalls found;
        if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
            found.create = reinterpret_cast<NativeFileCalls::CreateFn>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")));
            found.setInformation = reinterpret_cast<NativeFileCalls::SetInformationFn>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")));
        }
        return found;
    }();
    return calls;
}

// Append only: every write goes to the end, whatever other runs wrote meanwhile. Read
// access only for the lock; delete access to rotate by this handle.
constexpr DWORD LogAccess = FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// The folder is held open without delete sharing while the file is used, so that it
// cannot be renamed and replaced by a link.
constexpr DWORD FolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
constexpr DWORD FolderSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The folder or the log as opened, owned when it is to be used.
struct Opening {
    RegLogOpenVerdict verdict = RegLogOpenVerdict::Failed;
    UniqueHandle handle;
};

Opening OpenedByPath(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return {};
    return {RegLogOpenVerdict::Use, UniqueHandle(handle)};
}

// Any local user can take an oplock on the folder or the log and never acknowledge its
// break: an open that waited for him would hold up the sheet for good. So an oplocked
// file completes at once, and its handle is closed unused.
Opening OpenNatively(HANDLE folder, const wchar_t* name, DWORD access, DWORD sharing, ULONG disposition, ULONG options) {
    constexpr ULONG Synchronous = 0x20, CompleteIfOplocked = 0x100, NotThroughALink = 0x00200000;
    std::wstring path = name;
    UNICODE_STRING pathString = {static_cast<USHORT>(path.size() * sizeof(wchar_t)),
                                 static_cast<USHORT>((path.size() + 1) * sizeof(wchar_t)), &path[0]};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &pathString, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE opened = nullptr;
    const NTSTATUS status =
        Native().create(&opened, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, sharing,
                        disposition, options | Synchronous | CompleteIfOplocked | NotThroughALink, nullptr, 0);
    // Every success status comes with a handle of ours.
    Opening result{reg_judge_open(status, opened), UniqueHandle(status >= 0 ? opened : nullptr)};
    if (result.verdict != RegLogOpenVerdict::Use) result.handle.reset();
    return result;
}

Opening OpenFolder() {
    if (!Native().create) {
        return OpenedByPath(CreateFileW(LogFolder, FolderAccess, FolderSharing, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | NoLinkFollowed, nullptr));
    }
    constexpr ULONG Open = 1, AFolder = 0x1;  // FILE_OPEN, FILE_DIRECTORY_FILE
    return OpenNatively(nullptr, NativeLogFolder, FolderAccess, FolderSharing, Open, AFolder);
}

Opening OpenLogIn(HANDLE folder, DWORD access) {
    if (!Native().create) {
        return OpenedByPath(CreateFileW(LogPath, access, LogSharing, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | NoLinkFollowed, nullptr));
    }
    constexpr ULONG OpenIf = 3, NotAFolder = 0x40;  // FILE_OPEN_IF, FILE_NON_DIRECTORY_FILE
    return OpenNatively(folder, L"log", access, LogSharing, OpenIf, NotAFolder);
}

// Moves the open log to "log.1" in the same folder, replacing an older one.
bool RenameToRotated(HANDLE folder, HANDLE file) {
    if (!Native().setInformation) return MoveFileExW(LogPath, RotatedLogPath, MOVEFILE_REPLACE_EXISTING) != FALSE;
    constexpr ULONG FileRenameInformation = 10;
    RenameInformation rename = {TRUE, folder, 10, L"log.1"};
    IO_STATUS_BLOCK status = {};
    return Native().setInformation(file, &status, &rename, sizeof rename, FileRenameInformation) >= 0;
}

// The log's lock, waited for at most 200 ms: another run holds it for one write, so a
// longer wait means someone holds it on purpose. After such a wait the run does not wait
// again for ten seconds, unless it gets the lock meanwhile: whoever holds the lock holds
// up the user for a fifth of a second now and then, never for seconds per entry.
class LogLock {
public:
    explicit LogLock(HANDLE file) : file_(file) {
        at_.Offset = static_cast<DWORD>(reg_log_lock_byte);
        at_.OffsetHigh = static_cast<DWORD>(reg_log_lock_byte >> 32);
        constexpr DWORD WaitMs = 200, QuietMs = 10000;
        const DWORD start = GetTickCount();
        const bool wait = !waitFailed_ || start - failedAt_ >= QuietMs;
        while (!(held_ = Try()) && wait && GetTickCount() - start < WaitMs) Sleep(1);
        if (held_) {
            waitFailed_ = false;
        } else if (wait) {
            waitFailed_ = true;
            failedAt_ = GetTickCount();
        }
    }
    ~LogLock() {
        if (held_) UnlockFileEx(file_, 0, 1, 0, &at_);
    }
    LogLock(const LogLock&) = delete;
    LogLock& operator=(const LogLock&) = delete;
    bool held() const { return held_; }

private:
    bool Try() { return LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at_) != FALSE; }
    static inline std::atomic<bool> waitFailed_{false};
    static inline std::atomic<DWORD> failedAt_{0};
    HANDLE file_;
    OVERLAPPED at_ = {};
    bool held_ = false;
};

bool WriteWhole(HANDLE file, const std::string& entry) {
    DWORD written = 0;
    return WriteFile(file, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr) &&
           written == entry.size();
}

// Appends the entry in one write under the log's lock, so that two runs appending at
// once never mix their entries. False when the log was refused, busy, oplocked or full.
bool AppendEntry(const std::string& entry) {
    // At most a few reopenings: after this run's rotation, or another run's.
    for (int opening = 0; opening < 4; ++opening) {
        // Judged before anything is created in it.
        const Opening folder = OpenFolder();
        if (folder.verdict != RegLogOpenVerdict::Use) return false;
        const HandleLook place = LookAt(folder.handle.get());
        if (!reg_log_folder_is_plain(place.attributes, place.path())) return false;

        // A reader that shares no deletion keeps the log from being rotated, not written;
        // an oplocked log is not tried again.
        Opening log = OpenLogIn(folder.handle.get(), LogAccess | DELETE);
        if (log.verdict == RegLogOpenVerdict::Failed) log = OpenLogIn(folder.handle.get(), LogAccess);
        if (log.verdict != RegLogOpenVerdict::Use) return false;
        HANDLE file = log.handle.get();
        const HandleLook opened = LookAt(file);
        if (reg_judge_log(place.attributes, place.path(), opened.attributes, opened.links, opened.bytes,
                          opened.path()) == RegLogVerdict::Refuse)
            return false;

        const LogLock lock(file);
        if (!lock.held()) return false;
        // Looked at again under the lock: another run may have rotated or filled it.
        const HandleLook locked = LookAt(file);
        if (locked.finalPath != opened.finalPath) continue;
        const RegLogVerdict verdict = reg_judge_log(place.attributes, place.path(), locked.attributes, locked.links,
                                                    locked.bytes, locked.path());
        if (verdict == RegLogVerdict::Refuse) return false;
        if (verdict == RegLogVerdict::Rotate && RenameToRotated(folder.handle.get(), file)) continue;
        // Past the limit but not movable (log.1 a folder, or held without delete sharing):
        // kept growing up to its ceiling, so that nothing is lost before it.
        if (verdict == RegLogVerdict::Rotate && locked.bytes + entry.size() > reg_log_ceiling_bytes) return false;
        return WriteWhole(file, entry);
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

