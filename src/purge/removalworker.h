#pragma once

// Removes files already judged due, on a thread of its own, so that examining the next files of a
// run need not wait for the removal of the last ones. It judges nothing: it is handed names, each
// with the stamp it was judged on, and passes them to the removal step it was built with, which
// works relative to the run's one open directory. What became of each comes back as a value, in
// the order the names were handed in, to the thread that hands them in, which alone counts and
// tells. Inline, the same calls remove each file at once on the caller's thread: for a single
// core, and for tests that compare both ways.
//
// Removing is the slow half of a purge, and most of a removal (freeing the inode) runs outside the
// directory's lock, so two removals overlap well. When the worker falls behind and the queue is
// full, the handing thread therefore removes the batch it has just filled itself, rather than wait
// for room: both processors remove, and the decisions stay on the handing thread alone.

#include "purge/purge.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace culler {

struct TreeFolder;

// A file handed in, and what the removal step made of it.
struct RemovalReport {
    std::string name;
    RemovalOutcome outcome;
    // The directory it is in, in a run down a tree; held until the report is taken.
    std::shared_ptr<TreeFolder> folder;
};

class RemovalWorker {
public:
    // Removes one name judged due if it is still what was judged; in a run down a tree, folder is
    // the directory the name is in, else nullptr. Called on both threads at once: it may use the
    // directory's stamp and removal, nothing else of the run.
    using Step = std::function<RemovalOutcome(const char *name, const FileStamp &judged,
                                              TreeFolder *folder)>;

    // How many names wait at most: they travel in batches, so that the two threads meet once per
    // batch rather than once per file, and memory stays flat whatever the directory's size.
    struct QueueSize {
        std::size_t batchNames = 128;
        std::size_t batches = 16;
    };

    RemovalWorker(Step step, RemovalMode mode);
    RemovalWorker(Step step, RemovalMode mode, QueueSize size);
    // An abandoned run removes nothing more: stop(), then finish().
    ~RemovalWorker();
    RemovalWorker(const RemovalWorker &) = delete;
    RemovalWorker &operator=(const RemovalWorker &) = delete;

    // The mode actually in use: inline also when no thread could be started, and after finish().
    RemovalMode mode() const { return m_mode; }

    // Hands in one name (copied) and the stamp it was judged on, with the directory it is in for a
    // run down a tree, which stays open until the report is taken. Inline, and now and then when
    // the queue is full, files are removed before this returns.
    void add(const char *name, const FileStamp &judged, std::shared_ptr<TreeFolder> folder = {});
    // The reports not taken yet, in the order the names were handed in. The worker's news arrives
    // batch by batch, so this may lag behind add(); after finish() it is complete.
    std::vector<RemovalReport> takeReports();
    // Removes every name still waiting, then ends the thread.
    void finish();
    // Drops every name still waiting, with no report: the file being removed is the last.
    // finish() then ends the thread.
    void stop();

private:
    struct Batch {
        struct Entry {
            std::size_t offset = 0; // of the name in names
            FileStamp judged;
            std::shared_ptr<TreeFolder> folder;
        };
        std::string names; // each ends in a NUL
        std::vector<Entry> entries;
        std::uint64_t sequence = 0; // the batches' order, which their reports keep

        void clear() {
            names.clear();
            entries.clear();
        }
    };

    void work();
    void handOver();
    // Removes the batch's files on the calling thread and returns what became of each.
    std::vector<RemovalReport> removeAll(const Batch &batch) const;
    // Removes a batch on the handing thread, with the lock let go meanwhile, and files its
    // reports under the batch's sequence.
    void removeHere(const Batch &batch, std::unique_lock<std::mutex> &lock);
    enum class Collect {
        InOrder, // only reports whose batches before them are all reported
        All,     // every report left, once the worker has ended
    };
    // Moves reports to the handing thread's own list, in the order their batches were filled.
    void collectReports(Collect which);

    const Step m_step;
    const QueueSize m_size;
    RemovalMode m_mode = RemovalMode::Inline;

    // The handing thread's alone: the batch being filled, the sequence of the next one, and the
    // reports it has collected, which are complete up to m_nextToCollect.
    Batch m_filling;
    std::uint64_t m_nextSequence = 0;
    std::uint64_t m_nextToCollect = 0;
    std::vector<RemovalReport> m_collected;

    std::mutex m_mutex;
    std::condition_variable m_workWaiting; // a batch is queued, or the queue is closing
    // A batch was taken or removed, the run stopped, or the worker ended.
    std::condition_variable m_roomFreed;
    std::deque<Batch> m_queued;
    std::vector<Batch> m_spare; // emptied batches, kept for their memory
    // Reports of removed batches by sequence; a batch the handing thread removed waits here until
    // the worker has reported the batches before it.
    std::map<std::uint64_t, std::vector<RemovalReport>> m_removed;
    bool m_closing = false;
    bool m_workerEnded = false;
    // Read by the worker between two files, so a stop does not wait for the rest of a batch.
    std::atomic<bool> m_stopped = false;

    std::thread m_thread;
};

} // namespace culler
