#include "purge/removalworker.h"

#include <system_error>
#include <utility>

namespace culler {

RemovalWorker::RemovalWorker(Step step, RemovalMode mode)
    : RemovalWorker(std::move(step), mode, QueueSize{}) {}

RemovalWorker::RemovalWorker(Step step, RemovalMode mode, QueueSize size)
    : m_step(std::move(step))
    , m_size{size.batchNames > 0 ? size.batchNames : 1, size.batches > 0 ? size.batches : 1} {
    if (mode == RemovalMode::Inline)
        return;
    try {
        m_thread = std::thread(&RemovalWorker::work, this);
        m_mode = RemovalMode::Pipelined;
    } catch (const std::system_error &) {
        // No thread to be had (a process limit): the same removals, one after each decision.
    }
}

RemovalWorker::~RemovalWorker() {
    stop();
    finish();
}

void RemovalWorker::add(const char *name, const FileStamp &judged,
                        std::shared_ptr<TreeFolder> folder) {
    if (m_stopped.load(std::memory_order_relaxed))
        return;
    if (m_mode == RemovalMode::Inline) {
        RemovalOutcome outcome = m_step(name, judged, folder.get());
        m_collected.push_back({name, std::move(outcome), std::move(folder)});
        return;
    }
    m_filling.entries.push_back({m_filling.names.size(), judged, std::move(folder)});
    m_filling.names.append(name).push_back('\0');
    if (m_filling.entries.size() >= m_size.batchNames)
        handOver();
}

void RemovalWorker::handOver() {
    std::unique_lock lock(m_mutex);
    // Batches removed here wait for the worker's reports before them; should it stop getting
    // anywhere, this thread stops too rather than pile them up.
    m_roomFreed.wait(lock, [this] {
        return m_queued.size() < m_size.batches || m_removed.size() < m_size.batches ||
               m_stopped.load(std::memory_order_relaxed);
    });
    collectReports(Collect::InOrder);
    if (m_stopped.load(std::memory_order_relaxed)) {
        m_filling.clear();
        return;
    }
    m_filling.sequence = m_nextSequence++;
    if (m_queued.size() >= m_size.batches) {
        // The worker is behind: this thread removes its batch alongside, instead of idling.
        removeHere(m_filling, lock);
        collectReports(Collect::InOrder);
        m_filling.clear();
        return;
    }
    m_queued.push_back(std::move(m_filling));
    if (m_spare.empty()) {
        m_filling = Batch();
    } else {
        m_filling = std::move(m_spare.back());
        m_spare.pop_back();
    }
    lock.unlock();
    m_workWaiting.notify_one();
}

std::vector<RemovalReport> RemovalWorker::removeAll(const Batch &batch) const {
    std::vector<RemovalReport> reports;
    reports.reserve(batch.entries.size());
    for (const Batch::Entry &entry : batch.entries) {
        if (m_stopped.load(std::memory_order_relaxed))
            break;
        const char *name = batch.names.data() + entry.offset;
        reports.push_back({name, m_step(name, entry.judged, entry.folder.get()), entry.folder});
    }
    return reports;
}

void RemovalWorker::removeHere(const Batch &batch, std::unique_lock<std::mutex> &lock) {
    lock.unlock();
    std::vector<RemovalReport> reports = removeAll(batch);
    lock.lock();
    m_removed.emplace(batch.sequence, std::move(reports));
}

void RemovalWorker::collectReports(Collect which) {
    while (!m_removed.empty()) {
        const auto next = m_removed.begin();
        // A stopped run drops queued batches, so the sequence may have gaps by the end.
        if (which == Collect::InOrder && next->first != m_nextToCollect)
            return;
        for (RemovalReport &report : next->second)
            m_collected.push_back(std::move(report));
        m_nextToCollect = next->first + 1;
        m_removed.erase(next);
    }
}

std::vector<RemovalReport> RemovalWorker::takeReports() {
    return std::exchange(m_collected, {});
}

void RemovalWorker::finish() {
    if (!m_thread.joinable())
        return;
    if (!m_filling.entries.empty())
        handOver();
    {
        std::unique_lock lock(m_mutex);
        // The last batches go sooner with both threads on them: this one takes them from the back
        // of the queue while the worker takes them from the front.
        while (!m_queued.empty() && !m_stopped.load(std::memory_order_relaxed)) {
            const Batch batch = std::move(m_queued.back());
            m_queued.pop_back();
            removeHere(batch, lock);
        }
        m_closing = true;
        m_workWaiting.notify_one();
        m_roomFreed.wait(lock, [this] { return m_workerEnded; });
    }
    m_thread.join();
    m_mode = RemovalMode::Inline;
    const std::lock_guard lock(m_mutex);
    collectReports(Collect::All);
}

void RemovalWorker::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopped.store(true, std::memory_order_relaxed);
        m_queued.clear();
    }
    m_filling.clear();
    m_roomFreed.notify_all();
}

void RemovalWorker::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workWaiting.wait(lock, [this] { return !m_queued.empty() || m_closing; });
        if (m_queued.empty()) {
            m_workerEnded = true;
            m_roomFreed.notify_all();
            return;
        }
        Batch batch = std::move(m_queued.front());
        m_queued.pop_front();
        lock.unlock();
        m_roomFreed.notify_one();

        std::vector<RemovalReport> reports = removeAll(batch);
        const std::uint64_t sequence = batch.sequence;
        batch.clear();

        lock.lock();
        m_removed.emplace(sequence, std::move(reports));
        m_spare.push_back(std::move(batch));
        m_roomFreed.notify_one();
    }
}

} // namespace culler
