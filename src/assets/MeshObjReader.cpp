// The Wavefront .obj reader: one statement per leading token, faces always single
// triangles whose corner form follows the vt/vn lines seen so far. Malformed statements,
// over-long tokens and faces that point past the arrays reject the whole file, leaving an
// empty mesh; statements the reader does not know are only counted, and still drawn, unless
// the file ends on a skipped line without a line end, which ends the read as a success.
#include "assets/Mesh.h"

#include "shell/Diagnostics.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t maxTokenLength = 255;

bool readWholeFile(std::FILE* file, std::vector<char>& bytes) {
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    return !std::ferror(file);
}

// Whitespace-separated tokens over the file's bytes, the way "%s" reads them.
class ObjTokens {
public:
    explicit ObjTokens(const std::vector<char>& bytes) : data(bytes.data()), end(bytes.data() + bytes.size()) {}

    // False at the end of the file. A token longer than the format allows sets tooLong. The
    // token points into the file's bytes.
    bool next(std::string_view& token) {
        while (data < end && isBlank(*data)) ++data;
        if (data == end) return false;
        const char* start = data;
        while (data < end && !isBlank(*data)) ++data;
        if (static_cast<size_t>(data - start) > maxTokenLength) tooLong = true;
        token = std::string_view(start, static_cast<size_t>(data - start));
        return true;
    }
    // Skips to the line end (left for the next token read to pass over); false when the
    // file ends first, on a last line without its line end.
    bool skipLine() {
        while (data < end && *data != '\n') ++data;
        return data < end;
    }

    bool tooLong = false;

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
    const char* data;
    const char* end;
};

bool parseFloat(std::string_view token, float& out) {
    if (token.empty()) return false;
    // Plain decimals, nearly all of a mesh's numbers, go through from_chars, several times
    // faster than strtof and rounded the same (both to nearest). What it does not take whole
    // (a '+' sign, hexadecimal, values out of float's range) goes to strtof as before.
    float value = 0.0f;
    const char* end = token.data() + token.size();
    const auto [stopped, error] = std::from_chars(token.data(), end, value);
    if (error != std::errc() || stopped != end) {
        char* stop = nullptr;
        errno = 0;
        const std::string terminated(token);
        value = std::strtof(terminated.c_str(), &stop);
        if (*stop != '\0') return false;
    }
    if (!std::isfinite(value)) return false;
    out = value;
    return true;
}

// An optionally signed decimal integer, read from text[pos] on; pos is moved past it.
bool parseInt(std::string_view text, size_t& pos, int32_t& out) {
    size_t i = pos;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i++] - '0');
        if (value > INT32_MAX) return false;
    }
    out = static_cast<int32_t>(negative ? -value : value);
    pos = i;
    return true;
}

bool parseWholeInt(std::string_view token, int32_t& out) {
    size_t pos = 0;
    return parseInt(token, pos, out) && pos == token.size();
}

// One face corner in the form the flags choose: "p", "p/t", "p//n" or "p/t/n".
bool parseCorner(std::string_view token, bool withTex, bool withNormal, int32_t& p, int32_t& t, int32_t& n) {
    size_t pos = 0;
    t = 1;
    n = 1;
    if (!parseInt(token, pos, p)) return false;
    if (withTex || withNormal) {
        if (pos >= token.size() || token[pos++] != '/') return false;
        if (withTex && !parseInt(token, pos, t)) return false;
        if (withNormal) {
            if (pos >= token.size() || token[pos++] != '/') return false;
            if (!parseInt(token, pos, n)) return false;
        }
    }
    return pos == token.size();
}

}  // namespace

bool Mesh::loadObj(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "r");
    if (!file) {
        debugPrintf("Error opening mesh file %s\n", fileName);
        return false;
    }
    clearData();
    objFile = fileName;
    editedSinceLoad = false;
    std::printf("Reading .obj file %s.\n", fileName);
    std::fflush(stdout);

    std::vector<char> bytes;
    bool readOk = readWholeFile(file, bytes);
    std::fclose(file);
    if (!readOk) {
        debugPrintf("Error reading mesh file %s\n", fileName);
        return false;
    }

    ObjTokens tokens(bytes);
    std::string_view token, args[3];
    int unexpected = 0;
    // The file ended inside a skipped line: the read is over and counts as a success, as when
    // the format's reader meets the end there.
    bool endedInSkippedLine = false;
    const char* malformed = nullptr;
    bool outOfMemory = false;

    auto readFloats = [&](int n, float* out) {
        for (int i = 0; i < n; ++i)
            if (!tokens.next(args[i]) || !parseFloat(args[i], out[i])) return false;
        return true;
    };

    while (!malformed && !outOfMemory && tokens.next(token)) {
        if (tokens.tooLong) break;
        if (token[0] == '#' || token == "mtllib" || token == "usemtl" || token == "s" || token == "g") {
            if (!tokens.skipLine()) {
                endedInSkippedLine = true;
                break;
            }
        } else if (token == "v") {
            float p[3];
            if (!readFloats(3, p)) {
                malformed = "v";
                break;
            }
            outOfMemory = !positions.append({p[0], p[1], p[2]});
            widenBounds(p);
        } else if (token == "vt") {
            float t[2];
            if (!readFloats(2, t)) {
                malformed = "vt";
                break;
            }
            outOfMemory = !texCoords.append({t[0], t[1]});
            hasTexCoords = true;
        } else if (token == "vn" || token == "n") {
            float n[3];
            if (!readFloats(3, n)) {
                malformed = "vn";
                break;
            }
            outOfMemory = !normals.append({n[0], n[1], n[2]});
            hasNormals = true;
        } else if (token == "f") {
            MeshFace face{};
            for (int c = 0; c < 3; ++c) {
                int32_t p, t, n;
                if (!tokens.next(args[0]) || !parseCorner(args[0], hasTexCoords, hasNormals, p, t, n)) {
                    malformed = "f";
                    break;
                }
                // Indices count from 1 in the file; a part the form does not read is stored as 0.
                face.position[c] = p - 1;
                face.texCoord[c] = t - 1;
                face.normal[c] = n - 1;
            }
            if (!malformed) outOfMemory = !faces.append(face);
        } else if (token == "ls") {
            int32_t a, b;
            if (!tokens.next(args[0]) || !tokens.next(args[1]) || !parseWholeInt(args[0], a) ||
                !parseWholeInt(args[1], b)) {
                malformed = "ls";
                break;
            }
        } else {
            ++unexpected;
        }
        if (tokens.tooLong) break;
    }

    if (tokens.tooLong) {
        debugPrintf("Token longer than 255 characters in .obj file %s\n", fileName);
        clearData();
        return false;
    }
    if (malformed) {
        debugPrintf("Malformed '%s' statement in .obj file %s\n", malformed, fileName);
        clearData();
        return false;
    }
    if (outOfMemory) {
        debugPrintf("Out of memory while reading .obj file %s\n", fileName);
        clearData();
        return false;
    }
    if (!objIndicesValid()) {
        debugPrintf("Face index out of range in .obj file %s\n", fileName);
        clearData();
        return false;
    }
    if (unexpected && !endedInSkippedLine) {
        debugPrintf("Unexpected data encountered while opeing file %s\n", fileName);
        return false;
    }
    return true;
}
