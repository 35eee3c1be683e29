#include "schedule/dailypurge.h"

#include "schedule/unitcommandline.h"

#include "purge/outcomewords.h"
#include "runtime/number.h"

#include <QCryptographicHash>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <unistd.h>

namespace culler {

namespace {

QByteArray daysText(double days) {
    return QByteArray::number(days, 'g', 15);
}

// The number a days text starts with, as a run reads it: "30 days" is 30.
QString daysNumber(const QString &text) {
    return QString::fromLatin1(daysText(leadingNumber(text).value_or(0)));
}

// "1 day", "30 days", as the question names a number of days.
QString dayCount(const QString &days) {
    return days == QLatin1String("1") ? QStringLiteral("1 day") : days + QStringLiteral(" days");
}

// "*.log", "*.log or *.gz", "*.log, *.gz or *.xz".
QString alternatives(const std::vector<QByteArray> &patterns) {
    QStringList names;
    for (const QByteArray &pattern : patterns)
        names << readableBytes(pattern);
    const QString last = names.isEmpty() ? QString() : names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
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

QString unitName(const QByteArray &directory, std::vector<QByteArray> patterns) {
    std::sort(patterns.begin(), patterns.end());
    patterns.erase(std::unique(patterns.begin(), patterns.end()), patterns.end());
    // The NUL cannot occur in a name, so no two requests hash the same bytes.
    QByteArray request = directory;
    for (const QByteArray &pattern : patterns)
        request += '\0' + pattern;
    const QByteArray hash = QCryptographicHash::hash(request, QCryptographicHash::Sha256);
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

DailyPurge asDailyPurge(PurgeArguments arguments) {
    arguments.directory = absoluteDirectory(arguments.directory);
    arguments.days = daysNumber(arguments.days.value_or(QString()));
    if (arguments.trashDays)
        arguments.trashDays = daysNumber(*arguments.trashDays);
    arguments.notify = true;
    return arguments;
}

QString dailyPurgeText(const DailyPurge &purge) {
    const QString age =
        dayCount(daysNumber(purge.days.value_or(QString()))) + QStringLiteral(" old");
    QString where = readableBytes(purge.directory);
    if (purge.subfolders == Subfolders::Included)
        where += QStringLiteral(" and its subfolders");
    if (purge.subfolders == Subfolders::Included && purge.maxDepth)
        where += *purge.maxDepth == 1
                     ? QStringLiteral(", 1 level down at most,")
                     : QStringLiteral(", %1 levels down at most,").arg(*purge.maxDepth);
    QString text = purge.removal == RemovalKind::Trash
                       ? QStringLiteral("Every day, move the files of type %1 in %2 that are %3 or "
                                        "older to the Trash")
                       : QStringLiteral("Every day, delete the files of type %1 in %2 that are %3 "
                                        "or older");
    text = text.arg(alternatives(purge.patterns), where, age);
    // What may go beyond the age, or less of it, and what goes from the Trash: the question
    // before a daily purge is set up must not leave out anything that deletes.
    if (purge.keepFree) {
        const QString free =
            purge.keepFree->percent >= 0
                ? QStringLiteral("%1% of its size").arg(QString::number(purge.keepFree->percent))
                : sizeText(purge.keepFree->bytes);
        text += QStringLiteral(", the oldest first and only until the mount has %1 free").arg(free);
    }
    if (purge.maxSize)
        text += QStringLiteral(", then more of the oldest while those left take more than %1")
                    .arg(sizeText(*purge.maxSize));
    QStringList kept;
    if (!purge.exclusions.empty())
        kept << QStringLiteral("those of type ") + alternatives(purge.exclusions);
    if (const qint64 newest = purge.keepNewest.value_or(0); newest > 0)
        kept << (newest == 1 ? QStringLiteral("the newest")
                             : QStringLiteral("the %1 newest").arg(newest));
    if (!kept.isEmpty())
        text += QStringLiteral(", but keep ") + kept.join(QStringLiteral(" and "));
    if (purge.emptiedFolders == EmptiedFolders::Removed)
        text += QStringLiteral(", and remove the subfolders it empties");
    if (purge.removal == RemovalKind::Trash && purge.trashDays)
        text += QStringLiteral(", and remove for good from the Trash what it moved there %1 ago or "
                               "more")
                    .arg(dayCount(*purge.trashDays));
    return text + QLatin1Char('.');
}

QList<QByteArray> dailyPurgeCommand(const QByteArray &program, const DailyPurge &purge) {
    return QList<QByteArray>{program} + purgeArgumentList(purge);
}

std::optional<DailyPurge> dailyPurgeOf(const QList<QByteArray> &command) {
    if (command.isEmpty())
        return std::nullopt;
    const Expected<PurgeArguments, QString> purge = readPurgeArgumentList(command.mid(1));
    if (!purge || notCarriedDaily(*purge) || !purge->days)
        return std::nullopt;
    bool isNumber = false;
    const double days = purge->days->toDouble(&isNumber);
    if (!isNumber || days < 0)
        return std::nullopt;
    return *purge;
}

QByteArray serviceText(const QByteArray &program, const DailyPurge &purge) {
    return "# Culler's daily purge: its \"Once a Day\" box and \"culler --unschedule " +
           unitName(purge.directory, purge.patterns).toUtf8() + "\" remove it.\n" +
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
