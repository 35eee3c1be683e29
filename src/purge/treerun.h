#pragma once

// A purge down a whole tree: the directory and the subdirectories below it, walked by a small
// pool of workers, one directory per worker at a time. Each file is judged and removed relative
// to its own directory's open handle, exactly as in a run over one directory; each subdirectory
// is opened relative to its parent's handle without following a link. Removals inside one
// directory are serialised by the kernel anyway, but different directories empty side by side.
// Memory grows with the directories waiting to be walked, never with the files in them.

#include "purge/purge.h"

namespace culler {

// Runs a job with Subfolders::Included (see runPurge). Inline, the run's own thread walks the
// tree alone; pipelined, a worker for each processor (at least two) walks it, the run's thread
// among them. A run to the Trash walks alone, for the reasons a run over one directory does.
PurgeResult runTreePurge(const PurgeJob &job, PurgeDisplay &display, RemovalMode mode);

} // namespace culler
