#pragma once

#include "core/Feedback.h"
#include "core/RunProgress.h"

#include <QElapsedTimer>

namespace qel {

// Feedback on the standard streams: message-box texts on standard output,
// one per line; the database-error report on standard error; progress on
// standard error as one line rewritten in place on a terminal (at most ten
// times a second), and otherwise only when asked for, one line each with
// the time of day before it. Once a run has begun, the progress shown is
// the whole run's: its rows done of its rows to do, its rate, its time left.
class ConsoleFeedback : public Feedback {
public:
    explicit ConsoleFeedback(bool verbose);
    ~ConsoleFeedback() override;

    // A clean-up begins; `expectedRows` is what its preview counted,
    // negative when nothing was counted.
    void BeginRun(long long expectedRows);

    // Whether progress is shown at all (on a terminal, or asked for).
    bool showsProgress() const { return terminal_ || verbose_; }

    // A line on standard error after the progress, whatever was asked: the
    // run's summary.
    void ShowSummary(const QString& text);

    void ShowStatus(const QString& text) override;
    // The status text with the step's rows, rate and time left after it.
    void ShowProgress(const TableProgress& progress) override;
    void PumpMessages() override {}
    void ShowMessage(const QString& text, MessageKind kind) override;

    // Ends the progress line so that what follows starts on a line of its own.
    void FinishProgress();

private:
    void WriteProgress(const QString& text);

    bool terminal_;
    bool verbose_;
    bool progressLineOpen_ = false;
    void ShowLine(const QString& text);

    QString detailStage_; // "Stage N/21: " of the step whose progress the line shows
    QElapsedTimer sinceLastProgress_;
    QString pendingProgress_; // a text held back to keep the terminal fast
    RunProgress run_;
    bool runActive_ = false;
};

} // namespace qel
