#pragma once

// The words a purge is told in: why a request was refused, what a run did, and the closing
// message that names the files kept against the request. The window's message boxes and the
// command line's messages say the same things in the same words; each only chooses how a path
// is shown.

#include "purge/purge.h"
#include "purge/purgerequest.h"

#include <QString>
#include <functional>

namespace culler {

class Calendar;

// How a file of the run is named in a message: the directory as the user gave it, a separator and
// the name as the medium can show it.
using PathText = std::function<QString(const QByteArray &name)>;

// The directory as the user gave it, ending in one separator for a file's name to follow:
// "dir/" for "dir" and for "dir/" alike.
inline QByteArray directoryPrefix(const QByteArray &directory) {
    return directory.endsWith('/') ? directory : directory + '/';
}
inline QString directoryPrefix(const QString &directory) {
    return directory.endsWith(u'/') ? directory : directory + u'/';
}

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

} // namespace culler
