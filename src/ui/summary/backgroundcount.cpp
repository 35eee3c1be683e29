#include "backgroundcount.h"

#include <system_error>
#include <utility>

namespace culler {

BackgroundCount::BackgroundCount(std::shared_ptr<const RequestCounter> counter, QObject *parent)
    : QObject(parent)
    , m_counter(std::move(counter)) {
    connect(&m_task, &TaskSignals::finished, this, &BackgroundCount::takeResult);
}

void BackgroundCount::start(const PurgeRequest &request, const QDateTime &now,
                            const QLocale &locale) {
    // The count holds the counter itself, since a count let go at the end outlives this object.
    auto work = [counter = m_counter, request, now,
                 locale](BackgroundTask<RequestCount>::Context &context) {
        return counter->count(request, now, locale, context.stopFlag());
    };
    try {
        m_task.start(std::move(work));
    } catch (const std::system_error &error) {
        // No thread to count on: the line says so rather than counting forever.
        m_task.cancel();
        Q_EMIT counted(RequestCount{
            QStringLiteral("cannot count: %1").arg(QString::fromLocal8Bit(error.what())), 0, 0, 0});
    }
}

void BackgroundCount::takeResult() {
    if (const std::optional<RequestCount> result = m_task.takeResult())
        Q_EMIT counted(*result);
}

} // namespace culler
