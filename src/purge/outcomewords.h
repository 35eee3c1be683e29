#pragma once

// The words a purge is told in: why a request was refused, what a run did, the closing message
// that names the files kept against the request, and the few words the summary has room for.
// The window's message boxes, the summary and the command line say the same things in the same
// words; each only chooses how a file's path is shown. A refusal and an outcome carry every text
// they quote, so nothing else is needed to tell them.

#include "purge/purge.h"
#include "purge/putback.h"
#include "purge/refusal.h"
#include "purge/trashexpiry.h"

#include <QString>
#include <functional>

namespace culler {

// How a file of the run is named in a message: the directory as the user gave it, a separator and
// the name as the medium can show it.
using PathText = std::function<QString(const QByteArray &name)>;

// The status text of a run that examined every file it counted; the spelling is the program's own.
QString finishedText();

// Bytes as a message can show them: UTF-8 as it stands, and any other byte, or a control
// character, as \xNN, so that a name that is not UTF-8 can be read and told from others.
QString shownBytes(const QByteArray &bytes);

// Bytes in the units of 1024 a person reads: "512 bytes", "10 GiB", "1.5 MiB".
QString sizeText(qint64 bytes);

// "You must enter a Directory to Purge files from!" and the like.
QString refusalText(const Refusal &refusal);

// "no directory", "not a number of days" and the like: the refusal in the few words a line has
// room for.
QString refusalInBrief(const Refusal &refusal);

// What the summary's "Purge Date:" line says in place of a date for a days text that names none:
// "not a number" or "not a date".
QString cutOffInBrief(const Refusal &refusal);

// "20 files deleted, 33 kept", then ", 7 of them as the newest" and ", 5 excluded" when the job
// kept files for those reasons, and ", 1 not examined" and ", 2 not deleted" when some were kept
// against the request; a listing run says "20 files would be deleted, 33 kept".
// A run that moves files to the Trash says "20 files moved to the Trash", ", 2 not moved" and
// ", 1 left in the Trash". A run with subfolders adds ", 1 folder not read", ", 1 mount point
// left alone", ", 3 emptied folders removed" and ", 1 emptied folder not removed" where there
// are any. A size cap adds to what was removed " (4 for the size cap of 10 GiB)"; a free-space
// goal " to keep 10 GiB free", and to what was kept ", 6 of them old enough but not needed for
// space".
QString outcomeText(const PurgeOutcome &outcome);

// The title of the desktop notification a run from a timer sends: "Culler: 21 files moved to the
// Trash from /home/me/tmp"; empty for a run that removed nothing and kept nothing against the
// request, which is no news.
QString notificationTitle(const PurgeOutcome &outcome);
// "Culler: nothing done in /home/me/tmp", for a run that was refused.
QString refusedNotificationTitle(const QByteArray &directory);

// Why the run could not list its directory to the end, in a few words; empty when it could.
QString listingInBrief(const PurgeOutcome &outcome);

// The message at the end of a run that did not go as asked: the listing that failed, the
// subfolders that could not be read, the files that could not be examined, those due that could
// not be deleted (or moved to the Trash), those left in the Trash and the emptied folders that
// could not be removed, each named with its reason as far as the outcome names them, a size cap
// or a free-space goal missed, then what became of the others. Empty when all went as asked.
QString closingText(const PurgeOutcome &outcome, const PathText &pathOf);

// "12 files moved to the Trash", or "put back" once every one of them went back, or "12 files
// moved to the Trash, 3 put back" on the way: a kept run in the few words of a line.
QString keptRunText(const KeptRun &run);

// "Put back the 12 files moved to the Trash from "DIR"?": the one question before a put back.
QString putBackQuestion(qint64 files, const QString &directory);

// "Cannot read the list of the run "ID": REASON."
QString runListUnreadableText(const QByteArray &id, const SystemError &error);

// Why nothing was put back: no run kept, no run of that id, a list that cannot be read, or a
// folder of lists that cannot be read.
QString putBackRefusalText(const PutBackRefusal &refusal);

// "12 files put back", or "would be put back" for a listing, then ", 2 left in the Trash",
// ", 3 put back before", for a put back stopped on the way ", 5 not come to", and
// ", 2 folders made again" for the folders the run had removed.
QString putBackOutcomeText(const PutBackOutcome &outcome);

// The message at the end of a put back that did not put back every file it came to: each file
// left in the Trash named with its reason as far as the outcome names them, and each file home
// whose info file stayed in the Trash, then what became of the others; or that every file had
// gone back before. Empty when all went back now.
QString putBackClosingText(const PutBackOutcome &outcome, const PathText &pathOf);

// "12 items removed from the Trash for good, 30 kept", or "would be removed" for a listing, then
// ", 2 records without their items removed", ", 1 not removed", ", 1 record without a date" and
// ", 1 Trash not read" where there are any.
QString trashExpiryText(const TrashExpiryOutcome &outcome);

// The message at the end of an emptying of the Trash that did not go as asked: the info files
// whose dates do not read, the items that could not be removed and the Trashes that could not be
// read, each named with its reason as far as the outcome names them, then what became of the
// others. Empty when all went as asked.
QString trashExpiryClosingText(const TrashExpiryOutcome &outcome);

} // namespace culler
