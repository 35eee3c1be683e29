#pragma once

// What the user asks to purge, as the main window shows it: plain texts as typed, and the choice
// between deleting and the Trash, and whether subfolders count, read afresh by every run and every
// summary.

#include "purge/purgejob.h"

#include <QString>

namespace culler {

struct PurgeRequest {
    QString directory;
    QString pattern;
    PurgeMode mode = PurgeMode::Days;
    QString daysOld;
    QString beforeDate;
    RemovalKind removal = RemovalKind::Delete;
    Subfolders subfolders = Subfolders::Excluded;
};

} // namespace culler
