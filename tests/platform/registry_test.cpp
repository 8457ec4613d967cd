// The registry stand-in: values survive the text file with their types, sizes and bytes; a
// damaged file reads as empty and is kept until a change; writes never leave a half-written
// or stray file; queries answer like Win32's.
#include "support/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

const char* const zarnKey = "Software\\Orvane\\Zarn Screensaver";

// A fresh folder holding the registry file for each test.
class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        file = dir.path() + "/registry.reg";
        setenv("ZARN_REGISTRY", file.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("ZARN_REGISTRY");
        unsetenv("ZARN_REGISTRY_OVERLAY");
    }

    HKEY open(REGSAM access, DWORD* disposition = nullptr) {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, zarnKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 access, nullptr, &key, disposition));
        return key;
    }

    void set(const char* name, DWORD type, std::vector<BYTE> data) {
        HKEY key = open(KEY_WRITE);
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, data.data(), DWORD(data.size())));
        RegCloseKey(key);
    }

    // The stored type and bytes, or the error code as the type when the query fails.
    std::pair<DWORD, std::vector<BYTE>> get(const char* name) {
        HKEY key = open(KEY_READ);
        DWORD type = 0;
        std::vector<BYTE> data(1 << 16);
        DWORD size = DWORD(data.size());
        LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) return {0xE0000000u | DWORD(status), {}};
        data.resize(size);
        return {type, data};
    }

    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string file;
};

std::vector<BYTE> bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

}  // namespace

TEST_F(RegistryTest, ValuesKeepTheirTypesSizesAndBytesThroughTheFile) {
    std::vector<BYTE> longBinary;
    for (int i = 0; i < 300; ++i) longBinary.push_back(BYTE(i * 7));
    const std::vector<std::pair<const char*, std::pair<DWORD, std::vector<BYTE>>>> values = {
        {"UseMilitaryTime", {REG_BINARY, {0x01}}},
        {"Antialiasing", {REG_DWORD, {0x04, 0x00, 0x00, 0x00}}},
        {"Resolution", {REG_DWORD, {0x00, 0x05, 0x00, 0x80}}},
        {"InstallDir", {REG_SZ, bytes(std::string("C:\\Program Files\\\"Zarn\" Screensaver") + '\0')}},
        {"Empty", {REG_BINARY, {}}},
        {"Long", {REG_BINARY, longBinary}},
        // Forms the quoted and dword notations cannot carry exactly.
        {"NoTerminator", {REG_SZ, bytes("abc")}},
        {"InnerZero", {REG_SZ, bytes(std::string("a\0b\n", 4) + '\0')}},
        {"ShortDword", {REG_DWORD, {0x01, 0x02}}},
        {"Expand", {2, bytes(std::string("%HOME%") + '\0')}},
        {"Name with \"quotes\" and \\", {REG_BINARY, {0xff}}},
        {"", {REG_SZ, bytes(std::string("default") + '\0')}},
    };
    for (const auto& [name, value] : values) set(name, value.first, value.second);
    for (const auto& [name, value] : values) EXPECT_EQ(value, get(name)) << name;

    std::string text = dir.read("registry.reg");
    EXPECT_EQ(0u, text.find("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\n\"UseMilitaryTime\"=hex:01\n"));
    EXPECT_NE(std::string::npos, text.find("\n\"Antialiasing\"=dword:00000004\n"));
    EXPECT_NE(std::string::npos, text.find("\n\"Resolution\"=dword:80000500\n"));
    EXPECT_NE(std::string::npos, text.find("\n\"InstallDir\"=\"C:\\\\Program Files\\\\\\\"Zarn\\\" Screensaver\"\n"));
    EXPECT_NE(std::string::npos, text.find("\n\"NoTerminator\"=hex(1):61,62,63\n"));
    EXPECT_NE(std::string::npos, text.find("\n@=\"default\"\n"));
}

TEST_F(RegistryTest, ReadsHandWrittenFilesAsRegeditWritesThem) {
    dir.write("registry.reg",
              "\xEF\xBB\xBFREGEDIT4\r\n"
              "\r\n"
              "; written by hand\r\n"
              "[hkey_local_machine\\SOFTWARE\\Orvane\\Zarn Screensaver]\r\n"
              "\"usemilitarytime\" = hex:01\r\n"
              "\"Blob\"=hex:00,01,02,\\\r\n"
              "  03,04\r\n"
              "\"Antialiasing\"=dword:2\r\n"
              "\"Antialiasing\"=dword:00000000\r\n");
    EXPECT_EQ((std::pair<DWORD, std::vector<BYTE>>{REG_BINARY, {1}}), get("UseMilitaryTime"));
    EXPECT_EQ((std::pair<DWORD, std::vector<BYTE>>{REG_BINARY, {0, 1, 2, 3, 4}}), get("Blob"));
    // A name given twice: the last line wins.
    EXPECT_EQ((std::pair<DWORD, std::vector<BYTE>>{REG_DWORD, {0, 0, 0, 0}}), get("Antialiasing"));
}

