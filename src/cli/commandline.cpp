#include "cli/commandline.h"

#include "cli/rawarguments.h"
#include "cli/runcommands.h"
#include "cli/schedulecommands.h"

#include "purge/outcomewords.h"
#include "purge/purge.h"
#include "purge/readrequest.h"
#include "runtime/applicationinfo.h"
#include "runtime/calendar.h"
#include "runtime/clock.h"
#include "runtime/runlog.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

namespace culler {

namespace {

enum ExitStatus {
    Done = 0,
    SomeFilesFailed = 1,
    NothingDone = 2,
};

// Whether a real run names each file it deletes; a listing run always does.
enum class Verbosity {
    Quiet,
    Verbose,
};

// What ends each path on standard output.
enum class PathEnd : char {
    Newline = '\n',
    Nul = '\0', // for xargs -0: a file name may hold a newline but never a NUL
};

// Every line of a message, prefixed as a script's log expects it.
void printMessage(const QString &text) {
    for (const QString &line : text.split(QLatin1Char('\n')))
        std::fprintf(stderr, "culler: %s\n", line.toLocal8Bit().constData());
}

// Writes the paths a run chooses to standard output as the file system holds them; progress has no
// place in a terminal.
class TerminalDisplay final : public PurgeDisplay {
public:
    TerminalDisplay(const QByteArray &directory, PathEnd pathEnd, Verbosity verbosity)
        : m_prefix(directoryPrefix(directory))
        , m_pathEnd(static_cast<char>(pathEnd))
        , m_listsFiles(verbosity == Verbosity::Verbose) {}

    void setProgressMaximum(qint64) override {}
    void setProgressValue(qint64) override {}
    void fileChosen(const char *name, qint64) override {
        if (!m_listsFiles)
            return;
        std::fwrite(m_prefix.constData(), 1, static_cast<size_t>(m_prefix.size()), stdout);
        std::fwrite(name, 1, std::strlen(name), stdout);
        std::putc(m_pathEnd, stdout);
    }

private:
    QByteArray m_prefix;
    char m_pathEnd;
    bool m_listsFiles;
};

struct Command {
    // All but the cut-off, which is checked with the rest when the command runs.
    PurgeJob job;
    CutOffText cutOff;
    Verbosity verbosity = Verbosity::Quiet;
    PathEnd pathEnd = PathEnd::Newline;
    bool notify = false;
};

struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and end.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and end.")};
    QCommandLineOption directory{
        QStringLiteral("directory"),
        QStringLiteral("The directory whose old files are deleted. Required."),
        QStringLiteral("DIR")};
    QCommandLineOption pattern{
        QStringLiteral("pattern"),
        QStringLiteral("The files to delete: * stands for any run of characters, ? for one. "
                       "Required; give it again for more kinds of file; quote it, so that the "
                       "shell leaves it alone."),
        QStringLiteral("PATTERN")};
    QCommandLineOption exclude{
        QStringLiteral("exclude"),
        QStringLiteral("Never delete a file that matches PATTERN, whatever its age. May be given "
                       "more than once."),
        QStringLiteral("PATTERN")};
    QCommandLineOption keepNewest{
        QStringLiteral("keep-newest"),
        QStringLiteral("Keep the N newest of the files the patterns take, whatever their age, "
                       "and judge the others by the cut-off. Files that change during the run can "
                       "make the kept set differ from a listing taken before it."),
        QStringLiteral("N")};
    QCommandLineOption days{QStringLiteral("days"),
                            QStringLiteral("Delete the files dated N days before today or "
                                           "earlier. N may have a fraction."),
                            QStringLiteral("N")};
    QCommandLineOption before{QStringLiteral("before"),
                              QStringLiteral("Delete the files dated DATE or earlier: YYYY-MM-DD, "
                                             "or the short date of your locale."),
                              QStringLiteral("DATE")};
    QCommandLineOption recursive{
        QStringLiteral("recursive"),
        QStringLiteral("Go down into every subdirectory of DIR too, never through a link, into a "
                       "hidden directory or one whose name an --exclude matches, nor onto another "
                       "mount.")};
    QCommandLineOption maxDepth{QStringLiteral("max-depth"),
                                QStringLiteral("With --recursive, go at most N levels below DIR "
                                               "(1: its own subdirectories, not theirs)."),
                                QStringLiteral("N")};
    QCommandLineOption removeEmptyDirs{
        QStringLiteral("remove-empty-dirs"),
        QStringLiteral("With --recursive, remove each subdirectory the run emptied, deepest "
                       "first; never DIR itself, nor a directory holding anything else.")};
    QCommandLineOption trash{QStringLiteral("trash"),
                             QStringLiteral("Move the files to your Trash instead of deleting "
                                            "them; the desktop's Trash restores them.")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("Delete nothing: list the files a real run would "
                                             "delete now, or put back.")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               QStringLiteral("List every file as it is deleted.")};
    QCommandLineOption runs{QStringLiteral("runs"),
                            QStringLiteral("List the kept runs that moved files to the Trash, "
                                           "newest first: id, date and time, directory, files.")};
    QCommandLineOption putBack{
        QStringLiteral("put-back"),
        QStringLiteral("Put back the files the newest run moved to the Trash, or those of the run "
                       "whose ID follows (culler --put-back ID).")};
    QCommandLineOption null{QStringLiteral("null"),
                            QStringLiteral("End each listed file with a NUL instead of a newline, "
                                           "for xargs -0.")};
    QCommandLineOption notify{QStringLiteral("notify"),
                              QStringLiteral("After a run that removed files, kept some against "
                                             "the request or did nothing, tell the desktop in a "
                                             "notification.")};
    QCommandLineOption schedule{
        QStringLiteral("schedule"),
        QStringLiteral("With daily: delete the request's old files every day, from a systemd user "
                       "timer, and print its name. One --pattern, and --days, not --before."),
        QStringLiteral("daily")};
    QCommandLineOption schedules{QStringLiteral("schedules"),
                                 QStringLiteral("List the daily purges: a name, then what it "
                                                "does, one a line.")};
    QCommandLineOption unschedule{QStringLiteral("unschedule"),
                                  QStringLiteral("Stop the daily purge NAME and remove its units."),
                                  QStringLiteral("NAME")};

