// The registry stand-in's in-memory form of the registry file: keys in file order, each with
// its values in file order, names and raw bytes kept exactly as the API was given them. The
// text form is Windows' REGEDIT4 .reg syntax, so a user can read and edit it by hand; the
// parser rejects a whole file it does not fully understand, and the writer only emits what the
// parser reads back to the same bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Limits that keep a damaged or hostile file from costing more than a little memory. Win32's
// own name limits are 255 characters per key name and 16383 per value name.
constexpr size_t kRegistryMaxFileBytes = 1u << 20;
constexpr size_t kRegistryMaxValueBytes = 16u * 1024u;
constexpr size_t kRegistryMaxKeyNameChars = 255;
constexpr size_t kRegistryMaxKeyPathChars = 2048;
constexpr size_t kRegistryMaxValueNameChars = 16383;
// Keys plus values in one file; lookups are linear, so this also bounds the parse time.
constexpr size_t kRegistryMaxEntries = 4096;
// A logical line (continuations joined) must hold the largest value the writer can emit.
constexpr size_t kRegistryMaxLineChars = 4 * kRegistryMaxValueBytes + 2 * kRegistryMaxValueNameChars + 64;

struct RegistryValue {
    std::string name;  // "" is the key's default value ("@" in the file)
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegistryKey {
    std::string path;  // full path starting with the root name, e.g. "HKEY_LOCAL_MACHINE\Software"
    std::vector<RegistryValue> values;
};

struct RegistryDocument {
    std::vector<RegistryKey> keys;

    // Key paths and value names compare without regard to ASCII case, as in Win32.
    RegistryKey* findKey(std::string_view path);
    const RegistryKey* findKey(std::string_view path) const;
    RegistryKey& addKey(std::string_view path);
};

const RegistryValue* findRegistryValue(const RegistryKey& key, std::string_view name);
void setRegistryValue(RegistryKey& key, std::string_view name, DWORD type, const BYTE* data, size_t size);
bool registryNamesEqual(std::string_view a, std::string_view b);

// Whether a name can be written to the file and read back unchanged (no control characters).
bool isStorableRegistryName(std::string_view name);
// Whether a full key path has a known root, non-empty components within the name limits and no
// control characters.
bool isValidRegistryKeyPath(std::string_view path);

// Replaces doc with the file's contents; false (and doc left empty) when the text is not a
// well-formed REGEDIT4 file within the limits above.
bool parseRegistryText(std::string_view text, RegistryDocument& doc);
std::string formatRegistryText(const RegistryDocument& doc);

// Writes the file through a temporary file in the same folder, renamed into place, creating the
// folder when missing; on failure the previous file is untouched and no temporary is left.
bool writeFileAtomically(const std::string& path, std::string_view contents);
