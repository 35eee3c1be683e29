#include "cli/runcommands.h"

#include "cli/rawarguments.h"
#include "purge/outcomewords.h"
#include "purge/putback.h"
#include "runtime/runlog.h"

#include <QString>
#include <cstdio>

namespace culler {

namespace {

void printMessage(const QString &text) {
    for (const QString &line : text.split(QLatin1Char('\n')))
        std::fprintf(stderr, "culler: %s\n", line.toLocal8Bit().constData());
}

void printLine(const QString &text) {
    std::printf("%s\n", text.toLocal8Bit().constData());
}

} // namespace

int listRuns(const QByteArray &runsDirectory) {
    const Expected<std::vector<QByteArray>, SystemError> ids = keptRunIds(runsDirectory);
    if (!ids) {
        printMessage(
            putBackRefusalText({PutBackProblem::RunsUnreadable, {}, ids.error(), runsDirectory}));
        return 2;
    }
    if (ids->empty())
        printMessage(QStringLiteral("No run has been kept."));
    for (const QByteArray &id : *ids) {
        const Expected<KeptRun, SystemError> run = readRun(runsDirectory, id);
        if (!run) {
            printMessage(runListUnreadableText(id, run.error()));
            continue;
        }
        printLine(QStringLiteral("%1  %2  %3  %4")
                      .arg(QString::fromLatin1(id),
                           run->started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                           shownBytes(run->directory), keptRunText(*run)));
    }
    return 0;
}

int putBackFromCommandLine(const QByteArray &runsDirectory, const QByteArray &id,
                           PurgeAction action, RunVerbosity verbosity) {
    PutBackJob job{runsDirectory, id, action};
    if (verbosity == RunVerbosity::Verbose || action == PurgeAction::List)
        job.fileBack = [](const QByteArray &path) {
            printLine(shownBytes(path));
        };
    const PutBackResult result = putBackRun(job);
    if (!result) {
        printMessage(putBackRefusalText(result.error()));
        return 2;
    }
    const PutBackOutcome &outcome = *result;
    const QString closing = putBackClosingText(outcome, shownBytes);
    if (!closing.isEmpty())
        printMessage(closing);
    else if (verbosity == RunVerbosity::Verbose || action == PurgeAction::List)
        printMessage(putBackOutcomeText(outcome));
    return outcome.fellShort() || outcome.markError || outcome.infoKept.count > 0 ? 1 : 0;
}

} // namespace culler
