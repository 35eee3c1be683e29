#include "cli/commandline.h"

#include "cli/rawarguments.h"
#include "cli/runcommands.h"
#include "cli/schedulecommands.h"

#include "purge/outcomewords.h"
#include "purge/purge.h"
#include "purge/purgearguments.h"
#include "purge/readrequest.h"
#include "purge/trashexpiry.h"
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

QString dashed(const char *name) {
    return QStringLiteral("--") + QLatin1String(name);
}

// The options of a purge that a daily purge cannot carry, as the help names them.
QString notDailyNames() {
    QStringList names;
    for (const PurgeOption &option : purgeOptions()) {
        if (option.notDaily != nullptr)
            names << dashed(option.name);
    }
    const QString last = names.isEmpty() ? QString() : names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

// The options the parser knows: those of a purge, from their table, and the commands around it.
struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and end.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and end.")};
    QList<QCommandLineOption> purge = [] {
        QList<QCommandLineOption> options;
        for (const PurgeOption &option : purgeOptions())
            options << QCommandLineOption(QLatin1String(option.name), QLatin1String(option.help),
                                          QLatin1String(option.valueName));
        return options;
    }();
    QCommandLineOption emptyTrash{
        QStringLiteral("empty-trash"),
        QStringLiteral("With --days N: remove for good what has been in your Trashes (the home "
                       "Trash and each mount's own) N days or more, by the date the Trash keeps "
                       "for each item.")};
    QCommandLineOption runs{QStringLiteral("runs"),
                            QStringLiteral("List the kept runs that moved files to the Trash, "
                                           "newest first: id, date and time, directory, files.")};
    QCommandLineOption putBack{
        QStringLiteral("put-back"),
        QStringLiteral("Put back the files the newest run moved to the Trash, or those of the run "
                       "whose ID follows (culler --put-back ID).")};
    QCommandLineOption schedule{
        QStringLiteral("schedule"),
        QStringLiteral("With daily: delete the request's old files every day, from a systemd user "
                       "timer, and print its name. It takes --days and every option of a purge "
                       "but %1.")
            .arg(notDailyNames()),
        QStringLiteral("daily")};
    QCommandLineOption schedules{QStringLiteral("schedules"),
                                 QStringLiteral("List the daily purges: a name, then what it "
                                                "does, one a line.")};
    QCommandLineOption unschedule{QStringLiteral("unschedule"),
                                  QStringLiteral("Stop the daily purge NAME and remove its units."),
                                  QStringLiteral("NAME")};

    QList<QCommandLineOption> all() const {
        return QList<QCommandLineOption>{help, version} + purge +
               QList<QCommandLineOption>{schedule,   schedules, unschedule,
                                         emptyTrash, runs,      putBack};
    }
    // The long options that take a value, whose values are read as the bytes given.
    QStringList valued() const {
        QStringList names;
        for (const QCommandLineOption &option : all()) {
            if (!option.valueName().isEmpty())
                names << option.names().constLast();
        }
        return names;
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
        "              [--max-size SIZE | --keep-free SIZE|N%]\n"
        "              [--recursive [--max-depth N] [--remove-empty-dirs]]\n"
        "              [--trash [--trash-days N]] [--dry-run] [--verbose] [--null]\n"
        "              [--notify]\n"
        "       culler --schedule daily --directory DIR --pattern PATTERN... --days N\n"
        "              [--exclude PATTERN...] [--keep-newest N]\n"
        "              [--max-size SIZE | --keep-free SIZE|N%]\n"
        "              [--recursive [--max-depth N] [--remove-empty-dirs]]\n"
        "              [--trash [--trash-days N]]\n"
        "       culler --schedules | --unschedule NAME\n"
        "       culler --empty-trash --days N [--dry-run] [--verbose]\n"
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
        "Sizes are bytes, or a number with K, M, G or T after it: powers of 1024, so\n"
        "10G is 10*1024^3 bytes. --max-size counts the file sizes of every file the\n"
        "patterns take that the run leaves, the excluded and the newest kept among\n"
        "them; when they still take more than SIZE it says so and exits 1.\n"
        "--keep-free reads what the mount has available to users (statvfs f_bavail)\n"
        "before the run and after every 64 files deleted for it; a --dry-run reckons\n"
        "with the space the files take on the disk instead. Only the files the cut-off\n"
        "takes may go for it (--days 0 lets every matching file go), oldest first.\n"
        "\n"
        "--empty-trash removes for good every item of your Trashes whose record says\n"
        "it was deleted N days ago or more (by the calendar day, as --days counts),\n"
        "the item first and its record after; a link goes as the link, a folder with\n"
        "what it holds but never across a mount. An item without a record is never\n"
        "touched; a record whose date does not read is named and kept; a record whose\n"
        "item is gone goes, unless it is dated today. --trash-days N does the same\n"
        "after a --trash run, for the items that came from DIR and match its\n"
        "patterns only.\n"
        "\n"
        "A daily purge runs the request every day from a systemd user timer,\n"
        "culler-NAME.timer in ~/.config/systemd/user, also when Culler is not open;\n"
        "a day missed while the computer was off is made up at the next start. Its\n"
        "messages go to the journal (journalctl --user -u NAME), and it sends a\n"
        "desktop notification (--notify). For runs while you are logged out:\n"
        "loginctl enable-linger. NAME comes from the directory and the patterns:\n"
        "setting up a daily purge of them again replaces the one there was.\n"
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
        "     or the list of files could not be written, a size cap or free space\n"
        "     that could not be reached, a record of the Trash whose date does not\n"
        "     read or an item of it that could not be removed\n"
        "  2  nothing was done: a usage error, a number of days or a date that is\n"
        "     refused, a missing or unreadable directory, no Trash that can be used,\n"
        "     a --trash run in a directory inside a Trash, --keep-free with --trash,\n"
        "     a size that is not one, no systemd user manager, a\n"
        "     daily purge that is unknown or cannot be set up\n");
}

