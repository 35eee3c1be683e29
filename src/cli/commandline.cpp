#include "cli/commandline.h"

#include "purge/purge.h"
#include "runtime/applicationinfo.h"
#include "runtime/calendar.h"
#include "runtime/clock.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
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

// Writes paths to standard output as the file system holds them, and every message of the
// engine to standard error; progress has no place in a terminal.
class TerminalDisplay final : public PurgeDisplay {
public:
    TerminalDisplay(const QString &directory, PathEnd pathEnd, Verbosity verbosity)
        : m_prefix(QFile::encodeName(directory) + '/')
        , m_pathEnd(static_cast<char>(pathEnd))
        , m_listsFiles(verbosity == Verbosity::Verbose) {}

    void setProgressMaximum(qint64) override {}
    void setProgressValue(qint64) override {}
    void setStatusText(const QString &) override {}
    void showMessage(const Message &message, RequestField) override {
        printMessage(message.prompt);
        ++m_messages;
    }
    void fileChosen(const char *name, qint64) override {
        if (!m_listsFiles)
            return;
        std::fwrite(m_prefix.constData(), 1, static_cast<size_t>(m_prefix.size()), stdout);
        std::fwrite(name, 1, std::strlen(name), stdout);
        std::putc(m_pathEnd, stdout);
    }
    // A script's log has room for every file that could not be deleted.
    qint64 namedFailuresLimit() const override { return std::numeric_limits<qint64>::max(); }

    int messages() const { return m_messages; }

private:
    QByteArray m_prefix;
    char m_pathEnd;
    bool m_listsFiles;
    int m_messages = 0;
};

struct Command {
    PurgeRequest request;
    PurgeAction action = PurgeAction::Delete;
    Verbosity verbosity = Verbosity::Quiet;
    PathEnd pathEnd = PathEnd::Newline;
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
                       "Required; quote it, so that the shell leaves it alone."),
        QStringLiteral("PATTERN")};
    QCommandLineOption days{QStringLiteral("days"),
                            QStringLiteral("Delete the files dated N days before today or "
                                           "earlier. N may have a fraction."),
                            QStringLiteral("N")};
    QCommandLineOption before{QStringLiteral("before"),
                              QStringLiteral("Delete the files dated DATE or earlier: YYYY-MM-DD, "
                                             "or the short date of your locale."),
                              QStringLiteral("DATE")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("Delete nothing: list the files a real run would "
                                             "delete now.")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               QStringLiteral("List every file as it is deleted.")};
    QCommandLineOption null{QStringLiteral("null"),
                            QStringLiteral("End each listed file with a NUL instead of a newline, "
                                           "for xargs -0.")};
};

QString helpText(const QCommandLineParser &parser) {
    QString options = parser.helpText();
    options = options.mid(options.indexOf(QStringLiteral("Options:")));
    return QStringLiteral(
               "Usage: culler\n"
               "       culler --directory DIR --pattern PATTERN (--days N | --before DATE)\n"
               "              [--dry-run] [--verbose] [--null]\n"
               "\n"
               "Deletes the plain files of one directory that match a pattern and were last\n"
               "modified on or before a cut-off day. Without options it opens its window.\n"
               "\n") +
           options +
           QStringLiteral(
               "\n"
               "Give exactly one of --days and --before. The files listed go to standard\n"
               "output, one path a line; messages go to standard error. Only plain files\n"
               "directly in DIR are deleted: never a hidden file (a name beginning with \".\"),\n"
               "a subdirectory or anything in it, a symbolic link or what it points to. The\n"
               "command line neither reads nor writes the window's pattern list.\n"
               "\n"
               "Exit status:\n"
               "  0  the run finished, also when no file matched\n"
               "  1  the run finished, but some files could not be deleted (each is named)\n"
               "  2  nothing was done: a usage error, a number of days or a date that is\n"
               "     refused, a missing or unreadable directory\n");
}

