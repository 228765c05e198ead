#include "settings/imported_values.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "settings/settings.h"

void ImportedValues::Take(std::vector<NamedValue> values) { values_ = std::move(values); }

const StoredValue* ImportedValues::Find(const wchar_t* name) const {
    const std::wstring folded = FoldedValueName(name);
    for (const NamedValue& value : values_)
        if (FoldedValueName(value.name) == folded) return &value.value;
    return nullptr;
}

void ImportedValues::Forget(const wchar_t* name) {
    const std::wstring folded = FoldedValueName(name);
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        if (FoldedValueName(it->name) == folded) {
            values_.erase(it);
            return;
        }
    }
}

bool ImportedValues::Store(NotStored& notStored) {
    if (values_.empty()) return true;
    UniqueRegKey key;
    Failure failure;
    if (!CreateUserKey(key, failure)) {
        notStored.Add(FormatWithKeyName(L"HKCU\\Software\\%s"), static_cast<LONG>(failure.errorCode));
        return false;
    }
    std::vector<NamedValue> left;
    for (NamedValue& value : values_) {
        const MaybeStored now = ReadStoredValue(key.get(), value.name.c_str());
        if (now && *now == value.value) continue;
        const LONG status = WriteStoredValue(key.get(), value.name.c_str(), value.value);
        notStored.Add(value.name, status);
        if (status != ERROR_SUCCESS) left.push_back(std::move(value));
    }
    values_ = std::move(left);
    return values_.empty();
}

bool ImportedNumber(const StoredValue& value, DWORD& number) {
    if (value.type != REG_DWORD || value.bytes.size() != sizeof number) return false;
    std::memcpy(&number, value.bytes.data(), sizeof number);
    return true;
}

bool ImportedText(const StoredValue& value, std::wstring& text) {
    const size_t units = value.bytes.size() / sizeof(wchar_t);
    if (value.type != REG_SZ || value.bytes.size() % sizeof(wchar_t) != 0 || units == 0) return false;
    std::wstring all(units, L'\0');
    std::memcpy(&all[0], value.bytes.data(), value.bytes.size());
    if (all.back() != L'\0' || all.find(L'\0') != units - 1) return false;
    all.pop_back();
    text = std::move(all);
    return true;
}
