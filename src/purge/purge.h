#pragma once

// The purge: which plain files of one directory are old enough, and their removal, with progress
// reported through PurgeDisplay and everything else returned as a value. No widgets, no dialogs
// and no words: the main window, the summary's preview, the command line, the tests and the
// benchmarks all run this same code and each tells the outcome in its own words. A listing run
// makes every decision a real run makes and only leaves out the removal, so the two cannot
// disagree.

#include "purge/purgejob.h"
#include "purge/refusal.h"
#include "runtime/datevalue.h"
#include "runtime/directory.h"
#include "runtime/expected.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace culler {

// What a run shows while it goes; called on the run's thread, or for a run with subfolders on
// any of its workers' threads, one call at a time.
class PurgeDisplay {
public:
    virtual ~PurgeDisplay() = default;
    // Called again as files are counted: in a run over one directory while its first pass goes,
    // down a tree all through the walk, so a display must take a maximum that grows.
    virtual void setProgressMaximum(qint64 maximum) = 0;
    virtual void setProgressValue(qint64 value) = 0;

    // A file the run removed, or that a listing run would remove: its name as the file system
    // holds it (not necessarily UTF-8, valid for this call only; below a subdirectory, its path
    // relative to the directory) and its size in bytes. Displays
    // that show progress alone need not look.
    virtual void fileChosen(const char *name, qint64 size) {
        Q_UNUSED(name);
        Q_UNUSED(size);
    }
    // Asked before each file of both passes (of the one walk, down a tree); true ends the run
    // there, once the removals already decided are done. May be called from another thread's
    // request: it must be cheap.
    virtual bool stopRequested() const { return false; }
};

enum class Removal {
    Removed,     // deleted, or moved to the Trash
    Listed,      // old enough, and left in place because the run only lists
    Kept,        // not due, or no longer the file that was judged due
    Vanished,    // gone before it could be examined or removed: nothing was lost by the run
    NotExamined, // its stamp could not be read, or names no day of the local calendar
    Failed,      // due, but its removal was refused
    // Moved to the Trash, found there to have changed since it was judged, and left there since
    // a new file had taken its name meanwhile: the desktop restores it.
    LeftInTrash,
};

struct RemovalOutcome {
    Removal removal = Removal::Kept;
    // The reason for NotExamined and Failed; 0 for a stamp that names no day.
    SystemError error;
    // The file's size when it was stamped.
    qint64 size = 0;
    // Its name in the Trash, once moved there.
    QByteArray trashName = QByteArray();
};

enum class Verdict {
    Due,
    NotDue,
    Unknown, // the stamp names no day of the local calendar, so the file cannot be old
};

// Whether a plain file's stamp is due: its calendar day, the time of day dropped, is on or before
// limit. The run stamps only plain files for this (see DeleteIfOld).
Verdict judge(const FileStamp &stamp, DateValue limit);

// Removes a file judged due, provided it is still the file that was stamped (see
// Directory::removeIfUnchanged).
RemovalOutcome removeDue(const Directory &directory, const char *name,
                         const FileIdentity &identity);

// Removes a file judged due on the stamp just taken (see Directory::removeJustStamped).
RemovalOutcome removeJustStamped(const Directory &directory, const char *name);

// Moves a file judged due to the Trash, provided it is still the file that was stamped (see
// Directory::moveToTrashIfUnchanged): a file that changed goes back where it was.
// A file of a subdirectory gives its path relative to the directory the Trash was opened for.
RemovalOutcome trashDue(const Directory &directory, const Trash &trash, const char *name,
                        const FileIdentity &identity, const QByteArray &subdirectory = {});

// A file kept against the request, and why: its name as the file system holds it (below a
// subdirectory, its path relative to the directory: "logs/2024/a.log"), and the
// system's error (0 for a stamp that names no day of the calendar).
struct FileTrouble {
    QByteArray name;
    SystemError error;
};

// Files of one kind of trouble: every one counted, the first ones named.
struct FileTroubles {
    qint64 count = 0;
    std::vector<FileTrouble> named;
};

enum class PurgeStatus {
    Finished,   // every counted file was examined
    Unfinished, // the directory changed between counting and deleting, or its listing failed
    Stopped,    // the display asked to stop before every file was examined
};

// What a run did, told with what it was asked, so that it can be put into words on its own.
struct PurgeOutcome {
    explicit PurgeOutcome(const PurgeJob &job)
        : action(job.action)
        , removal(job.removal)
        , directory(job.directory)
        , spaceRule(job.spaceRule)
        , spaceAsked(job.space.bytes)
        , spacePercent(job.space.percent) {}

