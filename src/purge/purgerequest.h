#pragma once

// What the user asks to purge, as the main window shows it: plain texts as typed, and the choice
// between deleting and the Trash, and whether subfolders count, read afresh by every run and every
// summary. An empty size or days text asks for nothing.

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
    // The size the matching files are kept under, and the space kept free on the directory's
    // mount ("10G", "15%"); at most one of the two.
    QString maxSize = QString();
    QString keepFree = QString();
    // With the Trash: after the run, what this request moved there so many days ago or more goes
    // for good. Without the Trash it means nothing and is not read.
    QString trashDays = QString();
};

} // namespace culler
