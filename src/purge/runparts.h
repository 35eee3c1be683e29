#pragma once

// What the run over one directory and the run over a tree do alike: find the Trash before
// anything moves, and add what became of each file to the outcome. Inside the engine only.

#include "purge/purge.h"
#include "runtime/runlog.h"
#include "runtime/trash.h"

#include <memory>
#include <mutex>
#include <optional>

namespace culler {

// The Trash of a run that moves files there, with the list of what went, by which the run can be
// put back.
class TrashMoves {
public:
    // list is nothing where no list can be kept.
    TrashMoves(Trash trash, std::unique_ptr<RunLogWriter> list);
    ~TrashMoves();

    // Moves a file judged due to the Trash (see trashDue) and, once it is there, adds it to the
    // run's list with one write of its own, so a run killed at any point keeps the list of what
    // went. A file of a subdirectory gives the subdirectory's path relative to the run's.
    RemovalOutcome move(const Directory &directory, const char *name, const FileStamp &judged,
                        const QByteArray &subdirectory = {}) const;
    // Adds to the run's list a folder the run removed once it had emptied it: its path relative
    // to the run's directory, and its permission bits, so that a put back makes it again.
    void folderRemoved(const QByteArray &subdirectory, mode_t mode) const;
    // Ends the list, and tells the outcome its id and whether it was written whole.
    void settle(PurgeOutcome &outcome);

private:
    Trash m_trash;
    std::unique_ptr<RunLogWriter> m_list;
    mutable std::mutex m_mutex;
};

// How a run removes what it judged due: as asked, or inline where a second thread has nothing to
// gain.
RemovalMode removalModeFor(const PurgeJob &job, RemovalMode asked);

// A run that moves files to the Trash finds it once, in trash, before anything moves; the refusal
// when there is none it can use. A listing run looks for none, so it makes nothing, but it tells
// a directory inside a Trash, as the run it previews would.
std::optional<Refusal> openTrashFor(const PurgeJob &job, const Directory &directory,
                                    std::optional<TrashMoves> &trash);

// The stamp of a file listed as a candidate, to be judged; nothing when there is no file to judge
// any more (gone, or replaced by a link or a directory since it was listed: nothing was lost), or
// why it could not be stamped.
Expected<std::optional<FileStamp>, SystemError> stampCandidate(const Directory &directory,
                                                               const char *name);

// Adds what became of the file called name to the outcome; a file removed, or that a listing run
// would remove, is told to the display too.
void tellRemoval(PurgeOutcome &outcome, PurgeDisplay &display, qint64 namedFiles, const char *name,
                 const RemovalOutcome &removal);

// Counts one more trouble, and names it while fewer than namedFiles are named.
void addTrouble(FileTroubles &troubles, qint64 namedFiles, const QByteArray &name,
                SystemError error);

} // namespace culler
