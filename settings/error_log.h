// The error log of the record tables: entries appended with the local time to
// "c:/tmp/log" when that folder exists, kept to about 1 MiB (the entries before that are
// in "c:/tmp/log.1"). An entry that cannot be written now (the log refused, locked or
// oplocked by someone else, or full) is dropped: the caller waits for the log's lock
// 200 ms at most, and an open never waits for the holder of an oplock.
#pragma once

#include <windows.h>

// Appends one entry; characters above U+00FF become '?'. Leaves the thread's last-error
// value as it was.
void reg_log_error(unsigned line, const char* message, int code);
void reg_log_error(unsigned line, const wchar_t* message, int code);

// Seam for tests: where the log takes the local time. Returns the one replaced; null
// puts GetLocalTime back.
using reg_clock_fn = void(WINAPI*)(LPSYSTEMTIME);
reg_clock_fn reg_set_clock(reg_clock_fn clock);
