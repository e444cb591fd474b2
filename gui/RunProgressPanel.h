#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qel {

// The progress of a running clean-up under the status line: a bar, the
// rate and the time left, and Stop. Stop asks the clean-up to end after the
// batch in flight; it answers only while a clean-up that can stop runs.
class RunProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit RunProgressPanel(QWidget* parent = nullptr);

    // A clean-up starts: the bar waits for its first count; Stop is offered
    // when the clean-up can stop between batches.
    void Begin(bool stoppable);

    // Rows done of rows to do (to do below 0: not known yet), the rows per
    // second (below 0: not known) and the seconds left (below 0: not known).
    void Show(long long done, long long toDo, double rowsPerSecond, double secondsLeft);

    // The clean-up has ended: the bar keeps where it came, Stop goes out.
    void End();

    // Whether Stop was pressed since the last Begin.
    bool stopRequested() const { return stopRequested_; }

    QPushButton* stopButton() const { return stop_; }
    QProgressBar* bar() const { return bar_; }
    QLabel* rateLine() const { return rate_; }

    // "1,234 rows/s, about 2 min left": the rate and the time left in words.
    static QString RateText(double rowsPerSecond, double secondsLeft);

private:
    void RequestStop();

    QProgressBar* bar_ = nullptr;
    QLabel* rate_ = nullptr;
    QPushButton* stop_ = nullptr;
    bool running_ = false;
    bool stopRequested_ = false;
};

} // namespace qel
