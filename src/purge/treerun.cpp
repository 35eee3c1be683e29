#include "purge/treerun.h"

#include "purge/newestfiles.h"
#include "purge/runparts.h"

#include "runtime/trash.h"
#include "runtime/wildcard.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
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

// Counting only lists, so the workers meet the display once per this many files, not per file.
constexpr qint64 countBatch = 256;

QByteArray pathOf(const TreeFolder &folder, const char *name) {
    return folder.path.isEmpty() ? QByteArray(name) : folder.path + '/' + name;
}

// A tree holds a directory open for each level in hand and for each file kept among the newest,
// which may be more than the soft limit of 1024 allows: the soft limit goes up to the hard one.
void raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

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
        , m_newest(std::size_t(std::max<qint64>(job.keepNewest, 0)))
        , m_outcome(job) {}

    PurgeResult run() {
        m_display.setProgressValue(0);
        m_display.setProgressMaximum(m_maximum);
        if (m_directory.error())
            return unexpected(Refusal::unreadableDirectory(m_job.directory, m_directory.error()));
        if (std::optional<Refusal> refusal = openTrashFor(m_job, m_directory, m_trash))
            return unexpected(std::move(*refusal));
        m_mount = m_directory.mountKey();
        raiseOpenFileLimit();
        walk(Pass::Count);
        // A listing that fails before the count is done leaves nothing to go by.
        if (m_rootError)
            return unexpected(Refusal::unreadableDirectory(m_job.directory, m_rootError));
        if (!m_stop)
            walk(Pass::Judge);
        settle();
        return std::move(m_outcome);
    }

