// Fonts, system cursors and the dialog class's cursor. Fonts are descriptions only (the view
// turns one into a real font); the cursor set on the dialog class applies to every dialog,
// as a class cursor does.
#include "win32/dialog/DialogObject.h"

#include <cstring>
#include <memory>
#include <vector>

struct HFONT__ {
    LOGFONTA description;
};

struct HICON__ {
    WORD systemId;    // a system cursor's resource id
    WORD resourceId;  // or the program's icon resource
};

namespace {

std::vector<std::unique_ptr<HFONT__>>& fonts() {
    static std::vector<std::unique_ptr<HFONT__>> list;
    return list;
}

HICON__ arrowCursor{32512, 0};
HICON__ handCursor{32649, 0};

// One handle per icon resource, as LoadIcon gives the same shared icon every time.
std::vector<std::unique_ptr<HICON__>>& icons() {
    static std::vector<std::unique_ptr<HICON__>> list;
    return list;
}
HCURSOR classCursor = &arrowCursor;

}  // namespace

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    auto font = std::make_unique<HFONT__>();
    LOGFONTA& d = font->description;
    d = LOGFONTA{};
    d.lfHeight = cHeight;
    d.lfWidth = cWidth;
    d.lfEscapement = cEscapement;
    d.lfOrientation = cOrientation;
    d.lfWeight = cWeight;
    d.lfItalic = BYTE(bItalic != 0);
    d.lfUnderline = BYTE(bUnderline != 0);
    d.lfStrikeOut = BYTE(bStrikeOut != 0);
    d.lfCharSet = BYTE(iCharSet);
    d.lfOutPrecision = BYTE(iOutPrecision);
    d.lfClipPrecision = BYTE(iClipPrecision);
    d.lfQuality = BYTE(iQuality);
    d.lfPitchAndFamily = BYTE(iPitchAndFamily);
    if (pszFaceName) std::strncpy(d.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    fonts().push_back(std::move(font));
    return fonts().back().get();
}

const LOGFONTA* zarnFontDescription(HFONT font) {
    for (const auto& f : fonts())
        if (f.get() == font) return &f->description;
    return nullptr;
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv) {
    const LOGFONTA* description = zarnFontDescription(static_cast<HFONT>(h));
    if (!description) return 0;
    if (!pv) return int(sizeof(LOGFONTA));
    if (c < int(sizeof(LOGFONTA))) return 0;
    std::memcpy(pv, description, sizeof(LOGFONTA));
    return int(sizeof(LOGFONTA));
}

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    if (hInstance || !IS_INTRESOURCE(lpCursorName)) return nullptr;
    if (lpCursorName == IDC_ARROW) return &arrowCursor;
    if (lpCursorName == IDC_HAND) return &handCursor;
    return nullptr;
}

WORD zarnSystemCursorId(HCURSOR cursor) {
    if (cursor == &arrowCursor) return 32512;
    if (cursor == &handCursor) return 32649;
    return 0;
}

HCURSOR zarnDialogClassCursor() { return classCursor; }

ULONG_PTR SetClassLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    DialogObject* dialog = zarnDialogFromHandle(hWnd);
    if (!dialog || nIndex != GCLP_HCURSOR) return 0;
    const HCURSOR previous = classCursor;
    classCursor = reinterpret_cast<HCURSOR>(dwNewLong);
    if (classCursor != previous && dialog->view) dialog->view->classCursorChanged(classCursor);
    return reinterpret_cast<ULONG_PTR>(previous);
}

ULONG_PTR GetClassLongPtrA(HWND hWnd, int nIndex) {
    if (!zarnDialogFromHandle(hWnd) || nIndex != GCLP_HCURSOR) return 0;
    return reinterpret_cast<ULONG_PTR>(classCursor);
}

HICON LoadIconA(HINSTANCE, LPCSTR lpIconName) {
    // The program's own icons only (every instance is the program), named by number.
    if (!lpIconName || !IS_INTRESOURCE(lpIconName)) return nullptr;
    const WORD id = WORD(reinterpret_cast<uintptr_t>(lpIconName));
    if (!ZarnHasImageResource(id, true)) return nullptr;
    for (const auto& icon : icons())
        if (icon->resourceId == id) return icon.get();
    icons().push_back(std::make_unique<HICON__>(HICON__{0, id}));
    return icons().back().get();
}

WORD ZarnIconResourceId(HICON icon) {
    for (const auto& known : icons())
        if (known.get() == icon) return known->resourceId;
    return 0;
}
