// What Win32's modal loops (a message box's, a dialog's) do while their window is up: the
// thread's other windows go on getting their messages, paints included. A window procedure
// that shows a modal box is therefore entered again before the call that showed it returns;
// the stand-ins' boxes do the same, so code that is not ready for it fails here as on Windows.
#pragma once

#include <functional>

// Dispatches the thread's messages until `stillOpen` says the modal window has gone, or until
// the quit message arrives: that ends the loop, and stays posted for the loop it returns to.
// Returns false when the quit ended it.
bool zarnRunModalLoop(const std::function<bool()>& stillOpen);

// The loop of a modal window that is dismissed as soon as it appears (a box nobody can see):
// the messages already waiting, then one paint. False when the quit message came instead.
bool zarnRunModalLoopOnce();
