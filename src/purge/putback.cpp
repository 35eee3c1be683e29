#include "purge/putback.h"

#include "purge/runparts.h"
#include "runtime/uniquefd.h"

#include <QList>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace culler {

namespace {

// The directories of one Trash, open while the run goes back, so that each file costs no lookups.
class OpenTrash {
public:
    explicit OpenTrash(const QByteArray &top) {
        constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        m_files = UniqueFd{::open((top + "/files").constData(), flags)};
        m_filesError = errno;
        m_info = UniqueFd{::open((top + "/info").constData(), flags)};
        m_infoError = errno;
    }

    int files() const { return m_files.get(); }
    int filesError() const { return m_filesError; }
    int info() const { return m_info.get(); }
    int infoError() const { return m_infoError; }

private:
    UniqueFd m_files;
    int m_filesError = 0;
    UniqueFd m_info;
    int m_infoError = 0;
};

QByteArray parentOf(const QByteArray &path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray &path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// Why the file cannot go back, as far as can be told before it moves; nothing when it can.
std::optional<LeftFile> checkInTrash(const RunFile &file, const OpenTrash &trash) {
    if (trash.files() < 0) {
        const int code = trash.filesError();
        if (code == ENOENT)
            return LeftFile{file.originalPath, LeftReason::NotInTrash, {}};
        return LeftFile{file.originalPath, LeftReason::Failed, SystemError{code}};
    }
    struct stat status {};
    if (::fstatat(trash.files(), file.trashName.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return LeftFile{file.originalPath, LeftReason::NotInTrash, {}};
        return LeftFile{file.originalPath, LeftReason::Failed, SystemError{errno}};
    }
    const bool same = S_ISREG(status.st_mode) && status.st_size == file.size &&
                      FileIdentity{status.st_dev, status.st_ino, status.st_mtim} == file.identity;
    if (!same)
        return LeftFile{file.originalPath, LeftReason::NotTheFileMoved, {}};
    return std::nullopt;
}

// The folder a file goes back into: open, or for a listing, one the put back would make first.
struct HomeFolder {
    // -1 where it would be made.
    int fd = -1;
};

// The folders the files of a run go back into, opened one level at a time from the run's
// directory down, never through a link: a folder swapped for a link since the run leads nowhere
// else, and a file or a link in a folder's place stays there. A folder the run removed once it had
// emptied it, and only such a one, is made again where it is missing, parents first, with the
// mode it had. The folder opened last is kept for the files after it, which a run lists folder by
// folder.
class HomeFolders {
public:
    HomeFolders(const KeptRun &run, PurgeAction action)
        : m_base(directoryPrefix(run.directory))
        , m_action(action) {
        for (const RunFolder &folder : run.folders)
            if (!run.directory.isEmpty() && folder.path.startsWith(m_base))
                m_removed.emplace(folder.path.mid(m_base.size()), folder.mode);
    }

    // The folder that is to hold the file at path, or why the file cannot go there.
    Expected<HomeFolder, LeftFile> folderOf(const QByteArray &path) {
        const QByteArray parent = parentOf(path);
        if (m_openPath && *m_openPath == parent)
            return HomeFolder{m_open.get()};
        m_openPath.reset();
        m_open = UniqueFd();
        // A path outside the run's directory, which no run writes, goes the way it names.
        const bool below = !m_base.isEmpty() && path.startsWith(m_base);
        Expected<UniqueFd, LeftReason> opened =
            walk(below ? m_base : parent, below ? parent.mid(m_base.size()) : QByteArray());
        if (!opened)
            return unexpected(LeftFile{path, opened.error(), m_error});
        if (!opened->isOpen())
            return HomeFolder{};
        m_open = *std::move(opened);
        m_openPath = parent;
        return HomeFolder{m_open.get()};
    }

    qint64 made() const { return qint64(m_made.size()); }

private:
    // Opens base, then each folder of relative below it; for a listing, nothing open where the
    // rest would be made; or why not, with the system's error in m_error for Failed.
    Expected<UniqueFd, LeftReason> walk(const QByteArray &base, const QByteArray &relative) {
        m_error = {};
        UniqueFd fd{::open(base.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        if (!fd.isOpen())
            return failure(errno);
        const QList<QByteArray> names =
            relative.isEmpty() ? QList<QByteArray>() : relative.split('/');
        QByteArray here;
        for (const QByteArray &name : names) {
            here = here.isEmpty() ? name : here + '/' + name;
            if (!fd.isOpen()) {
                // Below a folder a listing would make: missing with it, and the run's to make too.
                if (!m_removed.contains(here))
                    return unexpected(LeftReason::FolderGone);
                m_made.insert(here);
                continue;
            }
            Expected<UniqueFd, LeftReason> next = enter(fd.get(), name, here);
            if (!next)
                return next;
            fd = *std::move(next);
        }
        return fd;
    }

    // The folder called name of the open folder parent, here being its path below the run's
    // directory: opened without following a link, made first where the run removed it.
    Expected<UniqueFd, LeftReason> enter(int parent, const QByteArray &name,
                                         const QByteArray &here) {
        constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        UniqueFd fd{::openat(parent, name.constData(), flags)};
        if (fd.isOpen())
            return fd;
        if (errno != ENOENT)
            return failure(errno);
        const auto removed = m_removed.find(here);
        if (removed == m_removed.end())
            return unexpected(LeftReason::FolderGone);
        if (m_action == PurgeAction::List) {
            m_made.insert(here);
            return UniqueFd();
        }
        // Made for the owner alone until it has its mode, which the umask would cut otherwise.
        const bool made = ::mkdirat(parent, name.constData(), 0700) == 0;
        if (!made && errno != EEXIST)
            return failure(errno);
        fd = UniqueFd{::openat(parent, name.constData(), flags)};
        if (!fd.isOpen())
            return failure(errno);
        // One that appeared meanwhile is someone else's: it keeps its own mode.
        if (!made)
            return fd;
        if (::fchmod(fd.get(), removed->second) != 0) {
            const int code = errno;
            fd = UniqueFd();
            // Made a moment ago and empty; a folder with the wrong mode would be worse than none.
            (void)::unlinkat(parent, name.constData(), AT_REMOVEDIR);
            return failure(code);
        }
        m_made.insert(here);
        return fd;
    }

    Expected<UniqueFd, LeftReason> failure(int code) {
        if (code == ENOENT)
            return unexpected(LeftReason::FolderGone);
        // O_NOFOLLOW refuses a link (ELOOP), O_DIRECTORY anything else that is not a folder.
        if (code == ELOOP || code == ENOTDIR)
            return unexpected(LeftReason::FolderTaken);
        m_error = SystemError{code};
        return unexpected(LeftReason::Failed);
    }

    QByteArray m_base;
    PurgeAction m_action;
    // The folders the run removed, by their paths below its directory, and their modes.
    std::map<QByteArray, mode_t> m_removed;
    std::set<QByteArray> m_made;
    std::optional<QByteArray> m_openPath;
    UniqueFd m_open;
    SystemError m_error;
};

// Why the file cannot go back, as far as a listing run can tell without moving it.
std::optional<LeftFile> checkAtHome(const RunFile &file, HomeFolders &folders) {
    const Expected<HomeFolder, LeftFile> folder = folders.folderOf(file.originalPath);
    if (!folder)
        return folder.error();
    struct stat status {};
    if (folder->fd >= 0 && ::fstatat(folder->fd, nameOf(file.originalPath).constData(), &status,
                                     AT_SYMLINK_NOFOLLOW) == 0)
        return LeftFile{file.originalPath, LeftReason::PathTaken, {}};
    return std::nullopt;
}

// Moves the file home, never over another; why not, when it stays. A file home whose info file
// stays in the Trash gets the reason in infoError.
std::optional<LeftFile> moveHome(const RunFile &file, const OpenTrash &trash, HomeFolders &folders,
                                 SystemError &infoError) {
    const Expected<HomeFolder, LeftFile> folder = folders.folderOf(file.originalPath);
    if (!folder)
        return folder.error();
    if (::renameat2(trash.files(), file.trashName.constData(), folder->fd,
                    nameOf(file.originalPath).constData(), RENAME_NOREPLACE) == 0) {
        // The desktop would list a Trash entry whose file is gone; the info file goes with it.
        const QByteArray info = file.trashName + ".trashinfo";
        if (trash.info() < 0)
            infoError = SystemError{trash.infoError()};
        else if (::unlinkat(trash.info(), info.constData(), 0) != 0 && errno != ENOENT)
            infoError = SystemError{errno};
        return std::nullopt;
    }
    const int code = errno;
    if (code == EEXIST)
        return LeftFile{file.originalPath, LeftReason::PathTaken, {}};
    // ENOENT names either end; the checks tell which one is missing now.
    if (code == ENOENT) {
        if (std::optional<LeftFile> left = checkInTrash(file, trash))
            return left;
        return LeftFile{file.originalPath, LeftReason::FolderGone, {}};
    }
    return LeftFile{file.originalPath, LeftReason::Failed, SystemError{code}};
}

// The run the job names, the newest when it names none, or why there is none to read.
Expected<KeptRun, PutBackRefusal> runToPutBack(const PutBackJob &job) {
    QByteArray id = job.id;
    if (id.isEmpty()) {
        const Expected<std::vector<QByteArray>, SystemError> ids = keptRunIds(job.runsDirectory);
        if (!ids)
            return unexpected(
                PutBackRefusal{PutBackProblem::RunsUnreadable, {}, ids.error(), job.runsDirectory});
        if (ids->empty())
            return unexpected(PutBackRefusal{PutBackProblem::NoRun});
        id = ids->front();
    }
    Expected<KeptRun, SystemError> run = readRun(job.runsDirectory, id);
    if (!run) {
        // No such list, or no folder of lists at all: either way no run of that id was kept.
        const int code = run.error().code;
        const PutBackProblem problem = code == ENOENT || code == ENOTDIR
                                           ? PutBackProblem::UnknownRun
                                           : PutBackProblem::Unreadable;
        return unexpected(PutBackRefusal{problem, id, run.error()});
    }
    return std::move(*run);
}

bool stopRequested(const PutBackJob &job) {
    return job.stop != nullptr && job.stop->load(std::memory_order_relaxed);
}

} // namespace

PutBackResult putBackRun(const PutBackJob &job) {
    const Expected<KeptRun, PutBackRefusal> run = runToPutBack(job);
    if (!run)
        return unexpected(run.error());
    PutBackOutcome outcome{job.action, run->id, run->directory, run->started};
    outcome.alreadyBack = run->backCount();
    const qint64 files = qint64(run->files.size()) - outcome.alreadyBack;

    std::map<QByteArray, OpenTrash> trashes;
    HomeFolders folders(*run, job.action);
    std::vector<std::size_t> wentBack;
    for (std::size_t index = 0; index < run->files.size(); ++index) {
        const RunFile &file = run->files[index];
        if (file.back)
            continue;
        if (stopRequested(job)) {
            outcome.notReached = files - outcome.putBack - outcome.leftCount;
            break;
        }
        const OpenTrash &trash = trashes.try_emplace(file.trash, file.trash).first->second;
        std::optional<LeftFile> left = checkInTrash(file, trash);
        // A real run asks the rename alone whether the name at home is free: it refuses a taken
        // one by itself.
        SystemError infoError;
        if (!left)
            left = job.action == PurgeAction::List ? checkAtHome(file, folders)
                                                   : moveHome(file, trash, folders, infoError);
        if (infoError)
            addTrouble(outcome.infoKept, job.namedFiles, file.originalPath, infoError);
        if (left) {
            if (outcome.leftCount++ < job.namedFiles)
                outcome.left.push_back(std::move(*left));
        } else {
            ++outcome.putBack;
            wentBack.push_back(index);
            if (job.fileBack)
                job.fileBack(file.originalPath);
        }
        if (job.progress)
            job.progress(outcome.putBack + outcome.leftCount, files);
    }
    outcome.foldersMade = folders.made();
    if (job.action == PurgeAction::Remove)
        outcome.markError = markBack(job.runsDirectory, run->id, wentBack);
    return outcome;
}

} // namespace culler
