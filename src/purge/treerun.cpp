#include "purge/treerun.h"

#include "purge/newestfiles.h"
#include "purge/removalworker.h"
#include "purge/runparts.h"
#include "purge/spacegoal.h"

#include "runtime/trash.h"
#include "runtime/wildcard.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace culler {

struct TreeFolder;

// Where emptied directories go: removes one, once the last of it is let go.
class EmptiedFolderRemoval {
public:
    virtual void remove(TreeFolder &folder) = 0;

protected:
    ~EmptiedFolderRemoval() = default;
};

// One directory of the tree, while anything of it is in hand: its listing, a subdirectory
// waiting to be opened from it, or a file of it waiting among the newest. When the last of
// these lets it go, it is done, and all its subdirectories before it: that is when a directory
// the run emptied goes, so emptied directories go deepest first without a list of them.
struct TreeFolder {
    TreeFolder() = default;
    TreeFolder(const TreeFolder &) = delete;
    TreeFolder &operator=(const TreeFolder &) = delete;
    ~TreeFolder();

    std::unique_ptr<Directory> directory;
    // The path relative to the run's directory: empty for it, else "logs/2024".
    QByteArray path;
    // The name in its parent; the parent is kept only where emptied directories go.
    QByteArray name;
    std::shared_ptr<TreeFolder> parent;
    // Levels below the run's directory.
    qint64 depth = 0;
    // The run removed a file of it, or a subdirectory it had emptied.
    std::atomic<bool> lostEntries = false;
    // Where emptied directories go, what removes them; nothing otherwise.
    EmptiedFolderRemoval *removal = nullptr;
};

TreeFolder::~TreeFolder() {
    if (removal != nullptr && parent != nullptr && lostEntries.load())
        removal->remove(*this);
}

namespace {

QByteArray pathOf(const TreeFolder &folder, const char *name) {
    return folder.path.isEmpty() ? QByteArray(name) : folder.path + '/' + name;
}

// A tree holds a directory open for each level in hand, for each file kept among the newest and
// for each file waiting to be removed, which may be more than the soft limit of 1024 allows: the
// soft limit goes up to the hard one.
void raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

// Whether the stamp a file is judged on was taken just before its judgement, or before the file
// waited: among the newest, for the removal thread or for the space goal.
enum class Stamped { JustNow, Earlier };

unsigned workersFor(const PurgeJob &job, RemovalMode mode) {
    if (mode == RemovalMode::Inline ||
        (job.action == PurgeAction::Remove && job.removal == RemovalKind::Trash))
        return 1;
    return std::max(2U, processorsForThisProcess());
}

class TreeRun final : private EmptiedFolderRemoval {
public:
    TreeRun(const PurgeJob &job, PurgeDisplay &display, RemovalMode mode)
        : m_job(job)
        , m_display(display)
        , m_directory(job.directory)
        , m_patterns(job.patterns)
        , m_exclusions(job.exclusions)
        , m_workers(workersFor(job, mode))
        , m_removalMode(removalModeFor(job, mode))
        , m_newest(std::size_t(std::max<qint64>(job.keepNewest, 0)))
        , m_outcome(job) {}

    PurgeResult run() {
        m_display.setProgressValue(0);
        m_display.setProgressMaximum(m_maximum);
        if (m_directory.error())
            return unexpected(Refusal::unreadableDirectory(m_job.directory, m_directory.error()));
        // Refused before a Trash is made.
        if (std::optional<Refusal> refusal = setUpSpaceGoal(m_job, m_directory, m_outcome, m_goal))
            return unexpected(std::move(*refusal));
        if (std::optional<Refusal> refusal = openTrashFor(m_job, m_directory, m_trash))
            return unexpected(std::move(*refusal));
        m_mount = m_directory.mountKey();
        raiseOpenFileLimit();
        walk();
        // A listing that fails before a file is examined leaves nothing done and nothing to go by.
        if (m_rootError && m_outcome.examined == 0)
            return unexpected(Refusal::unreadableDirectory(m_job.directory, m_rootError));
        settle();
        return std::move(m_outcome);
    }

private:
    // A subdirectory found and not opened yet; no parent stands for the run's directory.
    struct Waiting {
        std::shared_ptr<TreeFolder> parent;
        QByteArray name;
    };

