// A dialog as the control calls see it: the template's controls with their state (texts,
// list entries, selection, check marks, font), the procedure, and whether EndDialog has been
// called. A view (the GTK one, or none in tests) mirrors this state on the screen and feeds
// the user's changes back. Private to the platform layer.
#pragma once

#include "ZarnResources.h"

#include <string>
#include <vector>

enum class DialogControlKind { pushButton, checkBox, staticText, staticBitmap, comboList };

struct DialogControl {
    HWND handle = nullptr;
    int id = 0;
    DialogControlKind kind = DialogControlKind::staticText;
    DWORD style = 0;
    std::string text;
    WORD imageId = 0;
    RECT pixels{};  // place in the client area
    std::vector<std::string> entries;
    int selection = CB_ERR;
    bool checked = false;
    HFONT font = nullptr;
};

class DialogView {
public:
    virtual ~DialogView() = default;
    virtual void entriesChanged(const DialogControl&) = 0;
    virtual void selectionChanged(const DialogControl&) = 0;
    virtual void checkChanged(const DialogControl&) = 0;
    virtual void fontChanged(const DialogControl&) = 0;
    virtual void classCursorChanged(HCURSOR) = 0;
};

struct DialogObject {
    HWND handle = nullptr;
    const ZarnDialogTemplate* dialogTemplate = nullptr;
    ZarnDialogBaseUnits baseUnits{};
    RECT clientPixels{};
    DLGPROC proc = nullptr;
    std::vector<DialogControl> controls;  // template order, which is also the Tab order
    DialogView* view = nullptr;
    bool ended = false;
    INT_PTR result = 0;
};

// Builds the dialog and its control handles from a template (no view); null for no template.
DialogObject* zarnCreateDialogObject(const ZarnDialogTemplate* dialogTemplate, DLGPROC proc);
void zarnDestroyDialogObject(DialogObject* dialog);
// The dialog a handle names (null for anything else, including a control's handle).
DialogObject* zarnDialogFromHandle(HWND handle);
DialogControl* zarnDialogControl(DialogObject* dialog, int id);
INT_PTR zarnCallDialogProc(DialogObject* dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The cursor that SetClassLongPtrA gave the dialog class (the arrow until then).
HCURSOR zarnDialogClassCursor();
// Which system cursor a handle from LoadCursorA is (its resource id), 0 for none.
WORD zarnSystemCursorId(HCURSOR cursor);
// What CreateFontA was given for this font, null for anything else.
const LOGFONTA* zarnFontDescription(HFONT font);
