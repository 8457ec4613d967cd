// The lock that stands in for finding another process's saver window where windows cannot be
// searched for: one holder at a time across processes, given up with the process, and no
// claim at all without a private runtime folder.
#include <ZarnRuntimeLock.h>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class RuntimeLockTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zarn-runtime-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    }
    void TearDown() override {
        ZarnReleaseRuntimeLock("zarn-test.a");
        ZarnReleaseRuntimeLock("zarn-test.b");
        if (hadOld_) setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
        else unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(folder_);
    }

    // What another process gets when it claims `name` now.
    static ZarnRuntimeLockClaim claimInOtherProcess(const char* name) {
        const pid_t child = fork();
        if (child == 0) {
            // A fresh process holds nothing: forget what fork copied. Closing the copy leaves
            // the parent's lock in place, as it stays until the parent's descriptor closes.
            ZarnReleaseRuntimeLock(name);
            _exit(int(ZarnClaimRuntimeLock(name)));
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? ZarnRuntimeLockClaim(WEXITSTATUS(status)) : ZarnRuntimeLockClaim::unavailable;
    }

    std::string folder_;
    std::string old_;
    bool hadOld_ = false;
};

TEST_F(RuntimeLockTest, OneHolderAcrossProcessesUntilItLetsGo) {
    EXPECT_EQ(ZarnRuntimeLockClaim::claimed, claimInOtherProcess("zarn-test.a"));  // its end frees it
    ASSERT_EQ(ZarnRuntimeLockClaim::claimed, ZarnClaimRuntimeLock("zarn-test.a"));
    EXPECT_EQ(ZarnRuntimeLockClaim::claimed, ZarnClaimRuntimeLock("zarn-test.a"));  // the holder asking again
    EXPECT_EQ(ZarnRuntimeLockClaim::heldElsewhere, claimInOtherProcess("zarn-test.a"));
    EXPECT_EQ(ZarnRuntimeLockClaim::claimed, claimInOtherProcess("zarn-test.b"));  // another name is another lock

    ZarnReleaseRuntimeLock("zarn-test.a");
    EXPECT_EQ(ZarnRuntimeLockClaim::claimed, claimInOtherProcess("zarn-test.a"));
}

TEST_F(RuntimeLockTest, NamesBecomeOneFileInTheRuntimeFolder) {
    // Slashes and spaces from a window title must not reach outside the folder.
    ASSERT_EQ(ZarnRuntimeLockClaim::claimed, ZarnClaimRuntimeLock("../x/Screen Saver"));
    EXPECT_TRUE(std::filesystem::exists(folder_ + "/..-x-Screen-Saver.lock"));
    EXPECT_EQ(ZarnRuntimeLockClaim::heldElsewhere, claimInOtherProcess("../x/Screen Saver"));
    ZarnReleaseRuntimeLock("../x/Screen Saver");
    ASSERT_EQ(ZarnRuntimeLockClaim::claimed, ZarnClaimRuntimeLock(".."));
    EXPECT_TRUE(std::filesystem::exists(folder_ + "/lock...lock"));
    ZarnReleaseRuntimeLock("..");
    EXPECT_EQ(ZarnRuntimeLockClaim::unavailable, ZarnClaimRuntimeLock(""));
    EXPECT_EQ(ZarnRuntimeLockClaim::unavailable, ZarnClaimRuntimeLock(nullptr));
}

TEST_F(RuntimeLockTest, NoClaimWithoutAPrivateRuntimeFolder) {
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(ZarnRuntimeLockClaim::unavailable, ZarnClaimRuntimeLock("zarn-test.a"));
    setenv("XDG_RUNTIME_DIR", "relative/folder", 1);
    EXPECT_EQ(ZarnRuntimeLockClaim::unavailable, ZarnClaimRuntimeLock("zarn-test.a"));
    setenv("XDG_RUNTIME_DIR", (folder_ + "/missing").c_str(), 1);
    EXPECT_EQ(ZarnRuntimeLockClaim::unavailable, ZarnClaimRuntimeLock("zarn-test.a"));

    // A link planted where the lock file goes is not followed.
    setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    std::filesystem::create_symlink(folder_ + "/elsewhere", folder_ + "/zarn-test.b.lock");
    EXPECT_EQ(ZarnRuntimeLockClaim::unavailable, ZarnClaimRuntimeLock("zarn-test.b"));
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/elsewhere"));
}

}  // namespace
