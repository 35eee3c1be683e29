#pragma once

// Which files a size cap or a free-space goal takes, oldest first, chosen while a run examines the
// files, so that no run keeps a record of every candidate. Inside the engine only; it removes
// nothing itself.
//
// A size cap holds the newest candidates the cut-off left, while they and the files that stay
// whatever happens (excluded, kept as the newest, not judged) fit under the cap; the oldest one
// held is let go as soon as they do not, and so is at once any candidate older than one let go.
// What stays only grows as the run goes on, so a file let go would be let go at the end too, and
// can be removed at once. Memory grows with the candidates that fit under the cap, not with those
// that go.
//
// A free-space goal holds the oldest files the cut-off took, as many as cover what the mount lacks
// at the start, and spares the others; those held go once every file is judged, oldest first, in
// batches, the mount's space read again after each until it has what was asked. Memory grows with
// the files needed, which are at most the files the run would remove without the goal.

#include "purge/purge.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace culler {

struct TreeFolder;

struct HeldFile {
    // Below a subdirectory, the path relative to the run's directory ("logs/a.log").
    std::string name;
    FileIdentity identity;
    qint64 size = 0;
    qint64 allocated = 0;
    // In a run with subfolders, the directory the file is in, kept open while the file is held.
    std::shared_ptr<TreeFolder> folder;

    FileStamp stamp() const { return {true, std::nullopt, size, allocated, identity}; }
};

// Of two files, whether one is older: an earlier modification time, or the same one and a name
// (a path, in a tree) that sorts earlier in byte order, so that a run chooses the same files every
// time; the newest kept are chosen by the same order.
bool isOlder(const HeldFile &one, const HeldFile &other);

class SpaceGoal {
public:
    // For a size cap of cap bytes.
    static SpaceGoal sizeCap(qint64 cap);
    // For a mount that lacks missing bytes of what is asked (nothing when 0 or less).
    static SpaceGoal freeSpace(qint64 missing);

    SpaceGoal(SpaceGoal &&other) noexcept;
    SpaceGoal &operator=(SpaceGoal &&) = delete;

    // A candidate for the goal: for a size cap one the cut-off left, for free space one it took.
    // The files now known to go are added to going, in the order they go.
    void offer(HeldFile file, std::vector<HeldFile> &going);
    // A size cap counts a matching file that stays whatever its age (excluded, or not judged);
    // the files let go for it are added to going.
    void stays(qint64 size, std::vector<HeldFile> &going);
    // A size cap counts the files kept among the newest that the cut-off would leave, while they
    // are kept; one pushed out from among them is judged like any other (see offer). The due ones
    // are counted only once they are known to stay, when the run ends (see finish).
    void enterNewest(qint64 size, Verdict verdict);
    void leaveNewest(qint64 size, Verdict verdict);

    // The files that go once every candidate has been judged: for a size cap those the newest
    // kept push out, for free space every one held, oldest first.
    std::vector<HeldFile> finish();

    // For a size cap, what the matching files left take; for free space, the sizes of the files
    // held (what their removal is reckoned to free).
    qint64 bytes() const;
    // Files the cut-off took that free space did not need.
    qint64 spared() const;

private:
    enum class Kind {
        SizeCap,
        FreeSpace,
    };
    SpaceGoal(Kind kind, qint64 limit)
        : m_kind(kind)
        , m_limit(limit) {}

    // Lets the oldest files held go while the cap is exceeded.
    void letGo(std::vector<HeldFile> &going);

    Kind m_kind;
    // The cap, or the bytes missing.
    qint64 m_limit;
    // A heap: for a size cap the oldest file held first, for free space the newest.
    std::vector<HeldFile> m_held;
    qint64 m_heldBytes = 0;
    // What stays whatever happens, and the newest kept the cut-off would leave or take.
    qint64 m_staying = 0;
    qint64 m_newestLeft = 0;
    qint64 m_newestDue = 0;
    // The newest file let go for the cap so far: any older candidate goes too.
    std::optional<HeldFile> m_newestGone;
    qint64 m_spared = 0;
    // A tree's workers offer files side by side.
    mutable std::mutex m_mutex;
};

// How a run removes, or lists, one file a goal chose; it tells the outcome what became of it.
using RemoveHeld = std::function<void(const HeldFile &file)>;

// Sets goal to the goal a job sets, if any, or says why it cannot be kept to (the mount's space
// cannot be read, or a free-space goal with the Trash). Reads the mount's space once for a
// free-space goal, and sets the bytes asked for in the outcome.
std::optional<Refusal> setUpSpaceGoal(const PurgeJob &job, const Directory &directory,
                                      PurgeOutcome &outcome, std::optional<SpaceGoal> &goal);

// Settles the goal once every candidate is judged: the files it still takes go (see finish),
// through remove; for free space in batches, the mount's space read again after each, and the
// rest spared once it has what was asked; a listing run reckons with the files' sizes instead.
// Then tells the outcome whether the goal was met.
void settleSpaceGoal(SpaceGoal &goal, const PurgeJob &job, const Directory &directory,
                     PurgeOutcome &outcome, const RemoveHeld &remove);

} // namespace culler
