#include "purgepreview.h"

#include "purge/purge.h"
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

// Takes what the listing run reports; it shows nothing, as it runs off the window's thread.
class CountingDisplay final : public PurgeDisplay {
public:
    explicit CountingDisplay(const std::atomic<bool> &stop)
        : m_stop(stop) {}

    void setProgressMaximum(qint64) override {}
    void setProgressValue(qint64) override {}
    void setStatusText(const QString &) override {}
    void showMessage(const Message &, RequestField field) override {
        if (refusedField == RequestField::None)
            refusedField = field;
    }
    bool stopRequested() const override { return m_stop.load(std::memory_order_relaxed); }

    // The input the run's first message was about; None while it has said nothing.
    RequestField refusedField = RequestField::None;

private:
    const std::atomic<bool> &m_stop;
};

QString refusal(RequestField field, const PurgeRequest &request, const Calendar &calendar,
                const PurgeOutcome &outcome) {
    switch (field) {
    case RequestField::Directory:
        if (request.directory.isEmpty())
            return QStringLiteral("no directory");
        return QStringLiteral("cannot read the directory: %1").arg(outcome.directoryError.reason());
    case RequestField::Pattern:
        return QStringLiteral("no file type");
    case RequestField::DaysOld:
        if (daysCutOff(request.daysOld, calendar).problem == DaysProblem::NotANumber)
            return QStringLiteral("not a number of days");
        return QStringLiteral("not a date");
    case RequestField::BeforeDate:
        return QStringLiteral("not a date");
    case RequestField::None:
        break;
    }
    return QString();
}

} // namespace

RequestCount PurgePreview::count(const PurgeRequest &request, const QDateTime &now,
                                 const QLocale &locale, const std::atomic<bool> &stop) const {
    const MomentClock clock(now);
    const Calendar calendar(clock, locale);
    CountingDisplay display(stop);
    const PurgeOutcome outcome = runPurge(request, calendar, display, PurgeAction::List);

    RequestCount count;
    // A refused request and a directory that cannot be read name an input; a file that vanished
    // while it was counted names none, and is simply not counted.
    count.refusal = refusal(display.refusedField, request, calendar, outcome);
    if (!count.refusal.isEmpty())
        return count;
    count.matching = outcome.examined;
    count.toDelete = outcome.deleted;
    count.bytesToDelete = outcome.deletedBytes;
    return count;
}

} // namespace culler
