#pragma once

// The words a purge is told in: why a request was refused, what a run did, and the closing
// message that names the files kept against the request. The window's message boxes and the
// command line's messages say the same things in the same words; each only chooses how a path
// is shown.

#include "purge/purge.h"
#include "purge/purgerequest.h"
#include "purge/putback.h"

#include <QString>
#include <functional>

namespace culler {

class Calendar;

// How a file of the run is named in a message: the directory as the user gave it, a separator and
// the name as the medium can show it.
using PathText = std::function<QString(const QByteArray &name)>;

// "You must enter a Directory to Purge files from!" and the like: the refusal, told with the texts
// of the form it was read from.
QString refusalText(const Refusal &refusal, const PurgeRequest &form, const Calendar &calendar);

// "no directory", "not a date" and the like: the refusal in the few words a line has room for.
QString refusalInBrief(const Refusal &refusal);

// "20 files deleted, 33 kept", then ", 7 kept as the newest" and ", 5 excluded" when the job
// kept files for those reasons, and ", 1 not examined" and ", 2 not deleted" when some were kept
// against the request; a listing run says "20 files would be deleted, 33 kept".
// A run that moves files to the Trash says "20 files moved to the Trash", ", 2 not moved" and
// ", 1 left in the Trash".
QString outcomeText(const PurgeOutcome &outcome, PurgeAction action,
                    RemovalKind removal = RemovalKind::Delete);

// The message at the end of a run that kept files against the request: the files that could not
// be examined, apart from those due that could not be deleted (or moved to the Trash), and those
// left in the Trash, each named with its reason as far as the outcome names them, then what
// became of the others. Empty when there are no such files.
QString closingText(const PurgeOutcome &outcome, PurgeAction action, const PathText &pathOf,
                    RemovalKind removal = RemovalKind::Delete);

// "12 files moved to the Trash", or "put back" once every one of them went back, or "12 files
// moved to the Trash, 3 put back" on the way: a kept run in the few words of a line.
QString keptRunText(const KeptRun &run);

// "Put back the 12 files moved to the Trash from "DIR"?": the one question before a put back.
QString putBackQuestion(qint64 files, const QString &directory);

// Why nothing was put back: no run kept, no run of that id, a list that cannot be read, or a
// run whose files all went back before. Empty when the put back went ahead.
QString putBackRefusalText(const PutBackOutcome &outcome);

// "12 files put back", or "would be put back" for a listing, then ", 2 left in the Trash".
QString putBackOutcomeText(const PutBackOutcome &outcome);

// The message at the end of a put back that left files in the Trash: each named with its reason
// as far as the outcome names them, then what became of the others. Empty when none was left.
QString putBackClosingText(const PutBackOutcome &outcome, const PathText &pathOf);

} // namespace culler
