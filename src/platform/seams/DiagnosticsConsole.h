// Where error and warning lines are shown while the saver runs, opened on the first of them.
// Afterwards they are written to stderr, as well as to the log.
#pragma once

void openDiagnosticsConsole();
