#pragma once

#include "core/Feedback.h"

#include <QString>

namespace qel {

// The progress texts of the long clean-ups. Every stage text shows the same
// total, whatever the number of steps an operation really takes.
inline constexpr int kStageTotal = 21;

QString StageText(int stage, const QString& subText);
QString CreatingFieldsText(int stage);
QString DeletingRecordsText(int stage);
QString RecordsCopiedText(int stage, long long copied, long long total);

// Shows "Opening databases" and lets the window repaint.
void ShowOpeningDatabases(Feedback& feedback);

// The cadence of a copy step: after each row the count grows by one, the
// window is pumped unless the count is a multiple of 10, and the stage text
// shows the count against the step's total.
class CopyProgress {
public:
    CopyProgress(Feedback& feedback, int stage, long long total)
        : feedback_(feedback), stage_(stage), total_(total) {}

    void RowCopied();

    // Reports a block of rows stored at once: one pump, one text.
    void RowsCopied(long long rows);

    long long copied() const { return copied_; }

private:
    Feedback& feedback_;
    int stage_;
    long long total_;
    long long copied_ = 0;
};

} // namespace qel
