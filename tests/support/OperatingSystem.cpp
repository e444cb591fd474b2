#include "tests/support/OperatingSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/capability.h>
#include <sys/prctl.h>
#endif

namespace qel::test {

#ifdef _WIN32

bool CanLimitChildren()
{
    return false;
}

bool CanDenyWrites()
{
    return false;
}

void LimitChild(QProcess&, const ChildLimits&) {}

#else

bool CanLimitChildren()
{
    return true;
}

bool CanDenyWrites()
{
#ifdef __linux__
    return true;
#else
    return geteuid() != 0;
#endif
}

void LimitChild(QProcess& process, const ChildLimits& limits)
{
    // Runs in the child between fork and exec: system calls only.
    process.setChildProcessModifier([limits]() {
        if (limits.maxFileBytes >= 0) {
            // A write past the limit fails with EFBIG, as on a full disk,
            // instead of ending the program with SIGXFSZ.
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit size {};
            size.rlim_cur = static_cast<rlim_t>(limits.maxFileBytes);
            size.rlim_max = static_cast<rlim_t>(limits.maxFileBytes);
            setrlimit(RLIMIT_FSIZE, &size);
        }
#ifdef __linux__
        // An administrator writes any file whatever its mode, through this
        // capability; without it in the bounding set, the program it starts
        // never holds it.
        if (limits.honourFileModes && geteuid() == 0)
            prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
#endif
    });
}

#endif

bool CanInterruptChildren()
{
#ifdef _WIN32
    return false; // a console's Ctrl-C reaches every program of that console, this one too
#else
    return true;
#endif
}

bool Interrupt(QProcess& process)
{
#ifdef _WIN32
    Q_UNUSED(process);
    return false;
#else
    // Never pid 0, which would be this program's whole group.
    const qint64 pid = process.processId();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGINT) == 0;
#endif
}

#ifdef _WIN32

bool CanSetSignalActions()
{
    return false;
}

StopSignalActions CurrentStopSignalActions()
{
    return {SignalAction::Default, SignalAction::Default, SignalAction::Default};
}

void SetStopSignalActions(const StopSignalActions&) {}

#else

namespace {

void TestHandler(int) {}

SignalAction ActionOf(int signal)
{
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    if (current.sa_handler == SIG_DFL)
        return SignalAction::Default;
    if (current.sa_handler == SIG_IGN)
        return SignalAction::Ignored;
    return current.sa_handler == TestHandler ? SignalAction::Handled : SignalAction::Other;
}

void SetAction(int signal, SignalAction action)
{
    struct sigaction wanted {};
    sigemptyset(&wanted.sa_mask);
    wanted.sa_handler = action == SignalAction::Ignored ? SIG_IGN : action == SignalAction::Handled ? TestHandler : SIG_DFL;
    sigaction(signal, &wanted, nullptr);
}

} // namespace

bool CanSetSignalActions()
{
    return true;
}

StopSignalActions CurrentStopSignalActions()
{
    return {ActionOf(SIGINT), ActionOf(SIGTERM), ActionOf(SIGPIPE)};
}

void SetStopSignalActions(const StopSignalActions& actions)
{
    SetAction(SIGINT, actions.interrupt);
    SetAction(SIGTERM, actions.terminate);
    SetAction(SIGPIPE, actions.pipe);
}

#endif

QString MemoryBackedTempPath()
{
#ifdef __linux__
    const QFileInfo shared(QStringLiteral("/dev/shm"));
    if (shared.isDir() && shared.isWritable())
        return shared.filePath();
#endif
    return QDir::tempPath();
}

} // namespace qel::test
