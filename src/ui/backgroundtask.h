#pragma once

// Runs work off the window's thread, one piece at a time, so the window paints and answers while a
// slow directory is read, and hands the work's progress and result back to the window's thread.
// The work is told through a flag when to give up. The window hears through signals that carry
// nothing and takes the values from here; every value crosses under one lock, so the thread
// sanitizer sees each hand-over even though Qt's own event queue is hidden from it.

#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <variant>

namespace culler {

// The signals of a BackgroundTask, sent on the thread that owns it, never from the work's.
class TaskSignals : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    // New progress waits to be taken: at most one such signal is on its way at a time.
    void progressed();
    // A result waits to be taken.
    void finished();
};

// What a start does while work is in hand.
enum class WhenBusy {
    // The start is refused; the work in hand goes on and its result comes.
    Refuse,
    // The work in hand is told to stop and its result is dropped; the new work runs once it has
    // returned, replacing any that was waiting, so only the latest work ever reports.
    Replace,
};

template <typename Result, typename Progress = std::monostate>
class BackgroundTask final : public TaskSignals {
    struct State;

public:
    // What the work is handed on its thread.
    class Context {
    public:
        explicit Context(State &state)
            : m_state(state) {}

        // Set once the work should return soon; what it returns then may be dropped.
        const std::atomic<bool> &stopFlag() const { return m_state.stop; }
        bool stopRequested() const { return m_state.stop.load(std::memory_order_relaxed); }

        // Changes the progress and announces it, unless an announcement still waits to be taken
        // or the last one is younger than the interval: a large directory examines thousands of
        // files a second, more than a window has any use to hear of.
        template <typename Change> void report(Change change) {
            const std::lock_guard lock(m_state.mutex);
            change(m_state.progress);
            const auto now = std::chrono::steady_clock::now();
            if (m_state.progressWaiting || now - m_announced < m_state.interval)
                return;
            m_state.progressWaiting = true;
            m_announced = now;
            m_state.announce(&TaskSignals::progressed);
        }

    private:
        State &m_state;
        std::chrono::steady_clock::time_point m_announced{};
    };

    using Work = std::function<Result(Context &)>;

    // patience: how long the task's end waits for work told to stop before leaving it to end on
    // its own; none waits as long as the work takes.
    BackgroundTask(WhenBusy whenBusy, std::optional<std::chrono::milliseconds> patience)
        : m_whenBusy(whenBusy)
        , m_patience(patience) {
        m_state->owner = this;
    }

    // Tells the work to stop and drops whatever it would still report. Work that returns within
    // the patience is waited for; work that does not (held in a system call on a hung mount) is
    // let go and ends on its own, holding all it uses, so it never holds up the program's end.
    ~BackgroundTask() override {
        std::unique_lock lock(m_state->mutex);
        m_state->owner = nullptr;
        m_state->waiting.reset();
        ++m_state->generation;
        m_state->stop = true;
        const auto idle = [this] {
            return !m_state->threadBusy;
        };
        if (m_patience)
            m_state->idle.wait_for(lock, *m_patience, idle);
        else
            m_state->idle.wait(lock, idle);
        const bool returned = idle();
        lock.unlock();
        if (!m_thread.joinable())
            return;
        if (returned)
            m_thread.join();
        else
            m_thread.detach();
    }

    BackgroundTask(const BackgroundTask &) = delete;
    BackgroundTask &operator=(const BackgroundTask &) = delete;

    void setProgressInterval(std::chrono::milliseconds interval) {
        const std::lock_guard lock(m_state->mutex);
        m_state->interval = interval;
    }

    // Starts work on the task's thread and returns at once; false, doing nothing, when the start
    // is refused. Throws std::system_error, doing nothing, when no thread can be had.
    bool start(Work work) {
        {
            std::unique_lock lock(m_state->mutex);
            if (m_state->threadBusy || m_state->result) {
                if (m_whenBusy == WhenBusy::Refuse)
                    return false;
                ++m_state->generation;
                m_state->stop = m_state->threadBusy;
                m_state->result.reset();
            }
            m_state->waiting = Pending{std::move(work), false};
            if (m_state->threadBusy)
                return true;
            m_state->threadBusy = true;
            m_state->progress = Progress{};
        }
        // The thread before has taken its last work and is on its way out.
        if (m_thread.joinable())
            m_thread.join();
        try {
            m_thread = std::thread(serve, m_state);
        } catch (...) {
            const std::lock_guard lock(m_state->mutex);
            m_state->threadBusy = false;
            m_state->waiting.reset();
            throw;
        }
        return true;
    }

