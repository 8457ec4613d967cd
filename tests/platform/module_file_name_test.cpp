// GetModuleFileNameA: the running program's own file, with Win32's answers for a short buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

TEST(ModuleFileNameTest, NamesTheRunningProgramAndTruncatesLikeWin32) {
    char path[1024] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::strlen(path), length);
    EXPECT_EQ('/', path[0]);
    EXPECT_EQ("zarn_platform_tests", std::filesystem::path(path).filename().string());
    EXPECT_TRUE(std::filesystem::equivalent(path, std::filesystem::path(ZARN_BINARY_DIR) / "tests/zarn_platform_tests"));

    // Too small: as much as fits, still terminated, and the buffer's size as the answer.
    char shortPath[8];
    std::memset(shortPath, 'x', sizeof shortPath);
    EXPECT_EQ(DWORD(sizeof shortPath), GetModuleFileNameA(nullptr, shortPath, sizeof shortPath));
    EXPECT_EQ(std::string(path, 7), shortPath);

    EXPECT_EQ(0u, GetModuleFileNameA(nullptr, path, 0));
    EXPECT_EQ(0u, GetModuleFileNameA(reinterpret_cast<HMODULE>(path), path, sizeof path));
}