QString helpText(const QList<QCommandLineOption> &options) {
    return usageText() + optionsText(options) + notesText();
}

// The purge the arguments ask for, each value as the bytes given, or why they ask for none.
Expected<PurgeArguments, QString> readArguments(const QCommandLineParser &parser,
                                                const RawArguments &raw) {
    if (!parser.positionalArguments().isEmpty())
        return unexpected(
            QStringLiteral("unexpected argument \"%1\".").arg(parser.positionalArguments()[0]));
    const QStringList given = parser.optionNames();
    return readPurgeArguments([&](const PurgeOption &option) {
        const QString name = QLatin1String(option.name);
        if (!option.takesValue())
            return OptionValues(size_t(given.count(name)), QByteArray());
        // The bytes given, as long as they are the values the parser found.
        OptionValues bytes = raw.values(name);
        const QStringList values = parser.values(name);
        if (qsizetype(bytes.size()) == values.size())
            return bytes;
        bytes.clear();
        for (const QString &value : values)
            bytes.push_back(QFile::encodeName(value));
        return bytes;
    });
}

int usageError(const QString &error) {
    printMessage(error);
    printMessage(QStringLiteral("Try \"culler --help\" for the options."));
    return NothingDone;
}

// Checks the job the arguments ask for and runs it, listing on standard output what it chooses.
PurgeResult runChecked(const PurgeArguments &arguments, Verbosity verbosity,
                       const Calendar &calendar) {
    const Expected<PurgeJob, Refusal> job =
        checkJob(jobOf(arguments), cutOffOf(arguments), calendar);
    if (!job)
        return unexpected(job.error());
    TerminalDisplay display(job->directory, arguments.nulEnded ? PathEnd::Nul : PathEnd::Newline,
                            verbosity);
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

// Empties the Trash of what is due, listing on standard output the items it removes (or would),
// and returns the exit status its outcome gives.
int expireAndTell(const TrashExpiryJob &job, Verbosity verbosity, PathEnd pathEnd) {
    const TrashExpiryOutcome outcome = expireTrash(job, [&](const QByteArray &path) {
        if (verbosity == Verbosity::Quiet)
            return;
        std::fwrite(path.constData(), 1, size_t(path.size()), stdout);
        std::putc(static_cast<char>(pathEnd), stdout);
    });
    if (const QString closing = trashExpiryClosingText(outcome); !closing.isEmpty())
        printMessage(closing);
    if (verbosity == Verbosity::Verbose)
        printMessage(trashExpiryText(outcome));
    return outcome.fellShort() ? SomeFilesFailed : Done;
}

int run(const PurgeArguments &arguments, const Calendar &calendar) {
    const Verbosity verbosity = arguments.verbose || arguments.action == PurgeAction::List
                                    ? Verbosity::Verbose
                                    : Verbosity::Quiet;
    std::optional<DateValue> trashCutOff;
    if (arguments.trashDays) {
        const Expected<DateValue, Refusal> cutOff = trashDaysCutOff(*arguments.trashDays, calendar);
        if (!cutOff) {
            printMessage(refusalText(cutOff.error()));
            return NothingDone;
        }
        trashCutOff = *cutOff;
    }
    const PurgeResult result = runChecked(arguments, verbosity, calendar);
    if (arguments.notify)
        notifyOfRun(arguments.directory, result);
    if (!result) {
        printMessage(refusalText(result.error()));
        return NothingDone;
    }
    const int status = tellOutcome(*result, verbosity);
    if (!trashCutOff)
        return status;
    const TrashExpiryJob expiry =
        trashExpiryAfter(jobOf(arguments), TrashEmptying{*trashCutOff, calendar.today()});
    return std::max(status, expireAndTell(expiry, verbosity,
                                          arguments.nulEnded ? PathEnd::Nul : PathEnd::Newline));
}

// --empty-trash --days N [--dry-run] [--verbose]: nothing else of a purge comes with it.
int runEmptyTrash(const QCommandLineParser &parser, const Calendar &calendar) {
    for (const PurgeOption &option : purgeOptions()) {
        const QString name = QLatin1String(option.name);
        if (parser.isSet(name) && name != QStringLiteral("days") &&
            name != QStringLiteral("dry-run") && name != QStringLiteral("verbose"))
            return usageError(QStringLiteral("--%1 has no place with --empty-trash.").arg(name));
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\".").arg(parser.positionalArguments()[0]));
    if (parser.values(QStringLiteral("days")).size() != 1)
        return usageError(QStringLiteral("--empty-trash takes --days N, once."));
    const Expected<DateValue, Refusal> cutOff =
        daysCutOff(parser.value(QStringLiteral("days")), calendar);
    if (!cutOff) {
        printMessage(refusalText(cutOff.error()));
        return NothingDone;
    }
    TrashExpiryJob job;
    job.cutOff = *cutOff;
    job.today = calendar.today();
    const bool listing = parser.isSet(QStringLiteral("dry-run"));
    job.action = listing ? PurgeAction::List : PurgeAction::Remove;
    const bool verbose = listing || parser.isSet(QStringLiteral("verbose"));
    return expireAndTell(job, verbose ? Verbosity::Verbose : Verbosity::Quiet, PathEnd::Newline);
}

