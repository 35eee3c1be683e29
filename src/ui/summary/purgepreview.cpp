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

RequestCount refusedCount(const Refusal &refusal) {
    RequestCount count;
    count.refusal = refusalInBrief(refusal);
    return count;
}

} // namespace

RequestCount PurgePreview::count(const PurgeRequest &request, const QDateTime &now,
                                 const QLocale &locale, const std::atomic<bool> &stop) const {
    const MomentClock clock(now);
    const Calendar calendar(clock, locale);
    JobReading reading = readJob(request, calendar);
    if (!reading.job)
        return refusedCount(reading.refusal);
    reading.job->action = PurgeAction::List;
    CountingDisplay display(stop);
    const PurgeOutcome outcome = runPurge(*reading.job, display);
    if (outcome.status == PurgeStatus::Refused)
        return refusedCount(outcome.refusal);
    // A directory that cannot be listed to its end names the input at fault; a file that vanished
    // while it was counted names none, and is simply not counted.
    if (outcome.listingError)
        return refusedCount(Refusal::unreadableDirectory(outcome.listingError));

    RequestCount count;
    count.matching = outcome.examined;
    count.toDelete = outcome.deleted;
    count.bytesToDelete = outcome.deletedBytes;
    return count;
}

} // namespace culler
