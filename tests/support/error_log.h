// The record tables' error log, "c:/tmp/log", inside the test's own Wine prefix.
#pragma once

#include <windows.h>

#include <string>

// Makes C:\tmp exist and the log absent.
void StartWithEmptyErrorLog();
// Removes the log and C:\tmp, so that no entry can be written.
void RemoveErrorLogDirectory();
// The log's bytes as they are in the file (empty when there is none).
std::string ErrorLogBytes();
bool ErrorLogExists();

// One entry as the module writes it, CR LF line ends included.
std::string ErrorLogEntry(unsigned line, const std::string& time, const std::string& message, int code);

// Thursday 5 March 2026, 09:04:07.250 local time: a clock for the log's time line.
void WINAPI FixedLocalTime(LPSYSTEMTIME time);
inline constexpr char FixedTimeText[] = "Thu Mar 05 09:04:07 2026";
