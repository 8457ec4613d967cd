// The registry calls the saver makes (RegCreateKeyExA, RegQueryValueExA, RegSetValueExA,
// RegCloseKey), kept in one REGEDIT4 text file: $ZARN_REGISTRY, else
// $XDG_CONFIG_HOME/zarn-screensaver/registry.reg (~/.config when unset). Every call reads the
// file afresh and every change rewrites it whole, atomically; the file is a few hundred bytes.
// A file that cannot be read or parsed reads as a registry without values and is left alone
// until the next change, which moves it aside to "<file>.corrupt" before writing a valid one,
// so nothing the user had is silently lost. Values of the one-run layer in
// $ZARN_REGISTRY_OVERLAY (RegistryOverlay.h) are read ahead of the file's and never written.
#include "RegistryDocument.h"
#include "RegistryOverlay.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct HKEY__ {
    std::string path;
    REGSAM access;
};

namespace {

enum class FileState {
    Missing,   // nothing there yet: reads as empty, may be created
    Loaded,    // parsed
    Corrupt,   // a file we cannot read or parse: reads as empty, kept aside on the next change
    Unusable,  // no path, or something other than a file is in the way: reads as empty, no writes
};

// Handles handed out and not yet closed, so a stale or foreign handle is refused, not followed.
std::set<HKEY>& liveKeys() {
    static std::set<HKEY> keys;
    return keys;
}

std::string registryFilePath() {
    const char* explicitPath = std::getenv("ZARN_REGISTRY");
    if (explicitPath && *explicitPath) return explicitPath;
    std::string base;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    // Relative XDG paths are to be ignored, as the base directory rules say.
    if (configHome && configHome[0] == '/') {
        base = configHome;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) return std::string();
        base = std::string(home) + "/.config";
    }
    return base + "/zarn-screensaver/registry.reg";
}

FileState readRegistryFile(const std::string& path, RegistryDocument& doc) {
    doc.keys.clear();
    if (path.empty()) return FileState::Unusable;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return errno == ENOENT ? FileState::Missing : FileState::Unusable;
    if (!S_ISREG(info.st_mode)) return FileState::Unusable;
    if (size_t(info.st_size) > kRegistryMaxFileBytes) return FileState::Corrupt;

    // Non-blocking, in case the file was swapped for a pipe since the stat.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FileState::Corrupt;
    std::string text;
    char buffer[8192];
    bool ok = true;
    while (true) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) break;
        // The file may have grown since the stat; the bound holds for what is read.
        if (text.size() + size_t(got) > kRegistryMaxFileBytes) {
            ok = false;
            break;
        }
        text.append(buffer, size_t(got));
    }
    ::close(fd);
    if (!ok || !parseRegistryText(text, doc)) return FileState::Corrupt;
    return FileState::Loaded;
}

// Writes doc over the file in `state`; a corrupt original is first moved aside and is put back
// if the write fails.
bool writeRegistryFile(const std::string& path, FileState state, const RegistryDocument& doc) {
    if (state == FileState::Unusable) return false;
    std::string keptAside;
    if (state == FileState::Corrupt) {
        keptAside = path + ".corrupt";
        if (::rename(path.c_str(), keptAside.c_str()) != 0) return false;
    }
    if (writeFileAtomically(path, formatRegistryText(doc))) return true;
    if (!keptAside.empty()) ::rename(keptAside.c_str(), path.c_str());
    return false;
}

bool rootName(HKEY key, std::string& name) {
    if (key == HKEY_LOCAL_MACHINE) {
        name = "HKEY_LOCAL_MACHINE";
    } else if (key == HKEY_CURRENT_USER) {
        name = "HKEY_CURRENT_USER";
    } else if (key == HKEY_CLASSES_ROOT) {
        name = "HKEY_CLASSES_ROOT";
    } else {
        return false;
    }
    return true;
}

HKEY__* openedKey(HKEY key) { return liveKeys().count(key) ? key : nullptr; }

