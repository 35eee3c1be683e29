#include "cli/schedulecommands.h"

#include "cli/rawarguments.h"
#include "purge/outcomewords.h"
#include "purge/readrequest.h"
#include "runtime/number.h"
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

// Why the options make no daily purge; nothing when they make one.
std::optional<QString> scheduleProblem(const QCommandLineParser &parser) {
    if (parser.value(QStringLiteral("schedule")) != QStringLiteral("daily"))
        return QStringLiteral("--schedule takes \"daily\", the one interval there is.");
    if (!parser.isSet(QStringLiteral("directory")) || !parser.isSet(QStringLiteral("pattern")))
        return QStringLiteral("--directory and --pattern are required: say what to delete.");
    if (parser.isSet(QStringLiteral("before")))
        return QStringLiteral("a daily purge needs --days: a fixed date would delete the same "
                              "files every day.");
    if (!parser.isSet(QStringLiteral("days")))
        return QStringLiteral("give --days: how many days old a file must be to go.");
    if (parser.values(QStringLiteral("pattern")).size() > 1)
        return QStringLiteral("a daily purge takes one --pattern: set up one for each.");
    for (const char *option : {"directory", "days"}) {
        if (parser.values(QLatin1String(option)).size() > 1)
            return QStringLiteral("--%1 is given more than once.").arg(QLatin1String(option));
    }
    for (const char *option : {"exclude", "keep-newest", "dry-run", "verbose", "null"}) {
        if (parser.isSet(QLatin1String(option)))
            return QStringLiteral("--%1 cannot be part of a daily purge.")
                .arg(QLatin1String(option));
    }
    return std::nullopt;
}

// The value of an option as the bytes given, as long as they are the value the parser found.
QByteArray bytesOf(const QCommandLineParser &parser, const RawArguments &raw, const QString &name) {
    const std::vector<QByteArray> bytes = raw.values(name);
    return bytes.size() == 1 ? bytes.front() : QFile::encodeName(parser.value(name));
}

int schedule(const QCommandLineParser &parser, const RawArguments &raw, const Calendar &calendar) {
    if (const std::optional<QString> problem = scheduleProblem(parser))
        return refuse(*problem + QStringLiteral("\nTry \"culler --help\" for the options."));
    PurgeJob job;
    job.directory = bytesOf(parser, raw, QStringLiteral("directory"));
    job.patterns = {bytesOf(parser, raw, QStringLiteral("pattern"))};
    const QString days = parser.value(QStringLiteral("days"));
    // The checks and words of a run now, so a purge that would be refused today is not set up.
    if (const Expected<PurgeJob, Refusal> checked = checkDailyJob(job, days, calendar); !checked)
        return refuse(refusalText(checked.error()));

    const DailyPurge purge{
        absoluteDirectory(job.directory), job.patterns.front(), leadingNumber(days).value_or(0),
        parser.isSet(QStringLiteral("trash")) ? RemovalKind::Trash : RemovalKind::Delete};
    const DailyPurges purges = dailyPurges();
    if (const std::optional<QString> problem = managerProblem(purges))
        return refuse(*problem);
    if (const CommandFailure failure = purges.add(purge))
        return refuse(*failure);
    std::printf("%s\n", unitName(purge.directory, purge.pattern).toLocal8Bit().constData());
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

int runScheduleCommand(const QCommandLineParser &parser, const RawArguments &raw,
                       const Calendar &calendar) {
    if (parser.isSet(QStringLiteral("schedules")))
        return list();
    if (parser.isSet(QStringLiteral("unschedule")))
        return unschedule(parser.value(QStringLiteral("unschedule")));
    return schedule(parser, raw, calendar);
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
