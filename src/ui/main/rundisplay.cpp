#include "rundisplay.h"

#include "runtime/messages.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <climits>

namespace culler {

namespace {

int barUnits(qint64 count) {
    return int(std::clamp<qint64>(count, 0, INT_MAX));
}

} // namespace

RunDisplay::RunDisplay(QProgressBar &bar, QLabel &status, MessageBoxes &messages,
                       std::function<QWidget *(RequestField)> controlFor)
    : m_bar(bar)
    , m_status(status)
    , m_messages(messages)
    , m_controlFor(std::move(controlFor)) {}

void RunDisplay::beginRun() {
    m_running = true;
    m_sincePainted.start();
    tellOutcome(QString());
}

void RunDisplay::endRun(const PurgeOutcome &outcome) {
    m_running = false;
    showProgress();
    if (outcome.status != PurgeStatus::Rejected)
        tellOutcome(outcomeText(outcome, PurgeAction::Delete));
}

void RunDisplay::tellOutcome(const QString &text) {
    m_status.setToolTip(text);
    m_status.setAccessibleDescription(text);
}

void RunDisplay::setProgressMaximum(qint64 maximum) {
    m_progressMaximum = maximum;
    paintWhenDue();
}

void RunDisplay::setProgressValue(qint64 value) {
    m_progressValue = value;
    paintWhenDue();
}

void RunDisplay::setStatusText(const QString &text) {
    showProgress();
    m_status.setText(text);
}

void RunDisplay::showMessage(const Message &message, RequestField focus) {
    showProgress();
    m_messages.show(message);
    if (QWidget *control = m_controlFor(focus))
        control->setFocus();
}

void RunDisplay::showProgress() {
    // The value goes last: a range that leaves the old value outside it empties the bar.
    m_bar.setRange(0, barUnits(m_progressMaximum));
    m_bar.setValue(barUnits(m_progressValue));
}

void RunDisplay::paintWhenDue() {
    if (m_running && m_sincePainted.elapsed() < m_paintInterval.count())
        return;
    showProgress();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sincePainted.start();
}

} // namespace culler
