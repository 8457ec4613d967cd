// The program's resource table (dialog templates, icons, bitmaps) and the dialog-unit
// arithmetic every dialog uses.
#include "ZarnResources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// Function-local, so that resources added during static initialisation find it ready.
std::vector<const ZarnDialogTemplate*>& dialogTable() {
    static std::vector<const ZarnDialogTemplate*> table;
    return table;
}
std::vector<ZarnImageResource>& imageTable() {
    static std::vector<ZarnImageResource> table;
    return table;
}
std::map<UINT, std::string>& stringTable() {
    static std::map<UINT, std::string> table;
    return table;
}

// MulDiv's rounding: to the nearest integer, halves away from zero.
int mulDiv(int number, int numerator, int denominator) {
    const long long product = (long long)number * numerator;
    const long long half = denominator / 2;
    return int(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

}  // namespace

bool ZarnAddDialogResource(const ZarnDialogTemplate* dialogTemplate) {
    if (!dialogTemplate) return false;
    dialogTable().push_back(dialogTemplate);
    return true;
}

bool ZarnAddImageResource(const ZarnImageResource& image) {
    imageTable().push_back(image);
    return true;
}

bool ZarnAddStringResource(UINT id, const char* text) {
    if (!text) return false;
    stringTable()[id] = text;
    return true;
}

int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax <= 0) return 0;
    lpBuffer[0] = '\0';
    auto found = stringTable().find(uID);
    if (found == stringTable().end()) return 0;
    // As much as fits, always terminated; the answer is the number of characters copied.
    const size_t copied = std::min(found->second.size(), size_t(cchBufferMax - 1));
    std::memcpy(lpBuffer, found->second.data(), copied);
    lpBuffer[copied] = '\0';
    return int(copied);
}

bool ZarnHasImageResource(WORD id, bool icon) {
    for (const ZarnImageResource& image : imageTable())
        if (image.id == id && image.icon == icon) return true;
    return false;
}

const ZarnDialogTemplate* ZarnFindDialogResource(LPCSTR name) {
    // Templates are named by number only; a string name finds nothing.
    if (!name || !IS_INTRESOURCE(name)) return nullptr;
    const WORD id = WORD(reinterpret_cast<uintptr_t>(name));
    const auto& table = dialogTable();
    for (auto it = table.rbegin(); it != table.rend(); ++it)
        if ((*it)->id == id) return *it;
    return nullptr;
}

const char* ZarnImageResourcePath(WORD id, bool icon) {
    const auto& table = imageTable();
    for (auto it = table.rbegin(); it != table.rend(); ++it)
        if (it->id == id && it->icon == icon) return it->locate ? it->locate() : nullptr;
    return nullptr;
}

ZarnDialogBaseUnits ZarnDialogFontBaseUnits(const char* typeFace, WORD pointSize) {
    // Windows measures the dialog font at 96 dpi: the average width of the 52 letters and
    // the character height. These are its figures for the faces our templates name, so the
    // dialogs keep the pixel sizes they were laid out for (the system font otherwise).
    if (typeFace && std::strcmp(typeFace, "MS Sans Serif") == 0 && pointSize == 8) return {6, 13};
    if (typeFace && std::strcmp(typeFace, "MS Shell Dlg") == 0 && pointSize == 8) return {6, 13};
    return {8, 16};
}

RECT ZarnDialogUnitsToPixels(ZarnDialogBaseUnits units, short x, short y, short cx, short cy) {
    RECT r;
    r.left = mulDiv(x, units.x, 4);
    r.top = mulDiv(y, units.y, 8);
    r.right = r.left + mulDiv(cx, units.x, 4);
    r.bottom = r.top + mulDiv(cy, units.y, 8);
    return r;
}

const char* ZarnProgramIconPath() {
    const ZarnImageResource* first = nullptr;
    for (const ZarnImageResource& image : imageTable())
        if (image.icon && (!first || image.id < first->id)) first = &image;
    return first && first->locate ? first->locate() : nullptr;
}
