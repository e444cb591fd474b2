#include "gui/WidgetFeedback.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>

namespace qel {

WidgetFeedback::WidgetFeedback(QWidget* owner, Feedback* forward) : owner_(owner), forward_(forward) {}

void WidgetFeedback::ShowStatus(const QString& text)
{
    if (statusLine_)
        statusLine_->setText(text);
    if (forward_)
        forward_->ShowStatus(text);
}

void WidgetFeedback::PumpMessages()
{
    QCoreApplication::processEvents();
    if (forward_)
        forward_->PumpMessages();
}

void WidgetFeedback::ShowMessage(const QString& text, MessageKind kind)
{
    if (forward_) {
        forward_->ShowMessage(text, kind);
        return;
    }
    // Database texts may hold '<' or '&': they are shown as written.
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, owner_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace qel
