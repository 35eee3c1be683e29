#include "purge/purge.h"

#include "purge/newestfiles.h"
#include "purge/removalworker.h"
#include "purge/runparts.h"
#include "purge/spacegoal.h"
#include "purge/treerun.h"

#include "runtime/clock.h"
#include "runtime/runlog.h"
#include "runtime/trash.h"
#include "runtime/wildcard.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <memory>
#include <thread>

#ifdef __linux__
#include <sched.h>
#endif

namespace culler {

Refusal Refusal::ofTrash(const TrashProblem &problem, const QByteArray &directory) {
    Problem kind = Problem::NoTrash;
    if (problem.refusal == TrashRefusal::Unsafe)
        kind = Problem::UnsafeTrash;
    else if (problem.refusal == TrashRefusal::ReadOnly)
        kind = Problem::ReadOnlyTrash;
    else if (problem.refusal == TrashRefusal::InsideTrash)
        kind = Problem::InsideTrash;
    else if (problem.refusal == TrashRefusal::NoSafeMove)
        kind = Problem::NoSafeMove;
    else if (problem.refusal == TrashRefusal::Unlistable)
        kind = Problem::UnlistableTop;
    Refusal refusal{RequestField::Directory, kind};
    refusal.directory = directory;
    refusal.error = problem.error;
    refusal.place = problem.place;
    return refusal;
}

// A listing run removes nothing, so it has no use for a second thread. Nor has a run to the
// Trash: each move renames a file from one directory to another, which the kernel does one at a
// time for the whole file system, and makes a file in the Trash's info directory, whose lock the
// two threads would then share. Measured on ext4, a second thread made such a run slower.
RemovalMode removalModeFor(const PurgeJob &job, RemovalMode asked) {
    if (job.action == PurgeAction::List || job.removal == RemovalKind::Trash)
        return RemovalMode::Inline;
    return asked;
}

namespace {

// One run over one directory, step by step: open it, count its candidates, judge and remove
// them, settle. Every step reports to the display and adds to the outcome.
class PurgeRun {
public:
    PurgeRun(const PurgeJob &job, PurgeDisplay &display, RemovalMode mode)
        : m_job(job)
        , m_display(display)
        , m_directory(job.directory)
        , m_patterns(job.patterns)
        , m_exclusions(job.exclusions)
        , m_newest(std::size_t(std::max<qint64>(job.keepNewest, 0)))
        , m_removals([this](const char *name, const FileStamp &judged,
                            TreeFolder *) { return remove(name, judged); },
                     removalModeFor(job, mode))
        , m_outcome(job) {}

    PurgeResult run() {
        m_display.setProgressValue(0);
        m_display.setProgressMaximum(m_maximum);
        if (m_directory.error())
            return unexpected(unreadable());
        // Refused before a Trash is made.
        if (std::optional<Refusal> refusal = setUpSpaceGoal(m_job, m_directory, m_outcome, m_goal))
            return unexpected(std::move(*refusal));
        if (std::optional<Refusal> refusal = openTrash())
            return unexpected(std::move(*refusal));
        count();
        // A listing that fails before the count is done leaves nothing to go by.
        if (m_directory.error())
            return unexpected(unreadable());
        if (m_outcome.status == PurgeStatus::Unfinished)
            judgeAndRemove();
        settle();
        return std::move(m_outcome);
    }

private:
    Refusal unreadable() const {
        return Refusal::unreadableDirectory(m_job.directory, m_directory.error());
    }

    std::optional<Refusal> openTrash() { return openTrashFor(m_job, m_directory, m_trash); }

    // Removes a file judged due, on either thread: deletes it, or moves it to the Trash.
    RemovalOutcome remove(const char *name, const FileStamp &judged) const {
        RemovalOutcome outcome = m_trash ? m_trash->move(m_directory, name, judged)
                                         : removeDue(m_directory, name, judged.identity);
        outcome.size = judged.size;
        return outcome;
    }

    // The next plain file that matches a pattern and no exclusion, or nullptr at the end. A size
    // cap counts what the excluded files take, when the run judges.
    const char *nextCandidate(qint64 &excluded, bool judging = false) {
        while (const char *name = m_directory.nextPlainFile(m_patterns)) {
            if (!m_exclusions.matchesAny(name))
                return name;
            ++excluded;
            if (judging && m_job.spaceRule == SpaceRule::SizeCap)
                staysForCap(name);
        }
        return nullptr;
    }

