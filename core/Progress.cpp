#include "core/Progress.h"

#include "core/Format.h"
#include "core/StringTable.h"

namespace qel {

QString StageText(int stage, const QString& subText)
{
    return Format(LoadText(StringId::Stage), {stage, kStageTotal, subText});
}

QString CreatingFieldsText(int stage)
{
    return StageText(stage, LoadText(StringId::CreatingFields));
}

QString DeletingRecordsText(int stage)
{
    return StageText(stage, LoadText(StringId::DeletingRecords));
}

QString RecordsCopiedText(int stage, long long copied, long long total)
{
    return StageText(stage, Format(LoadText(StringId::RecordsCopied), {copied, total}));
}

void ShowOpeningDatabases(Feedback& feedback)
{
    feedback.ShowStatus(LoadText(StringId::OpeningDatabases));
    feedback.PumpMessages();
}

void CopyProgress::RowCopied()
{
    ++copied_;
    if (copied_ % 10 != 0)
        feedback_.PumpMessages();
    feedback_.ShowStatus(RecordsCopiedText(stage_, copied_, total_));
}

void CopyProgress::RowsCopied(long long rows)
{
    copied_ += rows;
    feedback_.PumpMessages();
    feedback_.ShowStatus(RecordsCopiedText(stage_, copied_, total_));
}

} // namespace qel
