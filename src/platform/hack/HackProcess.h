// Starting and stopping the saver as a child of the hack (own-window mode only; with a host's
// window the hack becomes the saver instead).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// Starts `saver /p window`; -1 and errno set when it cannot be started.
pid_t hackSpawnSaver(const std::string& saver, uint32_t window);

// The child's exit code once it has ended (128 + signal when a signal ended it), -1 while it
// still runs. Never blocks.
int hackSaverExitCode(pid_t child);

// Asks the child to end (SIGTERM, which the saver turns into an orderly close), waits up to
// timeoutMs, then kills it; always reaps it.
void hackStopSaver(pid_t child, int timeoutMs);
