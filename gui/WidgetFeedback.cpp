#include "gui/WidgetFeedback.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>

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

void WidgetFeedback::BeginRun(long long expectedRows)
{
    run_.Begin(expectedRows);
    runActive_ = true;
}

void WidgetFeedback::ShowProgress(const TableProgress& table)
{
    const TableProgress progress = runActive_ ? run_.Add(table) : table;
    if (progress_)
        progress_->Show(progress);
    if (forward_)
        forward_->ShowProgress(progress);
}

void WidgetFeedback::BeginGathering()
{
    gathering_ = true;
    gathered_.clear();
}

void WidgetFeedback::EndGathering()
{
    gathering_ = false;
    if (gathered_.empty())
        return;
    // The gravest kind gives the box its icon: a failure, then a stop or a
    // refusal, then plain results.
    const auto rank = [](MessageKind kind) {
        return kind == MessageKind::DatabaseError ? 3 : kind == MessageKind::Information ? 0 : 2;
    };
    MessageKind kind = MessageKind::Information;
    QStringList texts;
    for (const auto& [text, messageKind] : gathered_) {
        texts << text;
        if (rank(messageKind) > rank(kind))
            kind = messageKind;
    }
    gathered_.clear();
    ShowBox(texts.join(QStringLiteral("\n\n")), kind);
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
    if (gathering_) {
        gathered_.emplace_back(text, kind);
        return;
    }
    ShowBox(text, kind);
}

void WidgetFeedback::ShowBox(const QString& text, MessageKind kind)
{
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
