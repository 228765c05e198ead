#include "tests/support/registry_fixture.h"

#include <cwctype>

#include "tests/support/agent_page_values.h"

#include "base/handles.h"
#include "settings/settings.h"

namespace {

HKEY CreateKey(HKEY root, const wchar_t* path, REGSAM access) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, path, 0, nullptr, 0, access | InstallerView(root), nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "creating " << path;
    return key;
}

void SetDacl(HKEY root, const wchar_t* path, PACL dacl) {
    HKEY raw = nullptr;
    LONG status = RegOpenKeyExW(root, path, 0, WRITE_DAC | InstallerView(root), &raw);
    if (status == ERROR_FILE_NOT_FOUND) raw = CreateKey(root, path, WRITE_DAC);
    UniqueRegKey key(raw);
    ASSERT_TRUE(key) << "opening " << path << " for WRITE_DAC: " << status;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE);
    ASSERT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
}

// RegDeleteTreeW takes no view: the tree is walked here, each key deleted in `root`'s view.
void DeleteKeyTree(HKEY root, const std::wstring& path) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | InstallerView(root), &raw) != ERROR_SUCCESS)
        return;
    std::vector<std::wstring> children;
    {
        UniqueRegKey key(raw);
        wchar_t name[256];
        for (DWORD length = 256; RegEnumKeyExW(key.get(), static_cast<DWORD>(children.size()), name, &length, nullptr,
                                               nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             length = 256)
            children.emplace_back(name, length);
    }
    for (const std::wstring& child : children) DeleteKeyTree(root, path + L"\\" + child);
    RegDeleteKeyExW(root, path.c_str(), InstallerView(root), 0);
}

}  // namespace

REGSAM InstallerView(HKEY root) { return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_64KEY : 0; }

void DeleteProgramKeys() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        // A refused key anywhere in the tree would keep the whole tree alive.
        for (const wchar_t* path : {L"Software\\LumarelPrinter", L"Software\\LumarelPrinter\\Defaults",
                                    L"Software\\LumarelPrinter\\PDF Profiles",
                                    L"Software\\LumarelPrinter\\Defaults\\PDF Profiles"})
            RestoreAccess(root, path);
        DeleteKeyTree(root, L"Software\\LumarelPrinter");
    }
}

void SetRaw(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    UniqueRegKey key(CreateKey(root, path, KEY_WRITE));
    ASSERT_TRUE(key);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

void SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value) {
    SetRaw(root, path, name, REG_DWORD, &value, sizeof value);
}

void SetText(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& text) {
    SetRaw(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void PrintTo(const StoredValue& value, std::ostream* out) {
    *out << "type " << value.type << ":";
    for (BYTE byte : value.bytes) *out << ' ' << std::hex << static_cast<int>(byte) << std::dec;
}

void DeleteStored(HKEY root, const wchar_t* path, const wchar_t* name) {
    UniqueRegKey key(CreateKey(root, path, KEY_SET_VALUE));
    ASSERT_TRUE(key);
    const LONG status = RegDeleteValueW(key.get(), name);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
}

std::optional<StoredValue> ReadStored(HKEY root, const wchar_t* path, const wchar_t* name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | InstallerView(root), &raw) != ERROR_SUCCESS) return std::nullopt;
    UniqueRegKey key(raw);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    StoredValue value{type, std::vector<BYTE>(size)};
    if (RegQueryValueExW(key.get(), name, nullptr, &type, value.bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    return value;
}

std::optional<DWORD> ReadStoredDword(HKEY root, const wchar_t* path, const wchar_t* name) {
    auto value = ReadStored(root, path, name);
    if (!value || value->type != REG_DWORD || value->bytes.size() != sizeof(DWORD)) return std::nullopt;
    DWORD result;
    memcpy(&result, value->bytes.data(), sizeof result);
    return result;
}

std::optional<std::wstring> ReadStoredText(HKEY root, const wchar_t* path, const wchar_t* name) {
    auto value = ReadStored(root, path, name);
    if (!value || value->type != REG_SZ) return std::nullopt;
    std::wstring text(value->bytes.size() / sizeof(wchar_t), L'\0');
    memcpy(text.data(), value->bytes.data(), text.size() * sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

void DenyAccess(HKEY root, const wchar_t* path) {
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetDacl(root, path, &empty);
}

void RestoreAccess(HKEY root, const wchar_t* path) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path, 0, WRITE_DAC | InstallerView(root), &raw) != ERROR_SUCCESS) return;
    UniqueRegKey key(raw);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);  // no DACL: everyone may
    RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor);
}

std::wstring SystemText(DWORD code) {
    wchar_t buffer[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer, 512, nullptr);
    return buffer;
}

void RegistryTest::SetUp() {
    DeleteProgramKeys();
    ResetSettings();
}

void RegistryTest::TearDown() { DeleteProgramKeys(); }

void InstalledRegistryTest::SetUp() {
    RegistryTest::SetUp();
    InstallMachineAgentValues();
}

std::map<std::wstring, StoredValue> ValuesInCapitals(HKEY root, const wchar_t* path) {
    std::map<std::wstring, StoredValue> values;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | InstallerView(root), &raw) != ERROR_SUCCESS) return values;
    UniqueRegKey key(raw);
    std::vector<NamedValue> listed;
    ReadAllValues(key.get(), listed);
    for (NamedValue& value : listed) {
        std::wstring name = value.name;
        for (wchar_t& unit : name) unit = static_cast<wchar_t>(towupper(unit));
        values[name] = value.value;
    }
    return values;
}

std::set<std::wstring> Differing(const std::map<std::wstring, StoredValue>& a,
                                 const std::map<std::wstring, StoredValue>& b) {
    std::set<std::wstring> names;
    for (const auto& [name, value] : a)
        if (!b.count(name) || b.at(name) != value) names.insert(name);
    for (const auto& [name, value] : b)
        if (!a.count(name)) names.insert(name);
    return names;
}
