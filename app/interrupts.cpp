#include "app/interrupts.h"

#include <atomic>
#include <csignal>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vorlix::app {

namespace {

// Read by every thread of a station's sockets; lock-free, so the handler may write it.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);
int g_wake[2] = {-1, -1};

extern "C" void noteSignal(int signal) {
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
#ifndef _WIN32
    if (g_wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(g_wake[1], &byte, 1);
    }
#endif
}

}  // namespace

void installInterruptHandlers() {
#ifdef _WIN32
    std::signal(SIGINT, noteSignal);
    std::signal(SIGTERM, noteSignal);
#else
    if (::pipe(g_wake) == 0) {
        for (int fd : g_wake) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
#endif
}

int pendingInterrupt() {
    return g_signal;
}

int interruptExitStatus(int signal) {
    return 128 + signal;
}

int interruptWakeDescriptor() {
    return g_wake[0];
}

}  // namespace vorlix::app
