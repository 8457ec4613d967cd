// The settings dialog's procedure on template 2003 without a display: the list entries and
// value maps in both directions, Reset, OK and Cancel against a real settings file, and the
// web-site link area with its cursors.
#include "shell/ConfigDialog.h"
#include "shell/SaverState.h"

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <ZarnResources.h>
#include <ZarnScreenMetrics.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const keyHeader = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n";

std::vector<std::string> openedAddresses;
void recordOpen(LPCSTR, LPCSTR file, INT) { openedAddresses.emplace_back(file); }

class ConfigDialogTest : public testing::Test {
protected:
    void SetUp() override {
        registryPath = dir.path() + "/registry.reg";
        environment.set("ZARN_REGISTRY", registryPath);
        ZarnSetScreenMetricsOverride(1280, 1024);
        ZarnSetShellExecuteHook(recordOpen);
        openedAddresses.clear();
        saverState.settings = SaverSettings{};
    }
    void TearDown() override {
        if (dialog) ZarnDestroyDialogWithoutDisplay(dialog);
        ZarnSetShellExecuteHook(nullptr);
        ZarnSetScreenMetricsOverride(0, 0);
    }

    void writeSettings(const std::string& values) { dir.write("registry.reg", keyHeader + values); }
    std::string settingsFile() const { return dir.read("registry.reg"); }

