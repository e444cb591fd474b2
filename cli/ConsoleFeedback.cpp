#include "cli/ConsoleFeedback.h"

#include "cli/Terminal.h"
#include "core/Progress.h"

#include <cstdio>

namespace qel {

namespace {
constexpr qint64 kProgressIntervalMs = 100;
}

ConsoleFeedback::ConsoleFeedback(bool verbose) : terminal_(IsTerminal(stderr)), verbose_(verbose)
{
    if (terminal_)
        PrepareConsole();
}

ConsoleFeedback::~ConsoleFeedback()
{
    FinishProgress();
}

void ConsoleFeedback::WriteProgress(const QString& text)
{
    // Back to the start of the line, the text, then clear what is left.
    WriteText(stderr, QLatin1Char('\r') + text + QStringLiteral("\033[K"));
    progressLineOpen_ = true;
    pendingProgress_.clear();
    sinceLastProgress_.start();
}

void ConsoleFeedback::ShowStatus(const QString& text)
{
    // On a terminal, once a step shows where it stands, that line stands
    // for its stage: the stage's count texts would only repeat it.
    if (terminal_ && !detailStage_.isEmpty() && text.startsWith(detailStage_))
        return;
    detailStage_.clear();
    ShowLine(text);
}

void ConsoleFeedback::ShowLine(const QString& text)
{
    if (terminal_) {
        if (sinceLastProgress_.isValid() && sinceLastProgress_.elapsed() < kProgressIntervalMs)
            pendingProgress_ = text;
        else
            WriteProgress(text);
    } else if (verbose_) {
        WriteText(stderr, text + QLatin1Char('\n'));
    }
}

void ConsoleFeedback::ShowProgress(const TableProgress& progress)
{
    const QString detail = progress.table + QStringLiteral(": ") + ProgressDetailText(progress);
    if (terminal_) {
        detailStage_ = StageText(progress.stage, QString());
        ShowLine(detailStage_ + detail);
    } else if (verbose_) {
        // Under the status line it details.
        WriteText(stderr, QStringLiteral("  ") + detail + QLatin1Char('\n'));
    }
}

void ConsoleFeedback::FinishProgress()
{
    if (!pendingProgress_.isEmpty())
        WriteProgress(pendingProgress_);
    if (progressLineOpen_) {
        WriteText(stderr, QStringLiteral("\n"));
        progressLineOpen_ = false;
    }
}

void ConsoleFeedback::ShowMessage(const QString& text, MessageKind kind)
{
    FinishProgress();
    if (kind == MessageKind::DatabaseError || kind == MessageKind::Refused) {
        WriteText(stderr, text + QLatin1Char('\n'));
    } else {
        WriteText(stdout, text + QLatin1Char('\n'));
    }
}

} // namespace qel
