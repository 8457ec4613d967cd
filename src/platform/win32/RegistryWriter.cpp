// Writes the registry file: the REGEDIT4 text that RegistryParser.cpp reads back to the same
// names, types and bytes, and the atomic replacement of the file on disk.
#include "RegistryDocument.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void appendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// The "text" form carries exactly one terminator and nothing the line format would break on;
// every other REG_SZ (no terminator, embedded zeros, line breaks) goes out as hex(1) so that
// its size and bytes survive.
bool fitsQuotedForm(const RegistryValue& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) return false;
    return std::none_of(value.data.begin(), value.data.end() - 1,
                        [](BYTE b) { return b < 0x20 || b == 0x7f; });
}

void appendHexList(std::string& out, const std::vector<BYTE>& data) {
    static const char digits[] = "0123456789abcdef";
    // Wrapped like regedit's output, so a long value stays readable in an editor.
    constexpr size_t bytesPerLine = 25;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out.push_back(',');
            if (i % bytesPerLine == 0) out.append("\\\n  ");
        }
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0xf]);
    }
}

void appendValue(std::string& out, const RegistryValue& value) {
    if (value.name.empty()) {
        out.push_back('@');
    } else {
        appendQuoted(out, value.name);
    }
    out.push_back('=');
    if (fitsQuotedForm(value)) {
        appendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD number = DWORD(value.data[0]) | DWORD(value.data[1]) << 8 | DWORD(value.data[2]) << 16 |
                       DWORD(value.data[3]) << 24;
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", unsigned(number));
        out.append(text);
    } else if (value.type == REG_BINARY) {
        out.append("hex:");
        appendHexList(out, value.data);
    } else {
        char text[24];
        std::snprintf(text, sizeof text, "hex(%x):", unsigned(value.type));
        out.append(text);
        appendHexList(out, value.data);
    }
    out.push_back('\n');
}

bool writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        contents.remove_prefix(size_t(written));
    }
    return true;
}

bool makeDirectories(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat info;
    if (::stat(dir.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectories(dir.substr(0, slash))) return false;
    return ::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace

std::string formatRegistryText(const RegistryDocument& doc) {
    std::string out = "REGEDIT4\n";
    for (const RegistryKey& key : doc.keys) {
        out.append("\n[");
        out.append(key.path);
        out.append("]\n");
        for (const RegistryValue& value : key.values) appendValue(out, value);
    }
    return out;
}

bool writeFileAtomically(const std::string& path, std::string_view contents) {
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash);
    if (!makeDirectories(dir)) return false;

    std::string temp = path + ".tmp-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    // mkstemp's 0600 would hide the settings from other tools the user runs; match a plain
    // file instead.
    ::fchmod(fd, 0644);
    bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}
