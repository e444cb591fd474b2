#include "cli/StopSignals.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace qel {

namespace {

std::atomic<StopFlag*> installedFlag{nullptr};
std::atomic<bool> announced{false};

const char kNotice[] = "\nqelcleanup: stopping after the batch in flight\n";

// Async-signal-safe: an atomic store and, once, one write. The code the
// signal interrupted may be about to read errno, so it is left as it was.
void RequestStop()
{
    const int savedErrno = errno;
    if (StopFlag* flag = installedFlag.load())
        flag->Request();
    if (announced.exchange(true)) {
        errno = savedErrno;
        return;
    }
#ifdef _WIN32
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kNotice, static_cast<DWORD>(sizeof kNotice - 1), &written, nullptr);
#else
    const ssize_t written = ::write(STDERR_FILENO, kNotice, sizeof kNotice - 1);
    (void)written;
#endif
    errno = savedErrno;
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        RequestStop();
        return TRUE;
    default:
        return FALSE;
    }
}
#else
void OnSignal(int)
{
    RequestStop();
}
#endif

} // namespace

#ifdef _WIN32
// The console handler is added to the list and taken off it again: the
// handlers that were there stay as they were.
struct StopSignals::Previous {};
#else
struct StopSignals::Previous {
    struct sigaction interrupt;
    struct sigaction terminate;
    struct sigaction pipe;
};
#endif

StopSignals::StopSignals(StopFlag& flag) : previous_(std::make_unique<Previous>())
{
    installedFlag.store(&flag);
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Restarted, so that a read or write the signal lands in goes on.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous_->interrupt);
    sigaction(SIGTERM, &action, &previous_->terminate);
    // Ctrl-C also ends a program reading the output through a pipe (tee);
    // a write into the closed pipe then fails instead of ending this run.
    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous_->pipe);
#endif
}

StopSignals::~StopSignals()
{
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
#else
    sigaction(SIGINT, &previous_->interrupt, nullptr);
    sigaction(SIGTERM, &previous_->terminate, nullptr);
    sigaction(SIGPIPE, &previous_->pipe, nullptr);
#endif
    installedFlag.store(nullptr);
}

} // namespace qel
