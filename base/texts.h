// Every text the user reads that no dialog template carries (captions, tab titles,
// messages, list items, labels set at run time) is a string of the resource script's
// string table, loaded here: translating the program changes its resources only.
#pragma once

#include <windows.h>

#include <string>

// String `id` of AppInstance's string table; empty when there is none.
std::wstring LoadText(UINT id);

// printf-style formatting, as long as the result is: `format`'s %d take ints, its %s
// wide strings.
std::wstring FormatString(const wchar_t* format, ...);

// String `id` used as FormatString's format.
std::wstring FormatText(UINT id, ...);

// A file dialog's filter, string `id`: pairs of a name and its patterns, each ended by
// "|", which stands for the zeros a string of the table cannot hold.
std::wstring LoadFileFilter(UINT id);
