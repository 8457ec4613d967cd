// The program's own resources as the Win32 calls find them: the string table's entry 1, the
// saver's name, and icon 100, which the saver's window class carries.
#include "shell/ConfigDialog.h"

#include <ZarnResources.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Resources, StringOneIsTheSaversNameCutToTheBuffer) {
    char name[64];
    EXPECT_EQ(LoadStringA(nullptr, IDS_SAVER_NAME, name, sizeof name), 16);
    EXPECT_STREQ(name, "Zarn Screensaver");
    char small[5];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(LoadStringA(nullptr, IDS_SAVER_NAME, small, sizeof small), 4);
    EXPECT_STREQ(small, "Zarn");  // as much as fits, always terminated
    char other[8] = "kept";
    EXPECT_EQ(LoadStringA(nullptr, 2, other, sizeof other), 0);
    EXPECT_STREQ(other, "");
    EXPECT_EQ(LoadStringA(nullptr, IDS_SAVER_NAME, other, 0), 0);  // no room: nothing written
}

TEST(Resources, IconHundredIsOneSharedIconAndOtherIdsAreNone) {
    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_SAVER));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_SAVER)), icon);
    EXPECT_EQ(ZarnIconResourceId(icon), IDI_SAVER);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(IDB_BANNER)), nullptr);  // a bitmap, not an icon
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(101)), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "100"), nullptr);  // named by number only
    EXPECT_EQ(ZarnIconResourceId(LoadCursorA(nullptr, IDC_HAND)), 0);  // a cursor is no icon resource
}

}  // namespace
