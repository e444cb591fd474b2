#pragma once

#include "core/Feedback.h"
#include "gui/RunProgressPanel.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

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

    void ShowStatus(const QString& text) override;
    void ShowProgress(const TableProgress& progress) override;
    void PumpMessages() override;
    void ShowMessage(const QString& text, MessageKind kind) override;

private:
    QPointer<QWidget> owner_;
    QPointer<QLabel> statusLine_;
    QPointer<RunProgressPanel> progress_;
    Feedback* forward_;
};

} // namespace qel
