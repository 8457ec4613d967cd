// Reads the registry file's REGEDIT4 text: "[key path]" sections holding "name"=data lines,
// where data is "text" (REG_SZ), dword:xxxxxxxx (REG_DWORD), hex:bb,bb (REG_BINARY) or
// hex(t):bb,bb (any other type, or a value the other forms cannot carry byte for byte).
// Hex lists may continue on the next line after a trailing backslash, as regedit writes them.
// Anything else makes the whole file unreadable: a half-understood file must not be half used,
// and must not be rewritten from what little was understood.
#include "RegistryDocument.h"

#include <optional>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (isBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to 8 hex digits, the whole of s.
std::optional<DWORD> parseHexNumber(std::string_view s) {
    if (s.empty() || s.size() > 8) return std::nullopt;
    DWORD value = 0;
    for (char c : s) {
        int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        value = (value << 4) | DWORD(digit);
    }
    return value;
}

// A quoted string starting at s[0] == '"', with \\ and \" as its only escapes. On success,
// `consumed` is the length up to and including the closing quote.
std::optional<std::string> parseQuoted(std::string_view s, size_t& consumed, size_t maxChars) {
    if (s.empty() || s[0] != '"') return std::nullopt;
    std::string out;
    for (size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            consumed = i + 1;
            return out;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) return std::nullopt;
            c = s[++i];
        }
        if (out.size() >= maxChars) return std::nullopt;
        out.push_back(c);
    }
    return std::nullopt;
}

bool parseHexList(std::string_view s, std::vector<BYTE>& out) {
    s = trimmed(s);
    if (s.empty()) return true;
    while (true) {
        size_t comma = s.find(',');
        std::string_view item = trimmed(s.substr(0, comma));
        if (item.size() != 2 || hexDigit(item[0]) < 0 || hexDigit(item[1]) < 0) return false;
        if (out.size() >= kRegistryMaxValueBytes) return false;
        out.push_back(BYTE(hexDigit(item[0]) << 4 | hexDigit(item[1])));
        if (comma == std::string_view::npos) return true;
        s.remove_prefix(comma + 1);
    }
}

bool parseValueLine(std::string_view line, RegistryKey& key) {
    std::string name;
    size_t consumed = 0;
    if (line[0] == '@') {
        consumed = 1;
    } else {
        auto quoted = parseQuoted(line, consumed, kRegistryMaxValueNameChars);
        if (!quoted || !isStorableRegistryName(*quoted)) return false;
        name = std::move(*quoted);
    }
    std::string_view rest = trimmed(line.substr(consumed));
    if (rest.empty() || rest[0] != '=') return false;
    rest = trimmed(rest.substr(1));

    RegistryValue value;
    value.name = std::move(name);
    if (!rest.empty() && rest[0] == '"') {
        auto text = parseQuoted(rest, consumed, kRegistryMaxValueBytes - 1);
        if (!text || !trimmed(rest.substr(consumed)).empty()) return false;
        if (text->find('\0') != std::string::npos) return false;
        value.type = REG_SZ;
        value.data.assign(text->begin(), text->end());
        value.data.push_back(0);
    } else if (rest.substr(0, 6) == "dword:") {
        auto number = parseHexNumber(trimmed(rest.substr(6)));
        if (!number) return false;
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) value.data.push_back(BYTE(*number >> (8 * i)));
    } else if (rest.substr(0, 4) == "hex:") {
        value.type = REG_BINARY;
        if (!parseHexList(rest.substr(4), value.data)) return false;
    } else if (rest.substr(0, 4) == "hex(") {
        size_t close = rest.find("):");
        if (close == std::string_view::npos) return false;
        auto type = parseHexNumber(rest.substr(4, close - 4));
        if (!type) return false;
        value.type = *type;
        if (!parseHexList(rest.substr(close + 2), value.data)) return false;
    } else {
        return false;
    }
    // A name given twice keeps its last data, as importing such a file into Windows would.
    setRegistryValue(key, value.name, value.type, value.data.data(), value.data.size());
    return true;
}

// Splits the text into logical lines: physical lines joined across trailing backslashes, with
// every line's surrounding blanks dropped.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest(text) {}

    // nullopt at the end; sets `tooLong` and returns nullopt on an oversized line.
    std::optional<std::string> next(bool& tooLong) {
        if (rest.empty()) return std::nullopt;
        std::string line;
        while (true) {
            size_t end = rest.find('\n');
            std::string_view physical = rest.substr(0, end);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            physical = trimmed(physical);
            bool continues = !physical.empty() && physical.back() == '\\' && !rest.empty();
            if (continues) physical.remove_suffix(1);
            if (line.size() + physical.size() > kRegistryMaxLineChars) {
                tooLong = true;
                return std::nullopt;
            }
            line.append(physical);
            if (!continues) return line;
        }
    }

private:
    std::string_view rest;
};

}  // namespace

bool parseRegistryText(std::string_view text, RegistryDocument& doc) {
    doc.keys.clear();
    if (text.size() > kRegistryMaxFileBytes) return false;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    LineReader reader(text);
    bool tooLong = false;
    bool sawHeader = false;
    RegistryDocument parsed;
    // Only valid until the next addKey, which always replaces it.
    RegistryKey* currentKey = nullptr;
    size_t entries = 0;
    while (auto line = reader.next(tooLong)) {
        std::string_view l = trimmed(*line);
        if (l.empty() || l[0] == ';') continue;
        if (!sawHeader) {
            if (l != "REGEDIT4") return false;
            sawHeader = true;
            continue;
        }
        if (l[0] == '[') {
            if (l.size() < 3 || l.back() != ']') return false;
            std::string_view path = l.substr(1, l.size() - 2);
            if (!isValidRegistryKeyPath(path)) return false;
            if (++entries > kRegistryMaxEntries) return false;
            currentKey = &parsed.addKey(path);
            continue;
        }
        if (!currentKey || ++entries > kRegistryMaxEntries) return false;
        if (!parseValueLine(l, *currentKey)) return false;
    }
    if (tooLong || !sawHeader) return false;
    doc = std::move(parsed);
    return true;
}
