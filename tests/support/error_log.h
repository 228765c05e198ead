// The error log, "c:/tmp/log", inside the test's own Wine prefix.
#pragma once

#include <windows.h>

#include <string>

inline constexpr wchar_t ErrorLogPath[] = L"C:\\tmp\\log";
inline constexpr wchar_t RotatedErrorLogPath[] = L"C:\\tmp\\log.1";

// Makes C:\tmp exist and the log and log.1 absent, whatever stood in their place.
void StartWithEmptyErrorLog();
// Removes the log and C:\tmp, so that no entry can be written.
void RemoveErrorLogDirectory();
// The log's (or another file's) bytes as they are (empty when there is none).
std::string ErrorLogBytes(const wchar_t* path = ErrorLogPath);
void WriteFileBytes(const wchar_t* path, const std::string& bytes);
bool ErrorLogExists();

// One entry as the module writes it, CR LF line ends included.
std::string ErrorLogEntry(unsigned line, const std::string& time, const std::string& message, int code);

// Thursday 5 March 2026, 09:04:07.250 local time: a clock for the log's time line.
void WINAPI FixedLocalTime(LPSYSTEMTIME time);
inline constexpr char FixedTimeText[] = "Thu Mar 05 09:04:07 2026";
