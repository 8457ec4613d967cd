// A fresh temporary folder per test, made the current directory while the test runs (the
// saver resolves every data path, the log and the settings file against it).
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return dir; }
    // Writes a file below the folder (parents created) and returns its full path.
    std::string write(const std::string& relativePath, const std::string& contents) const;
    std::string read(const std::string& relativePath) const;

private:
    std::string dir;
    std::string previousDir;
};