    // The one pass over the whole tree, by the pool: each file is counted as it is judged, so the
    // progress bar's maximum grows as the walk finds them.
    void walk() {
        m_root = std::make_shared<TreeFolder>();
        // The directory the run opened, whatever has happened to its path since.
        m_root->directory = std::make_unique<Directory>(m_directory, ".");
        m_waiting.push_back({});
        // Each worker's removals, ready before the walk begins.
        std::vector<std::unique_ptr<RemovalWorker>> removals;
        for (unsigned i = 0; i < m_workers; ++i) {
            removals.push_back(std::make_unique<RemovalWorker>(
                [this](const char *name, const FileStamp &judged, TreeFolder *folder) {
                    return remove(*folder, name, judged, Stamped::Earlier);
                },
                m_removalMode));
        }
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < m_workers; ++i) {
            try {
                helpers.emplace_back(&TreeRun::work, this, std::ref(*removals[i]));
            } catch (const std::system_error &) {
                break; // no more threads to be had: the others walk it
            }
        }
        work(*removals.front());
        for (std::thread &helper : helpers)
            helper.join();
        // A stopped walk leaves directories waiting; they go before the run settles.
        m_waiting.clear();
        m_rootError = m_root->directory->error();
        m_root.reset();
    }

    // One worker: takes the directory found last (so the walk goes deep first, and few
    // directories stay open), until none waits and no other worker may find more. The files it
    // judges due go to removals of its own, which pipelined remove them on a second thread as a
    // run over one directory does, whichever directory they are in.
    void work(RemovalWorker &removals) {
        for (;;) {
            Waiting next;
            {
                std::unique_lock lock(m_queueMutex);
                m_queueChanged.wait(
                    lock, [this] { return !m_waiting.empty() || m_busy == 0 || m_stop.load(); });
                if (m_waiting.empty() || m_stop.load()) {
                    m_queueChanged.notify_all();
                    break;
                }
                next = std::move(m_waiting.back());
                m_waiting.pop_back();
                ++m_busy;
            }
            if (const std::shared_ptr<TreeFolder> folder = open(next))
                list(*folder, folder, removals);
            next = {};
            {
                const std::lock_guard lock(m_queueMutex);
                --m_busy;
            }
            m_queueChanged.notify_all();
        }
        // The files judged due go, also after a stop, as they would have one by one.
        removals.finish();
        tellRemovals(removals);
    }

    // The directory next names, opened relative to its parent without following a link, or
    // nothing when it is not one to enter.
    std::shared_ptr<TreeFolder> open(const Waiting &next) {
        if (next.parent == nullptr)
            return m_root;
        auto folder = std::make_shared<TreeFolder>();
        folder->directory =
            std::make_unique<Directory>(*next.parent->directory, next.name.constData());
        folder->path = pathOf(*next.parent, next.name.constData());
        const SystemError error = folder->directory->error();
        // Gone, or swapped for a link or a file since it was listed: nothing the user asked about.
        if (error.code == ENOENT || error.code == ELOOP || error.code == ENOTDIR)
            return nullptr;
        if (error || folder->directory->mountKey() != m_mount) {
            leftAlone(folder->path, error);
            return nullptr;
        }
        folder->depth = next.parent->depth + 1;
        if (m_job.action == PurgeAction::Remove &&
            m_job.emptiedFolders == EmptiedFolders::Removed) {
            folder->name = next.name;
            folder->parent = next.parent;
            folder->removal = this;
        }
        return folder;
    }