    PurgeAction action;
    RemovalKind removal;
    // The directory as given.
    QByteArray directory;

    PurgeStatus status = PurgeStatus::Unfinished;
    // Why the listing ended before its end, when it failed part way through the files.
    SystemError listingError;
    // The candidates: plain files matching a pattern and no exclusion.
    qint64 examined = 0;
    // Files matching a pattern and an exclusion, left alone unexamined.
    qint64 excluded = 0;
    // Candidates kept for being among the newest, whatever their age.
    qint64 keptNewest = 0;
    // Files removed (deleted, or moved to the Trash); in a listing run, the files a real run
    // would remove.
    qint64 removed = 0;
    // The sizes of the files counted in removed.
    qint64 removedBytes = 0;
    FileTroubles notExamined;
    FileTroubles notRemoved; // due, but not removed
    // Changed since they were judged, and left in the Trash as new files took their names.
    FileTroubles leftInTrash;
    // The list of the files the run moved to the Trash, by which it can be put back: its id,
    // empty when none was kept, and why it could not be written whole.
    QByteArray runId;
    SystemError runListError;
    // Subdirectories that could not be opened or listed, named by their paths relative to the
    // directory, as files below it are.
    FileTroubles unreadableFolders;
    // Mount points below the directory, left alone with everything on them.
    qint64 mountPointsLeft = 0;
    // Subdirectories removed once the run had emptied them.
    qint64 foldersRemoved = 0;
    // Subdirectories the run emptied whose removal the system refused for another reason than
    // what they still hold.
    FileTroubles foldersNotRemoved;

    // The space kept to, as asked: for a share of the mount, spaceAsked is what it came to.
    SpaceRule spaceRule;
    qint64 spaceAsked;
    double spacePercent;
    // Of the files counted in removed, those that went for the size cap beyond the cut-off, or
    // (keeping space free) every one.
    qint64 removedForSpace = 0;
    // Files the cut-off took that stayed, as the mount had the space asked for without them.
    qint64 sparedForSpace = 0;
    // The goal was missed: the matching files left still take more than the cap (what they take,
    // in spaceFound), or the mount still has less available than asked (what it has); a listing
    // run tells what a real run would leave, as far as the files' sizes tell.
    bool spaceMissed = false;
    qint64 spaceFound = 0;
    // Why the mount's space could not be read again part way; the removals stopped there.
    SystemError spaceError;

    // Whether the run kept files it was asked to remove, could not look at all of them, or left
    // in the Trash a file it was not asked to remove: what a script must hear of.
    bool fellShort() const {
        return listingError || notExamined.count > 0 || notRemoved.count > 0 ||
               leftInTrash.count > 0 || unreadableFolders.count > 0 ||
               foldersNotRemoved.count > 0 || spaceMissed || spaceError;
    }
};

// A run's result: what it did, or why it did nothing.
using PurgeResult = Expected<PurgeOutcome, Refusal>;

// Where a run removes the files it judged due. Both give the same results.
enum class RemovalMode {
    Pipelined, // on a second thread, while the run goes on examining
    Inline,    // on the run's own thread, right after each decision
};

// Pipelined when this process may run on two processors or more, inline otherwise: on one
// processor a second thread only adds switching. A run with subfolders takes it as a pool of one
// worker per processor (at least two) against its own thread alone.
RemovalMode removalModeForThisMachine();

// How many processors this process may run on: those it is confined to (taskset, a container).
unsigned processorsForThisProcess();

// Runs one purge: opens the directory (and the Trash, for a run that moves files there), counts
// the candidates, stamps and judges each while the progress advances (the newest kept, when the job
// asks), removes those due, and settles: the outcome says what became of every file, and a run that
// examined every file it counted has Finished; a run that cannot start is refused, and nothing is
// touched. Files whose stamp cannot be read and files due that cannot be deleted are kept and
// listed in the outcome. With PurgeAction::List nothing is removed and each file a real run would
// remove is reported instead. Every decision and count comes from the calling thread; pipelined,
// only the removal of a file already judged due is left to a second thread, and the run returns
// once that thread is done. A listing run starts none. With subfolders, the directories of the
// tree are walked once, counted, judged and emptied side by side, one directory per worker, and
// the progress maximum grows as files are found (see treerun.h).
PurgeResult runPurge(const PurgeJob &job, PurgeDisplay &display,
                     RemovalMode mode = removalModeForThisMachine());

} // namespace culler
