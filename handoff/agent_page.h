// The Agent page's testable pieces: the message number's text, what the two choosing
// dialogs are asked for, the choosers themselves and the page's allocation seam.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstddef>

// The text of the message number's box (IDC_AGENT_MESSAGE_ID) as a message number:
// leading white space and one sign, digits up to the first other character (none: 0),
// clamped to the signed 32-bit range, stored as its two's complement.
DWORD ParseMessageId(const wchar_t* text);

// The file-open request for a program file: "PE files (*.exe)", owned by `owner` (the
// sheet, disabled while the dialog runs), no title. Its filter stays until the next request.
OPENFILENAMEW ProgramFileRequest(HWND owner, wchar_t* buffer, DWORD capacity);
// The folder browser request: title "output directory", owned by `owner`, nothing else.
// Its title stays until the next request.
BROWSEINFOW OutputFolderRequest(HWND owner);

// Shows the file-open dialog with an empty name. True with the full path in `buffer`.
bool ChooseProgramFile(HWND owner, wchar_t* buffer, DWORD capacity);
// Shows the folder browser. True with the folder's path in `buffer` (MAX_PATH at least).
bool ChooseOutputFolder(HWND owner, wchar_t* buffer);

// Seam for tests: how the page allocates the block it takes a box's text through (malloc
// by default, released with free once the text is copied). A text that cannot be taken
// counts as unchanged and is told as not stored. Returns the one replaced.
using AgentAllocator = void* (*)(size_t);
AgentAllocator SetAgentAllocator(AgentAllocator allocate);
