#pragma once

// A purge that runs once a day: what it removes, its name, how it is told to a person, and the
// two systemd user units that run the command line for it. Texts in and out only: nothing here
// touches a file or starts a process (see DailyPurges for that).

#include "purge/purgerequest.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace culler {

struct DailyPurge {
    // An absolute path: the manager runs the command from a directory of its own.
    QByteArray directory;
    QByteArray pattern;
    // The age in days at which a file goes; a fraction is kept as given.
    double days = 0;
    RemovalKind removal = RemovalKind::Delete;

    bool operator==(const DailyPurge &) const = default;
};

// "culler-" and twelve hex digits of a hash of directory and pattern: one daily purge per request,
// with the same name on every machine and in every version, so the window and the command line
// find the one the other made.
QString unitName(const QByteArray &directory, const QByteArray &pattern);

// The directory as the manager must be given it: relative to the current directory made absolute.
QByteArray absoluteDirectory(const QByteArray &directory);

// "Every day, delete the files of type *.tmp in /home/me/tmp that are 20 days old or older.", or
// "move ... to the Trash": what the purge does, in full.
QString dailyPurgeText(const DailyPurge &purge);

// The arguments of the command the service runs: program and the purge's options, with --notify.
QList<QByteArray> dailyPurgeCommand(const QByteArray &program, const DailyPurge &purge);
// The purge a command runs, or nothing for a command that is not one dailyPurgeCommand makes.
std::optional<DailyPurge> dailyPurgeOf(const QList<QByteArray> &command);

// The service that runs the command once, and the timer that starts it every day.
QByteArray serviceText(const QByteArray &program, const DailyPurge &purge);
QByteArray timerText(const DailyPurge &purge);
// The purge a service file runs, read from its ExecStart=; nothing when it runs anything else.
std::optional<DailyPurge> dailyPurgeOfService(const QByteArray &service);

} // namespace culler
