#include "purge/putback.h"

#include "runtime/uniquefd.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <optional>
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
    }

    int files() const { return m_files.get(); }
    int filesError() const { return m_filesError; }
    int info() const { return m_info.get(); }

private:
    UniqueFd m_files;
    int m_filesError = 0;
    UniqueFd m_info;
};

QByteArray parentOf(const QByteArray &path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArrayLiteral("/") : path.left(slash);
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

// Why the original path cannot take the file, as far as a listing run can tell without moving it.
std::optional<LeftFile> checkAtHome(const RunFile &file) {
    struct stat status {};
    if (::lstat(file.originalPath.constData(), &status) == 0)
        return LeftFile{file.originalPath, LeftReason::PathTaken, {}};
    if (::stat(parentOf(file.originalPath).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return LeftFile{file.originalPath, LeftReason::FolderGone, {}};
    return std::nullopt;
}

// Moves the file home, never over another; why not, when it stays.
std::optional<LeftFile> moveHome(const RunFile &file, const OpenTrash &trash) {
    if (::renameat2(trash.files(), file.trashName.constData(), AT_FDCWD,
                    file.originalPath.constData(), RENAME_NOREPLACE) == 0) {
        // The desktop would list a Trash entry whose file is gone; the info file goes with it.
        if (trash.info() >= 0)
            ::unlinkat(trash.info(), (file.trashName + ".trashinfo").constData(), 0);
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
        const std::vector<QByteArray> ids = keptRunIds(job.runsDirectory);
        if (ids.empty())
            return unexpected(PutBackRefusal{PutBackProblem::NoRun});
        id = ids.front();
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
        // A real run asks the rename alone whether the way home is free: it refuses a taken
        // name and a missing folder by itself.
        if (!left)
            left = job.action == PurgeAction::List ? checkAtHome(file) : moveHome(file, trash);
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
    if (job.action == PurgeAction::Remove)
        outcome.markError = markBack(job.runsDirectory, run->id, wentBack);
    return outcome;
}

} // namespace culler
