#pragma once

// The daily purges from the command line: --schedule daily sets one up for the request given,
// --schedules lists them and --unschedule removes one, with the same units, names and checks as
// the window's "Once a Day" box. And --notify: the desktop notification a run from a timer sends,
// since nobody reads its terminal.

#include "purge/purge.h"
#include "purge/purgearguments.h"

class QCommandLineParser;

namespace culler {

class Calendar;

// Whether the arguments ask for --schedule, --schedules or --unschedule.
bool isScheduleCommand(const QCommandLineParser &parser);

// Runs that command, --schedule with the purge the arguments ask for, and returns the exit status:
// 0 done, 2 nothing done (a usage error, a request a daily purge cannot take, an unknown name, no
// user manager, a systemctl that failed).
int runScheduleCommand(const QCommandLineParser &parser,
                       const Expected<PurgeArguments, QString> &arguments,
                       const Calendar &calendar);

// Tells the desktop about a run of directory that removed files, kept some against the request or
// did nothing at all; a run that found nothing to do stays quiet.
void notifyOfRun(const QByteArray &directory, const PurgeResult &result);

} // namespace culler
