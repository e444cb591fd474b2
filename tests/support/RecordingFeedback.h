#pragma once

#include "tests/support/QtPrinters.h"

#include "core/Feedback.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace qel::test {

// Feedback that writes nothing on screen: it keeps every status text,
// counts the pumps and records message boxes in order, so tests read what
// the user would have seen without ever blocking on a modal box.
class RecordingFeedback : public Feedback {
public:
    struct Message {
        QString text;
        MessageKind kind;
    };

    void ShowStatus(const QString& text) override { statuses.push_back(text); }
    void PumpMessages() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }
    void ShowMessage(const QString& text, MessageKind kind) override { messages.push_back({text, kind}); }
    void ShowProgress(const TableProgress& shown) override { progress.push_back(shown); }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& m : messages)
            texts << m.text;
        return texts;
    }
    QString lastStatus() const { return statuses.isEmpty() ? QString() : statuses.last(); }

    QStringList statuses;
    int pumps = 0;
    std::vector<Message> messages;
    std::vector<TableProgress> progress;
    std::function<void()> onPump; // lets a test act in the middle of an operation
};

} // namespace qel::test
