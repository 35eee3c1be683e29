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
                       std::function<QWidget *(RequestField)> controlFor)
    : m_bar(bar)
    , m_status(status)
    , m_messages(messages)
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

void RunDisplay::refuse(const Refusal &refusal) {
    show(refusalText(refusal), refusal.field);
}

void RunDisplay::endRun(const PurgeResult &result,
                        const std::optional<TrashExpiryOutcome> &trashExpiry, Messages messages) {
    if (!result) {
        if (messages == Messages::Show)
            refuse(result.error());
        return;
    }
    const PurgeOutcome &outcome = *result;
    if (outcome.status == PurgeStatus::Finished)
        m_status.setText(finishedText());
    QString told = outcomeText(outcome);
    if (trashExpiry)
        told += QStringLiteral("; ") + trashExpiryText(*trashExpiry);
    tellOutcome(told);
    if (messages == Messages::Leave)
        return;
    const QString directory = QString::fromLocal8Bit(directoryPrefix(outcome.directory));
    QString closing = closingText(outcome, [&directory](const QByteArray &name) {
        return directory + QString::fromLocal8Bit(name);
    });
    // One box to close, however much went wrong.
    if (const QString emptying = trashExpiry ? trashExpiryClosingText(*trashExpiry) : QString();
        !emptying.isEmpty())
        closing += (closing.isEmpty() ? QString() : QStringLiteral("\n\n")) + emptying;
    // A listing that failed is the directory's fault, and the focus goes there.
    if (!closing.isEmpty())
        show(closing, outcome.listingError ? RequestField::Directory : RequestField::None);
}

void RunDisplay::endPutBack(const PutBackResult &result, Messages messages) {
    if (!result) {
        if (messages == Messages::Show)
            show(putBackRefusalText(result.error()), RequestField::None);
        return;
    }
    tellOutcome(putBackOutcomeText(*result));
    if (messages == Messages::Leave)
        return;
    const QString closing = putBackClosingText(
        *result, [](const QByteArray &path) { return QString::fromLocal8Bit(path); });
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
