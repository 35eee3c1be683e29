#include "backgroundpurge.h"

#include <system_error>
#include <utility>

namespace culler {

// The purge thread's side: keeps the progress where the window can take it, announces it no more
// often than the interval and only when the window has taken the last, and passes on the stop.
class BackgroundPurge::Display final : public PurgeDisplay {
public:
    explicit Display(BackgroundPurge &owner)
        : m_owner(owner) {}

    void setProgressMaximum(qint64 maximum) override {
        update([maximum](Progress &progress) { progress.maximum = maximum; });
    }
    void setProgressValue(qint64 value) override {
        update([value](Progress &progress) { progress.value = value; });
    }
    bool stopRequested() const override { return m_owner.m_stop.load(std::memory_order_relaxed); }

private:
    template <typename Change> void update(Change change) {
        {
            const std::lock_guard lock(m_owner.m_mutex);
            change(m_owner.m_progress);
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - m_announced < m_owner.m_interval || m_owner.m_progressWaiting.exchange(true))
            return;
        m_announced = now;
        Q_EMIT m_owner.progressed();
    }

    BackgroundPurge &m_owner;
    std::chrono::steady_clock::time_point m_announced{};
};

BackgroundPurge::BackgroundPurge(QObject *parent)
    : QObject(parent) {}

BackgroundPurge::~BackgroundPurge() {
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundPurge::start(const PurgeJob &job) {
    m_stop = false;
    m_progressWaiting = false;
    try {
        m_thread = std::thread(&BackgroundPurge::run, this, job);
    } catch (const std::system_error &) {
        // No thread to be had (a process limit): the window waits for the run, as it once did.
        m_endWaiting = true;
        run(job);
    }
}

void BackgroundPurge::run(const PurgeJob &job) {
    Display display(*this);
    PurgeResult result = runPurge(job, display);
    {
        const std::lock_guard lock(m_mutex);
        m_result.emplace(std::move(result));
    }
    Q_EMIT ended();
}

BackgroundPurge::Progress BackgroundPurge::progress() {
    m_progressWaiting = false;
    const std::lock_guard lock(m_mutex);
    return m_progress;
}

PurgeResult BackgroundPurge::takeResult() {
    if (m_thread.joinable())
        m_thread.join();
    m_endWaiting = false;
    const std::lock_guard lock(m_mutex);
    PurgeResult result = *std::move(m_result);
    m_result.reset();
    return result;
}

} // namespace culler
