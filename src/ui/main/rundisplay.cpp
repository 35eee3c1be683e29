#include "rundisplay.h"

#include "purge/outcomewords.h"
#include "runtime/messages.h"

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
                       const Calendar &calendar, std::function<QWidget *(RequestField)> controlFor)
    : m_bar(bar)
    , m_status(status)
    , m_messages(messages)
    , m_calendar(calendar)
    , m_controlFor(std::move(controlFor)) {}

void RunDisplay::beginRun() {
    showProgress(0, 1);
    m_status.clear();
    tellOutcome(QString());
}

void RunDisplay::showProgress(qint64 value, qint64 maximum) {
    // The value goes last: a range that leaves the old value outside it empties the bar.
    m_bar.setRange(0, barUnits(maximum));
    m_bar.setValue(barUnits(value));
}

void RunDisplay::refuse(const Refusal &refusal, const PurgeRequest &form) {
    show(refusalText(refusal, form, m_calendar), refusal.field);
}

void RunDisplay::endRun(const PurgeOutcome &outcome, const PurgeRequest &form, Messages messages) {
    if (outcome.status == PurgeStatus::Refused) {
        if (messages == Messages::Show)
            refuse(outcome.refusal, form);
        return;
    }
    if (outcome.status == PurgeStatus::Finished)
        m_status.setText(finishedText());
    tellOutcome(outcomeText(outcome, PurgeAction::Remove, form.removal));
    if (messages == Messages::Leave)
        return;
    if (outcome.listingError)
        refuse(Refusal::unreadableDirectory(outcome.listingError), form);
    const QString closing = closingText(
        outcome, PurgeAction::Remove,
        [&form](const QByteArray &name) {
            return form.directory + QLatin1Char('/') + QString::fromLocal8Bit(name);
        },
        form.removal);
    if (!closing.isEmpty())
        show(closing, RequestField::None);
}

void RunDisplay::endPutBack(const PutBackOutcome &outcome) {
    if (const QString refused = putBackRefusalText(outcome); !refused.isEmpty()) {
        show(refused, RequestField::None);
        return;
    }
    tellOutcome(putBackOutcomeText(outcome));
    const QString closing = putBackClosingText(
        outcome, [](const QByteArray &path) { return QString::fromLocal8Bit(path); });
    if (!closing.isEmpty())
        show(closing, RequestField::None);
}

void RunDisplay::tellOutcome(const QString &text) {
    m_status.setToolTip(text);
    m_status.setAccessibleDescription(text);
}

void RunDisplay::show(const QString &prompt, RequestField focus) {
    m_messages.show(errorMessage(prompt));
    if (QWidget *control = m_controlFor(focus))
        control->setFocus();
}

} // namespace culler
