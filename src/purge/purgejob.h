#pragma once

// What one purge run is given: the directory, the patterns and the last day whose files go, as
// values read from the window's controls or the command line beforehand. The run reads no text a
// user typed, so every caller that can parse a request gets the same decisions from it.

#include "purge/purgerequest.h"
#include "runtime/datevalue.h"
#include "runtime/trash.h"

#include <QByteArray>
#include <limits>
#include <vector>

namespace culler {

// What a run does with each file old enough to go.
enum class PurgeAction {
    Remove, // deletes it, or moves it to the Trash, as the job's removal says
    List,   // reports it and leaves it where it is: a dry run, or a preview of a real one
};

struct PurgeJob {
    // The directory and the patterns as the file system's bytes. A file is a candidate when its
    // name matches one of the patterns and none of the exclusions.
    QByteArray directory;
    std::vector<QByteArray> patterns;
    std::vector<QByteArray> exclusions;
    // How many of the newest candidates stay whatever their age; 0 keeps none for being new.
    qint64 keepNewest = 0;
    // A file goes when its calendar day is on or before this; a fraction takes the whole day.
    DateValue cutOff = 0;
    PurgeAction action = PurgeAction::Remove;
    RemovalKind removal = RemovalKind::Delete;
    // Where this user's Trash is, for a run that moves files there.
    TrashPlaces trash;
    // Where a run that moves files to the Trash keeps the list of them, so that it can be put
    // back; empty keeps none.
    QByteArray runsDirectory;
    // How many of the files kept against the request the outcome names one by one, of each kind:
    // a message box has room for a few, a terminal for all of them.
    qint64 namedFiles = std::numeric_limits<qint64>::max();
};

} // namespace culler
