#pragma once

// Runs the window's purge on a thread of its own, so the window paints, moves and answers while a
// large or slow directory is purged, and Exit can stop it. One run at a time. Its progress and its
// end come back to the window's thread as signals; the signals carry nothing, and the window
// takes what they announce from here, so everything the two threads share passes one lock.

#include "purge/purge.h"

#include <QObject>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

namespace culler {

class BackgroundPurge final : public QObject {
    Q_OBJECT

public:
    explicit BackgroundPurge(QObject *parent = nullptr);
    // Stops a run in progress and waits for it: the file in hand and the removals already decided
    // are finished, so no file is left half dealt with.
    ~BackgroundPurge() override;

    // How often the progress is announced at most; 50 ms unless set. A large directory examines
    // thousands of files a second, more than a window has any use to hear of.
    void setProgressInterval(std::chrono::milliseconds interval) { m_interval = interval; }

    // Starts running job and returns at once; ended() follows. Only when no thread can be had is
    // the job run before this returns.
    void start(const PurgeJob &job);
    bool isRunning() const { return m_thread.joinable() || m_endWaiting; }
    // Asks the run to end after the file in hand.
    void stop() { m_stop = true; }

    struct Progress {
        qint64 value = 0;
        qint64 maximum = 1;
    };
    // The progress as the run last reported it.
    Progress progress();
    // What the run did, once it has ended; the run is over after this.
    PurgeResult takeResult();

Q_SIGNALS:
    // From the purge thread, at most one waiting at a time and once an interval.
    void progressed();
    // From the purge thread, once the run is over.
    void ended();

private:
    class Display;

    void run(const PurgeJob &job);

    std::chrono::milliseconds m_interval{50};
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_progressWaiting = false;
    std::mutex m_mutex;
    Progress m_progress;
    std::optional<PurgeResult> m_result;
    // The run ended on this thread, no thread being had: its outcome waits all the same.
    bool m_endWaiting = false;
    std::thread m_thread;
};

} // namespace culler