TEST_F(RegistryTest, QueriesAnswerLikeWin32) {
    set("Four", REG_DWORD, {1, 2, 3, 4});
    HKEY key = open(KEY_READ);

    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Four", nullptr, &type, nullptr, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(DWORD(REG_DWORD), type);

    BYTE small[1] = {0xAA};
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Four", nullptr, nullptr, small, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(0xAA, small[0]);

    BYTE big[8] = {};
    size = sizeof big;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Four", nullptr, nullptr, big, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(4, big[3]);

    size = sizeof big;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Missing", nullptr, nullptr, big, &size));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Four", nullptr, nullptr, big, nullptr));

    // A key opened for reading cannot write, and a closed handle is refused.
    BYTE one = 1;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(key, "Four", 0, REG_BINARY, &one, 1));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(key, "Four", nullptr, nullptr, big, &size));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
}

TEST_F(RegistryTest, OpeningCreatesTheKeyAndItsFolder) {
    file = dir.path() + "/not/yet/registry.reg";
    setenv("ZARN_REGISTRY", file.c_str(), 1);
    DWORD disposition = 0;
    RegCloseKey(open(KEY_READ, &disposition));
    EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
    EXPECT_EQ("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n",
              dir.read("not/yet/registry.reg"));
    RegCloseKey(open(KEY_READ, &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
}

TEST_F(RegistryTest, TheDefaultFileLivesUnderTheUsersConfigFolder) {
    unsetenv("ZARN_REGISTRY");
    const char* oldXdg = getenv("XDG_CONFIG_HOME");
    std::string savedXdg = oldXdg ? oldXdg : "";
    setenv("XDG_CONFIG_HOME", (dir.path() + "/config").c_str(), 1);
    set("A", REG_BINARY, {1});
    EXPECT_TRUE(fs::exists(dir.path() + "/config/zarn-screensaver/registry.reg"));

    // A relative XDG_CONFIG_HOME does not count; ~/.config does.
    const char* oldHome = getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", (dir.path() + "/home").c_str(), 1);
    set("A", REG_BINARY, {1});
    EXPECT_TRUE(fs::exists(dir.path() + "/home/.config/zarn-screensaver/registry.reg"));

    if (oldXdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
    if (oldHome) setenv("HOME", savedHome.c_str(), 1); else unsetenv("HOME");
}

TEST_F(RegistryTest, DamagedFilesReadAsEmptyAndStayUntilAChange) {
    const std::vector<std::string> damaged = {
        "garbage\n",
        "",
        "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"A\"=hex:01\n",  // no header
        "REGEDIT4\n\"A\"=hex:01\n",                                                  // value before any key
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"A\"=hex:1\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"A\"=hex:01,\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"A\"=\"unterminated\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"A\"=\"bad \\n escape\"\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"A\"=dword:123456789\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"A\"=-\n",
        "REGEDIT4\n[HKEY_NOWHERE\\Software]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\\\Software]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"A\"=hex:" +
            std::string(200000, '0') + "\n",
        "REGEDIT4\n;" + std::string(2u << 20, 'x') + "\n",
    };
    for (const std::string& contents : damaged) {
        SCOPED_TRACE(contents.substr(0, 80));
        dir.write("registry.reg", contents);
        DWORD disposition = 0;
        HKEY key = open(KEY_READ, &disposition);
        BYTE data[4];
        DWORD size = sizeof data;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "A", nullptr, nullptr, data, &size));
        RegCloseKey(key);
        EXPECT_TRUE(dir.read("registry.reg") == contents) << "opening and reading must not rewrite it";
    }

    // The next change writes a valid file and keeps the damaged one beside it.
    set("B", REG_BINARY, {7});
    EXPECT_EQ((std::pair<DWORD, std::vector<BYTE>>{REG_BINARY, {7}}), get("B"));
    EXPECT_EQ("REGEDIT4\n;" + std::string(2u << 20, 'x') + "\n", dir.read("registry.reg.corrupt"));
    EXPECT_EQ((std::vector<std::string>{"registry.reg", "registry.reg.corrupt"}), folderEntries());
}

TEST_F(RegistryTest, SomethingOtherThanAFileInTheWayReadsEmptyAndRefusesWrites) {
    fs::create_directory(file);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, zarnKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    BYTE one = 1;
    DWORD size = 1;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "A", nullptr, nullptr, &one, &size));
    EXPECT_NE(ERROR_SUCCESS, RegSetValueExA(key, "A", 0, REG_BINARY, &one, 1));
    RegCloseKey(key);
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(RegistryTest, WritesLeaveNoTemporaryFilesAndAFailedWriteKeepsTheOldFile) {
    for (int i = 0; i < 5; ++i) set("Value", REG_DWORD, {BYTE(i), 0, 0, 0});
    EXPECT_EQ(std::vector<std::string>{"registry.reg"}, folderEntries());

    std::string before = dir.read("registry.reg");
    // Tests run as root, which ignores folder permissions; a file size limit still makes the
    // temporary file's write fail part-way, as a full disk would.
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tiny);
    HKEY key = open(KEY_WRITE);
    BYTE one = 1;
    LSTATUS status = RegSetValueExA(key, "Other", 0, REG_BINARY, &one, 1);
    RegCloseKey(key);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_NE(ERROR_SUCCESS, status) << "a failed write must not report success";
    EXPECT_EQ(before, dir.read("registry.reg"));
    EXPECT_EQ(std::vector<std::string>{"registry.reg"}, folderEntries());
}