private:
    enum class Pass {
        Count, // sets the progress bar's maximum
        Judge, // decides about every candidate, and removes the ones due
    };

    // A subdirectory found and not opened yet; no parent stands for the run's directory.
    struct Waiting {
        std::shared_ptr<TreeFolder> parent;
        QByteArray name;
    };

    // One pass over the whole tree, by the pool.
    void walk(Pass pass) {
        m_pass = pass;
        m_root = std::make_shared<TreeFolder>();
        // The directory the run opened, whatever has happened to its path since.
        m_root->directory = std::make_unique<Directory>(m_directory, ".");
        m_waiting.push_back({});
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < m_workers; ++i) {
            try {
                helpers.emplace_back(&TreeRun::work, this);
            } catch (const std::system_error &) {
                break; // no more threads to be had: the others walk it
            }
        }
        work();
        for (std::thread &helper : helpers)
            helper.join();
        // A stopped walk leaves directories waiting; they go before the run settles.
        m_waiting.clear();
        m_rootError = m_root->directory->error();
        m_root.reset();
    }

    // One worker: takes the directory found last (so the walk goes deep first, and few
    // directories stay open), until none waits and no other worker may find more.
    void work() {
        for (;;) {
            Waiting next;
            {
                std::unique_lock lock(m_queueMutex);
                m_queueChanged.wait(
                    lock, [this] { return !m_waiting.empty() || m_busy == 0 || m_stop.load(); });
                if (m_waiting.empty() || m_stop.load()) {
                    m_queueChanged.notify_all();
                    return;
                }
                next = std::move(m_waiting.back());
                m_waiting.pop_back();
                ++m_busy;
            }
            if (const std::shared_ptr<TreeFolder> folder = open(next))
                list(*folder, folder);
            next = {};
            {
                const std::lock_guard lock(m_queueMutex);
                --m_busy;
            }
            m_queueChanged.notify_all();
        }
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
            if (m_pass == Pass::Judge)
                leftAlone(folder->path, error);
            return nullptr;
        }
        folder->depth = next.parent->depth + 1;
        if (m_pass == Pass::Judge && m_job.action == PurgeAction::Remove &&
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

    // Lists one directory: its subdirectories wait for a worker, its candidates are counted or
    // judged as the pass says.
    void list(TreeFolder &folder, const std::shared_ptr<TreeFolder> &held) {
        Directory &directory = *folder.directory;
        qint64 counted = 0;
        qint64 excluded = 0;
        bool going = m_pass == Pass::Count || proceed(0);
        EntryKind kind = EntryKind::PlainFile;
        while (const char *name =
                   going ? directory.nextFileOrDirectory(m_patterns, kind) : nullptr) {
            if (kind == EntryKind::Directory) {
                queue(held, name);
            } else if (m_exclusions.matchesAny(name)) {
                ++excluded;
            } else if (m_pass == Pass::Count) {
                going = ++counted % countBatch != 0 || addCounted(counted);
            } else {
                DeleteIfOld(folder, held, name);
                going = proceed(1);
            }
        }
        if (m_pass == Pass::Count)
            addCounted(counted);
        else
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

    // Adds files counted to the progress bar's maximum; false once the run is to stop.
    bool addCounted(qint64 &counted) {
        const std::lock_guard lock(m_mutex);
        m_maximum += std::exchange(counted, 0);
        m_display.setProgressMaximum(m_maximum);
        return !stopAsked();
    }

    // Adds files examined to the progress; false once the run is to stop.
    bool proceed(qint64 examined) {
        const std::lock_guard lock(m_mutex);
        if (examined > 0)
            m_display.setProgressValue(m_outcome.examined += examined);
        return !stopAsked();
    }

    // Asks the display, under m_mutex.
    bool stopAsked() {
        if (!m_stop.load() && m_display.stopRequested())
            m_stop.store(true);
        return m_stop.load();
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
    void DeleteIfOld(TreeFolder &folder, const std::shared_ptr<TreeFolder> &held,
                     const char *name) {
        Expected<std::optional<FileStamp>, SystemError> stamp =
            stampCandidate(*folder.directory, name);
        if (!stamp)
            return tell(folder, name, {Removal::NotExamined, stamp.error()});
        if (!*stamp)
            return;
        if (m_job.keepNewest <= 0)
            return judged(folder, name, **stamp);
        const QByteArray path = pathOf(folder, name);
        std::optional<NewestFiles::File> older;
        {
            const std::lock_guard lock(m_newestMutex);
            older = m_newest.offer({path.toStdString(), **std::move(stamp), held});
        }
        if (!older)
            return;
        TreeFolder &olderFolder = *older->folder;
        const qsizetype skip = olderFolder.path.isEmpty() ? 0 : olderFolder.path.size() + 1;
        judged(olderFolder, older->name.c_str() + skip, older->stamp);
    }

    void judged(TreeFolder &folder, const char *name, const FileStamp &stamp) {
        switch (judge(stamp, m_job.cutOff)) {
        case Verdict::NotDue:
            return;
        case Verdict::Unknown:
            return tell(folder, name, {Removal::NotExamined, {}});
        case Verdict::Due:
            break;
        }
        if (m_job.action == PurgeAction::List)
            return tell(folder, name, {Removal::Listed, {}, stamp.size});
        RemovalOutcome outcome = m_trash
                                     ? m_trash->move(*folder.directory, name, stamp, folder.path)
                                     : removeDue(*folder.directory, name, stamp.identity);
        outcome.size = stamp.size;
        tell(folder, name, outcome);
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
    // complete if it examined every file it counted.
    void settle() {
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
    quint64 m_mount = 0;
    Pass m_pass = Pass::Count;
    std::shared_ptr<TreeFolder> m_root;
    SystemError m_rootError;

    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::vector<Waiting> m_waiting;
    unsigned m_busy = 0;
    std::atomic<bool> m_stop = false;

    std::mutex m_newestMutex;
    NewestFiles m_newest;
    std::atomic<qint64> m_foldersRemoved = 0;

    // Guards the display, the outcome and the maximum.
    std::mutex m_mutex;
    // The progress bar's maximum: one more than the files counted, as in a run over one directory.
    qint64 m_maximum = 1;
    PurgeOutcome m_outcome;
};

} // namespace

PurgeResult runTreePurge(const PurgeJob &job, PurgeDisplay &display, RemovalMode mode) {
    return TreeRun(job, display, mode).run();
}

} // namespace culler
