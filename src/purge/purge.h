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
    Listed,      // old enough, and left in place because the run only lists
    Kept,        // not due, or no longer the file that was judged due
    Vanished,    // gone before it could be examined or removed: nothing was lost by the run
    NotExamined, // its stamp could not be read, or names no day of the local calendar
    Failed,      // due, but its removal was refused
};

struct RemovalOutcome {
    Removal removal = Removal::Kept;
    // The reason for NotExamined and Failed; 0 for a stamp that names no day.
    SystemError error;
    // The file's size when it was stamped.
    qint64 size = 0;
};

enum class Verdict {
    Due,
    NotDue,
    Unknown, // the stamp names no day of the local calendar, so the file cannot be old
};

// Whether a stamped entry is due: a plain file whose calendar day, the time of day dropped, is on
// or before limit. Anything but a plain file is never due.
Verdict judge(const FileStamp &stamp, DateValue limit);

// Removes a file judged due, provided it is still the file that was stamped (see
// Directory::removeIfUnchanged).
RemovalOutcome removeDue(const Directory &directory, const char *name,
                         const FileIdentity &identity);

// Stamps the entry called name in directory, judges it and removes it when it is due; with
// PurgeAction::List, says Listed where it would have removed it.
RemovalOutcome DeleteIfOld(const Directory &directory, const char *name, DateValue limit,
                           PurgeAction action = PurgeAction::Delete);

enum class DaysProblem {
    None,
    NotANumber,     // no number after the blanks, or a negative one
    BeyondCalendar, // so many days that today minus them names no date
};

struct DaysCutOff {
    std::optional<DateValue> value;
    DaysProblem problem = DaysProblem::None;
};

// Today minus the number the days text starts with ("20abc" is 20 days, "19.5" nineteen and a
// half). A text that starts with no number, or with a negative one, gives no cut-off: taking it as
// 0, or as a day in the future, would make every matching file dated up to today due.
DaysCutOff daysCutOff(const QString &daysOld, const Calendar &calendar);

// The last calendar day a run deletes from, or why there is none.
struct CutOff {
    std::optional<DateValue> value;
    // Why there is no cut-off date, and the input at fault.
    Message error;
    RequestField field = RequestField::None;
};

// The cut-off of a run: the days cut-off, or the before-date text read as a date.
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
    qint64 notExamined = 0;
    qint64 failed = 0; // due but not deleted
    // Why the directory could not be listed, when that cut the run short.
    SystemError directoryError;
};

// What a run did, for the user: "20 files deleted, 33 kept", then ", 1 not examined" and
// ", 2 not deleted" when some were kept against the request; a listing run says "20 files would
// be deleted, 33 kept".
QString outcomeText(const PurgeOutcome &run, PurgeAction action);

// Where a run removes the files it judged due. Both give the same results.
enum class RemovalMode {
    Pipelined, // on a second thread, while the run goes on examining
    Inline,    // on the run's own thread, right after each decision
};

// Pipelined when this process may run on two processors or more, inline otherwise: on one
// processor a second thread only adds switching.
RemovalMode removalModeForThisMachine();

// Runs one purge: checks the request, counts the matching plain files, stamps and judges each as
// DeleteIfOld does while the progress advances, and shows "Finshed" when every counted file was
// examined. Files whose stamp cannot be read and files due that cannot be deleted are kept and
// reported, apart, in one message at the end. With PurgeAction::List nothing is removed and each
// file a real run would remove is reported instead. Every decision, count and message comes from
// the calling thread; pipelined, only the removal of a file already judged due is left to a
// second thread, and the run returns once that thread is done. A listing run starts none.
PurgeOutcome runPurge(const PurgeRequest &request, const Calendar &calendar, PurgeDisplay &display,
                      PurgeAction action = PurgeAction::Delete,
                      RemovalMode mode = removalModeForThisMachine());

} // namespace culler
