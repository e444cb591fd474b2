#include "gui/WidgetFeedback.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>

namespace qel {

WidgetFeedback::WidgetFeedback(QWidget* owner, Feedback* forward) : owner_(owner), forward_(forward) {}

void WidgetFeedback::ShowStatus(const QString& text)
{
    if (statusLine_) {
        statusLine_->setText(text);
        statusLine_->setToolTip(QString());
    }
    if (forward_)
        forward_->ShowStatus(text);
}

void WidgetFeedback::ShowProgress(const TableProgress& progress)
{
    if (progress_)
        progress_->Show(progress);
    if (forward_)
        forward_->ShowProgress(progress);
}

void WidgetFeedback::PumpMessages()
{
    QCoreApplication::processEvents();
    if (forward_)
        forward_->PumpMessages();
}

void WidgetFeedback::ShowMessage(const QString& text, MessageKind kind)
{
    // A failure or a stop replaces the last progress text, which would
    // otherwise still say how far the run had come.
    if (kind != MessageKind::Information && statusLine_) {
        QString line = text;
        line.replace(QLatin1String("\r\n"), QLatin1String("  ")).replace(QLatin1Char('\n'), QLatin1String("  "));
        statusLine_->setText(line);
        statusLine_->setToolTip(text);
    }
    if (forward_) {
        forward_->ShowMessage(text, kind);
        return;
    }
    // Database texts may hold '<' or '&': they are shown as written.
    const QMessageBox::Icon icon = kind == MessageKind::DatabaseError ? QMessageBox::Critical
        : kind == MessageKind::Stopped || kind == MessageKind::Refused ? QMessageBox::Warning
                                                                       : QMessageBox::NoIcon;
    QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok, owner_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace qel
