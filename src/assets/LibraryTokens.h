// Token-level reading of the asset library file, shared by the library and the block readers.
// These behave like the formatted reads the file format is defined by ("%s", "%d", "%f",
// "%*[^\n]"), with two differences that keep bad files harmless: a token longer than the
// caller's limit is reported and refused instead of overflowing its buffer, and an integer
// too large for 32 bits saturates instead of wrapping.
#pragma once

#include <cstddef>
#include <cstdio>

// Longest token at the top level and in MODEL blocks, and inside TEXTURE, MATERIAL and
// ANIMATION blocks.
constexpr int kLibraryTokenMax = 259;
constexpr int kBlockTokenMax = 255;

// The most elements any one array read from the library may have. Real libraries hold a few
// dozen assets and a few hundred keys; a count beyond this is a damaged file, not a request
// for gigabytes.
constexpr int kMaxLibraryCount = 100000;

enum class TokenRead { ok, end, tooLong };

// Skips blanks, then reads one run of non-blank characters into `out` (capacity maxLength + 1).
// An over-long token is consumed whole, reported through debugPrintf (unless `report` is
// false) and answered tooLong (with its first maxLength characters in `out`).
TokenRead readToken(FILE* file, char* out, int maxLength, bool report = true);

// Reads a token and ignores it, whatever its length.
void skipToken(FILE* file);

// "%d": optional sign and decimal digits after blanks; false when no digit follows.
bool readInt(FILE* file, int* out);

// "%f".
bool readFloat(FILE* file, float* out);

// "%*[^\n]": drops the rest of the current line (comments).
void skipRestOfLine(FILE* file);

// Case-sensitive test of a token's ending with at least one character before it.
bool endsWith(const char* text, const char* ending);
