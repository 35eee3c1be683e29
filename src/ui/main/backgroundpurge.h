#pragma once

// Runs the window's purge, or its put back of a run, on a thread of its own, so the window paints,
// moves and answers while a large or slow directory is purged or thousands of files go home, and
// Exit can stop either. A purge whose job empties the Trash after it does so on the same thread,
// unless it was stopped. One at a time: a start while one is in hand, or its result not yet taken,
// is refused. Its progress and its end come back to the window's thread as signals that carry
// nothing; the window takes what they announce from here.

#include "purge/purge.h"
#include "purge/putback.h"
#include "purge/trashexpiry.h"
#include "ui/backgroundtask.h"

#include <QObject>
#include <chrono>
#include <variant>

namespace culler {

class BackgroundPurge final : public QObject {
    Q_OBJECT

public:
    explicit BackgroundPurge(QObject *parent = nullptr);
    // Stops a run in progress and waits for it: the file in hand and the removals already decided
    // are finished, so no file is left half dealt with.
    ~BackgroundPurge() override = default;

    // How often the progress is announced at most; 50 ms unless set.
    void setProgressInterval(std::chrono::milliseconds interval) {
        m_task.setProgressInterval(interval);
    }

    // Starts running job and returns at once; ended() follows. Returns false, doing nothing, while
    // another run is in hand or its result has not been taken. Only when no thread can be had is
    // the job run before this returns.
    [[nodiscard]] bool start(const PurgeJob &job);
    [[nodiscard]] bool start(const PutBackJob &job);
    bool isRunning() const { return m_task.busy(); }
    // Asks the run to end after the file in hand.
    void stop() { m_task.stop(); }

    struct Progress {
        qint64 value = 0;
        qint64 maximum = 1;
    };
    // The progress as the run last reported it.
    Progress progress() { return m_task.takeProgress(); }

    // What a purge did and, when its job asked for it and it ran to its end, what the emptying of
    // the Trash after it did.
    struct PurgeRun {
        PurgeResult purge;
        std::optional<TrashExpiryOutcome> trashExpiry = std::nullopt;
    };
    // What a purge did, or a put back, as the job started was one or the other.
    using Result = std::variant<PurgeRun, PutBackResult>;
    // What the run did, once it has ended; nothing before. The run is over after this.
    std::optional<Result> takeResult() { return m_task.takeResult(); }

Q_SIGNALS:
    // At most one waiting at a time and once an interval.
    void progressed();
    // Once the run is over.
    void ended();

private:
    using Task = BackgroundTask<Result, Progress>;

    bool startWork(const Task::Work &work);

    Task m_task{WhenBusy::Refuse, std::nullopt};
};

} // namespace culler
