#pragma once

// The purge: which plain files of one directory are old enough, and their removal, with progress
// and messages reported through PurgeDisplay. No widgets and no dialogs: the main window, the tests
// and the benchmark all drive this same code.

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
};

// The status text of a run that examined every file it counted; the spelling is the program's own.
inline QString finishedText() {
    return QStringLiteral("Finshed");
}

enum class Removal {
    Deleted,
    Kept,
    Failed,
};

struct RemovalOutcome {
    Removal removal = Removal::Kept;
    SystemError error;
};

// Deletes the plain file called name in directory when its calendar day, the time of day dropped,
// is on or before limit. A name that is no longer a plain file is kept.
RemovalOutcome DeleteIfOld(const Directory &directory, const char *name, DateValue limit);

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
};

struct PurgeOutcome {
    PurgeStatus status = PurgeStatus::Rejected;
    qint64 examined = 0;
    qint64 deleted = 0;
    qint64 failed = 0;
};

// What a run did, for the user: "20 files deleted, 33 kept". The kept files include those that
// could not be deleted, which the text then names apart: "... 33 kept (2 could not be deleted)".
QString outcomeText(const PurgeOutcome &run);

// Runs one purge: checks the request, counts the matching plain files, hands each to DeleteIfOld
// while the progress advances, and shows "Finshed" when every counted file was examined. Files
// that cannot be deleted are skipped and reported in one message at the end.
PurgeOutcome runPurge(const PurgeRequest &request, const Calendar &calendar, PurgeDisplay &display);

} // namespace culler
