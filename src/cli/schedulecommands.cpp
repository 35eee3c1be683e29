#include "cli/schedulecommands.h"

#include "purge/outcomewords.h"
#include "schedule/dailypurges.h"
#include "schedule/notification.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace culler {

namespace {

constexpr int Done = 0;
constexpr int NothingDone = 2;

// A terminal waits for systemctl longer than a window can.
constexpr std::chrono::seconds systemctlTimeout{30};

int refuse(const QString &message) {
    for (const QString &line : message.split(QLatin1Char('\n')))
        std::fprintf(stderr, "culler: %s\n", line.toLocal8Bit().constData());
    return NothingDone;
}

DailyPurges dailyPurges() {
    return DailyPurges(QFile::encodeName(QCoreApplication::applicationFilePath()),
                       systemctlTimeout);
}

std::optional<QString> managerProblem(const DailyPurges &purges) {
    if (const CommandFailure failure = purges.whyUnavailable())
        return QStringLiteral("daily purges need a systemd user manager, and none answers:\n%1")
            .arg(*failure);
    return std::nullopt;
}

int refuseUsage(const QString &problem) {
    return refuse(problem + QStringLiteral("\nTry \"culler --help\" for the options."));
}

int schedule(const QString &interval, const Expected<PurgeArguments, QString> &arguments,
             const Calendar &calendar) {
    if (interval != QStringLiteral("daily"))
        return refuseUsage(
            QStringLiteral("--schedule takes \"daily\", the one interval there is."));
    if (!arguments)
        return refuseUsage(arguments.error());
    // A request names one cut-off, and --before is one a daily purge refuses: --days is there.
    if (const OptionProblem problem = notCarriedDaily(*arguments))
        return refuseUsage(*problem);
    // The checks and words of a run now, so a purge that would be refused today is not set up.
    const Expected<DailyPurge, Refusal> purge = checkDailyPurge(*arguments, calendar);
    if (!purge)
        return refuse(refusalText(purge.error()));
    const DailyPurges purges = dailyPurges();
    if (const std::optional<QString> problem = managerProblem(purges))
        return refuse(*problem);
    if (const CommandFailure failure = purges.add(*purge))
        return refuse(*failure);
    std::printf("%s\n", unitName(purge->directory, purge->patterns).toLocal8Bit().constData());
    return Done;
}

int unschedule(const QString &given) {
    QString name = given;
    for (const QString &suffix : {QStringLiteral(".timer"), QStringLiteral(".service")}) {
        if (name.endsWith(suffix))
            name.chop(suffix.size());
    }
    const DailyPurges purges = dailyPurges();
    if (!name.startsWith(QStringLiteral("culler-")) || name.contains(QLatin1Char('/')) ||
        !purges.exists(name))
        return refuse(QStringLiteral("there is no daily purge named \"%1\": \"culler "
                                     "--schedules\" lists them.")
                          .arg(given));
    if (const std::optional<QString> problem = managerProblem(purges))
        return refuse(*problem);
    if (const CommandFailure failure = purges.remove(name))
        return refuse(*failure);
    return Done;
}

int list() {
    const DailyPurges purges = dailyPurges();
    for (const QString &name : purges.names()) {
        const std::optional<DailyPurge> purge = purges.read(name);
        const QString words =
            purge ? dailyPurgeText(*purge) : QStringLiteral("(changed by hand: see its unit)");
        std::printf("%s  %s\n", name.toLocal8Bit().constData(), words.toLocal8Bit().constData());
    }
    return Done;
}

} // namespace

bool isScheduleCommand(const QCommandLineParser &parser) {
    return parser.isSet(QStringLiteral("schedule")) || parser.isSet(QStringLiteral("schedules")) ||
           parser.isSet(QStringLiteral("unschedule"));
}

int runScheduleCommand(const QCommandLineParser &parser,
                       const Expected<PurgeArguments, QString> &arguments,
                       const Calendar &calendar) {
    if (parser.isSet(QStringLiteral("schedules")))
        return list();
    if (parser.isSet(QStringLiteral("unschedule")))
        return unschedule(parser.value(QStringLiteral("unschedule")));
    return schedule(parser.value(QStringLiteral("schedule")), arguments, calendar);
}

void notifyOfRun(const QByteArray &directory, const PurgeResult &result) {
    if (!result) {
        notifyDesktop(refusedNotificationTitle(directory), refusalText(result.error()));
        return;
    }
    if (const QString title = notificationTitle(*result); !title.isEmpty())
        notifyDesktop(title, outcomeText(*result));
}

} // namespace culler
