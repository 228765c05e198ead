// Registry record tables: a group of registry values described as an array of rows,
// read or written in one call. Failures never stop a walk; they are counted, and the
// ones noticed in detail are appended to the error log (settings/error_log.h).
// The module stands alone: it uses nothing else of the program but its handle owners,
// the registry view of base/registry.h and its error log.
#pragma once

#include <windows.h>

#include <cstddef>

#include "settings/error_log.h"

// One row of a table. A row whose root is null ends the table.
struct RegRecord {
    HKEY root;                // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, ...
    const wchar_t* subkey;    // not owned
    const wchar_t* value_name;  // not owned
    DWORD type;               // REG_SZ or REG_DWORD; anything else is unsupported
    DWORD dword_value;        // REG_DWORD rows; a failed read leaves it as it was
    // REG_SZ rows, null = no string. After a read it is malloc'ed and the row's (released by
    // reg_free_records); a table that is only written may point to strings its caller owns.
    wchar_t* string_value;
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

// Seam for tests: where the module takes its string buffers. Returns the one replaced;
// null puts malloc back.
using reg_alloc_fn = void* (*)(size_t);
reg_alloc_fn reg_set_allocator(reg_alloc_fn allocate);