    // Runs work on the calling thread and returns once it has, for when no thread can be had; its
    // result waits and is announced as if it came from the task's thread.
    void runHere(const Work &work) {
        {
            const std::lock_guard lock(m_state->mutex);
            m_state->stop = false;
            m_state->progress = Progress{};
        }
        Context context(*m_state);
        Result result = work(context);
        const std::lock_guard lock(m_state->mutex);
        m_state->result = std::move(result);
        m_state->announce(&TaskSignals::finished);
    }

    // Tells the work in hand, or waiting, to return soon; its result still comes.
    void stop() {
        const std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
        if (m_state->waiting)
            m_state->waiting->stop = true;
    }

    // Stops the work in hand and drops the waiting one: nothing of theirs is ever taken.
    void cancel() {
        const std::lock_guard lock(m_state->mutex);
        ++m_state->generation;
        m_state->stop = true;
        m_state->waiting.reset();
        m_state->result.reset();
    }

    // Whether work is in hand or waiting, or its result has not been taken.
    bool busy() const {
        const std::lock_guard lock(m_state->mutex);
        return m_state->threadBusy || m_state->result;
    }

    // The progress as the work last reported it; the next change is announced again.
    Progress takeProgress() {
        const std::lock_guard lock(m_state->mutex);
        m_state->progressWaiting = false;
        return m_state->progress;
    }

    std::optional<Result> takeResult() {
        const std::lock_guard lock(m_state->mutex);
        return std::exchange(m_state->result, std::nullopt);
    }

private:
    struct Pending {
        Work work;
        bool stop = false;
    };

    // What the owner's thread and the work's thread share, all of it under the one lock but the
    // stop flag, which the work reads as it goes. The thread holds it too, so it lives as long as
    // a thread let go at the end runs.
    struct State {
        mutable std::mutex mutex;
        // Told when the thread takes no more work.
        std::condition_variable idle;
        std::atomic<bool> stop = false;
        // A thread runs, or is about to run, the work.
        bool threadBusy = false;
        std::optional<Pending> waiting;
        // Moves on whenever what the work in hand would report is no longer wanted.
        std::uint64_t generation = 0;
        std::optional<Result> result;
        Progress progress{};
        bool progressWaiting = false;
        std::chrono::milliseconds interval{50};
        // The signals go to it while it lasts; nullptr once it is gone.
        TaskSignals *owner = nullptr;

        void announce(void (TaskSignals::*signal)()) {
            if (owner != nullptr)
                QMetaObject::invokeMethod(owner, signal, Qt::QueuedConnection);
        }
    };

    // The thread: runs the waiting work until none is left. Each work's callable is let go of
    // before its result is handed over, so whatever it holds is free by the time anyone hears; and
    // the thread is idle before the lock is let go after its last result, so an owner that has
    // taken that result finds it idle.
    static void serve(std::shared_ptr<State> state) {
        std::unique_lock lock(state->mutex);
        while (state->waiting) {
            Pending next = std::move(*state->waiting);
            state->waiting.reset();
            state->stop = next.stop;
            const std::uint64_t generation = state->generation;
            lock.unlock();
            std::optional<Result> result;
            {
                Context context(*state);
                result.emplace(next.work(context));
                next.work = nullptr;
            }
            lock.lock();
            if (generation != state->generation)
                continue;
            state->result = std::move(result);
            state->announce(&TaskSignals::finished);
        }
        state->threadBusy = false;
        state->idle.notify_all();
    }

    const WhenBusy m_whenBusy;
    const std::optional<std::chrono::milliseconds> m_patience;
    std::shared_ptr<State> m_state = std::make_shared<State>();
    std::thread m_thread;
};

} // namespace culler
