#include "SurveyList.h"

#include <Connection.h>
#include <Format.h>
#include <OleDateTime.h>
#include <Recordset.h>
#include <StringTable.h>

#include <QLocale>

QStringList SurveyListColumnTitles()
{
    QStringList titles;
    for (const char* title : DialogText::SurveyListColumns)
        titles << QString::fromLatin1(title);
    return titles;
}

QString SurveyCellText(const Variant& value)
{
    switch (value.type()) {
    case Variant::Type::Int16:
    case Variant::Type::Int32:
        return QString::number(value.integer());
    case Variant::Type::Float:
    case Variant::Type::Double:
        return Format(QStringLiteral("%.16g"), {value.real()});
    case Variant::Type::Date: {
        const QDateTime dt = OleDateTime(value.real()).toDateTime();
        return dt.isValid() ? QLocale::system().toString(dt, QLocale::ShortFormat)
                            : QString::fromLatin1(DialogText::InvalidDateTime);
    }
    case Variant::Type::String:
        return value.text();
    case Variant::Type::Bool:
        return LoadText(value.integer() ? IDS_YES : IDS_NO);
    default:
        return {};
    }
}

QString StorageKindText(const Variant& interviewStorage)
{
    if (!interviewStorage.isNull()) {
        const long long kind = interviewStorage.toInt64();
        if (kind == 1)
            return QString::fromLatin1(DialogText::Legacy);
        if (kind == 2)
            return QString::fromLatin1(DialogText::New);
    }
    return QString::fromLatin1(DialogText::None);
}

void LoadSurveyList(Connection& callCenter, const std::function<void(const SurveyListRow&)>& onRow)
{
    callCenter.Execute(CreateCleaningHistorySql(callCenter.dialect()));
    auto rs = OpenRecordset(callCenter, SurveyListSql());
    const QString never = QString::fromLatin1(DialogText::Never);
    for (; !rs->IsEOF(); rs->MoveNext()) {
        SurveyListRow row;
        const Variant& id = rs->ReadField(0);
        row.id = static_cast<quint32>(id.toInt64());
        row.cells << SurveyCellText(id) << SurveyCellText(rs->ReadField(QStringLiteral("SurveyTitle")))
                  << StorageKindText(rs->ReadField(QStringLiteral("InterviewStorage")))
                  << SurveyCellText(rs->ReadField(QStringLiteral("Deleted")));
        for (const char* column : {"StatsCleaned", "SurveysCleaned", "WebInterviewsCleaned", "ListsCleaned"}) {
            const Variant& cleaned = rs->ReadField(QLatin1String(column));
            row.cells << (cleaned.isNull() ? never : SurveyCellText(cleaned));
        }
        onRow(row);
    }
}

SurveySelection SelectionOf(const std::vector<SurveyListRow>& selectedRows)
{
    SurveySelection selection;
    for (const SurveyListRow& row : selectedRows) {
        selection.surveyNames.insert(row.cells.value(1));
        const QString storage = row.cells.value(2);
        if (storage == QLatin1String(DialogText::Legacy))
            selection.legacySurveyIds.push_back(row.id);
        else if (storage == QLatin1String(DialogText::New))
            selection.newSurveyIds.push_back(row.id);
    }
    return selection;
}
