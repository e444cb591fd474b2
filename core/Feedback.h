#pragma once

#include "core/TableProgress.h"

#include <QString>

namespace qel {

// What a message box says: an ordinary result, the database-error report,
// that a run was stopped before its end, or that a command was refused
// before it touched anything (a setting or input it cannot run with).
enum class MessageKind { Information, DatabaseError, Stopped, Refused };

// How operations reach the user: the status line, the message pump and
// message boxes with an OK button. The main window implements it with
// widgets, the command line with its standard streams, tests with a recorder.
class Feedback {
public:
    virtual ~Feedback() = default;

    // Replaces the text of the status line.
    virtual void ShowStatus(const QString& text) = 0;

    // Where a statistics step stands after one of its batches: done, to do,
    // rate and time left. It follows the step's status text, which is shown
    // as before; a front end that shows more than that text (a progress bar,
    // the rate) overrides this.
    virtual void ShowProgress(const TableProgress& progress) { (void)progress; }

    // Lets pending window events run once, so the window stays alive.
    virtual void PumpMessages() = 0;

    // Shows a message with an OK button and returns when it is dismissed.
    virtual void ShowMessage(const QString& text, MessageKind kind) = 0;
};

} // namespace qel