    QList<QCommandLineOption> all() const {
        return {help,   version,   directory, pattern,         exclude,    keepNewest, days,
                before, recursive, maxDepth,  removeEmptyDirs, trash,      dryRun,     verbose,
                null,   notify,    schedule,  schedules,       unschedule, runs,       putBack};
    }
    // The options whose values are names, taken as the bytes given.
    QStringList byteValued() const {
        return {directory.names().constLast(), pattern.names().constLast(),
                exclude.names().constLast()};
    }
};

// The options as a terminal shows them: names and value in one column, what they do in the next,
// wrapped to fit 80 columns.
QString optionsText(const QList<QCommandLineOption> &options) {
    const auto namesOf = [](const QCommandLineOption &option) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString text = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            text += QStringLiteral(" <%1>").arg(option.valueName());
        return text;
    };
    qsizetype column = 0;
    for (const QCommandLineOption &option : options)
        column = std::max(column, namesOf(option).size() + 4);
    const qsizetype width = 79 - column;
    QString text = QStringLiteral("Options:\n");
    for (const QCommandLineOption &option : options) {
        QString line = QStringLiteral("  ") + namesOf(option).leftJustified(column - 2);
        qsizetype used = 0;
        for (const QString &word : option.description().split(QLatin1Char(' '))) {
            if (used > 0 && used + 1 + word.size() > width) {
                line += QLatin1Char('\n') + QString(column, QLatin1Char(' '));
                used = 0;
            } else if (used > 0) {
                line += QLatin1Char(' ');
                ++used;
            }
            line += word;
            used += word.size();
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

// What the help says before the options.
QString usageText() {
    return QStringLiteral(
        "Usage: culler\n"
        "       culler --directory DIR --pattern PATTERN... (--days N | --before DATE)\n"
        "              [--exclude PATTERN...] [--keep-newest N]\n"
        "              [--recursive [--max-depth N] [--remove-empty-dirs]]\n"
        "              [--trash] [--dry-run] [--verbose] [--null] [--notify]\n"
        "       culler --schedule daily --directory DIR --pattern PATTERN --days N\n"
        "              [--trash]\n"
        "       culler --schedules | --unschedule NAME\n"
        "       culler --runs\n"
        "       culler --put-back [ID] [--dry-run] [--verbose]\n"
        "\n"
        "Deletes the plain files of one directory that match a pattern and were last\n"
        "modified on or before a cut-off day. Without options it opens its window.\n"
        "\n");
}

// What the help says after the options: what is never deleted, the Trash, daily purges, putting
// a run back, and the exit status.
QString notesText() {
    return QStringLiteral(
        "\n"
        "Give exactly one of --days and --before. The files listed go to standard\n"
        "output, one path a line; messages go to standard error. Only plain files\n"
        "directly in DIR are deleted: never a hidden file (a name beginning with \".\"),\n"
        "a subdirectory or anything in it, a symbolic link or what it points to. The\n"
        "command line neither reads nor writes the window's pattern list.\n"
        "\n"
        "With --recursive the same rules hold in every subdirectory below DIR, except\n"
        "hidden ones, those whose names an --exclude matches, and mount points, which\n"
        "stay whole; a subdirectory that cannot be read is named, and the run goes on.\n"
        "--keep-newest then keeps the N newest files of the whole tree.\n"
        "\n"
        "With --trash the files go to your Trash, or on another mount to that mount's\n"
        ".Trash-UID, from where the desktop's Trash restores them; a file that changed\n"
        "since it was judged goes back where it was. Where no Trash can be used, or\n"
        "the directory is a Trash or lies inside one, nothing is done.\n"
        "\n"
        "A daily purge runs the request every day from a systemd user timer,\n"
        "culler-NAME.timer in ~/.config/systemd/user, also when Culler is not open;\n"
        "a day missed while the computer was off is made up at the next start. Its\n"
        "messages go to the journal (journalctl --user -u NAME), and it sends a\n"
        "desktop notification (--notify). For runs while you are logged out:\n"
        "loginctl enable-linger.\n"
        "\n"
        "Each run with --trash keeps the list of the files it moved (the last 50 runs),\n"
        "in $XDG_STATE_HOME/culler/runs or ~/.local/state/culler/runs. --put-back moves\n"
        "them back where they were; a file whose name was taken meanwhile, whose folder\n"
        "is gone or that is no longer in the Trash stays where it is, and is named. It\n"
        "exits 0 when every file went back, 1 when some stayed, 2 when there is no such\n"
        "run.\n"
        "\n"
        "Exit status:\n"
        "  0  the run finished, also when no file matched\n"
        "  1  the run finished, but some files could not be deleted or could not be\n"
        "     examined, or a file that changed was left in the Trash (each is named),\n"
        "     or the list of files could not be written\n"
        "  2  nothing was done: a usage error, a number of days or a date that is\n"
        "     refused, a missing or unreadable directory, no Trash that can be used,\n"
        "     a --trash run in a directory inside a Trash, no systemd user manager, a\n"
        "     daily purge that is unknown or cannot be set up\n");
}

QString helpText(const QList<QCommandLineOption> &options) {
    return usageText() + optionsText(options) + notesText();
}

// Why the arguments make no command, or nothing when they make one.
std::optional<QString> usageProblem(const QCommandLineParser &parser, const Options &options) {
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument \"%1\".").arg(parser.positionalArguments()[0]);
    for (const QCommandLineOption *option : {&options.directory, &options.days, &options.before,
                                             &options.keepNewest, &options.maxDepth}) {
        if (parser.values(*option).size() > 1)
            return QStringLiteral("--%1 is given more than once.").arg(option->names().constLast());
    }
    if (!parser.isSet(options.directory) || !parser.isSet(options.pattern))
        return QStringLiteral("--directory and --pattern are required: say what to delete.");
    if (parser.isSet(options.days) == parser.isSet(options.before))
        return QStringLiteral("give exactly one of --days and --before.");
    if (parser.values(options.exclude).contains(QString()))
        return QStringLiteral("--exclude is empty: give the pattern of the files to keep.");
    for (const QCommandLineOption *option : {&options.maxDepth, &options.removeEmptyDirs}) {
        if (parser.isSet(*option) && !parser.isSet(options.recursive))
            return QStringLiteral("--%1 goes with --recursive.").arg(option->names().constLast());
    }
    return std::nullopt;
}

// A whole number of files, 0 or more; nothing for any other text.
std::optional<qint64> wholeNumber(const QString &text) {
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < 0 || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return number;
}

// Takes the numbers of files and levels the options give into the job, or says why one is none.
std::optional<QString> readNumbers(const QCommandLineParser &parser, const Options &options,
                                   PurgeJob &job) {
    const std::optional<qint64> keepNewest =
        wholeNumber(parser.value(options.keepNewest).trimmed());
    if (parser.isSet(options.keepNewest) && !keepNewest)
        return QStringLiteral("--keep-newest takes a whole number of files, 0 or more.");
    const std::optional<qint64> maxDepth = wholeNumber(parser.value(options.maxDepth).trimmed());
    if (parser.isSet(options.maxDepth) && !maxDepth)
        return QStringLiteral("--max-depth takes a whole number of levels, 0 or more.");
    job.keepNewest = keepNewest.value_or(0);
    job.maxDepth = maxDepth.value_or(job.maxDepth);
    return std::nullopt;
}

// The command, or the reason the arguments do not make one.
std::optional<Command> readCommand(const QCommandLineParser &parser, const Options &options,
                                   const RawArguments &raw, QString &error) {
    if (const std::optional<QString> problem = usageProblem(parser, options)) {
        error = *problem;
        return std::nullopt;
    }
    Command command;
    if (std::optional<QString> problem = readNumbers(parser, options, command.job)) {
        error = *std::move(problem);
        return std::nullopt;
    }

    // The bytes given, as long as they are the values the parser found.
    const auto bytesOf = [&](const QCommandLineOption &option) {
        std::vector<QByteArray> bytes = raw.values(option.names().constLast());
        if (qsizetype(bytes.size()) == parser.values(option).size())
            return bytes;
        bytes.clear();
        for (const QString &value : parser.values(option))
            bytes.push_back(QFile::encodeName(value));
        return bytes;
    };
    command.job.directory = bytesOf(options.directory).front();
    command.job.patterns = bytesOf(options.pattern);
    command.job.exclusions = bytesOf(options.exclude);
    command.job.action = parser.isSet(options.dryRun) ? PurgeAction::List : PurgeAction::Remove;
    if (parser.isSet(options.trash))
        command.job.removal = RemovalKind::Trash;
    if (parser.isSet(options.recursive))
        command.job.subfolders = Subfolders::Included;
    if (parser.isSet(options.removeEmptyDirs))
        command.job.emptiedFolders = EmptiedFolders::Removed;
    // Scripts write YYYY-MM-DD whatever the locale; the locale's short date works too.
    command.cutOff =
        parser.isSet(options.days)
            ? CutOffText{PurgeMode::Days, parser.value(options.days)}
            : CutOffText{PurgeMode::Date, parser.value(options.before), DateForms::IsoShortDate};
    command.verbosity = parser.isSet(options.verbose) || parser.isSet(options.dryRun)
                            ? Verbosity::Verbose
                            : Verbosity::Quiet;
    command.pathEnd = parser.isSet(options.null) ? PathEnd::Nul : PathEnd::Newline;
    command.notify = parser.isSet(options.notify);
    return command;
}

int usageError(const QString &error) {
    printMessage(error);
    printMessage(QStringLiteral("Try \"culler --help\" for the options."));
    return NothingDone;
}

// Checks the command's job and runs it, listing on standard output what it chooses.
PurgeResult runChecked(const Command &command, const Calendar &calendar) {
    const Expected<PurgeJob, Refusal> job = checkJob(command.job, command.cutOff, calendar);
    if (!job)
        return unexpected(job.error());
    TerminalDisplay display(job->directory, command.pathEnd, command.verbosity);
    return runPurge(*job, display);
}

// The messages a run ends with, and its exit status.
int tellOutcome(const PurgeOutcome &outcome, Verbosity verbosity) {
    const QString closing = closingText(outcome, [&outcome](const QByteArray &name) {
        return shownBytes(directoryPrefix(outcome.directory) + name);
    });
    if (!closing.isEmpty())
        printMessage(closing);
    int status = outcome.fellShort() ? SomeFilesFailed : Done;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printMessage(QStringLiteral("Cannot write the list of files: %1.")
                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
        status = SomeFilesFailed;
    }
    if (verbosity == Verbosity::Verbose)
        printMessage(outcomeText(outcome));
    return status;
}

int run(const Command &command, const Calendar &calendar) {
    const PurgeResult result = runChecked(command, calendar);
    if (command.notify)
        notifyOfRun(command.job.directory, result);
    if (!result) {
        printMessage(refusalText(result.error()));
        return NothingDone;
    }
    return tellOutcome(*result, command.verbosity);
}

// --runs and --put-back [ID]: an ID is the one argument that is not an option, since an option's
// value cannot be left out; nothing of a purge may come with them.
int runListCommand(const QCommandLineParser &parser, const Options &options) {
    const QStringList ids = parser.positionalArguments();
    if (parser.isSet(options.runs) && parser.isSet(options.putBack))
        return usageError(QStringLiteral("give one of --runs and --put-back."));
    for (const QCommandLineOption *option :
         {&options.directory, &options.pattern, &options.exclude, &options.keepNewest,
          &options.days, &options.before, &options.trash, &options.null}) {
        if (parser.isSet(*option))
            return usageError(QStringLiteral("--%1 has no place with --runs or --put-back.")
                                  .arg(option->names().constLast()));
    }
    if (ids.size() > (parser.isSet(options.putBack) ? 1 : 0))
        return usageError(QStringLiteral("unexpected argument \"%1\".").arg(ids.constLast()));
    const QByteArray runsDirectory = runsDirectoryOfThisUser();
    if (parser.isSet(options.runs))
        return listRuns(runsDirectory);
    return putBackFromCommandLine(
        runsDirectory, ids.isEmpty() ? QByteArray() : ids.front().toLocal8Bit(),
        parser.isSet(options.dryRun) ? PurgeAction::List : PurgeAction::Remove,
        parser.isSet(options.verbose) ? RunVerbosity::Verbose : RunVerbosity::Quiet);
}

} // namespace

int runCommandLine(int &argc, char **argv) {
    const Options options;
    const RawArguments raw(argc, argv, options.byteValued());
    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(applicationTitle());
    QCoreApplication::setApplicationVersion(applicationVersion());

    const QList<QCommandLineOption> all = options.all();
    QCommandLineParser parser;
    parser.addOptions(all);
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(options.help)) {
        std::fputs(helpText(all).toLocal8Bit().constData(), stdout);
        return Done;
    }
    if (parser.isSet(options.version)) {
        std::printf("%s %s\n", applicationTitle().toLocal8Bit().constData(),
                    applicationVersion().toLocal8Bit().constData());
        return Done;
    }

    if (parser.isSet(options.runs) || parser.isSet(options.putBack))
        return runListCommand(parser, options);

    const SystemClock clock;
    const Calendar calendar(clock, QLocale::system());
    if (isScheduleCommand(parser))
        return runScheduleCommand(parser, raw, calendar);
    QString error;
    const std::optional<Command> command = readCommand(parser, options, raw, error);
    if (!command)
        return usageError(error);
    return run(*command, calendar);
}

} // namespace culler
