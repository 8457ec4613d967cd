// The system's request that a program end (SIGTERM from a host or a session, SIGINT from a
// terminal, SIGHUP when the terminal goes) reaches the program the way a window's close
// does: the message queue posts WM_CLOSE to every window, a dialog takes it as Cancel. The
// handler only notes the signal; the loops act on it on the program's own thread.
#pragma once

#include <string>

// Installs the handlers (once; later calls do nothing). A second signal of the same kind,
// while the first is being acted on, ends the process the default way.
void zarnCatchCloseSignals();

// Whether a close signal has arrived and not yet been taken.
bool zarnCloseSignalPending();
// Takes the pending close signal: true once per arrival.
bool zarnTakeCloseSignal();

// Readable while a close signal is pending, for event loops that wait on descriptors.
int zarnCloseSignalDescriptor();

// "Close signal N from process P (its name)" for the last close signal, for the debug output.
std::string zarnDescribeCloseSignal();