// --runs and --put-back [ID]: an ID is the one argument that is not an option, since an option's
// value cannot be left out; nothing of a purge may come with them.
int runListCommand(const QCommandLineParser &parser, const Options &options) {
    const QStringList ids = parser.positionalArguments();
    if (parser.isSet(options.runs) && parser.isSet(options.putBack))
        return usageError(QStringLiteral("give one of --runs and --put-back."));
    // Of a purge's options, only these two mean anything to a put back.
    for (const PurgeOption &option : purgeOptions()) {
        const QString name = QLatin1String(option.name);
        if (parser.isSet(name) && name != QStringLiteral("dry-run") &&
            name != QStringLiteral("verbose"))
            return usageError(
                QStringLiteral("--%1 has no place with --runs or --put-back.").arg(name));
    }
    if (ids.size() > (parser.isSet(options.putBack) ? 1 : 0))
        return usageError(QStringLiteral("unexpected argument \"%1\".").arg(ids.constLast()));
    const QByteArray runsDirectory = runsDirectoryOfThisUser();
    if (parser.isSet(options.runs))
        return listRuns(runsDirectory);
    return putBackFromCommandLine(
        runsDirectory, ids.isEmpty() ? QByteArray() : ids.front().toLocal8Bit(),
        parser.isSet(QStringLiteral("dry-run")) ? PurgeAction::List : PurgeAction::Remove,
        parser.isSet(QStringLiteral("verbose")) ? RunVerbosity::Verbose : RunVerbosity::Quiet);
}

} // namespace

int runCommandLine(int &argc, char **argv) {
    const Options options;
    const RawArguments raw(argc, argv, options.valued());
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
    if (parser.isSet(options.emptyTrash))
        return runEmptyTrash(parser, calendar);
    const Expected<PurgeArguments, QString> arguments = readArguments(parser, raw);
    if (isScheduleCommand(parser))
        return runScheduleCommand(parser, arguments, calendar);
    if (!arguments)
        return usageError(arguments.error());
    return run(*arguments, calendar);
}

} // namespace culler