    void staysForCap(const char *name) {
        const Expected<std::optional<FileStamp>, SystemError> stamp =
            stampCandidate(m_directory, name);
        if (stamp && *stamp)
            m_goal->stays((*stamp)->size, m_going);
        forSpace();
    }

    // The first pass sets the progress bar's maximum.
    void count() {
        qint64 excluded = 0;
        while (nextCandidate(excluded) != nullptr) {
            if (m_display.stopRequested()) {
                m_outcome.status = PurgeStatus::Stopped;
                return;
            }
            m_display.setProgressMaximum(++m_maximum);
        }
    }

    // The second pass decides about every candidate, and hands the ones due to the removals.
    void judgeAndRemove() {
        // The same open handle as the count's, so both passes see the same directory whatever
        // happens to its path meanwhile.
        m_directory.rewind();
        while (const char *name = nextCandidate(m_outcome.excluded, true)) {
            if (m_display.stopRequested()) {
                m_outcome.status = PurgeStatus::Stopped;
                return;
            }
            DeleteIfOld(name);
            tellRemovals();
            m_display.setProgressValue(++m_outcome.examined);
        }
    }

    // The one place a run decides about a file: stamps it and judges it by the cut-off. A file
    // due is handed to the removals, which tell later what became of it, or listed when the run
    // only lists. When the newest are kept, the file may wait among them instead, and the file
    // that is then known not to be among them is judged in its place.
    void DeleteIfOld(const char *name) {
        Expected<std::optional<FileStamp>, SystemError> stamp = stampCandidate(m_directory, name);
        if (!stamp)
            return tell(name, {Removal::NotExamined, stamp.error()});
        if (!*stamp)
            return;
        if (m_job.keepNewest <= 0)
            return judged(name, **stamp);
        if (m_goal)
            m_goal->enterNewest((*stamp)->size, judge(**stamp, m_job.cutOff));
        if (const auto older = m_newest.offer({name, **std::move(stamp), nullptr})) {
            if (m_goal)
                m_goal->leaveNewest(older->stamp.size, judge(older->stamp, m_job.cutOff));
            judged(older->name.c_str(), older->stamp);
        }
    }

    void judged(const char *name, const FileStamp &stamp) {
        const Verdict verdict = judge(stamp, m_job.cutOff);
        if (verdict == Verdict::Unknown) {
            if (m_job.spaceRule == SpaceRule::SizeCap)
                m_goal->stays(stamp.size, m_going);
            forSpace();
            return tell(name, {Removal::NotExamined, {}});
        }
        // A size cap weighs the files the cut-off leaves; free space, those it takes.
        if (m_goal && (verdict == Verdict::Due) == (m_job.spaceRule == SpaceRule::KeepFree)) {
            m_goal->offer({name, stamp.identity, stamp.size, stamp.allocated, nullptr}, m_going);
            return forSpace();
        }
        if (verdict == Verdict::NotDue)
            return;
        if (m_job.action == PurgeAction::List)
            return tell(name, {Removal::Listed, {}, stamp.size});
        m_forSpace.push_back(false);
        m_removals.add(name, stamp);
    }

    // The files a goal chose go, or are listed, like those the cut-off took.
    void forSpace() {
        for (const HeldFile &file : m_going)
            removeForSpace(file);
        m_going.clear();
    }

    void removeForSpace(const HeldFile &file) {
        if (m_job.action == PurgeAction::List) {
            ++m_outcome.removedForSpace;
            return tell(file.name.c_str(), {Removal::Listed, {}, file.size});
        }
        m_forSpace.push_back(true);
        m_removals.add(file.name.c_str(), file.stamp());
        tellRemovals();
    }

