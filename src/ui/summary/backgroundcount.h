#pragma once

// Counts what a request would take without keeping the window waiting: the counting runs on one
// thread of its own, one count at a time, and its result comes back to the window's thread as a
// signal. Only the latest count ever reports; one stopped or overtaken by a newer one is told to
// give up and its result is dropped. It never deletes anything and never shows anything.

#include "purge/purgerequest.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>

namespace culler {

struct RequestCount {
    // Why the request cannot run, in a few words ("no directory"); empty when it was counted.
    QString refusal;
    // The plain files that match the pattern, as a run would examine them.
    qint64 matching = 0;
    // The files among them that a run would remove, and their size in bytes.
    qint64 toRemove = 0;
    qint64 bytesToRemove = 0;
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
    // Stops the count in progress without waiting for it: a count held up by a hung mount must
    // not hold up the program's end. See the file for how its thread ends.
    ~BackgroundCount() override;

    // Counts request and returns at once. A count still in progress is told to stop, and this
    // one starts once it has: one count at a time, however often the user asks.
    void start(const PurgeRequest &request, const QDateTime &now, const QLocale &locale);
    // Stops the count in progress, if there is one, and drops one waiting to start; no result
    // of theirs ever comes.
    void stop();

Q_SIGNALS:
    void counted(const RequestCount &count);
    // From the counting thread: a result waits to be taken on this object's thread.
    void resultWaiting();

private:
    struct Shared;

    // The counting thread: counts the latest request, hands its result over unless it was told to
    // stop meanwhile, and waits for the next, until the owner goes.
    static void countRequests(std::shared_ptr<Shared> shared,
                              std::shared_ptr<const RequestCounter> counter);
    void takeResult();

    std::shared_ptr<const RequestCounter> m_counter;
    // Shared with the counting thread, which outlives this object when it is held up.
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

} // namespace culler