size_t entryCount(const RegistryDocument& doc) {
    size_t count = doc.keys.size();
    for (const RegistryKey& key : doc.keys) count += key.values.size();
    return count;
}

}  // namespace

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                        LPDWORD lpdwDisposition) {
    (void)Reserved;
    (void)lpClass;
    (void)dwOptions;
    (void)lpSecurityAttributes;
    if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
    std::string path;
    if (!rootName(hKey, path)) {
        HKEY__* parent = openedKey(hKey);
        if (!parent) return ERROR_INVALID_HANDLE;
        path = parent->path;
    }
    if (*lpSubKey) path.append("\\").append(lpSubKey);
    if (!isValidRegistryKeyPath(path)) return ERROR_INVALID_PARAMETER;

    std::string file = registryFilePath();
    if (file.empty()) return ERROR_ACCESS_DENIED;
    RegistryDocument doc;
    FileState state = readRegistryFile(file, doc);
    bool existed = state == FileState::Loaded && doc.findKey(path);
    if (!existed && (state == FileState::Loaded || state == FileState::Missing) && entryCount(doc) < kRegistryMaxEntries) {
        // Creating the key is kept on disk when possible, as Win32 would; when it is not (a
        // read-only home, say) the key still opens, so a reader gets its defaults.
        doc.addKey(path);
        writeRegistryFile(file, state, doc);
    }

    HKEY key = new HKEY__{path, samDesired};
    liveKeys().insert(key);
    *phkResult = key;
    if (lpdwDisposition) *lpdwDisposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
    HKEY__* key = openedKey(hKey);
    if (!key) return ERROR_INVALID_HANDLE;
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    if (!(key->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;

    const std::string_view name = lpValueName ? lpValueName : "";
    RegistryDocument overlay, doc;
    const RegistryValue* value = findRegistryOverlayValue(key->path, name, overlay);
    if (!value) {
        if (readRegistryFile(registryFilePath(), doc) != FileState::Loaded) return ERROR_FILE_NOT_FOUND;
        const RegistryKey* stored = doc.findKey(key->path);
        value = stored ? findRegistryValue(*stored, name) : nullptr;
        if (!value) return ERROR_FILE_NOT_FOUND;
    }

    if (lpType) *lpType = value->type;
    DWORD size = DWORD(value->data.size());
    if (!lpcbData) return ERROR_SUCCESS;
    if (lpData) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (size) std::memcpy(lpData, value->data.data(), size);
    }
    *lpcbData = size;
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData) {
    (void)Reserved;
    HKEY__* key = openedKey(hKey);
    if (!key) return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    std::string_view name = lpValueName ? lpValueName : "";
    if ((!lpData && cbData) || cbData > kRegistryMaxValueBytes || !isStorableRegistryName(name))
        return ERROR_INVALID_PARAMETER;

    std::string file = registryFilePath();
    RegistryDocument doc;
    FileState state = readRegistryFile(file, doc);
    if (state == FileState::Unusable) return ERROR_ACCESS_DENIED;
    RegistryKey* stored = doc.findKey(key->path);
    size_t added = (stored ? 0 : 1) + (stored && findRegistryValue(*stored, name) ? 0 : 1);
    // The parser refuses files past this size, so the writer must never produce one.
    if (entryCount(doc) + added > kRegistryMaxEntries) return ERROR_OUTOFMEMORY;
    if (!stored) stored = &doc.addKey(key->path);
    setRegistryValue(*stored, name, dwType, lpData, cbData);
    return writeRegistryFile(file, state, doc) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LSTATUS RegCloseKey(HKEY hKey) {
    std::string root;
    if (rootName(hKey, root)) return ERROR_SUCCESS;
    HKEY__* key = openedKey(hKey);
    if (!key) return ERROR_INVALID_HANDLE;
    liveKeys().erase(key);
    delete key;
    return ERROR_SUCCESS;
}