    // The files judged due so far go, as they would have one by one; then the run is complete
    // if it examined every file it counted. Also after a stop, and after a listing that failed.
    void settle() {
        m_removals.finish();
        tellRemovals();
        // Free space is read again after each batch of removals, so those go on this thread.
        if (m_goal && m_outcome.status != PurgeStatus::Stopped)
            settleSpaceGoal(*m_goal, m_job, m_directory, m_outcome,
                            [this](const HeldFile &file) { removeForSpace(file); });
        if (m_trash)
            m_trash->settle(m_outcome);
        m_outcome.keptNewest = qint64(m_newest.size());
        if (m_outcome.status != PurgeStatus::Unfinished)
            return;
        if (m_directory.error()) {
            m_outcome.listingError = m_directory.error();
        } else if (m_maximum - 1 == m_outcome.examined) {
            m_display.setProgressValue(0);
            m_outcome.status = PurgeStatus::Finished;
        }
    }

    void tell(const char *name, const RemovalOutcome &outcome) {
        tellRemoval(m_outcome, m_display, m_job.namedFiles, name, outcome);
    }

    // Pipelined, what became of the files handed over comes back here in the order they were
    // handed over, to be told like the rest.
    void tellRemovals() {
        for (const RemovalReport &report : m_removals.takeReports()) {
            if (!m_forSpace.empty() && m_forSpace.front() &&
                report.outcome.removal == Removal::Removed)
                ++m_outcome.removedForSpace;
            if (!m_forSpace.empty())
                m_forSpace.pop_front();
            tell(report.name.c_str(), report.outcome);
        }
    }

