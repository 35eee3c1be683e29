#pragma once

// A purge down a whole tree: the directory and the subdirectories below it, walked once by a
// small pool of workers, one directory per worker at a time. Each file is counted as it is found
// and judged at once, so the progress bar's maximum grows as the walk goes. Each file is judged and
// removed relative to its own directory's open handle, exactly as in a run over one directory;
// each subdirectory is opened relative to its parent's handle without following a link.
// Different directories empty side by side, and each worker hands the files it judged due to a
// RemovalWorker of its own, so one large directory is emptied by two threads as in a run over it
// alone. Memory grows with the directories waiting to be walked and the bounded queues of files
// waiting to be removed, never with the files in the tree.

#include "purge/purge.h"

namespace culler {

// Runs a job with Subfolders::Included (see runPurge). Inline, the run's own thread walks the
// tree alone and removes as it goes; pipelined, a worker for each processor (at least two) walks
// it, the run's thread among them, each with its removals on a second thread. A run to the Trash
// walks alone and removes inline, for the reasons a run over one directory does. The run is
// Finished when it examined every file it found.
PurgeResult runTreePurge(const PurgeJob &job, PurgeDisplay &display, RemovalMode mode);

} // namespace culler
