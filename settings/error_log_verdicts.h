// What an append to the error log decides from what it finds: pure functions of the
// opens' results, the attributes and the final paths, for the log's own implementation
// and its tests. Users of the log see settings/error_log.h alone.
#pragma once

#include <windows.h>
#include <winternl.h>

// What an append does with the log it finds: the log's folder C:\tmp and the file, as
// opened without following a link, judged by their attributes, the file's link count
// and size, and the final paths the system gives their handles (null where it names
// none). Only a plain file of one name, "log" in the plain folder C:\tmp itself, is
// written to, so that a link placed there cannot turn a write into someone else's file;
// a file past reg_log_rotate_bytes is first moved to "log.1". When that move fails, the
// entries go on to the full log until it reaches reg_log_ceiling_bytes.
enum class RegLogVerdict { Append, Rotate, Refuse };
inline constexpr unsigned long long reg_log_rotate_bytes = 1ull << 20;
inline constexpr unsigned long long reg_log_ceiling_bytes = 4ull << 20;
// Entries are written holding this byte locked: far past any real log, so readers are
// never kept out.
inline constexpr unsigned long long reg_log_lock_byte = 0x40000000ull << 32;
bool reg_log_folder_is_plain(DWORD folder_attributes, const wchar_t* folder_final_path);
RegLogVerdict reg_judge_log(DWORD folder_attributes, const wchar_t* folder_final_path, DWORD file_attributes,
                            DWORD file_links, unsigned long long file_bytes, const wchar_t* file_final_path);

// What a native open of the folder or the log gave. Both are opened so that a file
// someone holds an oplock on completes at once with STATUS_OPLOCK_BREAK_IN_PROGRESS (a
// success, with a handle) instead of waiting for the holder to acknowledge the break,
// which he may never do: that handle is closed and the entry dropped, as for a held lock.
enum class RegLogOpenVerdict { Use, NotNow, Failed };
inline constexpr NTSTATUS reg_status_oplock_break_in_progress = 0x00000108;
RegLogOpenVerdict reg_judge_open(NTSTATUS status, HANDLE handle);
