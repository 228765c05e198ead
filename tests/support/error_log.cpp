#include "tests/support/error_log.h"

#include <cstdio>

namespace {
constexpr wchar_t LogDirectory[] = L"C:\\tmp";
constexpr wchar_t LogFile[] = L"C:\\tmp\\log";

void RemoveAnything(const wchar_t* path) {
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path)) RemoveDirectoryW(path);
}
}  // namespace

void StartWithEmptyErrorLog() {
    CreateDirectoryW(LogDirectory, nullptr);
    RemoveAnything(LogFile);
    RemoveAnything(RotatedErrorLogPath);
}

void WriteFileBytes(const wchar_t* path, const std::string& bytes) {
    FILE* file = _wfopen(path, L"wb");
    if (!file) return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

void RemoveErrorLogDirectory() {
    RemoveAnything(LogFile);
    RemoveAnything(RotatedErrorLogPath);
    RemoveDirectoryW(LogDirectory);
}

bool ErrorLogExists() { return GetFileAttributesW(LogFile) != INVALID_FILE_ATTRIBUTES; }

std::string ErrorLogBytes(const wchar_t* path) {
    std::string bytes;
    FILE* file = _wfopen(path, L"rb");
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
