#include "backgroundcount.h"

#include <mutex>
#include <system_error>
#include <thread>

namespace culler {

// Where a counting thread leaves its result. The thread posts to the receiver while holding the
// lock, and the receiver's destructor clears it under the same lock, so a result is never posted
// to an object that is being destroyed; one posted just before is discarded with the object.
struct BackgroundCount::Mailbox {
    std::mutex mutex;
    BackgroundCount *receiver = nullptr;
};

BackgroundCount::BackgroundCount(std::shared_ptr<const RequestCounter> counter, QObject *parent)
    : QObject(parent)
    , m_counter(std::move(counter))
    , m_mailbox(std::make_shared<Mailbox>()) {
    m_mailbox->receiver = this;
}

BackgroundCount::~BackgroundCount() {
    stop();
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->receiver = nullptr;
}

void BackgroundCount::start(const PurgeRequest &request, const QDateTime &now,
                            const QLocale &locale) {
    stop();
    const quint64 generation = ++m_generation;
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    auto work = [counter = m_counter, mailbox = m_mailbox, stopFlag, generation, request, now,
                 locale] {
        const RequestCount count = counter->count(request, now, locale, *stopFlag);
        const std::lock_guard lock(mailbox->mutex);
        BackgroundCount *receiver = mailbox->receiver;
        if (receiver == nullptr || stopFlag->load())
            return;
        QMetaObject::invokeMethod(
            receiver, [receiver, generation, count] { receiver->deliver(generation, count); },
            Qt::QueuedConnection);
    };
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error &error) {
        // No thread to count on: the line says so rather than counting forever.
        Q_EMIT counted(RequestCount{
            QStringLiteral("cannot count: %1").arg(QString::fromLocal8Bit(error.what())), 0, 0, 0});
        return;
    }
    m_stop = std::move(stopFlag);
}

void BackgroundCount::stop() {
    if (m_stop == nullptr)
        return;
    m_stop->store(true);
    m_stop.reset();
    ++m_generation;
}

void BackgroundCount::deliver(quint64 generation, const RequestCount &count) {
    if (generation != m_generation)
        return;
    m_stop.reset();
    Q_EMIT counted(count);
}

} // namespace culler
