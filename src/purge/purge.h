#pragma once

// The purge: which plain files of one directory are old enough, and their removal, with progress
// and messages reported through PurgeDisplay. No widgets and no dialogs: the main window, the
// command line, the tests and the benchmark all drive this same code. A listing run makes every
// decision a real run makes and only leaves out the removal, so the two cannot disagree.

#include "purge/purgerequest.h"
#include "runtime/datevalue.h"
#include "runtime/directory.h"
#include "runtime/messages.h"

#include <QString>
#include <optional>

namespace culler {

class Calendar;

class PurgeDisplay {
public:
    virtual ~PurgeDisplay() = default;
    virtual void setProgressMaximum(qint64 maximum) = 0;
    virtual void setProgressValue(qint64 value) = 0;
    virtual void setStatusText(const QString &text) = 0;
    // Shows a modal message, then moves the focus to the input it is about.
    virtual void showMessage(const Message &message, RequestField focus) = 0;

    // A file the run removed, or that a listing run would remove: its name as the file system
    // holds it (not necessarily UTF-8, valid for this call only) and its size in bytes. Displays
    // that show progress alone need not look.
    virtual void fileChosen(const char *name, qint64 size) {
        Q_UNUSED(name);
        Q_UNUSED(size);
    }
    // Asked before each file of both passes; true ends the run there. Lets a display that
    // previews a large directory off the window's thread give up when the request changes.
    virtual bool stopRequested() const { return false; }
    // How many of the files that could not be deleted the closing message names one by one; a
    // message box has room for a few, a terminal for all of them.
    virtual qint64 namedFailuresLimit() const { return 10; }
};

// The status text of a run that examined every file it counted; the spelling is the program's own.
inline QString finishedText() {
    return QStringLiteral("Finshed");
}

// What a run does with each file old enough to go.
enum class PurgeAction {
    Delete, // removes it
    List,   // reports it and leaves it where it is: a dry run, or a preview of a real one
};

enum class Removal {
    Deleted,
    Listed, // old enough, and left in place because the run only lists
    Kept,
    Failed,
};

struct RemovalOutcome {
    Removal removal = Removal::Kept;
    SystemError error;
    // The file's size when it was stamped.
    qint64 size = 0;
};

// Deletes the plain file called name in directory when its calendar day, the time of day dropped,
// is on or before limit; with PurgeAction::List, says Listed where it would have deleted. A name
// that is no longer a plain file is kept.
RemovalOutcome DeleteIfOld(const Directory &directory, const char *name, DateValue limit,
                           PurgeAction action = PurgeAction::Delete);

// The last calendar day a run deletes from, or why there is none.
struct CutOff {
    std::optional<DateValue> value;
    // Why there is no cut-off date, and the input at fault.
    Message error;
    RequestField field = RequestField::None;
};

// The cut-off of a run: today minus the days text taken as a number (0 when it is none), or the
// before-date text read as a date.
CutOff cutOffDate(const PurgeRequest &request, const Calendar &calendar);

enum class PurgeStatus {
    Rejected,   // the request was not carried out; a message said why
    Finished,   // every counted file was examined
    Unfinished, // the directory changed between counting and deleting
    Stopped,    // the display asked to stop before every file was examined
};

struct PurgeOutcome {
    PurgeStatus status = PurgeStatus::Rejected;
    qint64 examined = 0;
    // Files removed; in a listing run, the files a real run would remove.
    qint64 deleted = 0;
    // The sizes of the files counted in deleted.
    qint64 deletedBytes = 0;
    qint64 failed = 0;
    // Why the directory could not be listed, when that cut the run short.
    SystemError directoryError;
};

// What a run did, for the user: "20 files deleted, 33 kept", then ", 2 not deleted" when some
// could not be; a listing run says "20 files would be deleted, 33 kept".
QString outcomeText(const PurgeOutcome &run, PurgeAction action);

// Runs one purge: checks the request, counts the matching plain files, hands each to DeleteIfOld
// while the progress advances, and shows "Finshed" when every counted file was examined. Files
// that cannot be deleted are skipped and reported in one message at the end. With
// PurgeAction::List nothing is removed and each file a real run would remove is reported instead.
PurgeOutcome runPurge(const PurgeRequest &request, const Calendar &calendar, PurgeDisplay &display,
                      PurgeAction action = PurgeAction::Delete);

} // namespace culler