    void open() {
        dialog = ZarnCreateDialogWithoutDisplay(MAKEINTRESOURCEA(IDD_CONFIG), configDialogProc);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ZarnSendDialogMessage(dialog, WM_INITDIALOG, 0, 0), TRUE);
    }
    INT_PTR command(int id) { return ZarnSendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    std::string entry(int list, int index) {
        char text[64] = {};
        SendDlgItemMessageA(dialog, list, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    std::vector<std::string> entries(int list) {
        std::vector<std::string> all;
        const int count = int(SendDlgItemMessageA(dialog, list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) all.push_back(entry(list, i));
        return all;
    }
    std::string selected(int list) {
        return entry(list, int(SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0)));
    }
    void select(int list, int index) { SendDlgItemMessageA(dialog, list, CB_SETCURSEL, WPARAM(index), 0); }
    bool checked(int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    // Reads the settings file back as the saver would.
    SaverSettings stored() {
        SaverSettings s;
        s.load();
        return s;
    }
    WORD cursorAfterMoveTo(int x, int y) {
        ZarnSendDialogMessage(dialog, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        const auto cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(dialog, GCLP_HCURSOR));
        if (cursor == LoadCursorA(nullptr, IDC_HAND)) return 32649;
        if (cursor == LoadCursorA(nullptr, IDC_ARROW)) return 32512;
        return 0;
    }

    TempDir dir;
    ScopedEnvironment environment;
    std::string registryPath;
    HWND dialog = nullptr;
};

}  // namespace

TEST_F(ConfigDialogTest, ResolutionEntriesTakeTheirHeightsFromTheScreensAspect) {
    open();
    EXPECT_EQ(entries(IDC_RESOLUTION), (std::vector<std::string>{"Native", "800 x 640", "1024 x 819", "1280 x 1024"}));
    EXPECT_EQ(entries(IDC_ANTIALIASING), (std::vector<std::string>{"Disabled", "2x", "4x"}));
    ZarnDestroyDialogWithoutDisplay(dialog);

    ZarnSetScreenMetricsOverride(1920, 1080);
    open();
    EXPECT_EQ(entries(IDC_RESOLUTION), (std::vector<std::string>{"Native", "800 x 450", "1024 x 576", "1280 x 720"}));
}

TEST_F(ConfigDialogTest, StoredValuesShowTheirEntriesAndOkWritesThemBack) {
    writeSettings("\"InstallDir\"=\"/opt/zarn\"\n\"Antialiasing\"=dword:00000002\n\"Resolution\"=dword:00000400\n"
                  "\"UseMilitaryTime\"=hex:01\n\"IntervalImmediate\"=hex:01\n\"EnableShadows\"=hex:00\n"
                  "\"SomethingElse\"=\"kept\"\n");
    open();
    EXPECT_EQ(selected(IDC_ANTIALIASING), "2x");
    EXPECT_EQ(selected(IDC_RESOLUTION), "1024 x 819");
    EXPECT_FALSE(checked(IDC_FRAME_SYNC));  // frame sync is the opposite of IntervalImmediate
    EXPECT_TRUE(checked(IDC_POST_PROCESSING));
    EXPECT_FALSE(checked(IDC_SHADOWS));
    EXPECT_TRUE(checked(IDC_MILITARY_TIME));

    CheckDlgButton(dialog, IDC_FRAME_SYNC, BST_CHECKED);
    select(IDC_RESOLUTION, 3);
    EXPECT_EQ(command(IDOK), TRUE);
    INT_PTR result = -1;
    ASSERT_TRUE(ZarnDialogHasEnded(dialog, &result));
    EXPECT_EQ(result, 0);
    const SaverSettings s = stored();
    EXPECT_FALSE(s.IntervalImmediate);
    EXPECT_EQ(s.Resolution, 1280);
    EXPECT_EQ(s.Antialiasing, 2);
    EXPECT_FALSE(s.EnableShadows);
    EXPECT_TRUE(s.UseMilitaryTime);
    // What the dialog does not edit stays as it was.
    EXPECT_STREQ(s.InstallDir, "/opt/zarn");
    EXPECT_NE(settingsFile().find("\"SomethingElse\"=\"kept\""), std::string::npos);
}

TEST_F(ConfigDialogTest, ValuesWithoutAnEntryShowTheNearestAndOkStoresThat) {
    writeSettings("\"Antialiasing\"=dword:00000008\n\"Resolution\"=dword:00000640\n");
    open();
    EXPECT_EQ(selected(IDC_ANTIALIASING), "4x");
    EXPECT_EQ(selected(IDC_RESOLUTION), "Native");
    command(IDOK);
    EXPECT_EQ(stored().Antialiasing, 4);
    EXPECT_EQ(stored().Resolution, 0);
}

TEST_F(ConfigDialogTest, CancelAndResetSaveNothing) {
    writeSettings("\"Antialiasing\"=dword:00000000\n\"EnableFilters\"=hex:00\n\"UseMilitaryTime\"=hex:01\n");
    const std::string before = settingsFile();
    open();
    select(IDC_RESOLUTION, 2);
    EXPECT_EQ(command(IDC_RESET_DEFAULTS), TRUE);
    EXPECT_FALSE(ZarnDialogHasEnded(dialog, nullptr));
    EXPECT_EQ(selected(IDC_ANTIALIASING), "4x");
    EXPECT_EQ(selected(IDC_RESOLUTION), "1024 x 819");  // Reset keeps the chosen resolution
    EXPECT_TRUE(checked(IDC_FRAME_SYNC));
    EXPECT_TRUE(checked(IDC_POST_PROCESSING));
    EXPECT_TRUE(checked(IDC_SHADOWS));
    EXPECT_FALSE(checked(IDC_MILITARY_TIME));
    EXPECT_EQ(settingsFile(), before);

    EXPECT_EQ(command(IDCANCEL), TRUE);
    INT_PTR result = -1;
    ASSERT_TRUE(ZarnDialogHasEnded(dialog, &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(settingsFile(), before);
    // Ids the dialog does not handle are left to the dialog manager.
    EXPECT_EQ(command(IDC_SHADOWS), FALSE);
}

TEST_F(ConfigDialogTest, TheBannerAndLinkLineOpenTheWebSiteWithAHandCursor) {
    open();
    EXPECT_EQ(cursorAfterMoveTo(11, 11), 32649);
    EXPECT_EQ(cursorAfterMoveTo(310, 100), 32512);
    EXPECT_EQ(cursorAfterMoveTo(200, 144), 32649);
    // Coordinates are signed: left of the client area is not far to the right.
    EXPECT_EQ(cursorAfterMoveTo(-200, 50), 32512);

    // The OK button, at the pixels its dialog units give, is outside the link area.
    const ZarnDialogTemplate* t = ZarnFindDialogResource(MAKEINTRESOURCEA(IDD_CONFIG));
    ASSERT_NE(t, nullptr);
    const ZarnDialogBaseUnits units = ZarnDialogFontBaseUnits(t->typeFace, t->pointSize);
    const RECT ok = ZarnDialogUnitsToPixels(units, 95, 202, 50, 14);
    ZarnSendDialogMessage(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2));
    EXPECT_TRUE(openedAddresses.empty());

    // The middle of the banner and of the link line's text (drawn at the top of its control).
    const RECT banner = ZarnDialogUnitsToPixels(units, 7, 7, 200, 70);
    const RECT link = ZarnDialogUnitsToPixels(units, 7, 78, 200, 14);
    ZarnSendDialogMessage(dialog, WM_LBUTTONDOWN, MK_LBUTTON,
                          MAKELPARAM((banner.left + banner.right) / 2, (banner.top + banner.bottom) / 2));
    ZarnSendDialogMessage(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((link.left + link.right) / 2, link.top + 6));
    EXPECT_EQ(openedAddresses, (std::vector<std::string>{productWebSite, productWebSite}));
}

TEST_F(ConfigDialogTest, TheLinkLineHasAnUnderlinedSemiboldFontKeptAcrossOpenings) {
    open();
    const auto font = reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, IDC_WEB_LINK, WM_GETFONT, 0, 0));
    LOGFONTA description{};
    ASSERT_EQ(GetObjectA(font, sizeof description, &description), int(sizeof description));
    EXPECT_EQ(description.lfWeight, 550);
    EXPECT_EQ(description.lfUnderline, 1);
    EXPECT_EQ(description.lfHeight, 8);
    EXPECT_STREQ(description.lfFaceName, "MS Sans Serif");
    ZarnDestroyDialogWithoutDisplay(dialog);
    open();
    EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, IDC_WEB_LINK, WM_GETFONT, 0, 0)), font);
}
