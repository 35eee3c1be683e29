#pragma once

// Checking what a front end was given before a run: the days text or the date text into a
// cut-off day, the directory and the patterns into a job. The window, its summary and the command
// line all check through here, so a text means the same wherever it is typed, and a request that
// names no cut-off is refused the same way everywhere.

#include "purge/purgejob.h"
#include "purge/purgerequest.h"
#include "purge/refusal.h"
#include "runtime/datevalue.h"
#include "runtime/expected.h"

#include <QString>

namespace culler {

class Calendar;

// The forms a date text may take.
enum class DateForms {
    ShortDate,    // the locale's short date, as the window's date box shows it
    IsoShortDate, // YYYY-MM-DD, which a script writes whatever the locale, or else the short date
};

// The cut-off as typed: a number of days before today, or a date.
struct CutOffText {
    PurgeMode mode = PurgeMode::Days;
    QString text;
    DateForms forms = DateForms::ShortDate;
};

// Today minus the number the days text starts with ("20abc" is 20 days, "19.5" nineteen and a
// half). A text that starts with no number, or with a negative one, gives no cut-off: taking it as
// 0, or as a day in the future, would make every matching file dated up to today due.
Expected<DateValue, Refusal> daysCutOff(const QString &daysOld, const Calendar &calendar);

// The last day whose items the Trash is emptied of, read as daysCutOff() reads days old; a refusal
// is about the Trash's days.
Expected<DateValue, Refusal> trashDaysCutOff(const QString &trashDays, const Calendar &calendar);

// The date a date text names, in the forms given.
Expected<DateValue, Refusal> dateCutOff(const QString &beforeDate, const Calendar &calendar,
                                        DateForms forms);

// The job to run, or why it cannot run, checked in the order the window asks: a directory, no
// empty pattern, and a cut-off read from its text, which the job then takes.
Expected<PurgeJob, Refusal> checkJob(PurgeJob job, const CutOffText &cutOff,
                                     const Calendar &calendar);

// The job the window's form asks for, to remove its files (into this user's Trash when the form
// says so), or why it asks for none. After the checks of checkJob, the size texts are read as the
// command line reads --max-size and --keep-free, refused when they do not read, when both are
// given, and for a free-space goal with the Trash, which frees nothing; with the Trash, the Trash
// days are read as a days text is, into the emptying after the run.
Expected<PurgeJob, Refusal> readJob(const PurgeRequest &form, const Calendar &calendar);

} // namespace culler