TEST_F(RegistryTest, RefusesWhatTheFileCouldNotHold) {
    HKEY key = open(KEY_WRITE);
    std::vector<BYTE> huge(1 << 20);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "Huge", 0, REG_BINARY, huge.data(), DWORD(huge.size())));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "Line\nBreak", 0, REG_BINARY, huge.data(), 1));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "NoData", 0, REG_BINARY, nullptr, 4));
    RegCloseKey(key);

    HKEY sub = nullptr;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\Leading", 0, nullptr, 0, KEY_READ,
                                                       nullptr, &sub, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCreateKeyExA(reinterpret_cast<HKEY>(uintptr_t(0x1234)), "A", 0, nullptr, 0,
                                                    KEY_READ, nullptr, &sub, nullptr));

    // The largest value the file may hold round-trips.
    std::vector<BYTE> largest(16 * 1024, 0xab);
    set("Largest", REG_BINARY, largest);
    EXPECT_EQ(largest, get("Largest").second);
}

TEST_F(RegistryTest, TheOneRunLayerIsReadAheadOfTheFileAndNeverWritten) {
    set("EnableShadows", REG_BINARY, {1});
    set("Resolution", REG_DWORD, {0x20, 0x03, 0, 0});
    const std::string before = dir.read("registry.reg");
    setenv("ZARN_REGISTRY_OVERLAY",
           "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Zarn Screensaver]\n\"EnableShadows\"=hex:00\n"
           "\"Antialiasing\"=dword:00000002\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Resolution\"=dword:00000000\n",
           1);
    EXPECT_EQ((std::pair<DWORD, std::vector<BYTE>>{REG_BINARY, {0}}), get("EnableShadows"));
    EXPECT_EQ((std::pair<DWORD, std::vector<BYTE>>{REG_DWORD, {2, 0, 0, 0}}), get("Antialiasing"));
    // Another key's value in the layer is that key's; what the layer leaves out comes from the file.
    EXPECT_EQ((std::pair<DWORD, std::vector<BYTE>>{REG_DWORD, {0x20, 0x03, 0, 0}}), get("Resolution"));
    EXPECT_EQ(0xE0000000u | DWORD(ERROR_FILE_NOT_FOUND), get("UseMilitaryTime").first);
    EXPECT_EQ(before, dir.read("registry.reg"));

    // A write goes to the file alone: the layer still wins for this run, the file keeps the write.
    set("EnableShadows", REG_BINARY, {1});
    EXPECT_EQ(std::vector<BYTE>{0}, get("EnableShadows").second);
    unsetenv("ZARN_REGISTRY_OVERLAY");
    EXPECT_EQ(std::vector<BYTE>{1}, get("EnableShadows").second);
    EXPECT_EQ(0xE0000000u | DWORD(ERROR_FILE_NOT_FOUND), get("Antialiasing").first);

    // A layer that is not whole REGEDIT4 is ignored whole, like a damaged file.
    for (const char* bad : {"\"EnableShadows\"=hex:00\n",
                            "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"EnableShadows\"=hex:0\n",
                            "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n\"EnableShadows\"=hex:00\nnonsense\n",
                            ""}) {
        setenv("ZARN_REGISTRY_OVERLAY", bad, 1);
        EXPECT_EQ(std::vector<BYTE>{1}, get("EnableShadows").second) << bad;
    }
    unsetenv("ZARN_REGISTRY_OVERLAY");
    EXPECT_EQ(before, dir.read("registry.reg"));
}
