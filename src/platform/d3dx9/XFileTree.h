// Not part of D3DX: the data objects of a text .x file as a tree, before any of them is
// interpreted. Each object keeps its numbers and strings in file order (separators are
// dropped), its nested objects, and its references ({ Name }) as children whose
// isReference is set. Template declarations are skipped while parsing.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

struct XFileObject {
    std::string type;  // "Mesh", "Frame", ...; empty for the file's root
    std::string name;  // optional instance name, or the referenced name
    bool isReference = false;
    std::vector<double> numbers;
    std::vector<std::string> strings;
    std::vector<std::unique_ptr<XFileObject>> children;
};

// Parses a whole .x file held in memory. S_OK fills root; E_NOTIMPL for binary and
// compressed files; D3DXERR_INVALIDDATA for anything malformed, truncated or nested too
// deeply.
HRESULT parseXFile(const char* bytes, size_t size, XFileObject& root);
