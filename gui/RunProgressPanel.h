#pragma once

#include "core/TableProgress.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qel {

// The progress of a running clean-up above the status line: a bar, the
// rows done of the rows to do with the rate and the time left, and Stop.
// Stop asks the clean-up, or the preview counting before it, to end after
// the batch or the wait in flight; it answers only while one that can stop
// runs.
class RunProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit RunProgressPanel(QWidget* parent = nullptr);

    // A clean-up starts: the bar waits for its first count; Stop is offered
    // when the clean-up can stop between batches.
    void Begin(bool stoppable);

    // Where the table in hand stands: the bar shows its share done, the line
    // beside it the rows done of the rows to do, the rate and the time left.
    void Show(const TableProgress& progress);

    // The clean-up has ended: the bar keeps where it came, Stop goes out,
    // and after a stop the line beside the bar says the run stopped.
    void End();

    // Whether Stop was pressed since the last Begin.
    bool stopRequested() const { return stopRequested_; }

    QPushButton* stopButton() const { return stop_; }
    QProgressBar* bar() const { return bar_; }
    QLabel* rateLine() const { return rate_; }

private:
    void RequestStop();

    QProgressBar* bar_ = nullptr;
    QLabel* rate_ = nullptr;
    QPushButton* stop_ = nullptr;
    bool running_ = false;
    bool stopRequested_ = false;
};

} // namespace qel
