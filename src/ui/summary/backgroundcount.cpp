#include "backgroundcount.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

namespace culler {

// What the window's thread and the counting thread share, under one lock. The counting thread
// holds it too, so whatever it uses lives as long as it runs. Every hand-over between the two
// threads goes through this lock, the signal carries nothing, so the thread sanitizer sees
// every one of them even though Qt's own event queue is hidden from it.
struct BackgroundCount::Shared {
    struct Request {
        PurgeRequest request;
        QDateTime now;
        QLocale locale;
    };

    std::mutex mutex;
    std::condition_variable wake;
    // The request to count next; a newer one replaces it.
    std::optional<Request> waiting;
    // Tells the count in progress to give up: set by a newer request, a stop, or the end.
    std::atomic<bool> stopCount = false;
    bool counting = false;
    bool closing = false;
    // Signalled, under the lock, once a result waits; nullptr once it is gone.
    BackgroundCount *receiver = nullptr;
    std::optional<RequestCount> result;
};

BackgroundCount::BackgroundCount(std::shared_ptr<const RequestCounter> counter, QObject *parent)
    : QObject(parent)
    , m_counter(std::move(counter))
    , m_shared(std::make_shared<Shared>()) {
    m_shared->receiver = this;
    connect(this, &BackgroundCount::resultWaiting, this, &BackgroundCount::takeResult,
            Qt::QueuedConnection);
}

BackgroundCount::~BackgroundCount() {
    bool counting = false;
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->receiver = nullptr;
        m_shared->closing = true;
        m_shared->waiting.reset();
        m_shared->stopCount = true;
        counting = m_shared->counting;
    }
    m_shared->wake.notify_all();
    if (!m_thread.joinable())
        return;
    // A thread between counts ends at once. One inside a count ends as soon as the count sees
    // the stop, unless a system call holds it (a hung mount): it is let go rather than waited
    // for, and ends on its own, holding all it uses; the process's end takes it with it.
    if (counting)
        m_thread.detach();
    else
        m_thread.join();
}

void BackgroundCount::start(const PurgeRequest &request, const QDateTime &now,
                            const QLocale &locale) {
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->waiting = Shared::Request{request, now, locale};
        m_shared->stopCount = m_shared->counting;
        m_shared->result.reset();
    }
    m_shared->wake.notify_all();
    if (m_thread.joinable())
        return;
    try {
        m_thread = std::thread(countRequests, m_shared, m_counter);
    } catch (const std::system_error &error) {
        // No thread to count on: the line says so rather than counting forever.
        stop();
        Q_EMIT counted(RequestCount{
            QStringLiteral("cannot count: %1").arg(QString::fromLocal8Bit(error.what())), 0, 0, 0});
    }
}

void BackgroundCount::stop() {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->waiting.reset();
    m_shared->stopCount = m_shared->counting;
    m_shared->result.reset();
}

void BackgroundCount::takeResult() {
    std::optional<RequestCount> result;
    {
        const std::lock_guard lock(m_shared->mutex);
        result = std::exchange(m_shared->result, std::nullopt);
    }
    if (result)
        Q_EMIT counted(*result);
}

void BackgroundCount::countRequests(std::shared_ptr<Shared> shared,
                                    std::shared_ptr<const RequestCounter> counter) {
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->wake.wait(lock, [&] { return shared->waiting || shared->closing; });
        if (shared->closing)
            return;
        const Shared::Request next = std::move(*shared->waiting);
        shared->waiting.reset();
        shared->stopCount = false;
        shared->counting = true;
        lock.unlock();
        const RequestCount count =
            counter->count(next.request, next.now, next.locale, shared->stopCount);
        lock.lock();
        shared->counting = false;
        if (shared->stopCount || shared->receiver == nullptr)
            continue;
        shared->result = count;
        Q_EMIT shared->receiver->resultWaiting();
    }
}

} // namespace culler