    // A directory the run emptied goes, once everything of it is done. The kernel refuses one
    // that holds anything (ENOTEMPTY): whatever the run did not remove, or anything put there
    // meanwhile, keeps it, and one gone meanwhile is no one's loss; any other refusal is named.
    // A run to the Trash notes each one it removed, with its mode, so that a put back makes it
    // again as it was; one whose mode cannot be read stays, since it could not be.
    void remove(TreeFolder &folder) override {
        mode_t mode = 0;
        if (m_trash) {
            const Expected<mode_t, SystemError> permissions = folder.directory->permissions();
            if (!permissions)
                return folderNotRemoved(folder.path, permissions.error());
            mode = *permissions;
        }
        folder.directory.reset();
        const SystemError error =
            folder.parent->directory->removeEmptySubdirectory(folder.name.constData());
        if (error.code == ENOTEMPTY || error.code == EEXIST || error.code == ENOENT)
            return;
        if (error)
            return folderNotRemoved(folder.path, error);
        folder.parent->lostEntries.store(true);
        m_foldersRemoved.fetch_add(1);
        if (m_trash)
            m_trash->folderRemoved(folder.path, mode);
    }

    void folderNotRemoved(const QByteArray &path, SystemError error) {
        const std::lock_guard lock(m_mutex);
        addTrouble(m_outcome.foldersNotRemoved, m_job.namedFiles, path, error);
    }

    // A subdirectory that could not be read is named with its reason; a mount point is counted.
    void leftAlone(const QByteArray &path, SystemError error) {
        const std::lock_guard lock(m_mutex);
        if (error)
            addTrouble(m_outcome.unreadableFolders, m_job.namedFiles, path, error);
        else
            ++m_outcome.mountPointsLeft;
    }

    // Lists one directory: its subdirectories wait for a worker, its candidates are counted and
    // judged.
    void list(TreeFolder &folder, const std::shared_ptr<TreeFolder> &held,
              RemovalWorker &removals) {
        Directory &directory = *folder.directory;
        qint64 excluded = 0;
        bool going = proceed(0);
        EntryKind kind = EntryKind::PlainFile;
        while (const char *name =
                   going ? directory.nextFileOrDirectory(m_patterns, kind) : nullptr) {
            if (kind == EntryKind::Directory) {
                queue(held, name);
            } else if (m_exclusions.matchesAny(name)) {
                ++excluded;
                if (m_job.spaceRule == SpaceRule::SizeCap)
                    staysForCap(folder, name);
            } else {
                DeleteIfOld(held, name, removals);
                tellRemovals(removals);
                going = proceed(1);
            }
        }
        settleListing(folder, excluded);
        directory.endListing();
    }

    void queue(const std::shared_ptr<TreeFolder> &parent, const char *name) {
        if (parent->depth >= m_job.maxDepth || m_exclusions.matchesAny(name))
            return;
        {
            const std::lock_guard lock(m_queueMutex);
            m_waiting.push_back({parent, QByteArray(name)});
        }
        m_queueChanged.notify_one();
    }

    // Counts files found and examined, the progress bar's maximum growing with them; false once
    // the run is to stop.
    bool proceed(qint64 examined) {
        const std::lock_guard lock(m_mutex);
        if (examined > 0) {
            m_display.setProgressMaximum(m_maximum += examined);
            m_display.setProgressValue(m_outcome.examined += examined);
        }
        if (!m_stop.load() && m_display.stopRequested())
            m_stop.store(true);
        return !m_stop.load();
    }

    // A listing that failed part way: for the run's directory as in a run over it alone, for a
    // subdirectory named like one that could not be opened.
    void settleListing(const TreeFolder &folder, qint64 excluded) {
        const std::lock_guard lock(m_mutex);
        m_outcome.excluded += excluded;
        const SystemError error = folder.directory->error();
        if (error && !folder.path.isEmpty())
            addTrouble(m_outcome.unreadableFolders, m_job.namedFiles, folder.path, error);
    }

