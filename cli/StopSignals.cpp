#include "cli/StopSignals.h"

#include <atomic>
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

// Async-signal-safe: an atomic store and, once, one write.
void RequestStop()
{
    if (StopFlag* flag = installedFlag.load())
        flag->Request();
    if (announced.exchange(true))
        return;
#ifdef _WIN32
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kNotice, static_cast<DWORD>(sizeof kNotice - 1), &written, nullptr);
#else
    const ssize_t written = ::write(STDERR_FILENO, kNotice, sizeof kNotice - 1);
    (void)written;
#endif
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
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

void InstallStopSignals(StopFlag& flag)
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
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

} // namespace qel
