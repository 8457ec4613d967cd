// Parsing text .x files ("xof 0303txt 0032", also 0302) into a tree of data objects.
// Only the structure is read here: names, braces, numbers, strings, references and GUIDs,
// with "//" and "#" comments, commas and semicolons. What the objects mean is decided by
// the mesh loader, which skips whatever it does not use. Nesting is limited so that a
// hostile file cannot exhaust the stack.
#include "XFileTree.h"

#include <d3dx9.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int maxDepth = 64;

enum class Tok { End, Word, String, Guid, Open, Close, Error };

class XTokens {
public:
    XTokens(const char* bytes, size_t size) : p(bytes), end(bytes + size) {}

    Tok next(std::string& text) {
        if (havePeek) {
            havePeek = false;
            text = peekText;
            return peekTok;
        }
        return read(text);
    }
    Tok peek(std::string& text) {
        if (!havePeek) {
            peekTok = read(peekText);
            havePeek = true;
        }
        text = peekText;
        return peekTok;
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
    static bool isDelimiter(char c) {
        return isBlank(c) || c == '{' || c == '}' || c == ',' || c == ';' || c == '"' || c == '<' || c == '#' || c == '\0';
    }

    Tok read(std::string& text) {
        text.clear();
        for (;;) {
            while (p < end && (isBlank(*p) || *p == ',' || *p == ';')) ++p;
            if (p == end) return Tok::End;
            bool comment = *p == '#' || (*p == '/' && p + 1 < end && p[1] == '/');
            if (!comment) break;
            while (p < end && *p != '\n') ++p;
        }
        char c = *p;
        if (c == '{') {
            ++p;
            return Tok::Open;
        }
        if (c == '}') {
            ++p;
            return Tok::Close;
        }
        if (c == '"') {
            const char* start = ++p;
            while (p < end && *p != '"') ++p;
            if (p == end) return Tok::Error;
            text.assign(start, p++);
            return Tok::String;
        }
        if (c == '<') {
            const char* start = ++p;
            while (p < end && *p != '>') ++p;
            if (p == end) return Tok::Error;
            text.assign(start, p++);
            return Tok::Guid;
        }
        const char* start = p;
        while (p < end && !isDelimiter(*p) && !(*p == '/' && p + 1 < end && p[1] == '/')) ++p;
        if (p == start) return Tok::Error;  // a stray '\0' or similar
        text.assign(start, p);
        return Tok::Word;
    }

    const char* p;
    const char* end;
    bool havePeek = false;
    Tok peekTok = Tok::End;
    std::string peekText;
};

bool asNumber(const std::string& word, double& out) {
    if (word.empty()) return false;
    char c = word[0];
    if (!(c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9'))) return false;
    char* stop = nullptr;
    out = std::strtod(word.c_str(), &stop);
    return *stop == '\0';
}

class XParser {
public:
    explicit XParser(XTokens& t) : tokens(t) {}

    // Skips a template declaration: its name, then everything up to the matching brace.
    bool skipTemplate() {
        std::string text;
        if (tokens.next(text) != Tok::Word || tokens.next(text) != Tok::Open) return false;
        for (int open = 1; open > 0;) {
            Tok t = tokens.next(text);
            if (t == Tok::Open) ++open;
            else if (t == Tok::Close) --open;
            else if (t == Tok::End || t == Tok::Error) return false;
        }
        return true;
    }

    // The object's opening (optional name, then '{') has not been read yet.
    bool object(XFileObject& obj, int depth) {
        if (depth > maxDepth) return false;
        std::string text;
        Tok t = tokens.next(text);
        if (t == Tok::Word) {
            obj.name = text;
            t = tokens.next(text);
        }
        if (t != Tok::Open) return false;
        return body(obj, depth);
    }

    // Everything after an object's '{' up to and including its '}' (or, for the root, the
    // end of the file).
    bool body(XFileObject& obj, int depth, bool root = false) {
        std::string text;
        for (;;) {
            Tok t = tokens.next(text);
            switch (t) {
                case Tok::End: return root;
                case Tok::Error: return false;
                case Tok::Close:
                    return !root;
                case Tok::String: obj.strings.push_back(text); break;
                case Tok::Guid: break;  // class or instance ids; nothing the saver needs
                case Tok::Open: {
                    // A reference: { Name } or { <guid> } or both.
                    auto ref = std::make_unique<XFileObject>();
                    ref->isReference = true;
                    for (;;) {
                        t = tokens.next(text);
                        if (t == Tok::Close) break;
                        if (t == Tok::Word) ref->name = text;
                        else if (t != Tok::Guid) return false;
                    }
                    obj.children.push_back(std::move(ref));
                    break;
                }
                case Tok::Word: {
                    double number;
                    if (!root && asNumber(text, number)) {
                        obj.numbers.push_back(number);
                        break;
                    }
                    if (text == "template") {
                        if (!skipTemplate()) return false;
                        break;
                    }
                    auto child = std::make_unique<XFileObject>();
                    child->type = text;
                    if (!object(*child, depth + 1)) return false;
                    obj.children.push_back(std::move(child));
                    break;
                }
            }
        }
    }

private:
    XTokens& tokens;
};

}  // namespace

HRESULT parseXFile(const char* bytes, size_t size, XFileObject& root) {
    // "xof " magic, version, format, float size: 16 bytes.
    if (size < 16 || std::memcmp(bytes, "xof ", 4) != 0) return D3DXERR_INVALIDDATA;
    if (std::memcmp(bytes + 4, "0303", 4) != 0 && std::memcmp(bytes + 4, "0302", 4) != 0) return D3DXERR_INVALIDDATA;
    const char* format = bytes + 8;
    if (std::memcmp(format, "bin ", 4) == 0 || std::memcmp(format, "tzip", 4) == 0 ||
        std::memcmp(format, "bzip", 4) == 0)
        return E_NOTIMPL;
    if (std::memcmp(format, "txt ", 4) != 0) return D3DXERR_INVALIDDATA;
    if (std::memcmp(bytes + 12, "0032", 4) != 0 && std::memcmp(bytes + 12, "0064", 4) != 0) return D3DXERR_INVALIDDATA;

    XTokens tokens(bytes + 16, size - 16);
    XParser parser(tokens);
    return parser.body(root, 0, true) ? S_OK : D3DXERR_INVALIDDATA;
}
