#pragma once

// Emptying the Trash of what has been there long enough: every item of the user's own Trashes
// (see runtime/trashitems.h) whose info file's DeletionDate falls on or before a cut-off day goes
// for good, the file or folder first and its info file after, so that a run cut short leaves at
// worst a record without its item, never an item without its record. An item without an info
// file is never touched; an info file whose date does not read is kept and named. No widgets and
// no words: outcomewords.h tells the outcome.

#include "purge/purge.h"
#include "runtime/datevalue.h"
#include "runtime/trash.h"

#include <QByteArray>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace culler {

// The items a purge to the Trash moved there, as far as an info file tells: those that came from
// its directory (or, with subfolders, from below it) and whose names its patterns take and its
// exclusions do not.
struct TrashOrigin {
    // The directory's path with its links resolved, as the Trash's records name it.
    QByteArray directory;
    Subfolders subfolders = Subfolders::Excluded;
    std::vector<QByteArray> patterns;
    std::vector<QByteArray> exclusions;
};

struct TrashExpiryJob {
    // An item goes when the calendar day of its deletion is on or before this.
    DateValue cutOff = 0;
    // Today, at midnight: an info file dated today may belong to a move in progress.
    DateValue today = 0;
    PurgeAction action = PurgeAction::Remove;
    // Whose Trashes, and where the home Trash is; nothing for this user's own.
    std::optional<TrashPlaces> places;
    // The mounts whose tops are looked at for a Trash; nothing for every mounted file system.
    std::optional<std::vector<QByteArray>> mountTops;
    // Only the items a purge moved there; nothing for every item.
    std::optional<TrashOrigin> origin;
    // How many of the items kept against the request are named, of each kind.
    qint64 namedFiles = std::numeric_limits<qint64>::max();
};

struct TrashExpiryOutcome {
    explicit TrashExpiryOutcome(const TrashExpiryJob &job)
        : action(job.action) {}

    PurgeAction action;
    // The Trashes looked into.
    qint64 trashes = 0;
    // Items removed for good; in a listing run, those a real run would remove.
    qint64 removed = 0;
    // Items not old enough, or not the purge's.
    qint64 kept = 0;
    // Info files whose item was gone already, removed (or that would be).
    qint64 recordsRemoved = 0;
    // Info files with no DeletionDate that reads, kept; named by their paths.
    FileTroubles undated;
    // Items that could not be removed, or not wholly: their records stay. Named by their paths
    // in files/, or for an info file that could not be removed after its item, by its path.
    FileTroubles notRemoved;
    // Trashes whose info/ could not be listed to the end, and caches of folder sizes that could
    // not be brought up to date.
    FileTroubles unreadable;

    bool fellShort() const {
        return undated.count > 0 || notRemoved.count > 0 || unreadable.count > 0;
    }
};

// Reads a DeletionDate as the Trash writes it: YYYY-MM-DDThh:mm:ss in local time, the date also
// written without its dashes (YYYYMMDD), with fractions of a second and a zone (Z or +hh:mm)
// allowed as RFC 3339 has them; the date value on the local wall clock, or nothing.
std::optional<DateValue> readDeletionDate(const QByteArray &text);

// The emptying of the Trash after a run of job to it: the items its request takes, moved there
// from its directory (its links resolved) as emptying says; a listing run only lists them too.
TrashExpiryJob trashExpiryAfter(const PurgeJob &job, const TrashEmptying &emptying);

// Removes (or, listing, reports) every item due; each is told to chosen with its path in files/.
TrashExpiryOutcome expireTrash(const TrashExpiryJob &job,
                               const std::function<void(const QByteArray &path)> &chosen = {});

} // namespace culler
