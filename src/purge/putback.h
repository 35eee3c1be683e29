#pragma once

// Putting a Trash run back: every file the run's list names goes from the Trash to where it was,
// by one rename that never overwrites, and its info file goes. A file that cannot go back safely
// is left where it is and named with its reason; nothing is ever replaced or deleted. The
// outcome comes back as a value and is told by the words module. No widgets, no dialogs.

#include "purge/purgejob.h"
#include "runtime/runlog.h"
#include "runtime/systemerror.h"

#include <QByteArray>
#include <QDateTime>
#include <functional>
#include <limits>
#include <vector>

namespace culler {

// Why a file of the run stays in the Trash.
enum class LeftReason {
    PathTaken,       // another file has its name now
    FolderGone,      // its directory is no longer there
    NotInTrash,      // the Trash was emptied, or it was restored another way
    NotTheFileMoved, // the Trash holds another file, or this one changed, under its name there
    Failed,          // the system refused; error says why
};

struct LeftFile {
    QByteArray originalPath;
    LeftReason reason = LeftReason::Failed;
    SystemError error;
};

enum class PutBackStatus {
    NoRun,       // no run is kept at all
    UnknownRun,  // no kept run has the id asked for
    Unreadable,  // the run's list cannot be read; error says why
    NothingToDo, // every file of the run went back before
    Done,        // the files were put back, or left and named
};

struct PutBackOutcome {
    PutBackStatus status = PutBackStatus::NoRun;
    PurgeAction action = PurgeAction::Remove;
    SystemError error;
    QByteArray id = QByteArray();
    QByteArray directory;
    QDateTime started;
    // Went back now (or would, listing).
    qint64 putBack = 0;
    // Went back before.
    qint64 alreadyBack = 0;
    qint64 leftCount = 0;
    std::vector<LeftFile> left; // the first of them, as the job asks
    // Going back could not be noted in the list: a second put back will find these files home.
    SystemError markError;

    bool fellShort() const { return leftCount > 0; }
};

struct PutBackJob {
    QByteArray runsDirectory = QByteArray();
    // The run to put back; empty for the newest.
    QByteArray id = QByteArray();
    // List: nothing moves, and the outcome says what would.
    PurgeAction action = PurgeAction::Remove;
    qint64 namedFiles = std::numeric_limits<qint64>::max();
    // Hears of each file as it goes back (or would): its original path.
    std::function<void(const QByteArray &path)> fileBack = nullptr;
};

PutBackOutcome putBackRun(const PutBackJob &job);

} // namespace culler
