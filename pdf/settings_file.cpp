#include "pdf/settings_file.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <unordered_set>

#include "pdf/profile_store.h"
#include "settings/agent_values.h"
#include "settings/machine_values.h"

namespace {

constexpr wchar_t FirstLinePrefix[] = L"Lumarel Printer settings, version ";
constexpr wchar_t ProfileNameValue[] = L"Profile name";
constexpr size_t ProfileNameUnits = 127;  // PdfProfile::name without its terminator

// What a name must hold to be written in a plain form.
struct KnownKind {
    DWORD type = REG_NONE;
    size_t bytes = 0;  // texts: the most with the terminator (0: any); binary: exactly
};

const KnownKind* KnownProfileValue(const std::wstring& name) {
    static const std::vector<std::pair<std::wstring, KnownKind>> known = [] {
        std::vector<std::pair<std::wstring, KnownKind>> table;
        for (const ProfileFieldValue& field : ProfileFieldValues())
            table.push_back({FoldedValueName(field.name), {field.type, field.bytes}});
        return table;
    }();
    const std::wstring folded = FoldedValueName(name);
    for (const auto& entry : known)
        if (entry.first == folded) return &entry.second;
    return nullptr;
}

const KnownKind* KnownSetting(const std::wstring& name) {
    static const std::vector<std::pair<std::wstring, KnownKind>> known = [] {
        std::vector<std::pair<std::wstring, KnownKind>> table;
        for (const PlainSetting& setting : PlainSettings())
            table.push_back({FoldedValueName(setting.name), {setting.type, setting.type == REG_DWORD ? 4u : 0u}});
        return table;
    }();
    const std::wstring folded = FoldedValueName(name);
    for (const auto& entry : known)
        if (entry.first == folded) return &entry.second;
    return nullptr;
}

bool IsControl(wchar_t unit) { return unit < 0x20 || unit == 0x7F; }

// Text a line can hold: no control characters, surrogates only in pairs.
bool Writable(const wchar_t* text, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        const wchar_t unit = text[i];
        if (IsControl(unit)) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= units || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

bool Writable(const std::wstring& text) { return Writable(text.data(), text.size()); }

// A REG_SZ the plain form says exactly: one terminator at its end, and writable text.
bool PlainText(const StoredValue& value, size_t& units) {
    const std::vector<BYTE>& bytes = value.bytes;
    if (value.type != REG_SZ || bytes.size() < 2 || bytes.size() % 2 != 0) return false;
    units = bytes.size() / 2 - 1;
    std::wstring text(units + 1, L'\0');
    std::memcpy(&text[0], bytes.data(), bytes.size());
    if (text[units] != L'\0') return false;
    return Writable(text.data(), units);
}

// Whether `value` may stand in a plain form under a name of kind `known` (none: any
// name this version does not know).
bool PlainFits(const KnownKind* known, const StoredValue& value) {
    if (known && value.type != known->type) return false;
    size_t units = 0;
    switch (value.type) {
        case REG_SZ:
            return PlainText(value, units) && (!known || known->bytes == 0 || (units + 1) * 2 <= known->bytes);
        case REG_DWORD:
            return value.bytes.size() == 4;
        case REG_BINARY:
            return !known || value.bytes.size() == known->bytes;
    }
    return false;
}

// ---- Writing ----

void AppendQuoted(std::wstring& out, const std::wstring& text) {
    out += L'"';
    for (wchar_t unit : text) {
        if (unit == L'"' || unit == L'\\') out += L'\\';
        out += unit;
    }
    out += L'"';
}

void AppendBytes(std::wstring& out, const std::vector<BYTE>& bytes) {
    static const wchar_t digits[] = L"0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += L',';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
}

void AppendValue(std::wstring& out, const NamedValue& named, const KnownKind* known) {
    AppendQuoted(out, named.name);
    out += L'=';
    const StoredValue& value = named.value;
    wchar_t number[32];
    if (PlainFits(known, value)) {
        if (value.type == REG_SZ) {
            AppendQuoted(out, std::wstring(reinterpret_cast<const wchar_t*>(value.bytes.data()), value.bytes.size() / 2 - 1));
        } else if (value.type == REG_DWORD) {
            DWORD dword = 0;
            std::memcpy(&dword, value.bytes.data(), 4);
            _snwprintf(number, 32, L"dword:%08lx", static_cast<unsigned long>(dword));
            out += number;
        } else {
            out += L"hex:";
            AppendBytes(out, value.bytes);
        }
    } else {
        _snwprintf(number, 32, L"hex(%lx):", static_cast<unsigned long>(value.type));
        out += number;
        AppendBytes(out, value.bytes);
    }
    out += L"\r\n";
}

void AppendUtf8(std::string& out, const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t point = text[i];
        if (point >= 0xD800 && point <= 0xDBFF && i + 1 < text.size()) {
            point = 0x10000 + ((point - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        }
        if (point < 0x80) {
            out += static_cast<char>(point);
        } else if (point < 0x800) {
            out += static_cast<char>(0xC0 | (point >> 6));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += static_cast<char>(0xE0 | (point >> 12));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (point >> 18));
            out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
}

}  // namespace

std::wstring FileSectionName(const std::wstring& name) {
    std::wstring header;
    for (size_t i = 0; i < name.size(); ++i) {
        const wchar_t unit = name[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            header += unit;
            header += name[++i];
        } else {
            header += IsControl(unit) || (unit >= 0xD800 && unit <= 0xDFFF) ? L'\xFFFD' : unit;
        }
    }
    return header;
}

namespace {

// ---- Reading ----

// Decodes the file's text; false at the first byte that is no character, whose line
// `line` then tells.
bool DecodeText(const BYTE* bytes, size_t size, std::wstring& text, size_t& line) {
    line = 1;
    auto put = [&text, &line](uint32_t point) {
        if (point == L'\n') ++line;
        if (point >= 0x10000) {
            point -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (point >> 10));
            text += static_cast<wchar_t>(0xDC00 + (point & 0x3FF));
        } else {
            text += static_cast<wchar_t>(point);
        }
    };
    const bool utf16le = size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    const bool utf16be = size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    if (utf16le || utf16be) {
        if (size % 2 != 0) return false;
        for (size_t i = 2; i < size; i += 2) {
            const uint32_t unit = utf16le ? bytes[i] | (bytes[i + 1] << 8) : (bytes[i] << 8) | bytes[i + 1];
            if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                if (i + 3 >= size) return false;
                const uint32_t low = utf16le ? bytes[i + 2] | (bytes[i + 3] << 8) : (bytes[i + 2] << 8) | bytes[i + 3];
                if (low < 0xDC00 || low > 0xDFFF) return false;
                put(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
            } else {
                put(unit);
            }
        }
        return true;
    }
    size_t i = size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    while (i < size) {
        const BYTE lead = bytes[i];
        size_t length = 0;
        uint32_t point = 0, least = 0;
        if (lead < 0x80) {
            put(lead);
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, point = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, point = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, point = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + length > size) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            point = (point << 6) | (bytes[i + k] & 0x3F);
        }
        if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        put(point);
        i += length;
    }
    return true;
}

bool IsSpace(wchar_t unit) { return unit == L' ' || unit == L'\t'; }

int HexDigit(wchar_t unit) {
    if (unit >= L'0' && unit <= L'9') return unit - L'0';
    if (unit >= L'a' && unit <= L'f') return unit - L'a' + 10;
    if (unit >= L'A' && unit <= L'F') return unit - L'A' + 10;
    return -1;
}

bool StartsWithNoCase(const std::wstring& text, size_t at, const wchar_t* word) {
    const size_t length = wcslen(word);
    if (text.size() - at < length) return false;
    for (size_t i = 0; i < length; ++i) {
        wchar_t unit = text[at + i];
        if (unit >= L'A' && unit <= L'Z') unit = static_cast<wchar_t>(unit - L'A' + L'a');
        if (unit != word[i]) return false;
    }
    return true;
}

// One line of the file, read left to right.
class LineReader {
public:
    LineReader(const std::wstring& text, size_t line) : text_(text), line_(line) {}

    void SkipSpace() {
        while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
    }
    bool AtEnd() const { return at_ == text_.size(); }
    bool Take(wchar_t unit) {
        if (at_ < text_.size() && text_[at_] == unit) return ++at_, true;
        return false;
    }
    bool TakeWord(const wchar_t* word) {
        if (!StartsWithNoCase(text_, at_, word)) return false;
        at_ += wcslen(word);
        return true;
    }

    // A quoted text with \" and \\ as its escapes.
    bool Quoted(std::wstring& out, FileRefusal& refusal) {
        if (!Take(L'"')) return Fail(FileFault::Syntax, refusal);
        while (at_ < text_.size()) {
            wchar_t unit = text_[at_++];
            if (unit == L'"') return true;
            if (unit == L'\\') {
                if (at_ == text_.size() || (text_[at_] != L'"' && text_[at_] != L'\\'))
                    return Fail(FileFault::Syntax, refusal);
                unit = text_[at_++];
            }
            if (IsControl(unit)) return Fail(FileFault::ControlCharacter, refusal);
            out += unit;
        }
        return Fail(FileFault::Syntax, refusal);
    }

    // At most `digits` hex digits, at least one.
    bool HexNumber(uint32_t& number, size_t digits) {
        number = 0;
        size_t taken = 0;
        while (at_ < text_.size() && HexDigit(text_[at_]) >= 0 && taken < digits) {
            number = number * 16 + static_cast<uint32_t>(HexDigit(text_[at_++]));
            ++taken;
        }
        return taken > 0 && (at_ == text_.size() || HexDigit(text_[at_]) < 0);
    }

    // Comma-separated bytes of two hex digits each, to the end of the line.
    bool Bytes(std::vector<BYTE>& bytes) {
        SkipSpace();
        if (AtEnd()) return true;
        for (;;) {
            SkipSpace();
            if (text_.size() - at_ < 2) return false;
            const int high = HexDigit(text_[at_]), low = HexDigit(text_[at_ + 1]);
            if (high < 0 || low < 0) return false;
            bytes.push_back(static_cast<BYTE>(high * 16 + low));
            at_ += 2;
            SkipSpace();
            if (AtEnd()) return true;
            if (!Take(L',')) return false;
        }
    }

    bool Fail(FileFault fault, FileRefusal& refusal, const std::wstring& detail = std::wstring()) const {
        refusal = {line_, fault, detail};
        return false;
    }

private:
    const std::wstring& text_;
    size_t line_;
    size_t at_ = 0;
};

// The data after "=": a plain text, dword:, hex: or hex(<type>):. `plain` tells which.
bool ReadData(LineReader& reader, StoredValue& value, bool& plain, FileRefusal& refusal) {
    reader.SkipSpace();
    plain = true;
    std::wstring text;
    uint32_t number = 0;
    if (reader.TakeWord(L"dword:")) {
        if (!reader.HexNumber(number, 8)) return reader.Fail(FileFault::Syntax, refusal);
        value = DwordStored(number);
    } else if (reader.TakeWord(L"hex:")) {
        value.type = REG_BINARY;
        if (!reader.Bytes(value.bytes)) return reader.Fail(FileFault::Syntax, refusal);
    } else if (reader.TakeWord(L"hex(")) {
        plain = false;
        if (!reader.HexNumber(number, 8) || !reader.Take(L')') || !reader.Take(L':'))
            return reader.Fail(FileFault::Syntax, refusal);
        value.type = number;
        if (!reader.Bytes(value.bytes)) return reader.Fail(FileFault::Syntax, refusal);
    } else {
        if (!reader.Quoted(text, refusal)) return false;
        value = TextStored(text.c_str());
    }
    reader.SkipSpace();
    return reader.AtEnd() || reader.Fail(FileFault::Syntax, refusal);
}

enum class Section { None, Profile, Settings, Skipped, Ended };

class FileReader {
public:
    explicit FileReader(SettingsFile& file) : file_(file) {}

    bool Line(const std::wstring& text, size_t number, FileRefusal& refusal) {
        LineReader reader(text, number);
        reader.SkipSpace();
        if (reader.AtEnd() || reader.Take(L';')) return true;
        if (section_ == Section::Ended) return reader.Fail(FileFault::Syntax, refusal);
        if (reader.Take(L'[')) return SectionLine(reader, refusal);
        if (section_ == Section::Skipped) return true;
        if (section_ == Section::None) return reader.Fail(FileFault::ValueOutsideSection, refusal);
        return ValueLine(reader, refusal);
    }

    bool Ended() const { return section_ == Section::Ended; }
    void LaterMinor(bool later) { laterMinor_ = later; }

private:
    bool SectionLine(LineReader& reader, FileRefusal& refusal) {
        reader.SkipSpace();
        Section next = Section::Skipped;
        std::wstring name;
        if (reader.TakeWord(L"profile")) {
            reader.SkipSpace();
            if (!reader.Quoted(name, refusal)) return false;
            next = Section::Profile;
        } else if (reader.TakeWord(L"settings")) {
            next = Section::Settings;
        } else if (reader.TakeWord(L"end")) {
            next = Section::Ended;
        } else if (!laterMinor_) {
            return reader.Fail(FileFault::UnknownSection, refusal);
        }
        reader.SkipSpace();
        if (next != Section::Skipped && !reader.Take(L']')) return reader.Fail(FileFault::Syntax, refusal);
        reader.SkipSpace();
        if (next != Section::Skipped && !reader.AtEnd()) return reader.Fail(FileFault::Syntax, refusal);

        names_.clear();
        section_ = next;
        if (next == Section::Profile) {
            if (name.size() > ProfileNameUnits) return reader.Fail(FileFault::WrongKind, refusal, ProfileNameValue);
            if (!sections_.insert(L"P" + FoldedValueName(name)).second)
                return reader.Fail(FileFault::DuplicateSection, refusal, name);
            if (file_.profiles.size() == MaxFileProfiles) return reader.Fail(FileFault::TooMany, refusal);
            file_.profiles.push_back({name, {}});
        } else if (next == Section::Settings) {
            if (!sections_.insert(L"S").second) return reader.Fail(FileFault::DuplicateSection, refusal, L"Settings");
            file_.hasPlainValues = true;
        }
        return true;
    }

    bool ValueLine(LineReader& reader, FileRefusal& refusal) {
        std::wstring name;
        if (!reader.Quoted(name, refusal)) return false;
        if (name.empty() || name.size() > MaxValueNameUnits) return reader.Fail(FileFault::Syntax, refusal);
        reader.SkipSpace();
        if (!reader.Take(L'=')) return reader.Fail(FileFault::Syntax, refusal);
        StoredValue value;
        bool plain = true;
        if (!ReadData(reader, value, plain, refusal)) return false;

        const bool inProfile = section_ == Section::Profile;
        const KnownKind* known = inProfile ? KnownProfileValue(name) : KnownSetting(name);
        if (!inProfile && !known) {
            if (laterMinor_) return true;
            return reader.Fail(FileFault::UnknownSetting, refusal, name);
        }
        if (plain && !PlainFits(known, value)) return reader.Fail(FileFault::WrongKind, refusal, name);
        if (!names_.insert(FoldedValueName(name)).second) return reader.Fail(FileFault::DuplicateValue, refusal, name);
        if (names_.size() > MaxValuesPerSection) return reader.Fail(FileFault::TooMany, refusal);

        if (inProfile) {
            FileProfile& profile = file_.profiles.back();
            if (plain && known && FoldedValueName(name) == FoldedValueName(ProfileNameValue)) {
                // The section names the profile; a plain name may only repeat it.
                size_t units = 0;
                PlainText(value, units);
                if (std::wstring(reinterpret_cast<const wchar_t*>(value.bytes.data()), units) != profile.name)
                    return reader.Fail(FileFault::NameDiffers, refusal, name);
                return true;
            }
            profile.values.push_back({std::move(name), std::move(value)});
        } else {
            file_.plainValues.push_back({std::move(name), std::move(value)});
        }
        return true;
    }

    SettingsFile& file_;
    Section section_ = Section::None;
    bool laterMinor_ = false;
    std::unordered_set<std::wstring> sections_;  // folded: "P" and a profile's name, or "S"
    std::unordered_set<std::wstring> names_;     // of the section's values, folded
};

// The first line: the format's name and its version.
bool FirstLine(const std::wstring& text, bool& laterMinor, FileRefusal& refusal) {
    std::wstring line = text;
    while (!line.empty() && IsSpace(line.back())) line.pop_back();
    const size_t prefix = wcslen(FirstLinePrefix);
    // "<major>.<minor>", each of one to three digits.
    auto number = [&line](size_t& at, unsigned& value) {
        const size_t start = at;
        value = 0;
        while (at < line.size() && at - start < 3 && line[at] >= L'0' && line[at] <= L'9')
            value = value * 10 + static_cast<unsigned>(line[at++] - L'0');
        return at > start;
    };
    unsigned major = 0, minor = 0;
    size_t at = prefix;
    const bool named = line.compare(0, prefix, FirstLinePrefix) == 0;
    if (!named || !number(at, major) || at >= line.size() || line[at++] != L'.' || !number(at, minor) ||
        at != line.size() || major == 0) {
        refusal = {1, FileFault::NotSettingsFile, {}};
        return false;
    }
    if (major > SettingsFileMajorVersion) {
        refusal = {1, FileFault::LaterVersion, line.substr(prefix)};
        return false;
    }
    laterMinor = major == SettingsFileMajorVersion && minor > SettingsFileMinorVersion;
    return true;
}

}  // namespace

const std::vector<PlainSetting>& PlainSettings() {
    static const std::vector<PlainSetting> settings = [] {
        std::vector<PlainSetting> list = {{ValueName::EmfEnabled, REG_DWORD},
                                          {ValueName::PdfEnabled, REG_DWORD},
                                          {ValueName::PdfSeparate, REG_DWORD},
                                          {ValueName::PdfDoNotEmbedFonts, REG_DWORD}};
        for (size_t row = 0; row < AgentRowCount; ++row)
            list.push_back({AgentValueName(row), IsAgentText(row) ? static_cast<DWORD>(REG_SZ) : REG_DWORD});
        return list;
    }();
    return settings;
}

std::string WriteSettingsFile(const SettingsFile& file) {
    wchar_t first[64];
    _snwprintf(first, 64, L"%ls%d.%d\r\n", FirstLinePrefix, SettingsFileMajorVersion, SettingsFileMinorVersion);
    std::wstring text = first;
    text +=
        L"; Lumarel Printer profiles and settings, for Import on the PDF page or \"properties.exe /import\".\r\n"
        L"; Passwords, where present, are enciphered only against a casual look: whoever has this file can read "
        L"them.\r\n";
    for (const FileProfile& profile : file.profiles) {
        text += L"\r\n[Profile ";
        AppendQuoted(text, FileSectionName(profile.name));
        text += L"]\r\n";
        for (const NamedValue& value : profile.values) {
            const KnownKind* known = KnownProfileValue(value.name);
            const bool isName = known && FoldedValueName(value.name) == FoldedValueName(ProfileNameValue);
            // A name the header says exactly is not repeated.
            size_t units = 0;
            if (isName && PlainFits(known, value.value) && PlainText(value.value, units) &&
                std::wstring(reinterpret_cast<const wchar_t*>(value.value.bytes.data()), units) == profile.name)
                continue;
            AppendValue(text, value, known);
        }
    }
    if (file.hasPlainValues) {
        text += L"\r\n[Settings]\r\n";
        for (const NamedValue& value : file.plainValues) AppendValue(text, value, KnownSetting(value.name));
    }
    text += L"\r\n[End]\r\n";
    std::string bytes = "\xEF\xBB\xBF";
    AppendUtf8(bytes, text);
    return bytes;
}

bool SettingsFileCanHold(const std::wstring& valueName) {
    return !valueName.empty() && valueName.size() <= MaxValueNameUnits && Writable(valueName);
}

bool ReadSettingsFile(const void* data, size_t size, SettingsFile& file, FileRefusal& refusal) {
    file = SettingsFile{};
    refusal = FileRefusal{};
    if (size > MaxSettingsFileBytes) {
        refusal.fault = FileFault::TooLarge;
        return false;
    }
    std::wstring text;
    size_t line = 0;
    if (!DecodeText(static_cast<const BYTE*>(data), size, text, line)) {
        refusal = {line, FileFault::Encoding, {}};
        return false;
    }

    FileReader reader(file);
    size_t number = 0, start = 0;
    bool ok = true;
    while (ok && start <= text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring current = text.substr(start, end - start);
        ++number;
        if (number == 1) {
            bool laterMinor = false;
            ok = FirstLine(current, laterMinor, refusal);
            reader.LaterMinor(laterMinor);
        } else {
            ok = reader.Line(current, number, refusal);
        }
        if (end == text.size()) break;
        start = end + (text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n' ? 2 : 1);
        if (start == text.size()) break;
    }
    if (ok && !reader.Ended()) {
        refusal = {number, FileFault::Truncated, {}};
        ok = false;
    }
    if (!ok) file = SettingsFile{};
    return ok;
}
