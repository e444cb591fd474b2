#pragma once

#include "OleDateTime.h"

#include <QString>
#include <QtGlobal>

// The state of the main window that every clean-up operation reads and
// writes: the connection strings and time-out named as their settings keys,
// the removal date, the two integer options, and the run-time flags.
struct BackupFields {
    QString CallCenterSrc;
    QString StatSrc;
    OleDateTime removalDate = OleDateTime::NowLessDays(90.0);
    QString Timeout;
    qint32 BackupType = 0;
    QString StatTgt;
    QString AccessTgt;
    QString ListDB;
    qint32 SourceSQL = 1;
    QString SurveyDB;
    bool accessTarget = true; // the backup target is an Access file
    bool busy = false;        // a by-date or by-survey clean-up is running
    qint32 stage = 0;         // step number shown by the progress texts
    QString WebInterviewDB;
    QString WebProdDB;
};

// The connection string of the backup target. With BackupType 2 it is the
// Jet provider string for the Access file AccessTgt; otherwise StatTgt.
// Sets the access-target flag to match.
QString BuildTargetConnection(BackupFields& fields);