// A date in ISO 8601 form, which scripts can write whatever the locale, in the short form the
// engine reads; any other text as it stands, for the engine to read or refuse.
QString beforeDateText(const QString &text, const Calendar &calendar) {
    static const QRegularExpression iso(QStringLiteral("^\\s*\\d{4}-\\d{2}-\\d{2}\\s*$"));
    if (!iso.match(text).hasMatch())
        return text;
    const QDate date = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || !isInDateRange(dateValueOf(date)))
        return text;
    return calendar.dateText(dateValueOf(date));
}

// The command, or the reason the arguments do not make one.
std::optional<Command> readCommand(const QCommandLineParser &parser, const Options &options,
                                   const Calendar &calendar, QString &error) {
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument \"%1\".").arg(parser.positionalArguments()[0]);
        return std::nullopt;
    }
    for (const QCommandLineOption *option :
         {&options.directory, &options.pattern, &options.days, &options.before}) {
        if (parser.values(*option).size() > 1) {
            error =
                QStringLiteral("--%1 is given more than once.").arg(option->names().constLast());
            return std::nullopt;
        }
    }
    if (!parser.isSet(options.directory) || !parser.isSet(options.pattern)) {
        error = QStringLiteral("--directory and --pattern are required: say what to delete.");
        return std::nullopt;
    }
    if (parser.isSet(options.days) == parser.isSet(options.before)) {
        error = QStringLiteral("give exactly one of --days and --before.");
        return std::nullopt;
    }

    Command command;
    command.request.directory = parser.value(options.directory);
    command.request.pattern = parser.value(options.pattern);
    if (parser.isSet(options.days)) {
        command.request.mode = PurgeMode::Days;
        command.request.daysOld = parser.value(options.days);
    } else {
        command.request.mode = PurgeMode::Date;
        command.request.beforeDate = beforeDateText(parser.value(options.before), calendar);
    }
    command.action = parser.isSet(options.dryRun) ? PurgeAction::List : PurgeAction::Delete;
    command.verbosity = parser.isSet(options.verbose) || parser.isSet(options.dryRun)
                            ? Verbosity::Verbose
                            : Verbosity::Quiet;
    command.pathEnd = parser.isSet(options.null) ? PathEnd::Nul : PathEnd::Newline;
    return command;
}

int usageError(const QString &error) {
    printMessage(error);
    printMessage(QStringLiteral("Try \"culler --help\" for the options."));
    return NothingDone;
}

int run(const Command &command, const Calendar &calendar) {
    TerminalDisplay display(command.request.directory, command.pathEnd, command.verbosity);
    const PurgeOutcome outcome = runPurge(command.request, calendar, display, command.action);
    if (outcome.status == PurgeStatus::Rejected)
        return NothingDone;

    int status = display.messages() > 0 ? SomeFilesFailed : Done;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printMessage(QStringLiteral("Cannot write the list of files: %1.")
                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
        status = SomeFilesFailed;
    }
    if (command.verbosity == Verbosity::Verbose) {
        printMessage(outcomeText(outcome, command.action));
    }
    return status;
}

} // namespace

int runCommandLine(int &argc, char **argv) {
    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(applicationTitle());
    QCoreApplication::setApplicationVersion(applicationVersion());

    const Options options;
    QCommandLineParser parser;
    parser.addOptions({options.help, options.version, options.directory, options.pattern,
                       options.days, options.before, options.dryRun, options.verbose,
                       options.null});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(options.help)) {
        std::fputs(helpText(parser).toLocal8Bit().constData(), stdout);
        return Done;
    }
    if (parser.isSet(options.version)) {
        std::printf("%s %s\n", applicationTitle().toLocal8Bit().constData(),
                    applicationVersion().toLocal8Bit().constData());
        return Done;
    }

    const SystemClock clock;
    const Calendar calendar(clock, QLocale::system());
    QString error;
    const std::optional<Command> command = readCommand(parser, options, calendar, error);
    if (!command)
        return usageError(error);
    return run(*command, calendar);
}

} // namespace culler
