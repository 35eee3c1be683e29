#pragma once

// Counts what a request would take without keeping the window waiting: the counting runs on one
// thread of its own, one count at a time, and its result comes back to the window's thread as a
// signal. Only the latest count ever reports; one stopped or overtaken by a newer one is told to
// give up and its result is dropped. It never deletes anything and never shows anything.

#include "purge/purgerequest.h"
#include "ui/backgroundtask.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <memory>

namespace culler {

struct RequestCount {
    // Why the request cannot run, in a few words ("no directory"); empty when it was counted.
    QString refusal;
    // The plain files that match the pattern, as a run would examine them.
    qint64 matching = 0;
    // The files among them that a run would remove, and their size in bytes.
    qint64 toRemove = 0;
    qint64 bytesToRemove = 0;
    // Of those, the ones a size cap takes beyond the cut-off.
    qint64 removedForSpace = 0;
};

class RequestCounter {
public:
    virtual ~RequestCounter() = default;
    // Counts what a purge of request would take if it ran at now, reading dates in locale. Runs
    // on a thread of its own, so it reaches nothing a window owns. Once stop is set it should
    // return soon; what it returns then is not used.
    virtual RequestCount count(const PurgeRequest &request, const QDateTime &now,
                               const QLocale &locale, const std::atomic<bool> &stop) const = 0;
};

class BackgroundCount final : public QObject {
    Q_OBJECT

public:
    explicit BackgroundCount(std::shared_ptr<const RequestCounter> counter,
                             QObject *parent = nullptr);
    // Stops the count in progress and gives it a moment to return; one held up by a hung mount is
    // not waited for, since it must not hold up the program's end, and ends on its own.
    ~BackgroundCount() override = default;

    // Counts request and returns at once. A count still in progress is told to stop, and this
    // one starts once it has: one count at a time, however often the user asks.
    void start(const PurgeRequest &request, const QDateTime &now, const QLocale &locale);
    // Stops the count in progress, if there is one, and drops one waiting to start; no result
    // of theirs ever comes.
    void stop() { m_task.cancel(); }

Q_SIGNALS:
    void counted(const RequestCount &count);

private:
    void takeResult();

    std::shared_ptr<const RequestCounter> m_counter;
    BackgroundTask<RequestCount> m_task{WhenBusy::Replace, std::chrono::milliseconds(200)};
};

} // namespace culler
