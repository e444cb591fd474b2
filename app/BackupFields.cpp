#include "BackupFields.h"

#include <Format.h>
#include <StringTable.h>

QString BuildTargetConnection(BackupFields& fields)
{
    if (fields.BackupType == 2) {
        fields.accessTarget = true;
        return Format(QString::fromLatin1(DialogText::JetConnectionFormat), {fields.AccessTgt});
    }
    fields.accessTarget = false;
    return fields.StatTgt;
}
