#pragma once

#include "core/Feedback.h"
#include "core/RunProgress.h"
#include "gui/RunProgressPanel.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace qel {

// The main window's feedback: status texts go to its status line, the
// progress of a table to its progress bar, the pump runs the Qt event loop
// once, messages are boxes with an OK button owned by the window, a
// database error with the critical icon and a stopped run with the warning
// icon, both also on the status line. Given another feedback, it also
// passes every status text, progress and pump on to it and lets it show the
// messages instead of a box; tests use that to read the messages without
// blocking.
class WidgetFeedback : public Feedback {
public:
    explicit WidgetFeedback(QWidget* owner, Feedback* forward = nullptr);

    void setStatusLine(QLabel* statusLine) { statusLine_ = statusLine; }
    void setProgressPanel(RunProgressPanel* panel) { progress_ = panel; }

    // A clean-up begins: from now on the progress its tables report one
    // after the other is shown as the whole run's, against `expectedRows`
    // (what its preview counted; negative when nothing was counted).
    void BeginRun(long long expectedRows);
    // The run has ended: progress is shown as it comes again.
    void EndRun() { runActive_ = false; }

    // While gathering, the messages of an operation are held and shown
    // together in one box when the gathering ends, with the icon of the
    // gravest; the status line still shows a failure or a stop at once.
    void BeginGathering();
    void EndGathering();

    void ShowStatus(const QString& text) override;
    void ShowProgress(const TableProgress& progress) override;
    void PumpMessages() override;
    void ShowMessage(const QString& text, MessageKind kind) override;

private:
    void ShowBox(const QString& text, MessageKind kind);

    QPointer<QWidget> owner_;
    QPointer<QLabel> statusLine_;
    QPointer<RunProgressPanel> progress_;
    Feedback* forward_;
    RunProgress run_;
    bool runActive_ = false;
    bool gathering_ = false;
    std::vector<std::pair<QString, MessageKind>> gathered_;
};

} // namespace qel
