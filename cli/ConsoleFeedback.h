#pragma once

#include "core/Feedback.h"

#include <QElapsedTimer>

namespace qel {

// Feedback on the standard streams: message-box texts on standard output,
// one per line; the database-error report on standard error; progress on
// standard error as one line rewritten in place on a terminal (at most ten
// times a second), and otherwise only when asked for, one line each.
class ConsoleFeedback : public Feedback {
public:
    explicit ConsoleFeedback(bool verbose);
    ~ConsoleFeedback() override;

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
};

} // namespace qel
