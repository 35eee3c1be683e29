#pragma once

// Reading what the user typed into what a purge runs: the days text or the date text into a
// cut-off day, and the window's whole form into a PurgeJob. The window, its summary and the
// command line all read through here, so a text means the same wherever it is typed, and a text
// that names no cut-off is refused the same way everywhere.

#include "purge/purgejob.h"
#include "purge/purgerequest.h"
#include "purge/refusal.h"
#include "runtime/datevalue.h"

#include <QString>
#include <optional>

namespace culler {

class Calendar;

// The forms a date text may take.
enum class DateForms {
    ShortDate,    // the locale's short date, as the window's date box shows it
    IsoShortDate, // YYYY-MM-DD, which a script writes whatever the locale, or else the short date
};

// The last calendar day a run deletes from, or why there is none.
struct CutOff {
    std::optional<DateValue> value;
    Refusal refusal;
};

// Today minus the number the days text starts with ("20abc" is 20 days, "19.5" nineteen and a
// half). A text that starts with no number, or with a negative one, gives no cut-off: taking it as
// 0, or as a day in the future, would make every matching file dated up to today due.
CutOff daysCutOff(const QString &daysOld, const Calendar &calendar);

// The date a date text names, in the forms given.
CutOff dateCutOff(const QString &beforeDate, const Calendar &calendar, DateForms forms);

// The cut-off of the form's mode: its days text or its date text.
CutOff cutOffOf(const PurgeRequest &form, const Calendar &calendar,
                DateForms forms = DateForms::ShortDate);

// Checks what a job was given, in the order the window asks: a directory, no empty pattern, and
// a cut-off read from the form, which it then fills in; or says why the job cannot run.
Refusal completeJob(PurgeJob &job, const PurgeRequest &form, const Calendar &calendar,
                    DateForms forms);

struct JobReading {
    std::optional<PurgeJob> job;
    Refusal refusal;
};

// The job a form asks for, or why it asks for none: no directory, no pattern, or no cut-off, in
// that order. The job removes, into this user's Trash when the form says so, and names at most
// ten files of each kind of trouble, as a message box has room for.
JobReading readJob(const PurgeRequest &form, const Calendar &calendar,
                   DateForms forms = DateForms::ShortDate);

} // namespace culler
