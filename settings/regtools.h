// Registry record tables: a group of registry values described as an array of rows,
// read or written in one call. Failures never stop a walk; they are counted, and the
// ones noticed in detail are appended with the local time to the error log "c:/tmp/log",
// kept to about 1 MiB (the entries before that are in "c:/tmp/log.1").
// The module stands alone: it uses nothing else of the program but its handle owners and
// the registry view of base/registry.h.
#pragma once

#include <windows.h>

#include <cstddef>

// One row of a table. A row whose root is null ends the table.
struct RegRecord {
    HKEY root;                // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, ...
    const wchar_t* subkey;    // not owned
    const wchar_t* value_name;  // not owned
    DWORD type;               // REG_SZ or REG_DWORD; anything else is unsupported
    DWORD dword_value;        // REG_DWORD rows; a failed read leaves it as it was
    wchar_t* string_value;    // REG_SZ rows; owned by the row, malloc'ed, null = no string
};

// Reads every row. REG_SZ rows get a string of their own (release with
// reg_free_records before the table is read again). Returns the number of failed rows.
int reg_read_records(RegRecord* table);

// Writes every row, creating keys as needed; a null string is written as "".
// Returns the number of failures counted.
int reg_create_records(RegRecord* table);

// Releases (free) the string of every REG_SZ row and sets it to null.
void reg_free_records(RegRecord* table);

// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", or "Unknown".
const wchar_t* reg_root_name(HKEY root);

// Appends one entry to the error log; characters above U+00FF become '?'.
void reg_log_error(unsigned line, const char* message, int code);
void reg_log_error(unsigned line, const wchar_t* message, int code);

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

// Seams for tests: where the module takes the local time and its string buffers.
// Each returns the one replaced; null puts GetLocalTime and malloc back.
using reg_clock_fn = void(WINAPI*)(LPSYSTEMTIME);
using reg_alloc_fn = void* (*)(size_t);
reg_clock_fn reg_set_clock(reg_clock_fn clock);
reg_alloc_fn reg_set_allocator(reg_alloc_fn allocate);
