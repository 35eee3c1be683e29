#include "purge/purge.h"

#include "runtime/calendar.h"
#include "runtime/number.h"
#include "runtime/wildcard.h"

#include <QStringList>

namespace culler {

namespace {

// How many failed files the closing message names one by one.
constexpr qsizetype namedFailuresLimit = 10;

// The path a file is reported under: the directory text, a separator and the name, joined as they
// stand, so the user recognises the directory they typed.
QString filePath(const QString &directory, const char *name) {
    return directory + QLatin1Char('/') + QString::fromLocal8Bit(name);
}

QString deletedAndKept(const PurgeOutcome &run) {
    const qint64 kept = run.examined - run.deleted;
    return (run.deleted == 1 ? QStringLiteral("1 file deleted")
                             : QStringLiteral("%1 files deleted").arg(run.deleted)) +
           QStringLiteral(", %1 kept").arg(kept);
}

class FailureReport {
public:
    void add(const QString &path, const SystemError &error) {
        if (m_lines.size() < namedFailuresLimit)
            m_lines << QStringLiteral("%1: %2").arg(path, error.reason());
        ++m_count;
    }

    qint64 count() const { return m_count; }

    // The message names the failed files, then says what became of the others, so the one box
    // the user must close also tells how the run went.
    Message message(const PurgeOutcome &run) const {
        QString prompt = m_count == 1
                             ? QStringLiteral("1 file could not be deleted:")
                             : QStringLiteral("%1 files could not be deleted:").arg(m_count);
        prompt += QLatin1Char('\n') + m_lines.join(QLatin1Char('\n'));
        if (m_count > m_lines.size())
            prompt += QStringLiteral("\n... and %1 more.").arg(m_count - m_lines.size());
        prompt += QLatin1Char('\n') + deletedAndKept(run) + QLatin1Char('.');
        return errorMessage(prompt);
    }

private:
    QStringList m_lines;
    qint64 m_count = 0;
};

Message unreadableDirectory(const QString &directory, const SystemError &error) {
    return errorMessage(
        QStringLiteral("Cannot read the directory \"%1\": %2.").arg(directory, error.reason()));
}

} // namespace

QString outcomeText(const PurgeOutcome &run) {
    if (run.failed == 0)
        return deletedAndKept(run);
    return deletedAndKept(run) + QStringLiteral(" (%1 could not be deleted)").arg(run.failed);
}

RemovalOutcome DeleteIfOld(const Directory &directory, const char *name, DateValue limit) {
    const FileStamp stamp = directory.stamp(name);
    if (stamp.error)
        return {Removal::Failed, stamp.error};
    // Replaced by a link or a directory since it was listed: not a file the user asked about.
    if (!stamp.isPlainFile)
        return {Removal::Kept, {}};
    if (datePart(stamp.modified) > limit)
        return {Removal::Kept, {}};
    if (const SystemError error = directory.remove(name))
        return {Removal::Failed, error};
    return {Removal::Deleted, {}};
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

PurgeOutcome runPurge(const PurgeRequest &request, const Calendar &calendar,
                      PurgeDisplay &display) {
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
    while (directory.nextPlainFile(pattern) != nullptr)
        display.setProgressMaximum(++maximum);
    if (directory.error()) {
        display.showMessage(unreadableDirectory(request.directory, directory.error()),
                            RequestField::Directory);
        return summary;
    }

    FailureReport failures;
    directory.rewind();
    while (const char *name = directory.nextPlainFile(pattern)) {
        const RemovalOutcome outcome = DeleteIfOld(directory, name, *limit.value);
        if (outcome.removal == Removal::Deleted)
            ++summary.deleted;
        else if (outcome.removal == Removal::Failed)
            failures.add(filePath(request.directory, name), outcome.error);
        display.setProgressValue(++summary.examined);
    }
    summary.failed = failures.count();

    summary.status = PurgeStatus::Unfinished;
    if (directory.error()) {
        display.showMessage(unreadableDirectory(request.directory, directory.error()),
                            RequestField::Directory);
    } else if (maximum - 1 == summary.examined) {
        display.setProgressValue(0);
        display.setStatusText(finishedText());
        summary.status = PurgeStatus::Finished;
    }

    if (failures.count() > 0)
        display.showMessage(failures.message(summary), RequestField::None);
    return summary;
}

} // namespace culler
