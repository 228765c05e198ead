#include "tests/support/error_log.h"

#include <cstdio>

namespace {
constexpr wchar_t LogDirectory[] = L"C:\\tmp";
constexpr wchar_t LogFile[] = L"C:\\tmp\\log";
}  // namespace

void StartWithEmptyErrorLog() {
    CreateDirectoryW(LogDirectory, nullptr);
    DeleteFileW(LogFile);
}

void RemoveErrorLogDirectory() {
    DeleteFileW(LogFile);
    RemoveDirectoryW(LogDirectory);
}

bool ErrorLogExists() { return GetFileAttributesW(LogFile) != INVALID_FILE_ATTRIBUTES; }

std::string ErrorLogBytes() {
    std::string bytes;
    FILE* file = _wfopen(LogFile, L"rb");
    if (!file) return bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

std::string ErrorLogEntry(unsigned line, const std::string& time, const std::string& message, int code) {
    return "\r\nERROR: file: ..\\agent\\src\\regtools; line: " + std::to_string(line) + "; time: " + time +
           ";\r\nmessage: " + message + "\r\nerrcode: " + std::to_string(code) + "\r\n\r\n";
}

void WINAPI FixedLocalTime(LPSYSTEMTIME time) {
    *time = SYSTEMTIME{2026, 3, 4, 5, 9, 4, 7, 250};
}
