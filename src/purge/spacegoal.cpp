#include "purge/spacegoal.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace culler {

namespace {

// How many files go between two readings of the mount's space.
constexpr std::size_t freeSpaceBatch = 64;

bool isNewer(const HeldFile &one, const HeldFile &other) {
    return isOlder(other, one);
}

} // namespace

bool isOlder(const HeldFile &one, const HeldFile &other) {
    const timespec &a = one.identity.modified;
    const timespec &b = other.identity.modified;
    // std::string compares as unsigned bytes.
    return std::tie(a.tv_sec, a.tv_nsec, one.name) < std::tie(b.tv_sec, b.tv_nsec, other.name);
}

SpaceGoal SpaceGoal::sizeCap(qint64 cap) {
    return SpaceGoal(Kind::SizeCap, cap);
}

SpaceGoal SpaceGoal::freeSpace(qint64 missing) {
    return SpaceGoal(Kind::FreeSpace, missing);
}

SpaceGoal::SpaceGoal(SpaceGoal &&other) noexcept
    : m_kind(other.m_kind)
    , m_limit(other.m_limit)
    , m_held(std::move(other.m_held))
    , m_heldBytes(other.m_heldBytes)
    , m_staying(other.m_staying)
    , m_newestLeft(other.m_newestLeft)
    , m_newestDue(other.m_newestDue)
    , m_newestGone(std::move(other.m_newestGone))
    , m_spared(other.m_spared) {}

void SpaceGoal::offer(HeldFile file, std::vector<HeldFile> &going) {
    const std::lock_guard lock(m_mutex);
    if (m_kind == Kind::FreeSpace) {
        if (m_limit <= 0) {
            ++m_spared;
            return;
        }
        // The newest held is the first to be spared, once the others cover what is missing.
        m_heldBytes += file.allocated;
        m_held.push_back(std::move(file));
        std::push_heap(m_held.begin(), m_held.end(), isOlder);
        while (!m_held.empty() && m_heldBytes - m_held.front().allocated >= m_limit) {
            std::pop_heap(m_held.begin(), m_held.end(), isOlder);
            m_heldBytes -= m_held.back().allocated;
            m_held.pop_back();
            ++m_spared;
        }
        return;
    }
    // Older than a file that went for the cap: it goes before that one would.
    if (m_newestGone && isOlder(file, *m_newestGone)) {
        going.push_back(std::move(file));
        return;
    }
    m_heldBytes += file.size;
    m_held.push_back(std::move(file));
    std::push_heap(m_held.begin(), m_held.end(), isNewer);
    letGo(going);
}

void SpaceGoal::stays(qint64 size, std::vector<HeldFile> &going) {
    const std::lock_guard lock(m_mutex);
    m_staying += size;
    letGo(going);
}

void SpaceGoal::enterNewest(qint64 size, Verdict verdict) {
    const std::lock_guard lock(m_mutex);
    (verdict == Verdict::Due ? m_newestDue : m_newestLeft) += size;
}

void SpaceGoal::leaveNewest(qint64 size, Verdict verdict) {
    const std::lock_guard lock(m_mutex);
    (verdict == Verdict::Due ? m_newestDue : m_newestLeft) -= size;
}

void SpaceGoal::letGo(std::vector<HeldFile> &going) {
    while (!m_held.empty() && m_staying + m_newestLeft + m_heldBytes > m_limit) {
        std::pop_heap(m_held.begin(), m_held.end(), isNewer);
        HeldFile oldest = std::move(m_held.back());
        m_held.pop_back();
        m_heldBytes -= oldest.size;
        if (!m_newestGone || isOlder(*m_newestGone, oldest))
            m_newestGone = oldest;
        // The folder stays open while the file is removed, not while it is remembered.
        m_newestGone->folder.reset();
        going.push_back(std::move(oldest));
    }
}

std::vector<HeldFile> SpaceGoal::finish() {
    const std::lock_guard lock(m_mutex);
    std::vector<HeldFile> going;
    if (m_kind == Kind::SizeCap) {
        m_staying += m_newestDue;
        m_newestDue = 0;
        letGo(going);
        return going;
    }
    going = std::move(m_held);
    m_held.clear();
    std::sort(going.begin(), going.end(), isOlder);
    return going;
}

qint64 SpaceGoal::bytes() const {
    const std::lock_guard lock(m_mutex);
    if (m_kind == Kind::FreeSpace)
        return m_heldBytes;
    return m_staying + m_newestLeft + m_newestDue + m_heldBytes;
}

qint64 SpaceGoal::spared() const {
    const std::lock_guard lock(m_mutex);
    return m_spared;
}

std::optional<Refusal> setUpSpaceGoal(const PurgeJob &job, const Directory &directory,
                                      PurgeOutcome &outcome, std::optional<SpaceGoal> &goal) {
    if (job.spaceRule == SpaceRule::None)
        return std::nullopt;
    if (job.spaceRule == SpaceRule::SizeCap) {
        goal.emplace(SpaceGoal::sizeCap(job.space.bytes));
        return std::nullopt;
    }
    // The Trash of a directory is always on the directory's own mount (the home Trash only where
    // it shares the mount, else the mount's own): moving there frees nothing.
    if (job.removal == RemovalKind::Trash)
        return Refusal{RequestField::KeepFree, Problem::TrashFreesNoSpace};
    const Expected<MountSpace, SystemError> space = directory.space();
    if (!space) {
        Refusal refusal{RequestField::Directory, Problem::NoMountSpace};
        refusal.directory = job.directory;
        refusal.error = space.error();
        return refusal;
    }
    if (job.space.percent >= 0)
        outcome.spaceAsked =
            qint64(std::ceil(double(space->total) * std::min(job.space.percent, 100.0) / 100.0));
    outcome.spaceFound = space->available;
    goal.emplace(SpaceGoal::freeSpace(outcome.spaceAsked - space->available));
    return std::nullopt;
}

void settleSpaceGoal(SpaceGoal &goal, const PurgeJob &job, const Directory &directory,
                     PurgeOutcome &outcome, const RemoveHeld &remove) {
    const std::vector<HeldFile> going = goal.finish();
    if (job.spaceRule == SpaceRule::SizeCap) {
        for (const HeldFile &file : going)
            remove(file);
        outcome.spaceFound = goal.bytes();
        outcome.spaceMissed = outcome.spaceFound > outcome.spaceAsked;
        return;
    }
    qint64 spared = goal.spared();
    if (job.action == PurgeAction::List) {
        // What a real run is reckoned to free: the space the files take on the mount.
        for (const HeldFile &file : going)
            remove(file);
        outcome.spaceFound += goal.bytes();
    } else {
        std::size_t next = 0;
        while (next < going.size() && outcome.spaceFound < outcome.spaceAsked) {
            const std::size_t end = std::min(going.size(), next + freeSpaceBatch);
            for (; next < end; ++next)
                remove(going[next]);
            const Expected<MountSpace, SystemError> space = directory.space();
            if (!space) {
                outcome.spaceError = space.error();
                break;
            }
            outcome.spaceFound = space->available;
        }
        if (!outcome.spaceError)
            spared += qint64(going.size() - next);
    }
    outcome.sparedForSpace = spared;
    outcome.spaceMissed = !outcome.spaceError && outcome.spaceFound < outcome.spaceAsked;
}

} // namespace culler
