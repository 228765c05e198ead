// Values of the user key that an import brought in: held until the sheet applies (or,
// from the command line, stored at once), then written byte for byte as the file had
// them. A page that shows one of them takes it as what it shows; when the user changes
// it there afterwards, the page stores the user's value and the import's is dropped.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/registry.h"

class ImportedValues {
public:
    // Holds `values` (of the user key, by their names) in place of any held before.
    void Take(std::vector<NamedValue> values);
    // The value held under `name`, or none.
    const StoredValue* Find(const wchar_t* name) const;
    // A page stored its own value of `name`: the import's is no longer to be written.
    void Forget(const wchar_t* name);
    bool empty() const { return values_.empty(); }
    void Clear() { values_.clear(); }

    // Writes every held value that differs from what the user key holds. The values
    // stored are dropped; those not stored stay held and are added to `notStored`.
    bool Store(NotStored& notStored);

private:
    std::vector<NamedValue> values_;
};

// A held value as a page's number, when it is one: a REG_DWORD of four bytes.
bool ImportedNumber(const StoredValue& value, DWORD& number);
// A held value as a page's text, when it is one: a REG_SZ with its terminator.
bool ImportedText(const StoredValue& value, std::wstring& text);
