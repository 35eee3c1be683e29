#pragma once

// What one purge run is given: the directory, the patterns and the last day whose files go, as
// values read from the window's controls or the command line beforehand. The run reads no text a
// user typed, so every caller that can parse a request gets the same decisions from it.

#include "runtime/clock.h"
#include "runtime/datevalue.h"
#include "runtime/trash.h"

#include <QByteArray>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace culler {

// What a run does with each file old enough to go.
enum class PurgeAction {
    Remove, // deletes it, or moves it to the Trash, as the job's removal says
    List,   // reports it and leaves it where it is: a dry run, or a preview of a real one
};

// What becomes of a file a purge removes.
enum class RemovalKind {
    Delete,
    Trash, // moved to the user's Trash, from where the desktop restores it
};

// Whether a run goes down into the directory's subdirectories.
enum class Subfolders {
    Excluded, // the directory's own files alone
    Included, // and those of every subdirectory below it, as deep as the job says
};

// What becomes of a subdirectory once a run has removed everything in it.
enum class EmptiedFolders {
    Kept,
    Removed, // deepest first; never the directory itself, never one holding anything else
};

// How the cut-off is given.
enum class PurgeMode {
    Days, // older than a number of days before today
    Date, // on or before a given date
};

// The input a message is about, which gets the focus once it is read.
enum class RequestField {
    None,
    Directory,
    Pattern,
    DaysOld,
    BeforeDate,
    MaxSize,
    KeepFree,
    TrashDays,
};

// A space the purge keeps to besides the cut-off: at most so much taken by the matching files, or
// at least so much free on the directory's mount.
enum class SpaceRule {
    None,
    SizeCap,  // after the cut-off, the oldest candidates go until the matching files fit under it
    KeepFree, // of the candidates the cut-off takes, the oldest go only until the mount has it
};

// An amount of space, in bytes or as a share of the mount's whole size.
struct SpaceAmount {
    qint64 bytes = 0;
    // In percent of the mount's size in place of bytes; negative when bytes are given.
    double percent = -1;

    bool operator==(const SpaceAmount &) const = default;
};

// What a run to the Trash empties from it once the run is over: the items its request moved there
// on or before the cut-off day. Today is the day the request was read: an info file dated today
// may belong to a move still in progress.
struct TrashEmptying {
    DateValue cutOff = 0;
    DateValue today = 0;
};

struct PurgeJob {
    // The directory and the patterns as the file system's bytes. A file is a candidate when its
    // name matches one of the patterns and none of the exclusions.
    QByteArray directory;
    std::vector<QByteArray> patterns;
    std::vector<QByteArray> exclusions;
    // With subfolders, the files of every subdirectory below, as many levels down as maxDepth
    // (1: the directory's own subdirectories, not theirs). A walk never follows a link, enters a
    // hidden directory or one whose name matches an exclusion, nor crosses into another mount.
    Subfolders subfolders = Subfolders::Excluded;
    qint64 maxDepth = std::numeric_limits<qint64>::max();
    EmptiedFolders emptiedFolders = EmptiedFolders::Kept;
    // How many of the newest candidates stay whatever their age; 0 keeps none for being new.
    qint64 keepNewest = 0;
    // With SpaceRule::SizeCap, the bytes (file sizes) the matching files may take once the run is
    // done, the files excluded and those kept as the newest counted but never removed for it. With
    // SpaceRule::KeepFree, the space the mount is to have available to unprivileged users; a run to
    // the Trash cannot free any, and is refused.
    SpaceRule spaceRule = SpaceRule::None;
    SpaceAmount space;
    // A file goes when its calendar day is on or before this; a fraction takes the whole day.
    DateValue cutOff = 0;
    PurgeAction action = PurgeAction::Remove;
    RemovalKind removal = RemovalKind::Delete;
    // Where the Trash may be, for a run that moves files there; nothing for this user's own,
    // as the environment says.
    std::optional<TrashPlaces> trash;
    // Dates what goes to the Trash.
    std::shared_ptr<const Clock> clock = std::make_shared<const SystemClock>();
    // With the Trash, what its caller empties from the Trash after the run (see
    // trashExpiryAfter()); the run itself never touches what is in the Trash.
    std::optional<TrashEmptying> trashEmptying;
    // Where a run that moves files to the Trash keeps the list of them, so that it can be put
    // back; nothing for this user's own, as the environment says.
    std::optional<QByteArray> runsDirectory;
    // How many of the files kept against the request the outcome names one by one, of each kind:
    // a message box has room for a few, a terminal for all of them.
    qint64 namedFiles = std::numeric_limits<qint64>::max();
};

} // namespace culler
