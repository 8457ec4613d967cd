// Not part of Win32: the program's resources, which a resource compiler would link into the
// executable. The program declares its dialog templates and image resources with these
// records; DialogBoxParamA and the dialog's controls find them by id. Also the hooks tests
// use to drive a dialog without a display.
#pragma once

#include <windows.h>

#include <cstddef>

// One control of a dialog template, as a resource script's CONTROL line: its window class
// ("BUTTON", "STATIC", "COMBOBOX"), style, text, id and place in dialog units. An SS_BITMAP
// static names its image resource in imageId instead of a text.
struct ZarnDialogItem {
    const char* className;
    DWORD style;
    int id;
    const char* text;
    short x, y, cx, cy;
    WORD imageId;
};

// One CONTROL statement of a resource script as a record: its text is a string, or a number that
// names an image resource (the picture of an SS_BITMAP static). The resource script is where
// the program's dialogs are written; the build turns its DIALOG blocks into calls of these.
constexpr ZarnDialogItem zarnResourceControl(const char* text, int id, const char* className, DWORD style, short x,
                                             short y, short cx, short cy) {
    return {className, style, id, text, x, y, cx, cy, 0};
}
constexpr ZarnDialogItem zarnResourceControl(int image, int id, const char* className, DWORD style, short x, short y,
                                             short cx, short cy) {
    return {className, style, id, nullptr, x, y, cx, cy, WORD(image)};
}

struct ZarnDialogTemplate {
    WORD id;
    DWORD style;
    const char* caption;
    WORD pointSize;
    const char* typeFace;
    short cx, cy;
    const ZarnDialogItem* items;
    size_t itemCount;
};

// The image behind an icon or bitmap resource is a PNG file found at run time (the program's
// pictures are generated into its data folder); locate returns its path or null.
struct ZarnImageResource {
    WORD id;
    bool icon;
    const char* (*locate)();
};

// Adds resources to the program's table (at static-initialisation time, like linked-in
// resources). Later entries with the same id replace earlier ones.
bool ZarnAddDialogResource(const ZarnDialogTemplate* dialogTemplate);
bool ZarnAddImageResource(const ZarnImageResource& image);
const ZarnDialogTemplate* ZarnFindDialogResource(LPCSTR name);
// The string table: LoadStringA finds these by id.
bool ZarnAddStringResource(UINT id, const char* text);
bool ZarnHasImageResource(WORD id, bool icon);
// Which icon resource a handle from LoadIconA is, 0 for anything else.
WORD ZarnIconResourceId(HICON icon);
// The file of an image resource, null when there is none or it cannot be located.
const char* ZarnImageResourcePath(WORD id, bool icon);

// Dialog units to pixels, with the dialog font's base units: x * baseX / 4, y * baseY / 8,
// rounded as MulDiv rounds.
struct ZarnDialogBaseUnits {
    int x, y;
};
ZarnDialogBaseUnits ZarnDialogFontBaseUnits(const char* typeFace, WORD pointSize);
RECT ZarnDialogUnitsToPixels(ZarnDialogBaseUnits units, short x, short y, short cx, short cy);

// Tests: a dialog from a template with its controls but no window on any display. Nothing is
// sent to the procedure; the test sends what it wants through ZarnSendDialogMessage.
HWND ZarnCreateDialogWithoutDisplay(LPCSTR templateName, DLGPROC dialogProc);
INT_PTR ZarnSendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Whether EndDialog was called, and with what result.
bool ZarnDialogHasEnded(HWND dialog, INT_PTR* result);
void ZarnDestroyDialogWithoutDisplay(HWND dialog);

// Tests: ShellExecuteA calls this instead of starting a program (null restores the default).
void ZarnSetShellExecuteHook(void (*hook)(LPCSTR operation, LPCSTR file, INT showCommand));

// The program's own icon: the icon resource with the lowest id, as Windows takes for an
// executable's icon. Null when the program has none.
const char* ZarnProgramIconPath();
