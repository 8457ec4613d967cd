// configDialogProc: the settings dialog's procedure. The controls hold the edits until OK
// writes them through SaverSettings::save; Cancel drops them. The banner and the link line
// open the product web site.
#include "shell/ConfigDialog.h"
#include "shell/SaverState.h"

#include <cstdio>

namespace {

const char* const antialiasingEntries[] = {"Disabled", "2x", "4x"};
const int resolutionWidths[] = {800, 1024, 1280};

// The link font lives as long as the process: the link line may use it until the end.
HFONT linkFont = nullptr;

// The web-site link area in client pixels: the banner and the link line at the dialog's
// standard font metrics.
bool insideLinkArea(LPARAM lParam) {
    const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
    return x > 10 && x < 310 && y > 10 && y < 145;
}

// This screen's aspect, width over height in single precision. A screen whose size cannot
// be read is taken as 4:3 rather than dividing by zero.
float screenAspect() {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return 4.0f / 3.0f;
    return float(width) / float(height);
}

void fillResolutionList(HWND dialog, int32_t resolution) {
    const float aspect = screenAspect();
    SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Native"));
    for (int width : resolutionWidths) {
        char entry[32];
        const int height = int(float(width) / aspect + 0.5f);
        std::snprintf(entry, sizeof entry, "%d x %d", width, height);
        SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    const int position = resolution == 1280 ? 3 : resolution == 1024 ? 2 : resolution == 800 ? 1 : 0;
    SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETCURSEL, WPARAM(position), 0);
}

void fillAntialiasingList(HWND dialog, int32_t antialiasing) {
    for (const char* entry : antialiasingEntries)
        SendDlgItemMessageA(dialog, IDC_ANTIALIASING, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    const int position = antialiasing == 0 ? 0 : antialiasing == 2 ? 1 : 2;
    SendDlgItemMessageA(dialog, IDC_ANTIALIASING, CB_SETCURSEL, WPARAM(position), 0);
}

void check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
LRESULT selection(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0); }

void initDialog(HWND dialog) {
    SaverSettings& settings = saverState.settings;
    settings.load();
    if (!linkFont) linkFont = CreateFontA(8, 0, 0, 0, 550, FALSE, TRUE, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
    SendDlgItemMessageA(dialog, IDC_WEB_LINK, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont), FALSE);
    fillResolutionList(dialog, settings.Resolution);
    fillAntialiasingList(dialog, settings.Antialiasing);
    check(dialog, IDC_FRAME_SYNC, !settings.IntervalImmediate);
    check(dialog, IDC_POST_PROCESSING, settings.EnableFilters);
    check(dialog, IDC_SHADOWS, settings.EnableShadows);
    check(dialog, IDC_MILITARY_TIME, settings.UseMilitaryTime);
}

void saveControls(HWND dialog) {
    SaverSettings& settings = saverState.settings;
    settings.IntervalImmediate = !checked(dialog, IDC_FRAME_SYNC);
    settings.EnableFilters = checked(dialog, IDC_POST_PROCESSING);
    settings.EnableShadows = checked(dialog, IDC_SHADOWS);
    settings.UseMilitaryTime = checked(dialog, IDC_MILITARY_TIME);
    const LRESULT antialiasing = selection(dialog, IDC_ANTIALIASING);
    settings.Antialiasing = antialiasing == 0 ? 0 : antialiasing == 1 ? 2 : 4;
    const LRESULT resolution = selection(dialog, IDC_RESOLUTION);
    settings.Resolution = resolution == 0 ? 0 : resolution == 1 ? 800 : resolution == 2 ? 1024 : 1280;
    settings.save();
}

void resetToDefaults(HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_ANTIALIASING, CB_SETCURSEL, 2, 0);
    check(dialog, IDC_FRAME_SYNC, true);
    check(dialog, IDC_POST_PROCESSING, true);
    check(dialog, IDC_SHADOWS, true);
    check(dialog, IDC_MILITARY_TIME, false);
}

}  // namespace

INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            saveControls(dialog);
            EndDialog(dialog, 0);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_RESET_DEFAULTS:
            resetToDefaults(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_MOUSEMOVE:
        SetClassLongPtrA(dialog, GCLP_HCURSOR,
                         reinterpret_cast<LONG_PTR>(LoadCursorA(nullptr, insideLinkArea(lParam) ? IDC_HAND : IDC_ARROW)));
        return FALSE;
    case WM_LBUTTONDOWN:
        if (insideLinkArea(lParam)) ShellExecuteA(nullptr, "open", productWebSite, nullptr, nullptr, SW_SHOWNORMAL);
        return FALSE;
    default:
        return FALSE;
    }
}
