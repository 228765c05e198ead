// A line in the test's output for each step a driver takes. tools/wine-run.sh ends a test
// program that stays silent too long and names the test that hung with the last of
// these lines, so a hang says where it stopped.
#pragma once

#include <cstdarg>
#include <cstdio>

inline void NoteTestStep(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputws(L"    step: ", stdout);
    std::vfwprintf(stdout, format, args);
    std::fputwc(L'\n', stdout);
    va_end(args);
    std::fflush(stdout);
}
