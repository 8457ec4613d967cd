// Token reading for the asset library file; see the header for why this is not plain fscanf.
#include "assets/LibraryTokens.h"

#include "shell/Diagnostics.h"

#include <climits>
#include <cstring>

namespace {

// The blank set of the C library's formatted reads.
bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int skipBlanks(FILE* file) {
    int c;
    do {
        c = std::fgetc(file);
    } while (c != EOF && isBlank(c));
    return c;
}

}  // namespace

TokenRead readToken(FILE* file, char* out, int maxLength, bool report) {
    int c = skipBlanks(file);
    if (c == EOF) {
        out[0] = '\0';
        return TokenRead::end;
    }
    int length = 0;
    bool tooLong = false;
    while (c != EOF && !isBlank(c)) {
        if (length < maxLength)
            out[length++] = static_cast<char>(c);
        else
            tooLong = true;
        c = std::fgetc(file);
    }
    if (c != EOF) std::ungetc(c, file);
    out[length] = '\0';
    if (tooLong) {
        if (report)
            debugPrintf("Error in asset library: a token is longer than %d characters (it begins \"%.40s\")\n",
                        maxLength, out);
        return TokenRead::tooLong;
    }
    return TokenRead::ok;
}

void skipToken(FILE* file) {
    int c = skipBlanks(file);
    while (c != EOF && !isBlank(c)) c = std::fgetc(file);
    if (c != EOF) std::ungetc(c, file);
}

bool readInt(FILE* file, int* out) {
    int c = skipBlanks(file);
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = (c == '-');
        c = std::fgetc(file);
    }
    if (c == EOF || c < '0' || c > '9') {
        if (c != EOF) std::ungetc(c, file);
        return false;
    }
    long long value = 0;
    while (c != EOF && c >= '0' && c <= '9') {
        if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (c - '0');
        c = std::fgetc(file);
    }
    if (c != EOF) std::ungetc(c, file);
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    *out = static_cast<int>(value);
    return true;
}

bool readFloat(FILE* file, float* out) { return std::fscanf(file, "%f", out) == 1; }

void skipRestOfLine(FILE* file) {
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
    }
    if (c != EOF) std::ungetc(c, file);
}

bool endsWith(const char* text, const char* ending) {
    const size_t n = std::strlen(text), k = std::strlen(ending);
    return n > k && std::strcmp(text + n - k, ending) == 0;
}
