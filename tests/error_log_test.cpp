// The error log: its entries read back byte for byte, where it is written and when not.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

#include "base/handles.h"
#include "settings/error_log.h"
#include "settings/error_log_verdicts.h"
#include "tests/support/dialog_input.h"
#include "tests/support/error_log.h"

namespace {

class ErrorLogTest : public testing::Test {
protected:
    void SetUp() override {
        StartWithEmptyErrorLog();
        reg_set_clock(FixedLocalTime);
    }
    void TearDown() override {
        reg_set_clock(nullptr);
        StartWithEmptyErrorLog();
    }
    static std::string Entry(unsigned line, const std::string& message, int code) {
        return ErrorLogEntry(line, FixedTimeText, message, code);
    }
};

TEST_F(ErrorLogTest, NarrowAndWideEntriesAppendToTheSameFile) {
    reg_log_error(97, "fixed text", 8);
    reg_log_error(30, L"composed \u00e9\u4e2d", -5);
    EXPECT_EQ(ErrorLogBytes(), Entry(97, "fixed text", 8) + Entry(30, "composed \xE9?", -5));
}

TEST_F(ErrorLogTest, TimeLineComesFromTheLocalClock) {
    reg_set_clock(nullptr);
    SYSTEMTIME before;
    GetLocalTime(&before);
    reg_log_error(46, "now", 0);
    const std::string log = ErrorLogBytes();
    std::smatch match;
    const std::regex shape(
        "\r\nERROR: file: \\.\\.\\\\agent\\\\src\\\\regtools; line: 46; "
        "time: (Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "([0-3][0-9]) [0-2][0-9]:[0-5][0-9]:[0-5][0-9] ([0-9]+);\r\nmessage: now\r\nerrcode: 0\r\n\r\n");
    ASSERT_TRUE(std::regex_match(log, match, shape)) << log;
    EXPECT_EQ(std::stoi(match[4].str()), before.wYear);
    const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    EXPECT_EQ(match[1].str(), days[before.wDayOfWeek]);
}

// The final paths are what the system names the handles (null where it names none).
TEST(RegLogVerdict, OnlyAPlainFileOfOneNameInAPlainFolderIsWrittenAndPast1MiBItIsRotated) {
    constexpr DWORD Folder = FILE_ATTRIBUTE_DIRECTORY;
    constexpr DWORD Plain = FILE_ATTRIBUTE_ARCHIVE;
    constexpr DWORD Invalid = INVALID_FILE_ATTRIBUTES;
    constexpr unsigned long long MiB = 1ull << 20;
    struct Case {
        DWORD folder, file, links;
        unsigned long long bytes;
        RegLogVerdict expected;
        const wchar_t* folderPath = L"\\\\?\\C:\\tmp";
        const wchar_t* filePath = L"\\\\?\\C:\\tmp\\log";
    };
    const Case cases[] = {
        {Folder, Plain, 1, 0, RegLogVerdict::Append},
        {Folder, FILE_ATTRIBUTE_NORMAL, 1, MiB, RegLogVerdict::Append},
        {Folder | FILE_ATTRIBUTE_HIDDEN, Plain | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, 1, 5, RegLogVerdict::Append},
        {Folder, Plain, 1, MiB + 1, RegLogVerdict::Rotate},
        {Folder, Plain, 1, ~0ull, RegLogVerdict::Rotate},
        // C:\tmp a junction or a symbolic link, or no folder at all
        {Folder | FILE_ATTRIBUTE_REPARSE_POINT, Plain, 1, 0, RegLogVerdict::Refuse},
        {Plain, Plain, 1, 0, RegLogVerdict::Refuse},
        {Invalid, Plain, 1, 0, RegLogVerdict::Refuse},
        {Folder, Plain, 1, 0, RegLogVerdict::Append, L"\\\\?\\c:\\TMP", L"\\\\?\\C:\\Tmp\\LOG"},
        {Folder, Plain, 1, 0, RegLogVerdict::Append, nullptr, nullptr},
        // C:\tmp reached through a link higher up, or named elsewhere, or not named at all
        {Folder, Plain, 1, 0, RegLogVerdict::Refuse, L"\\\\?\\D:\\Users\\other", L"\\\\?\\D:\\Users\\other\\log"},
        {Folder, Plain, 1, 0, RegLogVerdict::Refuse, L"\\\\?\\C:\\tmp\\sub", L"\\\\?\\C:\\tmp\\sub\\log"},
        {Folder, Plain, 1, 0, RegLogVerdict::Refuse, L"", L""},
        // the log's final path not "log" in that folder
        {Folder, Plain, 1, 0, RegLogVerdict::Refuse, L"\\\\?\\C:\\tmp", L"\\\\?\\D:\\Users\\other\\log"},
        {Folder, Plain, 1, MiB + 1, RegLogVerdict::Refuse, L"\\\\?\\C:\\tmp", L"\\\\?\\C:\\tmp\\log.1"},
        {Folder, Plain, 1, 0, RegLogVerdict::Refuse, L"\\\\?\\C:\\tmp", L""},
        // the log a link, a folder, a device, read-only, or with a second name
        {Folder, Plain | FILE_ATTRIBUTE_REPARSE_POINT, 1, 0, RegLogVerdict::Refuse},
        {Folder, FILE_ATTRIBUTE_DIRECTORY, 1, 0, RegLogVerdict::Refuse},
        {Folder, FILE_ATTRIBUTE_DEVICE, 1, 0, RegLogVerdict::Refuse},
        {Folder, FILE_ATTRIBUTE_READONLY, 1, 0, RegLogVerdict::Refuse},
        {Folder, Plain, 2, 0, RegLogVerdict::Refuse},
        {Folder, Plain, 2, MiB + 1, RegLogVerdict::Refuse},
        {Folder, Plain, 0, 0, RegLogVerdict::Refuse},
        {Folder, Invalid, 1, 0, RegLogVerdict::Refuse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.folder << " " << c.file << " " << c.links << " " << c.bytes);
        SCOPED_TRACE(testing::Message() << (c.folderPath ? c.folderPath : L"-") << " " << (c.filePath ? c.filePath : L"-"));
        EXPECT_EQ(reg_judge_log(c.folder, c.folderPath, c.file, c.links, c.bytes, c.filePath), c.expected);
    }
}

// Wine has no oplocks: the verdict on an open is tried on the statuses an open can give.
// An oplocked file opens at once with a success status and a handle, not to be used.
TEST(RegLogOpenVerdict, OnlyACompletedOpenIsUsedAndAnOplockedOneIsNotNow) {
    const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x1234));
    struct Case {
        const char* status;
        ULONG value;
        HANDLE handle;
        RegLogOpenVerdict expected;
    };
    const Case cases[] = {
        {"STATUS_SUCCESS", 0, handle, RegLogOpenVerdict::Use},
        {"STATUS_OPLOCK_BREAK_IN_PROGRESS", 0x00000108, handle, RegLogOpenVerdict::NotNow},
        {"STATUS_PENDING", 0x00000103, handle, RegLogOpenVerdict::Failed},
        {"STATUS_ACCESS_DENIED", 0xC0000022, nullptr, RegLogOpenVerdict::Failed},
        {"STATUS_ACCESS_DENIED", 0xC0000022, handle, RegLogOpenVerdict::Failed},
        {"STATUS_OBJECT_NAME_NOT_FOUND", 0xC0000034, nullptr, RegLogOpenVerdict::Failed},
        {"STATUS_SHARING_VIOLATION", 0xC0000043, nullptr, RegLogOpenVerdict::Failed},
        {"STATUS_NOT_A_DIRECTORY", 0xC0000103, nullptr, RegLogOpenVerdict::Failed},
        {"STATUS_SUCCESS without a handle", 0, nullptr, RegLogOpenVerdict::Failed},
        {"STATUS_SUCCESS with an invalid handle", 0, INVALID_HANDLE_VALUE, RegLogOpenVerdict::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        EXPECT_EQ(reg_judge_open(static_cast<NTSTATUS>(c.value), c.handle), c.expected);
    }
}

TEST_F(ErrorLogTest, PastOneMebibyteTheNextEntryMovesTheLogToLog1) {
    const std::string full(reg_log_rotate_bytes, 'x');
    WriteFileBytes(ErrorLogPath, full);
    WriteFileBytes(RotatedErrorLogPath, "older");
    reg_log_error(97, "at the limit", 8);
    EXPECT_EQ(ErrorLogBytes(), full + Entry(97, "at the limit", 8));
    EXPECT_EQ(ErrorLogBytes(RotatedErrorLogPath), "older");

    reg_log_error(46, "past it", 3);
    EXPECT_EQ(ErrorLogBytes(), Entry(46, "past it", 3));
    EXPECT_EQ(ErrorLogBytes(RotatedErrorLogPath), full + Entry(97, "at the limit", 8));
}

// A log that cannot be moved (a folder at log.1) goes on taking entries up to its
// ceiling, and the folder is left as it was.
TEST_F(ErrorLogTest, ALogThatCannotBeMovedGrowsToItsCeilingAndNoFurther) {
    ASSERT_TRUE(CreateDirectoryW(RotatedErrorLogPath, nullptr));
    const std::string full(reg_log_rotate_bytes + 1, 'x');
    WriteFileBytes(ErrorLogPath, full);
    reg_log_error(97, "past the limit", 8);
    EXPECT_TRUE(ErrorLogBytes() == full + Entry(97, "past the limit", 8)) << "the entry went to the full log";
    const std::string atCeiling(reg_log_ceiling_bytes - 10, 'x');
    WriteFileBytes(ErrorLogPath, atCeiling);
    reg_log_error(97, "past the ceiling", 8);
    EXPECT_EQ(ErrorLogBytes().size(), atCeiling.size());
    EXPECT_TRUE(RemoveDirectoryW(RotatedErrorLogPath)) << "log.1 is still an empty folder";
}

// Anyone who can open the log can hold its lock byte: the entries are then dropped
// without holding up the user (seven: the Agent page's reads without values), and the
// first entry after the holder let go is written.
TEST_F(ErrorLogTest, AHeldLockDropsEntriesAtOnceUntilItIsFree) {
    WriteFileBytes(ErrorLogPath, "");
    UniqueFileHandle holder(CreateFileW(ErrorLogPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    OVERLAPPED lockByte = {};
    lockByte.Offset = static_cast<DWORD>(reg_log_lock_byte);
    lockByte.OffsetHigh = static_cast<DWORD>(reg_log_lock_byte >> 32);
    ASSERT_TRUE(LockFileEx(holder.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &lockByte));
    const DWORD start = GetTickCount();
    for (int i = 0; i < 7; ++i) reg_log_error(74, "held", i);
    EXPECT_LT(GetTickCount() - start, 500u);
    EXPECT_EQ(ErrorLogBytes(), "");
    UnlockFileEx(holder.get(), 0, 1, 0, &lockByte);
    reg_log_error(74, "free", 7);
    EXPECT_EQ(ErrorLogBytes(), Entry(74, "free", 7));
}

// Four processes append at once (log_writer.exe, beside this program), starting with a
// log just under 1 MiB; whatever the order, every entry must be whole and none lost,
// and the log is rotated once: log.1 holds the whole old log.
TEST_F(ErrorLogTest, ProcessesAppendingAtOnceNeverMixOrLoseEntriesAndRotateOnce) {
    constexpr int Writers = 4, PerWriter = 100;
    const std::string older(reg_log_rotate_bytes - 20000, 'o');
    WriteFileBytes(ErrorLogPath, older);
    const char* const names[Writers] = {"first", "second", "third", "fourth"};
    const std::wstring program = TestProgramDirectory() + L"log_writer.exe";
    PROCESS_INFORMATION writers[Writers] = {};
    HANDLE processes[Writers] = {};
    for (int writer = 0; writer < Writers; ++writer) {
        std::wstring commandLine = L"log_writer " + std::wstring(names[writer], names[writer] + strlen(names[writer])) +
                                   L" " + std::to_wstring(PerWriter);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                   nullptr, nullptr, &startup, &writers[writer]))
            << GetLastError();
        processes[writer] = writers[writer].hProcess;
    }
    for (PROCESS_INFORMATION& writer : writers) ResumeThread(writer.hThread);
    EXPECT_EQ(WaitForMultipleObjects(Writers, processes, TRUE, 60000), WAIT_OBJECT_0);
    for (PROCESS_INFORMATION& writer : writers) {
        CloseHandle(writer.hThread);
        CloseHandle(writer.hProcess);
    }

    std::string log = ErrorLogBytes(RotatedErrorLogPath);
    ASSERT_EQ(log.compare(0, older.size(), older), 0) << "log.1 does not begin with the old log";
    log = log.substr(older.size()) + ErrorLogBytes();
    int next[Writers] = {};
    while (!log.empty()) {
        bool matched = false;
        for (int writer = 0; writer < Writers && !matched; ++writer) {
            const std::string entry = Entry(53, names[writer] + std::string(300, '.'), next[writer]);
            if (log.compare(0, entry.size(), entry) == 0) {
                log.erase(0, entry.size());
                ++next[writer];
                matched = true;
            }
        }
        ASSERT_TRUE(matched) << "not a whole entry in its writer's order after " << next[0] + next[1] + next[2] + next[3]
                             << " entries: " << log.substr(0, 400);
    }
    for (int writer = 0; writer < Writers; ++writer) EXPECT_EQ(next[writer], PerWriter) << names[writer];
}

// What Wine can put at the log's place: a folder, a read-only file, a file with a second
// name. Each is left as it was, and so is the caller's last-error value.
TEST_F(ErrorLogTest, ALogThatIsNotAPlainFileOfOneNameIsNeitherWrittenNorMoved) {
    const std::wstring elsewhere = L"C:\\tmp\\someone-elses-file";
    const std::string bulk(reg_log_rotate_bytes + 1, 'b');
    struct Case {
        const char* what;
        bool (*prepare)(const std::wstring& elsewhere, const std::string& bulk);
    };
    const Case cases[] = {
        {"a folder", [](const std::wstring&, const std::string&) { return !!CreateDirectoryW(ErrorLogPath, nullptr); }},
        {"a read-only file",
         [](const std::wstring&, const std::string& bulk) {
             WriteFileBytes(ErrorLogPath, bulk);
             return !!SetFileAttributesW(ErrorLogPath, FILE_ATTRIBUTE_READONLY);
         }},
        {"a second name of another file",
         [](const std::wstring& elsewhere, const std::string&) {
             WriteFileBytes(elsewhere.c_str(), "precious");
             return !!CreateHardLinkW(ErrorLogPath, elsewhere.c_str(), nullptr);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartWithEmptyErrorLog();
        DeleteFileW(elsewhere.c_str());
        ASSERT_TRUE(c.prepare(elsewhere, bulk)) << GetLastError();
        const std::string before = ErrorLogBytes();
        SetLastError(ERROR_MORE_DATA);
        reg_log_error(46, "refused", 3);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
        EXPECT_EQ(ErrorLogBytes(), before);
        EXPECT_EQ(GetFileAttributesW(RotatedErrorLogPath), INVALID_FILE_ATTRIBUTES);
        if (GetFileAttributesW(elsewhere.c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_EQ(ErrorLogBytes(elsewhere.c_str()), "precious");
        }
    }
    StartWithEmptyErrorLog();
    DeleteFileW(elsewhere.c_str());
}

}  // namespace
