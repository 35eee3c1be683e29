#include "purgepreview.h"

#include "purge/outcomewords.h"
#include "purge/purge.h"
#include "purge/readrequest.h"
#include "runtime/calendar.h"
#include "runtime/clock.h"

namespace culler {

namespace {

// The count's clock stands still at the moment the summary printed the request, so the report
// and its count name the same day, however long the count takes.
class MomentClock final : public Clock {
public:
    explicit MomentClock(QDateTime now)
        : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }

private:
    QDateTime m_now;
};

// Takes nothing from the listing run but its question whether to stop: the preview runs off the
// window's thread and shows nothing until the count is in.
class CountingDisplay final : public PurgeDisplay {
public:
    explicit CountingDisplay(const std::atomic<bool> &stop)
        : m_stop(stop) {}

    void setProgressMaximum(qint64) override {}
    void setProgressValue(qint64) override {}
    bool stopRequested() const override { return m_stop.load(std::memory_order_relaxed); }

private:
    const std::atomic<bool> &m_stop;
};

RequestCount refusedCount(const QString &why) {
    RequestCount count;
    count.refusal = why;
    return count;
}

} // namespace

RequestCount PurgePreview::count(const PurgeRequest &request, const QDateTime &now,
                                 const QLocale &locale, const std::atomic<bool> &stop) const {
    const MomentClock clock(now);
    const Calendar calendar(clock, locale);
    Expected<PurgeJob, Refusal> job = readJob(request, calendar);
    if (!job)
        return refusedCount(refusalInBrief(job.error()));
    job->action = PurgeAction::List;
    CountingDisplay display(stop);
    const PurgeResult result = runPurge(*job, display);
    if (!result)
        return refusedCount(refusalInBrief(result.error()));
    // A directory that cannot be listed to its end gives no count; a file that vanished while it
    // was counted is simply not counted.
    if (const QString why = listingInBrief(*result); !why.isEmpty())
        return refusedCount(why);

    RequestCount count;
    count.matching = result->examined;
    count.toRemove = result->removed;
    count.bytesToRemove = result->removedBytes;
    if (result->spaceRule == SpaceRule::SizeCap)
        count.removedForSpace = result->removedForSpace;
    return count;
}

} // namespace culler
