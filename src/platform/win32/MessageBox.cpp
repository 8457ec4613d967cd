// MessageBoxA through SDL's simple message box. Where SDL cannot show one (no display), or
// when ZARN_NO_MESSAGE_BOX=1 asks for it (tests, unattended runs), the caption and the text
// go to stderr, so the message is never lost and nothing waits for a click nobody can give.
#include <windows.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool messageBoxesDisabled() {
    const char* value = std::getenv("ZARN_NO_MESSAGE_BOX");
    return value && std::strcmp(value, "1") == 0;
}

Uint32 sdlIcon(UINT uType) {
    switch (uType & 0xF0) {
        case 0x10: return SDL_MESSAGEBOX_ERROR;        // MB_ICONERROR
        case MB_ICONWARNING: return SDL_MESSAGEBOX_WARNING;
        default: return SDL_MESSAGEBOX_INFORMATION;
    }
}

}  // namespace

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const char* text = lpText ? lpText : "";
    const char* caption = lpCaption ? lpCaption : "Error";
    if (messageBoxesDisabled() || SDL_ShowSimpleMessageBox(sdlIcon(uType), caption, text, nullptr) != 0) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        std::fflush(stderr);
    }
    return IDOK;
}
