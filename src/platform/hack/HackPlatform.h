// What the XScreenSaver hack `zarn` needs from the system: where it is installed, the root
// window, and starting the saver inside a window (the host's, or a window of its own).
// Kept here because only src/platform may talk to X11 and POSIX.
#pragma once

#include <cstdint>
#include <string>

// The folder holding the running program (resolved through symbolic links); empty if unknown.
std::string hackProgramFolder();

// The path of an executable file with ".." and symbolic links resolved; empty when path is no
// executable file.
std::string hackExecutable(const std::string& path);

// The default screen's root window; 0 when the display cannot be opened.
uint32_t hackRootWindow();

// Makes the saver started from here read `registryText` (REGEDIT4 text, or empty for nothing)
// as a layer over its settings file for that run: the registry stand-in's
// $ZARN_REGISTRY_OVERLAY. Empty also drops a layer this process inherited, so only the hack's
// own command line counts.
void hackHandSettingsToSaver(const std::string& registryText);

// Replaces this process with `saver /p window`, the saver's preview mode, so the host's signals
// reach the saver itself. Returns only when that failed, with the reason.
std::string hackExecSaver(const std::string& saver, uint32_t window);

// Opens a normal, resizable top-level window, runs `saver /p <it>` inside it and waits. Ends
// when the window is closed or destroyed (0), when the saver ends by itself (its exit code),
// or on SIGTERM, SIGINT or SIGHUP (0); the saver is stopped in every case. 1 when the window
// or the saver cannot be started, with the reason on stderr.
int hackRunInOwnWindow(const std::string& saver, const char* title, int width, int height);
