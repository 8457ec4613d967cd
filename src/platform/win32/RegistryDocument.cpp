// Lookups and edits on the registry file's in-memory form, with Win32's case-insensitive
// naming and its name rules.
#include "RegistryDocument.h"

#include <algorithm>

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool hasControlCharacter(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

}  // namespace

bool registryNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

RegistryKey* RegistryDocument::findKey(std::string_view path) {
    for (RegistryKey& key : keys)
        if (registryNamesEqual(key.path, path)) return &key;
    return nullptr;
}

const RegistryKey* RegistryDocument::findKey(std::string_view path) const {
    return const_cast<RegistryDocument*>(this)->findKey(path);
}

RegistryKey& RegistryDocument::addKey(std::string_view path) {
    if (RegistryKey* existing = findKey(path)) return *existing;
    keys.push_back(RegistryKey{std::string(path), {}});
    return keys.back();
}

const RegistryValue* findRegistryValue(const RegistryKey& key, std::string_view name) {
    for (const RegistryValue& value : key.values)
        if (registryNamesEqual(value.name, name)) return &value;
    return nullptr;
}

void setRegistryValue(RegistryKey& key, std::string_view name, DWORD type, const BYTE* data, size_t size) {
    RegistryValue* target = const_cast<RegistryValue*>(findRegistryValue(key, name));
    if (!target) {
        key.values.push_back(RegistryValue{std::string(name), type, {}});
        target = &key.values.back();
    }
    target->type = type;
    target->data.assign(data, data + size);
}

bool isStorableRegistryName(std::string_view name) {
    return name.size() <= kRegistryMaxValueNameChars && !hasControlCharacter(name);
}

bool isValidRegistryKeyPath(std::string_view path) {
    if (path.empty() || path.size() > kRegistryMaxKeyPathChars || hasControlCharacter(path)) return false;
    size_t rootEnd = path.find('\\');
    std::string_view root = path.substr(0, rootEnd);
    if (!registryNamesEqual(root, "HKEY_LOCAL_MACHINE") && !registryNamesEqual(root, "HKEY_CURRENT_USER") &&
        !registryNamesEqual(root, "HKEY_CLASSES_ROOT"))
        return false;
    while (rootEnd != std::string_view::npos) {
        size_t start = rootEnd + 1;
        rootEnd = path.find('\\', start);
        size_t length = (rootEnd == std::string_view::npos ? path.size() : rootEnd) - start;
        if (length == 0 || length > kRegistryMaxKeyNameChars) return false;
    }
    return true;
}
