// Where a fuzz target puts its input: every input is written to the same file in a private
// folder, which is also made the current folder, so that the file names an input mentions
// and the saver's log stay inside it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

// Writes the input to "<private folder>/<fileName>" and returns that path.
inline const char* writeFuzzInput(const char* fileName, const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        char dir[] = "/tmp/zarn-fuzz-XXXXXX";
        if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
        return std::string(dir);
    }();
    static std::string path;
    path = folder + "/" + fileName;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    return path.c_str();
}
