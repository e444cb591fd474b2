#include "ConsoleFeedback.h"

#include "Terminal.h"

#include <cstdio>

ConsoleFeedback::ConsoleFeedback(bool verbose) : terminal_(IsTerminal(stderr)), verbose_(verbose) {}

ConsoleFeedback::~ConsoleFeedback()
{
    FinishProgress();
}

void ConsoleFeedback::ShowStatus(const QString& text)
{
    if (terminal_) {
        // Back to the start of the line, the text, then clear what is left.
        std::fprintf(stderr, "\r%s\033[K", text.toLocal8Bit().constData());
        std::fflush(stderr);
        progressLineOpen_ = true;
    } else if (verbose_) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

void ConsoleFeedback::FinishProgress()
{
    if (progressLineOpen_) {
        std::fputc('\n', stderr);
        progressLineOpen_ = false;
    }
}

void ConsoleFeedback::ShowMessage(const QString& text, MessageKind kind)
{
    FinishProgress();
    if (kind == MessageKind::DatabaseError) {
        reportedDatabaseError_ = true;
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
    } else {
        std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stdout);
    }
}
