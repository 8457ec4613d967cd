// Where the log goes when the install folder (the current directory) may not be written:
// the user's own per-user folder for such files. Empty when none can be found.
#pragma once

#include <string>

std::string platformLogFolder();