    // The one place the walk decides about a file, as a run over one directory does: stamps it
    // and judges it by the cut-off; when the newest are kept, the file may wait among them
    // instead, and the file then known not to be among them is judged in its place.
    void DeleteIfOld(const std::shared_ptr<TreeFolder> &folder, const char *name,
                     RemovalWorker &removals) {
        Expected<std::optional<FileStamp>, SystemError> stamp =
            stampCandidate(*folder->directory, name);
        if (!stamp)
            return tell(*folder, name, {Removal::NotExamined, stamp.error()});
        if (!*stamp)
            return;
        if (m_job.keepNewest <= 0)
            return judged(folder, name, **stamp, Stamped::JustNow, removals);
        const QByteArray path = pathOf(*folder, name);
        std::optional<NewestFiles::File> older;
        {
            const std::lock_guard lock(m_newestMutex);
            if (m_goal)
                m_goal->enterNewest((*stamp)->size, judge(**stamp, m_job.cutOff));
            older = m_newest.offer({path.toStdString(), **std::move(stamp), folder});
            if (m_goal && older)
                m_goal->leaveNewest(older->stamp.size, judge(older->stamp, m_job.cutOff));
        }
        if (!older)
            return;
        const qsizetype skip = older->folder->path.isEmpty() ? 0 : older->folder->path.size() + 1;
        judged(older->folder, older->name.c_str() + skip, older->stamp, Stamped::Earlier, removals);
    }

    void judged(const std::shared_ptr<TreeFolder> &folder, const char *name, const FileStamp &stamp,
                Stamped stamped, RemovalWorker &removals) {
        const Verdict verdict = judge(stamp, m_job.cutOff);
        if (verdict == Verdict::Unknown) {
            if (m_job.spaceRule == SpaceRule::SizeCap)
                forSpace([&](std::vector<HeldFile> &going) { m_goal->stays(stamp.size, going); });
            return tell(*folder, name, {Removal::NotExamined, {}});
        }
        // A size cap weighs the files the cut-off leaves; free space, those it takes.
        if (m_goal && (verdict == Verdict::Due) == (m_job.spaceRule == SpaceRule::KeepFree)) {
            HeldFile file{pathOf(*folder, name).toStdString(), stamp.identity, stamp.size,
                          stamp.allocated, folder};
            return forSpace(
                [&](std::vector<HeldFile> &going) { m_goal->offer(std::move(file), going); });
        }
        if (verdict == Verdict::NotDue)
            return;
        if (m_job.action == PurgeAction::List)
            return tell(*folder, name, {Removal::Listed, {}, stamp.size});
        // A worker left alone, in one large directory or at the end of the walk, hands its files
        // to its removals, as a run over one directory does. While every worker has a directory
        // of its own, the walk keeps the processors busy: the file goes at once, as a bare loop
        // would remove it, rather than through a thread that would only take turns with the
        // walkers.
        if (m_removalMode == RemovalMode::Pipelined &&
            m_busy.load(std::memory_order_relaxed) < m_workers)
            return removals.add(name, stamp, folder);
        tell(*folder, name, remove(*folder, name, stamp, stamped));
    }

    // Removes a file judged due, on either of a worker's threads: deletes it, or moves it to the
    // Trash. A file judged on a stamp just taken is not stamped again: nothing happened between
    // but the judgement. One that waited is deleted only if it is still the file judged.
    RemovalOutcome remove(const TreeFolder &folder, const char *name, const FileStamp &judged,
                          Stamped stamped) const {
        RemovalOutcome outcome =
            m_trash ? m_trash->move(*folder.directory, name, judged, folder.path)
            : stamped == Stamped::JustNow ? removeJustStamped(*folder.directory, name)
                                          : removeDue(*folder.directory, name, judged.identity);
        outcome.size = judged.size;
        return outcome;
    }

    // What became of the files a worker handed to its removals, in the order it handed them; each
    // report lets its directory go once told.
    void tellRemovals(RemovalWorker &removals) {
        for (const RemovalReport &report : removals.takeReports())
            tell(*report.folder, report.name.c_str(), report.outcome);
    }

