#pragma once

#include <QString>
#include <QtGlobal>

class QProcess;

namespace qel::test {

// What the tests ask of the operating system beyond Qt, kept in this one
// place: limits on a child program, and a folder held in memory. Where the
// platform has no such limits (Windows), CanLimitChildren() answers false
// and the tests that need them skip.

// What a child program is denied from its start, so that its databases fail
// it the way a real machine would: a disk that takes no more, and files
// whose mode forbids writing even when the tests run with the rights of an
// administrator.
struct ChildLimits {
    qint64 maxFileBytes = -1;   // no file the child writes grows beyond this; -1: no limit
    bool honourFileModes = false; // a file without write permission stays unwritable, whoever runs the child
};

bool CanLimitChildren();
// Whether honourFileModes holds here: true but for an administrator on a
// system whose capabilities this cannot drop.
bool CanDenyWrites();

// Sets the limits for the next start of the process.
void LimitChild(QProcess& process, const ChildLimits& limits);

// Sends the running process what Ctrl-C sends; false where a test cannot
// (on Windows Ctrl-C goes to the whole console).
bool CanInterruptChildren();
bool Interrupt(QProcess& process);

// The actions of this program's stop signals (Ctrl-C, SIGTERM, a closed
// pipe's SIGPIPE), set and read, to see that whoever takes them over gives
// back what it found. CanSetSignalActions() is false where there are no
// such signals (Windows). Handled: a handler of the tests' own, which does
// nothing; Other: any other handler.
enum class SignalAction { Default, Ignored, Handled, Other };
struct StopSignalActions {
    SignalAction interrupt;
    SignalAction terminate;
    SignalAction pipe;
};
bool CanSetSignalActions();
StopSignalActions CurrentStopSignalActions();
void SetStopSignalActions(const StopSignalActions& actions); // Other is not set

// A folder for temporary files whose contents live in memory where the
// system has one (/dev/shm on Linux), else the temporary folder. Tests that
// commit thousands of small transactions use it: a killed program leaves
// its files there as on a disk, without each commit waiting for the disk.
QString MemoryBackedTempPath();

} // namespace qel::test
