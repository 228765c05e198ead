#include "settings/pdf_profile.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <utility>

PdfProfile MakeDefaultProfile() {
    PdfProfile profile;
    // Zeroed whole: every text empty and the password fields clean to their ends, as
    // the password blobs are made from all 32 units.
    std::memset(static_cast<void*>(&profile), 0, sizeof profile);
    profile.documentCompression = 1;  // Flate
    profile.jpegQuality = 80;
    profile.pageLayout = 1;           // continuous
    return profile;
}

PdfProfile::~PdfProfile() {
    // Not plain memset: a store to memory about to be released may be left out.
    SecureZeroMemory(userPassword, sizeof userPassword);
    SecureZeroMemory(ownerPassword, sizeof ownerPassword);
}

bool ProfileList::Append(const PdfProfile& profile, int storedIndex) {
    try {
        entries_.push_back({profile, storedIndex, {}});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ProfileList::AppendCarrying(const PdfProfile& profile, std::vector<NamedValue> values) {
    try {
        entries_.push_back({profile, NewProfile, std::move(values)});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void ProfileList::ReplaceCarrying(int index, const PdfProfile& profile, std::vector<NamedValue> values) {
    entries_[static_cast<size_t>(index)] = {profile, NewProfile, std::move(values)};
}

bool ProfileList::Remove(int index) {
    if (!Contains(index)) return false;
    entries_.erase(entries_.begin() + index);
    return true;
}

void ProfileList::Clear() {
    entries_.clear();
    loaded_ = LoadedProfileKey{};
}

void ProfileList::MarkStoredInPlace() {
    for (size_t index = 0; index < entries_.size(); ++index) {
        entries_[index].storedIndex = static_cast<int>(index);
        entries_[index].carried.clear();
    }
}
