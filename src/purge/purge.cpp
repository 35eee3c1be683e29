#include "purge/purge.h"

#include "purge/removalworker.h"

#include "runtime/calendar.h"
#include "runtime/number.h"
#include "runtime/wildcard.h"

#include <QStringList>
#include <cerrno>
#include <utility>

namespace culler {

namespace {

// The path a file is reported under: the directory text, a separator and the name, joined as they
// stand, so the user recognises the directory they typed.
QString filePath(const QString &directory, const char *name) {
    return directory + QLatin1Char('/') + QString::fromLocal8Bit(name);
}

// Files of one kind in the closing message: the first few named with their reason, the rest
// counted.
class FileList {
public:
    // namedLimit: how many files are named one by one, as the display asks.
    FileList(QString whatHappened, qint64 namedLimit)
        : m_whatHappened(std::move(whatHappened))
        , m_namedLimit(namedLimit) {}

    void add(const QString &path, const QString &reason) {
        if (m_lines.size() < m_namedLimit)
            m_lines << QStringLiteral("%1: %2").arg(path, reason);
        ++m_count;
    }

    qint64 count() const { return m_count; }

    QString text() const {
        QString text = m_count == 1
                           ? QStringLiteral("1 file %1:").arg(m_whatHappened)
                           : QStringLiteral("%1 files %2:").arg(m_count).arg(m_whatHappened);
        text += QLatin1Char('\n') + m_lines.join(QLatin1Char('\n'));
        if (m_count > m_lines.size())
            text += QStringLiteral("\n... and %1 more.").arg(m_count - m_lines.size());
        return text;
    }

private:
    QString m_whatHappened;
    qint64 m_namedLimit = 0;
    QStringList m_lines;
    qint64 m_count = 0;
};

// The closing message: the files whose age could not be told apart from the files that were due
// and stayed, since only the second kind were meant to go.
// The message names the files kept against the request, then says what became of the others, so
// the one box the user must close also tells how the run went.
Message closingMessage(const FileList &notExamined, const FileList &notDeleted,
                       const PurgeOutcome &run, PurgeAction action) {
    QStringList parts;
    for (const FileList *list : {&notExamined, &notDeleted}) {
        if (list->count() > 0)
            parts << list->text();
    }
    return errorMessage(parts.join(QStringLiteral("\n\n")) + QLatin1Char('\n') +
                        outcomeText(run, action) + QLatin1Char('.'));
}

QString unexaminedReason(const SystemError &error) {
    if (error)
        return error.reason();
    return QStringLiteral("its modification time is not a date of this calendar");
}

Message unreadableDirectory(const QString &directory, const SystemError &error) {
    return errorMessage(
        QStringLiteral("Cannot read the directory \"%1\": %2.").arg(directory, error.reason()));
}

// What the stamp alone tells of a file: everything, except for a file that is due and is to be
// removed, which is left to removeJudged.
std::optional<RemovalOutcome> outcomeBeforeRemoval(const FileStamp &stamp, DateValue limit,
                                                   PurgeAction action) {
    if (stamp.error.code == ENOENT)
        return RemovalOutcome{Removal::Vanished, {}};
    if (stamp.error)
        return RemovalOutcome{Removal::NotExamined, stamp.error};
    switch (judge(stamp, limit)) {
    case Verdict::NotDue:
        return RemovalOutcome{Removal::Kept, {}};
    case Verdict::Unknown:
        return RemovalOutcome{Removal::NotExamined, {}};
    case Verdict::Due:
        break;
    }
    if (action == PurgeAction::List)
        return RemovalOutcome{Removal::Listed, {}, stamp.size};
    return std::nullopt;
}

RemovalOutcome removeJudged(const Directory &directory, const char *name, const FileStamp &judged) {
    RemovalOutcome outcome = removeDue(directory, name, judged.identity);
    outcome.size = judged.size;
    return outcome;
}

} // namespace

QString outcomeText(const PurgeOutcome &run, PurgeAction action) {
    const QString files =
        run.deleted == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(run.deleted);
    QString text = action == PurgeAction::List ? QStringLiteral("%1 would be deleted, %2 kept")
                                               : QStringLiteral("%1 deleted, %2 kept");
    text = text.arg(files).arg(run.examined - run.deleted - run.failed - run.notExamined);
    if (run.notExamined > 0)
        text += QStringLiteral(", %1 not examined").arg(run.notExamined);
    if (run.failed > 0)
        text += QStringLiteral(", %1 not deleted").arg(run.failed);
    return text;
}

Verdict judge(const FileStamp &stamp, DateValue limit) {
    // Replaced by a link or a directory since it was listed: not a file the user asked about.
    if (!stamp.isPlainFile)
        return Verdict::NotDue;
    // A day the calendar cannot name is no evidence of age.
    if (!stamp.modified)
        return Verdict::Unknown;
    return datePart(*stamp.modified) > limit ? Verdict::NotDue : Verdict::Due;
}

RemovalOutcome removeDue(const Directory &directory, const char *name,
                         const FileIdentity &identity) {
    const UnlinkResult unlinked = directory.removeIfUnchanged(name, identity);
    switch (unlinked.result) {
    case Unlink::Removed:
        return {Removal::Deleted, {}};
    case Unlink::Changed:
        return {Removal::Kept, {}};
    case Unlink::Failed:
        break;
    }
    if (unlinked.error.code == ENOENT)
        return {Removal::Vanished, {}};
    return {Removal::Failed, unlinked.error};
}

RemovalOutcome DeleteIfOld(const Directory &directory, const char *name, DateValue limit,
                           PurgeAction action) {
    const FileStamp stamp = directory.stamp(name);
    if (const std::optional<RemovalOutcome> outcome = outcomeBeforeRemoval(stamp, limit, action))
        return *outcome;
    return removeJudged(directory, name, stamp);
}

DaysCutOff daysCutOff(const QString &daysOld, const Calendar &calendar) {
    const std::optional<double> days = leadingNumber(daysOld);
    if (!days || *days < 0.0)
        return {std::nullopt, DaysProblem::NotANumber};
    const DateValue value = calendar.today() - *days;
    if (!isInDateRange(value))
        return {std::nullopt, DaysProblem::BeyondCalendar};
    return {value, DaysProblem::None};
}

CutOff cutOffDate(const PurgeRequest &request, const Calendar &calendar) {
    CutOff limit;
    if (request.mode == PurgeMode::Days) {
        const DaysCutOff days = daysCutOff(request.daysOld, calendar);
        limit.value = days.value;
        limit.field = days.value ? RequestField::None : RequestField::DaysOld;
        if (days.problem == DaysProblem::NotANumber)
            limit.error =
                errorMessage(QStringLiteral("Days old must be a number of days, 0 or more."));
        else if (days.problem == DaysProblem::BeyondCalendar)
            limit.error = errorMessage(
                QStringLiteral("%1 days before today is not a date: please enter a smaller number.")
                    .arg(request.daysOld.trimmed()));
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
                      PurgeAction action, RemovalMode mode) {
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

    FileList notExamined(QStringLiteral("could not be examined"), display.namedFailuresLimit());
    FileList notDeleted(QStringLiteral("could not be deleted"), display.namedFailuresLimit());
    const auto tell = [&](const char *name, const RemovalOutcome &outcome) {
        if (outcome.removal == Removal::Deleted || outcome.removal == Removal::Listed) {
            ++summary.deleted;
            summary.deletedBytes += outcome.size;
            display.fileChosen(name, outcome.size);
        } else if (outcome.removal == Removal::NotExamined) {
            notExamined.add(filePath(request.directory, name), unexaminedReason(outcome.error));
        } else if (outcome.removal == Removal::Failed) {
            notDeleted.add(filePath(request.directory, name), outcome.error.reason());
        }
    };
    // Pipelined, the next files are stamped while the last ones due are removed; what became of
    // those comes back here, in the order they were handed over, to be told like the rest.
    RemovalWorker removals(directory, &removeJudged,
                           action == PurgeAction::List ? RemovalMode::Inline : mode);
    // While this thread removes or waits for the worker, the progress stays where it is and is
    // still shown, as it is after every file examined.
    removals.setWhileBusy([&] { display.setProgressValue(summary.examined); });
    const auto tellRemovals = [&] {
        for (const RemovalReport &report : removals.takeReports())
            tell(report.name.c_str(), report.outcome);
    };
    // The files judged due so far go, as they would have one by one; only then are they counted.
    const auto settleRemovals = [&] {
        removals.finish();
        tellRemovals();
        summary.notExamined = notExamined.count();
        summary.failed = notDeleted.count();
    };
    directory.rewind();
    while (const char *name = directory.nextPlainFile(pattern)) {
        // A display that gives up on a run has no use for its closing messages.
        if (display.stopRequested()) {
            settleRemovals();
            summary.status = PurgeStatus::Stopped;
            return summary;
        }
        const FileStamp stamp = directory.stamp(name);
        if (const auto outcome = outcomeBeforeRemoval(stamp, *limit.value, action))
            tell(name, *outcome);
        else
            removals.add(name, stamp);
        tellRemovals();
        display.setProgressValue(++summary.examined);
    }
    // Also after a listing that failed part way.
    settleRemovals();

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

    if (notExamined.count() > 0 || notDeleted.count() > 0)
        display.showMessage(closingMessage(notExamined, notDeleted, summary, action),
                            RequestField::None);
    return summary;
}

} // namespace culler
