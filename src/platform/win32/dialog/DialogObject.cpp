// Dialogs and their controls as state: creation from a template, the control calls
// (SendDlgItemMessageA, CheckDlgButton, IsDlgButtonChecked, GetDlgItem, EndDialog) and the
// calls tests use to drive a dialog without a display. A view, when there is one, is told
// about every change so the screen follows.
#include "win32/dialog/DialogObject.h"

#include "win32/window/WindowObject.h"
#include "win32/window/WindowRegistry.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <memory>

namespace {

std::vector<std::unique_ptr<DialogObject>>& dialogs() {
    static std::vector<std::unique_ptr<DialogObject>> list;
    return list;
}

HWND newHandle(const char* className, const std::string& title, HWND parent, DWORD style) {
    HWND handle = new HWND__;
    handle->kind = WindowKind::Dialog;
    handle->className = className;
    handle->title = title;
    handle->parent = parent;
    handle->style = style;
    zarnRegisterWindow(handle);
    return handle;
}

void deleteHandle(HWND handle) {
    zarnUnregisterWindow(handle);
    delete handle;
}

bool sameClass(const char* a, const char* b) { return a && strcasecmp(a, b) == 0; }

DialogControlKind kindOf(const ZarnDialogItem& item) {
    if (sameClass(item.className, "BUTTON"))
        return (item.style & 0x0F) == BS_AUTOCHECKBOX ? DialogControlKind::checkBox : DialogControlKind::pushButton;
    if (sameClass(item.className, "COMBOBOX")) return DialogControlKind::comboList;
    return (item.style & 0x1F) == SS_BITMAP ? DialogControlKind::staticBitmap : DialogControlKind::staticText;
}

LRESULT comboMessage(DialogObject* dialog, DialogControl& control, UINT message, WPARAM wParam, LPARAM lParam) {
    const int count = int(control.entries.size());
    switch (message) {
    case CB_ADDSTRING:
        if (!lParam) return CB_ERR;
        control.entries.emplace_back(reinterpret_cast<const char*>(lParam));
        if (dialog->view) dialog->view->entriesChanged(control);
        return count;
    case CB_GETCOUNT:
        return count;
    case CB_GETCURSEL:
        return control.selection;
    case CB_SETCURSEL:
        // Out of range clears the selection and answers CB_ERR, as Windows does.
        control.selection = int(wParam) >= 0 && int(wParam) < count ? int(wParam) : CB_ERR;
        if (dialog->view) dialog->view->selectionChanged(control);
        return control.selection;
    case CB_GETLBTEXT: {
        const int index = int(wParam);
        if (index < 0 || index >= count || !lParam) return CB_ERR;
        const std::string& text = control.entries[size_t(index)];
        std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
        return LRESULT(text.size());
    }
    default:
        return 0;
    }
}

}  // namespace

DialogObject* zarnCreateDialogObject(const ZarnDialogTemplate* dialogTemplate, DLGPROC proc) {
    if (!dialogTemplate) return nullptr;
    auto dialog = std::make_unique<DialogObject>();
    dialog->dialogTemplate = dialogTemplate;
    dialog->proc = proc;
    dialog->baseUnits = ZarnDialogFontBaseUnits(dialogTemplate->typeFace, dialogTemplate->pointSize);
    dialog->clientPixels =
        ZarnDialogUnitsToPixels(dialog->baseUnits, 0, 0, dialogTemplate->cx, dialogTemplate->cy);
    dialog->handle = newHandle("#32770", dialogTemplate->caption ? dialogTemplate->caption : "", nullptr,
                               dialogTemplate->style);
    for (size_t i = 0; i < dialogTemplate->itemCount; ++i) {
        const ZarnDialogItem& item = dialogTemplate->items[i];
        DialogControl control;
        control.id = item.id;
        control.kind = kindOf(item);
        control.style = item.style;
        control.text = item.text ? item.text : "";
        control.imageId = item.imageId;
        control.pixels = ZarnDialogUnitsToPixels(dialog->baseUnits, item.x, item.y, item.cx, item.cy);
        control.handle = newHandle(item.className ? item.className : "STATIC", control.text, dialog->handle, item.style);
        dialog->controls.push_back(std::move(control));
    }
    dialogs().push_back(std::move(dialog));
    return dialogs().back().get();
}

void zarnDestroyDialogObject(DialogObject* dialog) {
    auto& list = dialogs();
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& d) { return d.get() == dialog; });
    if (it == list.end()) return;
    for (DialogControl& control : dialog->controls) deleteHandle(control.handle);
    deleteHandle(dialog->handle);
    list.erase(it);
}

DialogObject* zarnDialogFromHandle(HWND handle) {
    if (!handle) return nullptr;
    for (const auto& d : dialogs())
        if (d->handle == handle) return d.get();
    return nullptr;
}

DialogControl* zarnDialogControl(DialogObject* dialog, int id) {
    if (!dialog) return nullptr;
    for (DialogControl& control : dialog->controls)
        if (control.id == id) return &control;
    return nullptr;
}

INT_PTR zarnCallDialogProc(DialogObject* dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialog || !dialog->proc) return FALSE;
    return dialog->proc(dialog->handle, message, wParam, lParam);
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
    DialogObject* dialog = zarnDialogFromHandle(hDlg);
    if (!dialog) return FALSE;
    dialog->ended = true;
    dialog->result = nResult;
    return TRUE;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    DialogControl* control = zarnDialogControl(zarnDialogFromHandle(hDlg), nIDDlgItem);
    return control ? control->handle : nullptr;
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    DialogObject* dialog = zarnDialogFromHandle(hDlg);
    DialogControl* control = zarnDialogControl(dialog, nIDDlgItem);
    if (!control) return 0;
    if (Msg == WM_SETFONT) {
        control->font = reinterpret_cast<HFONT>(wParam);
        if (dialog->view) dialog->view->fontChanged(*control);
        return 0;
    }
    if (Msg == WM_GETFONT) return reinterpret_cast<LRESULT>(control->font);
    if (control->kind == DialogControlKind::comboList) return comboMessage(dialog, *control, Msg, wParam, lParam);
    return 0;
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    DialogObject* dialog = zarnDialogFromHandle(hDlg);
    DialogControl* control = zarnDialogControl(dialog, nIDButton);
    if (!control || control->kind != DialogControlKind::checkBox) return FALSE;
    control->checked = uCheck == BST_CHECKED;
    if (dialog->view) dialog->view->checkChanged(*control);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    DialogControl* control = zarnDialogControl(zarnDialogFromHandle(hDlg), nIDButton);
    return control && control->kind == DialogControlKind::checkBox && control->checked ? BST_CHECKED : BST_UNCHECKED;
}

HWND ZarnCreateDialogWithoutDisplay(LPCSTR templateName, DLGPROC dialogProc) {
    DialogObject* dialog = zarnCreateDialogObject(ZarnFindDialogResource(templateName), dialogProc);
    return dialog ? dialog->handle : nullptr;
}

INT_PTR ZarnSendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return zarnCallDialogProc(zarnDialogFromHandle(dialog), message, wParam, lParam);
}

bool ZarnDialogHasEnded(HWND handle, INT_PTR* result) {
    DialogObject* dialog = zarnDialogFromHandle(handle);
    if (!dialog || !dialog->ended) return false;
    if (result) *result = dialog->result;
    return true;
}

void ZarnDestroyDialogWithoutDisplay(HWND dialog) { zarnDestroyDialogObject(zarnDialogFromHandle(dialog)); }
