#pragma once

// A purge that runs once a day: what it removes, its name, how it is told to a person, and the
// two systemd user units that run the command line for it. Texts in and out only: nothing here
// touches a file or starts a process (see DailyPurges for that).

#include "purge/purgearguments.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

namespace culler {

// A daily purge is the arguments its service runs the command line with: only options a daily
// purge carries, the directory absolute (the manager runs the command from a directory of its
// own), --days a plain number and --notify, since nobody watches the run.
using DailyPurge = PurgeArguments;

// "culler-" and twelve hex digits of a hash of the directory and the patterns, sorted, each once:
// one daily
// purge per directory and kinds of file, with the same name on every machine and in every version,
// so the window and the command line find the one the other made. Of one pattern, the hash of the
// directory, a NUL and the pattern, as it has always been; each further pattern adds a NUL and
// itself.
QString unitName(const QByteArray &directory, std::vector<QByteArray> patterns);

// The directory as the manager must be given it: relative to the current directory made absolute.
QByteArray absoluteDirectory(const QByteArray &directory);

// The daily purge of arguments a run accepts with --days: the directory made absolute, the days
// and the Trash days the numbers their texts start with, and --notify.
DailyPurge asDailyPurge(PurgeArguments arguments);

// "Every day, delete the files of type *.tmp in /home/me/tmp that are 20 days old or older.", or
// "move ... to the Trash", with the subfolders, the files kept and the folders removed: what the
// purge does, in full.
QString dailyPurgeText(const DailyPurge &purge);

// The arguments of the command the service runs: program and the purge's options.
QList<QByteArray> dailyPurgeCommand(const QByteArray &program, const DailyPurge &purge);
// The purge a command runs, or nothing for a command that is not one dailyPurgeCommand makes.
std::optional<DailyPurge> dailyPurgeOf(const QList<QByteArray> &command);

// The service that runs the command once, and the timer that starts it every day.
QByteArray serviceText(const QByteArray &program, const DailyPurge &purge);
QByteArray timerText(const DailyPurge &purge);
// The purge a service file runs, read from its ExecStart=; nothing when it runs anything else.
std::optional<DailyPurge> dailyPurgeOfService(const QByteArray &service);

} // namespace culler
