#include "schedule/dailypurge.h"

#include "schedule/unitcommandline.h"

#include <QCryptographicHash>
#include <QMap>
#include <climits>
#include <unistd.h>

namespace culler {

namespace {

QByteArray daysText(double days) {
    return QByteArray::number(days, 'g', 15);
}

// A text systemd would read specifiers in, as the text itself.
QByteArray withoutSpecifiers(const QString &text) {
    return text.toUtf8().replace('%', "%%");
}

QByteArray unitHeader(const DailyPurge &purge) {
    return "[Unit]\nDescription=Culler: " + withoutSpecifiers(dailyPurgeText(purge)) +
           "\nDocumentation=man:culler(1)\n";
}

} // namespace

QString unitName(const QByteArray &directory, const QByteArray &pattern) {
    // The NUL cannot occur in either, so no two requests hash the same bytes.
    const QByteArray hash =
        QCryptographicHash::hash(directory + '\0' + pattern, QCryptographicHash::Sha256);
    return QStringLiteral("culler-") + QString::fromLatin1(hash.toHex().left(12));
}

QByteArray absoluteDirectory(const QByteArray &directory) {
    QByteArray absolute = directory;
    if (!absolute.startsWith('/')) {
        char current[PATH_MAX];
        if (::getcwd(current, sizeof current) != nullptr)
            absolute = QByteArray(current) + '/' + absolute;
    }
    // "/home/me/tmp/" is the request "/home/me/tmp" is, and must get its name.
    while (absolute.size() > 1 && absolute.endsWith('/'))
        absolute.chop(1);
    return absolute;
}

QString dailyPurgeText(const DailyPurge &purge) {
    const QString age =
        purge.days == 1.0
            ? QStringLiteral("1 day old")
            : QStringLiteral("%1 days old").arg(QString::fromLatin1(daysText(purge.days)));
    const QString pattern = readableBytes(purge.pattern);
    const QString directory = readableBytes(purge.directory);
    if (purge.removal == RemovalKind::Trash)
        return QStringLiteral("Every day, move the files of type %1 in %2 that are %3 or older to "
                              "the Trash.")
            .arg(pattern, directory, age);
    return QStringLiteral("Every day, delete the files of type %1 in %2 that are %3 or older.")
        .arg(pattern, directory, age);
}

QList<QByteArray> dailyPurgeCommand(const QByteArray &program, const DailyPurge &purge) {
    QList<QByteArray> command = {program,       "--directory", purge.directory,     "--pattern",
                                 purge.pattern, "--days",      daysText(purge.days)};
    if (purge.removal == RemovalKind::Trash)
        command << "--trash";
    // A run nobody watches tells the desktop what it removed or could not.
    command << "--notify";
    return command;
}

std::optional<DailyPurge> dailyPurgeOf(const QList<QByteArray> &command) {
    QMap<QByteArray, QByteArray> values;
    for (qsizetype at = 1; at < command.size(); ++at) {
        QByteArray name = command[at];
        QByteArray value;
        if (const qsizetype equals = name.indexOf('='); equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        } else if (name != "--trash" && name != "--notify") {
            if (++at == command.size())
                return std::nullopt;
            value = command[at];
        }
        const bool known = name == "--directory" || name == "--pattern" || name == "--days" ||
                           name == "--trash" || name == "--notify";
        if (!known || values.contains(name))
            return std::nullopt;
        values.insert(name, value);
    }
    bool isNumber = false;
    const double days = values.value("--days").toDouble(&isNumber);
    if (!values.contains("--directory") || !values.contains("--pattern") || !isNumber || days < 0)
        return std::nullopt;
    return DailyPurge{values.value("--directory"), values.value("--pattern"), days,
                      values.contains("--trash") ? RemovalKind::Trash : RemovalKind::Delete};
}

QByteArray serviceText(const QByteArray &program, const DailyPurge &purge) {
    return "# Culler's daily purge: its \"Once a Day\" box and \"culler --unschedule " +
           unitName(purge.directory, purge.pattern).toUtf8() + "\" remove it.\n" +
           unitHeader(purge) + "\n[Service]\nType=oneshot\nExecStart=" +
           execStartLine(dailyPurgeCommand(program, purge)) + '\n';
}

QByteArray timerText(const DailyPurge &purge) {
    return unitHeader(purge) +
           "\n[Timer]\nOnCalendar=daily\n"
           "# A day missed while the computer was off is made up at the next start.\n"
           "Persistent=true\n"
           "\n[Install]\nWantedBy=timers.target\n";
}

std::optional<DailyPurge> dailyPurgeOfService(const QByteArray &service) {
    std::optional<QList<QByteArray>> command;
    for (const QByteArray &line : service.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.startsWith("ExecStart="))
            continue;
        // A second command would run too, and is not part of any purge this program makes.
        if (command)
            return std::nullopt;
        command = execStartArguments(trimmed.mid(int(sizeof "ExecStart=") - 1));
        if (!command)
            return std::nullopt;
    }
    if (!command)
        return std::nullopt;
    return dailyPurgeOf(*command);
}

} // namespace culler
