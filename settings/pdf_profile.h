// One PDF profile and the ordered list of profiles kept in memory.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "base/registry.h"

// A plain value record, copied whole. Text widths count UTF-16 units including the
// terminator; every number is a signed 32-bit integer.
struct PdfProfile {
    wchar_t name[128];
    wchar_t title[256];
    wchar_t author[256];
    wchar_t subject[256];
    wchar_t keywords[512];
    int securityEnabled;
    int userPasswordEnabled;
    wchar_t userPassword[32];
    int ownerPasswordEnabled;
    wchar_t ownerPassword[32];
    int allowCopying;
    int allowCommenting;
    int allowChanging;
    int allowPrinting;
    int encryptionLevel;       // 0 low (40-bit RC4), 1 high (128-bit RC4)
    int documentCompression;   // 0 none, 1 Flate
    int imagesCompression;     // 0 Flate, 1 JPEG, 2 CCITT3, 3 CCITT32d, 4 CCITT4
    int jpegQuality;           // percent
    int pdfVersion;            // 0 v1.3, 1 v1.4
    int pageLayout;            // 0 single, 1 continuous, 2 facing, 3 continuous facing
    int pageMode;              // 0 normal, 1 outlines, 2 thumbnails, 3 full screen
    int alternateEmfRendering;

    // The clear passwords are wiped when a profile's memory is released: a copy on the
    // stack, and the list's storage, whose elements are destroyed whenever it grows,
    // shrinks or is cleared. (Assignment overwrites both password fields whole.)
    ~PdfProfile();
};

// A profile with the defaults: texts empty, Flate document compression, JPEG quality 80,
// continuous page layout, every other number 0.
PdfProfile MakeDefaultProfile();

// What the profile key held when the list was loaded from it, value by value as stored.
// A save writes only what differs from it: a value the program cannot read or hold is
// carried as these bytes. Filled by the profile store.
struct LoadedProfileKey {
    bool fromUserKey = false;   // false: the machine's default profiles, or no key at all
    bool complete = true;       // every value of the key was read
    bool haveStamp = false;
    KeyStamp stamp;             // the key as the load (or the last save) left it
    std::vector<NamedValue> values;
    int count = 0;              // the profiles the key held, as the list showed them
    int current = 0;            // the current profile as the list showed it
};

// Where a listed profile comes from: the index it was loaded from, or one of these.
inline constexpr int NewProfile = -1;       // made by the user, copied, or imported
inline constexpr int MadeWhenEmpty = -2;    // the profile shown when none is stored

// The profiles in list-box and registry-index order, each with the index it was stored
// under when the list was loaded.
class ProfileList {
public:
    // Appends a copy; false only when memory runs out.
    bool Append(const PdfProfile& profile, int storedIndex = NewProfile);
    // Appends a new profile that stands for `values` (named as after "[<index>] ", as a
    // settings file or a copied profile holds them): each field it does not change is
    // stored as these bytes. False only when memory runs out.
    bool AppendCarrying(const PdfProfile& profile, std::vector<NamedValue> values);
    // Puts such a profile in the place of the one at `index`.
    void ReplaceCarrying(int index, const PdfProfile& profile, std::vector<NamedValue> values);
    // Removes the profile at `index`, moving the later ones down; an index outside the
    // list is refused and changes nothing.
    bool Remove(int index);
    PdfProfile& At(int index) { return entries_[static_cast<size_t>(index)].profile; }
    const PdfProfile& At(int index) const { return entries_[static_cast<size_t>(index)].profile; }
    int StoredIndexAt(int index) const { return entries_[static_cast<size_t>(index)].storedIndex; }
    // The values a new profile stands for (empty for one made from the defaults).
    const std::vector<NamedValue>& CarriedAt(int index) const { return entries_[static_cast<size_t>(index)].carried; }
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Contains(int index) const { return index >= 0 && index < Count(); }
    // Empties the list and forgets what it was loaded from.
    void Clear();

    LoadedProfileKey& Loaded() { return loaded_; }
    const LoadedProfileKey& Loaded() const { return loaded_; }
    // After a save: every profile is now stored under its place in the list.
    void MarkStoredInPlace();

private:
    struct Entry {
        PdfProfile profile;
        int storedIndex;
        std::vector<NamedValue> carried;
    };
    std::vector<Entry> entries_;
    LoadedProfileKey loaded_;
};
