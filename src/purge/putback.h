#pragma once

// Putting a Trash run back: every file the run's list names goes from the Trash to where it was,
// by one rename that never overwrites, and its info file goes. The way home is opened one folder
// at a time below the run's directory, never through a link, and a folder the run itself removed
// once it had emptied it is made again, with its mode, where it is missing; no other folder is
// ever made. A file that cannot go back safely is left where it is and named with its reason;
// nothing is ever replaced or deleted. The outcome, or why nothing could go back, comes back as a
// value and is told by the words module. No widgets, no dialogs.

#include "purge/purge.h"
#include "purge/purgejob.h"
#include "runtime/expected.h"
#include "runtime/runlog.h"
#include "runtime/systemerror.h"

#include <QByteArray>
#include <QDateTime>
#include <atomic>
#include <functional>
#include <limits>
#include <vector>

namespace culler {

// Why a file of the run stays in the Trash.
enum class LeftReason {
    PathTaken,       // another file has its name now
    FolderGone,      // its directory is no longer there, and the run did not remove it
    FolderTaken,     // a file or a link has the name of its directory, or of one above it
    NotInTrash,      // the Trash was emptied, or it was restored another way
    NotTheFileMoved, // the Trash holds another file, or this one changed, under its name there
    Failed,          // the system refused; error says why
};

struct LeftFile {
    QByteArray originalPath;
    LeftReason reason = LeftReason::Failed;
    SystemError error;
};

// Why a put back did nothing at all.
enum class PutBackProblem {
    NoRun,          // no run is kept at all
    UnknownRun,     // no kept run has the id asked for
    Unreadable,     // the run's list cannot be read; error says why
    RunsUnreadable, // the folder of the lists cannot be read, so no run can be found; error says
                    // why
};

struct PutBackRefusal {
    PutBackProblem problem = PutBackProblem::NoRun;
    // The id asked for; empty when the newest was.
    QByteArray id = QByteArray();
    SystemError error = SystemError();
    // The folder of the lists, for RunsUnreadable.
    QByteArray runsDirectory = QByteArray();
};

// What a put back did, told with what it was asked.
struct PutBackOutcome {
    PurgeAction action = PurgeAction::Remove;
    QByteArray id = QByteArray();
    QByteArray directory = QByteArray();
    QDateTime started = QDateTime();
    // Went back now (or would, listing).
    qint64 putBack = 0;
    // Went back before.
    qint64 alreadyBack = 0;
    qint64 leftCount = 0;
    std::vector<LeftFile> left = {}; // the first of them, as the job asks
    // Not come to: the put back was told to stop first. They are still in the Trash.
    qint64 notReached = 0;
    // Folders the run had removed, made again for the files going back (or that would be).
    qint64 foldersMade = 0;
    // Went back, but the Trash's info file of each stayed, so the desktop still lists it.
    FileTroubles infoKept = {};
    // Going back could not be noted in the list: a second put back will find these files home.
    SystemError markError = SystemError();

    bool fellShort() const { return leftCount > 0 || notReached > 0; }
    // Every file of the run had gone back before.
    bool nothingToDo() const { return putBack == 0 && leftCount == 0 && notReached == 0; }
};

// A put back's result: what it did, or why it did nothing.
using PutBackResult = Expected<PutBackOutcome, PutBackRefusal>;

struct PutBackJob {
    QByteArray runsDirectory = QByteArray();
    // The run to put back; empty for the newest.
    QByteArray id = QByteArray();
    // List: nothing moves, and the outcome says what would.
    PurgeAction action = PurgeAction::Remove;
    qint64 namedFiles = std::numeric_limits<qint64>::max();
    // Hears of each file as it goes back (or would): its original path.
    std::function<void(const QByteArray &path)> fileBack = nullptr;
    // Hears how far the put back has come: the files dealt with, of those it deals with.
    std::function<void(qint64 done, qint64 files)> progress = nullptr;
    // Set, from any thread, to end the put back once the file in hand is home.
    const std::atomic<bool> *stop = nullptr;
};

PutBackResult putBackRun(const PutBackJob &job);

} // namespace culler
