// Close signals through a self-pipe: the handler does nothing but set a flag and write a
// byte, both safe inside a signal handler; the pipe lets a loop blocked in poll wake up.
#include "win32/messages/CloseSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <initializer_list>
#include <string>

namespace {

volatile sig_atomic_t pendingSignal = 0;
// Which signal, and from which process: a saver that closed when nobody asked is otherwise a
// mystery (hosts, sessions and scripts all send these).
volatile sig_atomic_t lastSignal = 0;
volatile sig_atomic_t lastSender = 0;
int pipeEnds[2] = {-1, -1};

void onCloseSignal(int signal, siginfo_t* info, void*) {
    const int savedErrno = errno;
    lastSignal = signal;
    lastSender = info ? info->si_pid : 0;
    pendingSignal = 1;
    if (pipeEnds[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
    }
    errno = savedErrno;
}

void drainPipe() {
    if (pipeEnds[0] < 0) return;
    char buffer[64];
    while (read(pipeEnds[0], buffer, sizeof buffer) > 0) {
    }
}

}  // namespace

void zarnCatchCloseSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) pipeEnds[0] = pipeEnds[1] = -1;
    struct sigaction action {};
    action.sa_sigaction = onCloseSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls keep SDL and GTK undisturbed; the flag is read between waits, which
    // are short. Reset to the default after one: a program that cannot end is still ended
    // by the next signal.
    action.sa_flags = SA_SIGINFO | SA_RESTART | SA_RESETHAND;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool zarnCloseSignalPending() { return pendingSignal != 0; }

bool zarnTakeCloseSignal() {
    if (!pendingSignal) return false;
    pendingSignal = 0;
    drainPipe();
    return true;
}

int zarnCloseSignalDescriptor() { return pipeEnds[0]; }

std::string zarnDescribeCloseSignal() {
    const int sender = lastSender;
    std::string name;
    if (sender > 0) std::getline(std::ifstream("/proc/" + std::to_string(sender) + "/comm"), name);
    return "Close signal " + std::to_string(lastSignal) + " from process " + std::to_string(sender) + " (" +
           (name.empty() ? "gone" : name) + ")\n";
}