    const PurgeJob &m_job;
    PurgeDisplay &m_display;
    Directory m_directory;
    // Open for the run when it moves files to the Trash.
    std::optional<TrashMoves> m_trash;
    const Wildcards m_patterns;
    const Wildcards m_exclusions;
    NewestFiles m_newest;
    std::optional<SpaceGoal> m_goal;
    // The files the goal chose and not yet handed to the removals.
    std::vector<HeldFile> m_going;
    RemovalWorker m_removals;
    // For each file handed to the removals and not yet told, whether the goal chose it.
    std::deque<bool> m_forSpace;
    // The progress bar's maximum: one more than the files counted, as the bar has always had it.
    qint64 m_maximum = 1;
    PurgeOutcome m_outcome;
};

} // namespace

std::optional<Refusal> openTrashFor(const PurgeJob &job, const Directory &directory,
                                    std::optional<TrashMoves> &trash) {
    if (job.removal != RemovalKind::Trash)
        return std::nullopt;
    const TrashPlaces places = job.trash.value_or(TrashPlaces::ofThisUser());
    if (job.action == PurgeAction::List) {
        if (const std::optional<TrashProblem> problem = directory.trashHolding(places))
            return Refusal::ofTrash(*problem, job.directory);
        return std::nullopt;
    }
    Expected<Trash, TrashProblem> opened = directory.openTrash(places, *job.clock);
    if (!opened)
        return Refusal::ofTrash(opened.error(), job.directory);
    // Where no list can be kept (no home), the run goes on without one.
    const QByteArray runs = job.runsDirectory.value_or(runsDirectoryOfThisUser());
    std::unique_ptr<RunLogWriter> list;
    if (!runs.isEmpty())
        list = std::make_unique<RunLogWriter>(runs, opened->directoryPath(), job.clock->now());
    trash.emplace(*std::move(opened), std::move(list));
    return std::nullopt;
}

TrashMoves::TrashMoves(Trash trash, std::unique_ptr<RunLogWriter> list)
    : m_trash(std::move(trash))
    , m_list(std::move(list)) {}

TrashMoves::~TrashMoves() = default;

RemovalOutcome TrashMoves::move(const Directory &directory, const char *name,
                                const FileStamp &judged, const QByteArray &subdirectory) const {
    const RemovalOutcome outcome =
        trashDue(directory, m_trash, name, judged.identity, subdirectory);
    if (!m_list || outcome.removal != Removal::Removed)
        return outcome;
    QByteArray original = directoryPrefix(m_trash.directoryPath());
    if (!subdirectory.isEmpty())
        original += directoryPrefix(subdirectory);
    const std::lock_guard lock(m_mutex);
    m_list->add(
        {m_trash.topPath(), outcome.trashName, original + name, judged.identity, judged.size});
    return outcome;
}

void TrashMoves::folderRemoved(const QByteArray &subdirectory, mode_t mode) const {
    if (!m_list)
        return;
    const std::lock_guard lock(m_mutex);
    m_list->addFolder({directoryPrefix(m_trash.directoryPath()) + subdirectory, mode});
}

void TrashMoves::settle(PurgeOutcome &outcome) {
    if (!m_list)
        return;
    outcome.runListError = m_list->finish();
    outcome.runId = m_list->id();
}

Expected<std::optional<FileStamp>, SystemError> stampCandidate(const Directory &directory,
                                                               const char *name) {
    Expected<FileStamp, SystemError> stamp = directory.stamp(name);
    // Gone since it was listed: nothing was lost by the run.
    if (!stamp && stamp.error().code == ENOENT)
        return std::optional<FileStamp>();
    if (!stamp)
        return unexpected(stamp.error());
    // Replaced by a link or a directory since it was listed: not a file the user asked about.
    if (!stamp->isPlainFile)
        return std::optional<FileStamp>();
    return std::optional<FileStamp>(*std::move(stamp));
}

void tellRemoval(PurgeOutcome &outcome, PurgeDisplay &display, qint64 namedFiles, const char *name,
                 const RemovalOutcome &removal) {
    switch (removal.removal) {
    case Removal::Removed:
    case Removal::Listed:
        ++outcome.removed;
        outcome.removedBytes += removal.size;
        display.fileChosen(name, removal.size);
        break;
    case Removal::NotExamined:
        addTrouble(outcome.notExamined, namedFiles, name, removal.error);
        break;
    case Removal::Failed:
        addTrouble(outcome.notRemoved, namedFiles, name, removal.error);
        break;
    case Removal::LeftInTrash:
        addTrouble(outcome.leftInTrash, namedFiles, name, removal.error);
        break;
    case Removal::Kept:
    case Removal::Vanished:
        break;
    }
}

void addTrouble(FileTroubles &troubles, qint64 namedFiles, const QByteArray &name,
                SystemError error) {
    if (troubles.count++ < namedFiles)
        troubles.named.push_back({name, error});
}

unsigned processorsForThisProcess() {
    unsigned processors = std::thread::hardware_concurrency();
#ifdef __linux__
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        processors = static_cast<unsigned>(CPU_COUNT(&allowed));
#endif
    return processors;
}

RemovalMode removalModeForThisMachine() {
    return processorsForThisProcess() < 2 ? RemovalMode::Inline : RemovalMode::Pipelined;
}

Verdict judge(const FileStamp &stamp, DateValue limit) {
    // A day the calendar cannot name is no evidence of age.
    if (!stamp.modified)
        return Verdict::Unknown;
    return datePart(*stamp.modified) > limit ? Verdict::NotDue : Verdict::Due;
}

namespace {

// A removal the system refused; a file gone meanwhile was not lost by the run.
RemovalOutcome refusedRemoval(SystemError error) {
    if (error.code == ENOENT)
        return {Removal::Vanished, {}};
    return {Removal::Failed, error};
}

RemovalOutcome unlinkOutcome(const Expected<Unlink, SystemError> &unlinked) {
    if (!unlinked)
        return refusedRemoval(unlinked.error());
    return {*unlinked == Unlink::Removed ? Removal::Removed : Removal::Kept, {}};
}

} // namespace

RemovalOutcome removeDue(const Directory &directory, const char *name,
                         const FileIdentity &identity) {
    return unlinkOutcome(directory.removeIfUnchanged(name, identity));
}

RemovalOutcome removeJustStamped(const Directory &directory, const char *name) {
    return unlinkOutcome(directory.removeJustStamped(name));
}

RemovalOutcome trashDue(const Directory &directory, const Trash &trash, const char *name,
                        const FileIdentity &identity, const QByteArray &subdirectory) {
    const Expected<TrashMoved, SystemError> moved =
        directory.moveToTrashIfUnchanged(name, identity, trash, subdirectory);
    if (!moved)
        return refusedRemoval(moved.error());
    switch (moved->result) {
    case TrashMove::Moved:
        return {Removal::Removed, {}, 0, moved->trashName};
    case TrashMove::LeftInTrash:
        return {Removal::LeftInTrash, moved->wayBack};
    case TrashMove::Changed:
        break;
    }
    return {Removal::Kept, {}};
}

PurgeResult runPurge(const PurgeJob &job, PurgeDisplay &display, RemovalMode mode) {
    if (job.subfolders == Subfolders::Included)
        return runTreePurge(job, display, mode);
    return PurgeRun(job, display, mode).run();
}

} // namespace culler
