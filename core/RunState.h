#pragma once

#include <QDate>
#include <QtGlobal>

namespace qel {

// What one run of the tool holds besides its settings: the removal date of
// the window, and the flags and counter a running clean-up keeps. None of
// it is stored.
struct RunState {
    QDate removalDate = QDate::currentDate().addDays(-90); // rows before this day go
    bool accessTarget = true; // the backup target is an Access file
    bool busy = false;        // a clean-up by date or by survey is running
    qint32 stage = 0;         // the step number the progress texts show
};

} // namespace qel