    // Tells the goal of a file, and removes (or lists) the files it then chooses, at once: a
    // goal's removals are few, and its running total must see each of them done.
    template <typename Offer> void forSpace(Offer offer) {
        std::vector<HeldFile> going;
        offer(going);
        for (const HeldFile &file : going)
            removeForSpace(file);
    }

    void removeForSpace(const HeldFile &file) {
        TreeFolder &folder = *file.folder;
        const qsizetype skip = folder.path.isEmpty() ? 0 : folder.path.size() + 1;
        const char *name = file.name.c_str() + skip;
        const RemovalOutcome outcome = m_job.action == PurgeAction::List
                                           ? RemovalOutcome{Removal::Listed, {}, file.size}
                                           : remove(folder, name, file.stamp(), Stamped::Earlier);
        if (outcome.removal == Removal::Removed || outcome.removal == Removal::Listed) {
            const std::lock_guard lock(m_mutex);
            ++m_outcome.removedForSpace;
        }
        tell(folder, name, outcome);
    }

    void staysForCap(const TreeFolder &folder, const char *name) {
        const Expected<std::optional<FileStamp>, SystemError> stamp =
            stampCandidate(*folder.directory, name);
        if (stamp && *stamp)
            forSpace([&](std::vector<HeldFile> &going) { m_goal->stays((*stamp)->size, going); });
    }

    void tell(TreeFolder &folder, const char *name, const RemovalOutcome &outcome) {
        if (outcome.removal == Removal::Removed)
            folder.lostEntries.store(true);
        if (outcome.removal == Removal::Kept || outcome.removal == Removal::Vanished)
            return;
        const QByteArray path = pathOf(folder, name);
        const std::lock_guard lock(m_mutex);
        tellRemoval(m_outcome, m_display, m_job.namedFiles, path.constData(), outcome);
    }

    // The files still among the newest stay, and let their directories go; then the run is
    // complete if it examined every file it found.
    void settle() {
        if (m_goal && !m_stop.load())
            settleSpaceGoal(*m_goal, m_job, m_directory, m_outcome,
                            [this](const HeldFile &file) { removeForSpace(file); });
        m_goal.reset();
        m_outcome.keptNewest = qint64(m_newest.size());
        m_newest.clear();
        if (m_trash)
            m_trash->settle(m_outcome);
        m_outcome.foldersRemoved = m_foldersRemoved.load();
        if (m_stop.load()) {
            m_outcome.status = PurgeStatus::Stopped;
            return;
        }
        if (m_rootError) {
            m_outcome.listingError = m_rootError;
        } else if (m_maximum - 1 == m_outcome.examined) {
            m_display.setProgressValue(0);
            m_outcome.status = PurgeStatus::Finished;
        }
    }

    const PurgeJob &m_job;
    PurgeDisplay &m_display;
    Directory m_directory;
    std::optional<TrashMoves> m_trash;
    const Wildcards m_patterns;
    const Wildcards m_exclusions;
    const unsigned m_workers;
    const RemovalMode m_removalMode;
    quint64 m_mount = 0;
    std::shared_ptr<TreeFolder> m_root;
    SystemError m_rootError;

    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::vector<Waiting> m_waiting;
    // Workers listing a directory; changed under the queue's mutex, read by the workers without.
    std::atomic<unsigned> m_busy = 0;
    std::atomic<bool> m_stop = false;

    std::mutex m_newestMutex;
    NewestFiles m_newest;
    std::atomic<qint64> m_foldersRemoved = 0;
    std::optional<SpaceGoal> m_goal;

    // Guards the display, the outcome and the maximum.
    std::mutex m_mutex;
    // The progress bar's maximum: one more than the files found, as in a run over one directory.
    qint64 m_maximum = 1;
    PurgeOutcome m_outcome;
};

} // namespace

PurgeResult runTreePurge(const PurgeJob &job, PurgeDisplay &display, RemovalMode mode) {
    return TreeRun(job, display, mode).run();
}

} // namespace culler
