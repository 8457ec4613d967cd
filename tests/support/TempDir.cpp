#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <cstdlib>
#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zarn-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir = pattern;
    previousDir = fs::current_path().string();
    fs::current_path(dir);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::current_path(previousDir, ec);
    fs::remove_all(dir, ec);
}

std::string TempDir::write(const std::string& relativePath, const std::string& contents) const {
    fs::path p = fs::path(dir) / relativePath;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << contents;
    return p.string();
}

std::string TempDir::read(const std::string& relativePath) const {
    std::ifstream in(fs::path(dir) / relativePath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
