#include "purge/purge.h"

#include "runtime/calendar.h"
#include "runtime/number.h"
#include "runtime/wildcard.h"

#include <QStringList>

namespace culler {

namespace {

// The path a file is reported under: the directory text, a separator and the name, joined as they
// stand, so the user recognises the directory they typed.
QString filePath(const QString &directory, const char *name) {
    return directory + QLatin1Char('/') + QString::fromLocal8Bit(name);
}

class FailureReport {
public:
    explicit FailureReport(qint64 namedLimit)
        : m_namedLimit(namedLimit) {}

    void add(const QString &path, const SystemError &error) {
        if (m_lines.size() < m_namedLimit)
            m_lines << QStringLiteral("%1: %2").arg(path, error.reason());
        ++m_count;
    }

    qint64 count() const { return m_count; }

    // The message names the failed files, then says what became of the others, so the one box
    // the user must close also tells how the run went.
    Message message(const PurgeOutcome &run, PurgeAction action) const {
        QString prompt = m_count == 1
                             ? QStringLiteral("1 file could not be deleted:")
                             : QStringLiteral("%1 files could not be deleted:").arg(m_count);
        prompt += QLatin1Char('\n') + m_lines.join(QLatin1Char('\n'));
        if (m_count > m_lines.size())
            prompt += QStringLiteral("\n... and %1 more.").arg(m_count - m_lines.size());
        prompt += QLatin1Char('\n') + outcomeText(run, action) + QLatin1Char('.');
        return errorMessage(prompt);
    }

private:
    qint64 m_namedLimit = 0;
    QStringList m_lines;
    qint64 m_count = 0;
};

Message unreadableDirectory(const QString &directory, const SystemError &error) {
    return errorMessage(
        QStringLiteral("Cannot read the directory \"%1\": %2.").arg(directory, error.reason()));
}

} // namespace

QString outcomeText(const PurgeOutcome &run, PurgeAction action) {
    const QString files =
        run.deleted == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(run.deleted);
    QString text = action == PurgeAction::List ? QStringLiteral("%1 would be deleted, %2 kept")
                                               : QStringLiteral("%1 deleted, %2 kept");
    text = text.arg(files).arg(run.examined - run.deleted - run.failed);
    if (run.failed > 0)
        text += QStringLiteral(", %1 not deleted").arg(run.failed);
    return text;
}

RemovalOutcome DeleteIfOld(const Directory &directory, const char *name, DateValue limit,
                           PurgeAction action) {
    const FileStamp stamp = directory.stamp(name);
    if (stamp.error)
        return {Removal::Failed, stamp.error};
    // Replaced by a link or a directory since it was listed: not a file the user asked about.
    if (!stamp.isPlainFile)
        return {Removal::Kept, {}};
    if (datePart(stamp.modified) > limit)
        return {Removal::Kept, {}};
    if (action == PurgeAction::List)
        return {Removal::Listed, {}, stamp.size};
    if (const SystemError error = directory.remove(name))
        return {Removal::Failed, error};
    return {Removal::Deleted, {}, stamp.size};
}

CutOff cutOffDate(const PurgeRequest &request, const Calendar &calendar) {
    CutOff limit;
    if (request.mode == PurgeMode::Days) {
        const DateValue value = calendar.today() - numberFromText(request.daysOld);
        if (isInDateRange(value)) {
            limit.value = value;
            return limit;
        }
        limit.error = errorMessage(
            QStringLiteral("%1 days before today is not a date: please enter a smaller number.")
                .arg(request.daysOld.trimmed()));
        limit.field = RequestField::DaysOld;
        return limit;
    }

    limit.value = calendar.dateFromText(request.beforeDate);
    if (limit.value)
        return limit;
    limit.error = errorMessage(
        QStringLiteral("\"%1\" is not a date. Dates must be of the form %2 (today's date).")
            .arg(request.beforeDate, calendar.dateText(calendar.today())));
    limit.field = RequestField::BeforeDate;
    return limit;
}

PurgeOutcome runPurge(const PurgeRequest &request, const Calendar &calendar, PurgeDisplay &display,
                      PurgeAction action) {
    PurgeOutcome summary;
    qint64 maximum = 1;
    display.setProgressValue(0);
    display.setProgressMaximum(maximum);
    display.setStatusText(QString());

    if (request.directory.isEmpty()) {
        display.showMessage(
            errorMessage(QStringLiteral("You must enter a Directory to Purge files from!")),
            RequestField::Directory);
        return summary;
    }
    if (request.pattern.isEmpty()) {
        display.showMessage(errorMessage(QStringLiteral("You must enter a File Type to Purge!")),
                            RequestField::Pattern);
        return summary;
    }

    const CutOff limit = cutOffDate(request, calendar);
    if (!limit.value) {
        display.showMessage(limit.error, limit.field);
        return summary;
    }

    // One open handle serves both passes, so both see the same directory whatever happens to its
    // path meanwhile.
    Directory directory(request.directory);
    const Wildcard pattern(request.pattern);
    while (directory.nextPlainFile(pattern) != nullptr) {
        if (display.stopRequested()) {
            summary.status = PurgeStatus::Stopped;
            return summary;
        }
        display.setProgressMaximum(++maximum);
    }
    if (directory.error()) {
        summary.directoryError = directory.error();
        display.showMessage(unreadableDirectory(request.directory, directory.error()),
                            RequestField::Directory);
        return summary;
    }

    FailureReport failures(display.namedFailuresLimit());
    directory.rewind();
    while (const char *name = directory.nextPlainFile(pattern)) {
        // A display that gives up on a run has no use for its closing messages.
        if (display.stopRequested()) {
            summary.failed = failures.count();
            summary.status = PurgeStatus::Stopped;
            return summary;
        }
        const RemovalOutcome outcome = DeleteIfOld(directory, name, *limit.value, action);
        if (outcome.removal == Removal::Deleted || outcome.removal == Removal::Listed) {
            ++summary.deleted;
            summary.deletedBytes += outcome.size;
            display.fileChosen(name, outcome.size);
        } else if (outcome.removal == Removal::Failed) {
            failures.add(filePath(request.directory, name), outcome.error);
        }
        display.setProgressValue(++summary.examined);
    }
    summary.failed = failures.count();

    summary.status = PurgeStatus::Unfinished;
    if (directory.error()) {
        summary.directoryError = directory.error();
        display.showMessage(unreadableDirectory(request.directory, directory.error()),
                            RequestField::Directory);
    } else if (maximum - 1 == summary.examined) {
        display.setProgressValue(0);
        display.setStatusText(finishedText());
        summary.status = PurgeStatus::Finished;
    }

    if (failures.count() > 0)
        display.showMessage(failures.message(summary, action), RequestField::None);
    return summary;
}

} // namespace culler
