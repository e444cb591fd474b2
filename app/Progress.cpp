#include "Progress.h"

#include <Format.h>
#include <StringTable.h>

QString StageText(int stage, const QString& subText)
{
    return Format(LoadText(IDS_STAGE), {stage, kStageTotal, subText});
}

QString CreatingFieldsText(int stage)
{
    return StageText(stage, LoadText(IDS_CREATING_FIELDS));
}

QString DeletingRecordsText(int stage)
{
    return StageText(stage, LoadText(IDS_DELETING_RECORDS));
}

QString RecordsCopiedText(int stage, long long copied, long long total)
{
    return StageText(stage, Format(LoadText(IDS_RECORDS_COPIED), {copied, total}));
}

void ShowOpeningDatabases(Feedback& feedback)
{
    feedback.ShowStatus(LoadText(IDS_OPENING_DATABASES));
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
