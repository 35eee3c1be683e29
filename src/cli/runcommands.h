#pragma once

// The kept lists of Trash runs from a terminal: --runs shows them, --put-back puts one back. The
// parsing stays with the rest of the command line; these only carry the command out and say how
// it went.

#include "purge/purgejob.h"

#include <QByteArray>

namespace culler {

// Prints the kept runs, newest first, one a line: 0, or 2 when the folder of lists cannot be
// read.
int listRuns(const QByteArray &runsDirectory);

enum class RunVerbosity {
    Quiet,
    Verbose, // each file named as it goes back
};

// Puts back the run of that id, the newest when it is empty: 0 every file went back (or had
// before), 1 some were left in the Trash, or their info files were (each is named), 2 no such
// run, no run at all, or no folder of lists that can be read. A listing puts nothing back and
// names the files that would go.
int putBackFromCommandLine(const QByteArray &runsDirectory, const QByteArray &id,
                           PurgeAction action, RunVerbosity verbosity);

} // namespace culler
