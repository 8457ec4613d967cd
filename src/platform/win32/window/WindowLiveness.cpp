// How long a window lasts, for the Direct3D back ends (WindowObject.h). Only a preview child
// of another program's X window can vanish under the program; the X preview host knows it.
#include "win32/window/WindowObject.h"

#include "win32/messages/XPreviewHost.h"

bool zarnWindowDrawable(HWND window) { return zarnWindowStillOnServer(window); }

ZarnWindowHold::ZarnWindowHold(HWND window) : hold(new ZarnPreviewChildHold(window)) {}

ZarnWindowHold::~ZarnWindowHold() { delete static_cast<ZarnPreviewChildHold*>(hold); }

bool ZarnWindowHold::windowExists() const { return static_cast<ZarnPreviewChildHold*>(hold)->childExists(); }
