#pragma once

// Counts what a request would take without keeping the window waiting: the counting runs on a
// thread of its own, and its result comes back to the window's thread as a signal. Only the
// latest count ever reports; one stopped or overtaken by a newer one is told to give up and its
// result, should it still arrive, is dropped. It never deletes anything and never shows anything.

#include "purge/purgerequest.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

namespace culler {

struct RequestCount {
    // Why the request cannot run, in a few words ("no directory"); empty when it was counted.
    QString refusal;
    // The plain files that match the pattern, as a run would examine them.
    qint64 matching = 0;
    // The files among them that a run would delete, and their size in bytes.
    qint64 toDelete = 0;
    qint64 bytesToDelete = 0;
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
    // Stops the count in progress without waiting for it: a count held up by a slow disk must
    // not hold up the program's end.
    ~BackgroundCount() override;

    // Starts counting and returns at once; a count still in progress is stopped first.
    void start(const PurgeRequest &request, const QDateTime &now, const QLocale &locale);
    // Stops the count in progress, if there is one; its result never comes.
    void stop();
    bool isCounting() const { return m_stop != nullptr; }

Q_SIGNALS:
    void counted(const RequestCount &count);

private:
    struct Mailbox;

    void deliver(quint64 generation, const RequestCount &count);

    std::shared_ptr<const RequestCounter> m_counter;
    // Shared with every counting thread, which may outlive this object.
    std::shared_ptr<Mailbox> m_mailbox;
    // The stop flag of the count in progress, or nullptr.
    std::shared_ptr<std::atomic<bool>> m_stop;
    // Which count is the latest; a result from any other is dropped.
    quint64 m_generation = 0;
};

} // namespace culler
