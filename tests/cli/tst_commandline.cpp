#include "schedule/dailypurge.h"
#include "testsupport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The program runs on the real clock, so the files here are dated far from any cut-off a test
// gives: a year and more before it, or after today.

namespace {

const QString executable = QStringLiteral(CULLER_EXECUTABLE);

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the program as a script would: no display of any kind, a home of the test's own, and the
// time zone and locale given (zones with daylight saving by default). Removals of names that
// begin with refused fail, when it is given; "VARIABLE=VALUE" sets one of refuseunlink.cpp's.
const QByteArray defaultZone = QByteArrayLiteral("Europe/Berlin");

Result runCuller(const QStringList &arguments, const QString &home,
                 const QString &lang = QStringLiteral("C.UTF-8"),
                 const QString &zone = QString::fromLatin1(defaultZone),
                 const QString &refused = QString(), const QString &program = executable) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/.local/state"));
    environment.insert(QStringLiteral("LANG"), lang);
    environment.insert(QStringLiteral("LC_ALL"), lang);
    environment.insert(QStringLiteral("TZ"), zone);
    if (!refused.isEmpty()) {
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(CULLER_REFUSE_UNLINK));
        const qsizetype equals = refused.indexOf(QLatin1Char('='));
        environment.insert(equals < 0 ? QStringLiteral("CULLER_TEST_REFUSE") : refused.left(equals),
                           refused.mid(equals + 1));
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":verify_asan_link_order=0"));
    }
    QProcess process;
    environment.insert(QStringLiteral("CULLER"), executable);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// Creates a file whose name is raw bytes and dates it the given number of days from now.
void makeFile(const QByteArray &path, int daysFromNow) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, path.constData());
    QCOMPARE(::write(fd, "x", 1), 1);
    // One now for the whole test, so that files of one day have one stamp.
    static const time_t now = ::time(nullptr);
    const timespec stamp{now + daysFromNow * 86400L, 0};
    const timespec times[2] = {stamp, stamp};
    QCOMPARE(::futimens(fd, times), 0);
    ::close(fd);
}

// Every entry of a directory, of any kind, as the raw bytes of its name.
QSet<QByteArray> entries(const QByteArray &path) {
    QSet<QByteArray> names;
    DIR *stream = ::opendir(path.constData());
    if (stream == nullptr)
        return names;
    while (const dirent *entry = ::readdir(stream)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.insert(name);
    }
    ::closedir(stream);
    return names;
}

QSet<QByteArray> listed(const QByteArray &out, char end) {
    QList<QByteArray> paths = out.split(end);
    if (!paths.isEmpty() && paths.constLast().isEmpty())
        paths.removeLast();
    return QSet<QByteArray>(paths.begin(), paths.end());
}

// The commands a row runs, one after another: its arguments parted where THEN stands.
QList<QStringList> commandsOf(const QStringList &arguments) {
    QList<QStringList> commands{{}};
    for (const QString &argument : arguments) {
        if (argument == QStringLiteral("THEN"))
            commands.append(QStringList());
        else
            commands.last().append(argument);
    }
    return commands;
}

// The id, date and time that open a line of --runs.
const QRegularExpression runMoment(QStringLiteral("^[0-9]{8}-[0-9]{6}(-[0-9]+)?  [0-9-]{10} "
                                                  "[0-9:]{8}  "),
                                   QRegularExpression::MultilineOption);

QString isoDaysAgo(int days) {
    return QDate::currentDate().addDays(-days).toString(Qt::ISODate);
}

} // namespace

class tst_CommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void helpAndVersion_data();
    void helpAndVersion();
    void refusedRequests_data();
    void refusedRequests();
    void runs_data();
    void runs();
    void everyUndeletableFileIsNamed();
    void argumentsAreTheBytesGiven();
    void dryRunListsWhatTheRealRunDeletes();
    void documentationNamesEveryOption();
    void unitFilesVerify();
    void dailyPurgeThroughSystemctl_data();
    void dailyPurgeThroughSystemctl();
    void notification_data();
    void notification();

private:
    QByteArray dir() const { return QFile::encodeName(m_dir->path()); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_home;
};

void tst_CommandLine::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_home->isValid());
}

void tst_CommandLine::helpAndVersion_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("start");

    QTest::newRow("--help") << "--help"
                            << "Usage: culler\n";
    QTest::newRow("-h") << "-h"
                        << "Usage: culler\n";
    QTest::newRow("--version") << "--version"
                               << "Culler " CULLER_VERSION "\n";
    QTest::newRow("-v") << "-v"
                        << "Culler " CULLER_VERSION "\n";
}

void tst_CommandLine::helpAndVersion() {
    QFETCH(QString, option);
    QFETCH(QString, start);

    const Result result = runCuller({option}, m_home->path());
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.startsWith(start.toUtf8()), result.out.constData());
    QCOMPARE(result.err, QByteArray());
}

void tst_CommandLine::refusedRequests_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // the first line on standard error

    const QString dir = QStringLiteral("DIR");
    const QStringList tmp = {"--pattern", "*.tmp"};
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "Unknown option 'bogus'.";
    QTest::newRow("stray argument")
        << (QStringList{"--directory", dir, "--days", "1", "stray"} + tmp)
        << "unexpected argument \"stray\".";
    QTest::newRow("no directory") << (QStringList{"--days", "1"} + tmp)
                                  << "--directory and --pattern are required: say what to delete.";
    QTest::newRow("no pattern") << QStringList{"--directory", dir, "--days", "1"}
                                << "--directory and --pattern are required: say what to delete.";
    QTest::newRow("neither days nor date")
        << (QStringList{"--directory", dir} + tmp) << "give exactly one of --days and --before.";
    QTest::newRow("both days and date")
        << (QStringList{"--directory", dir, "--days", "1", "--before", "2001-01-01"} + tmp)
        << "give exactly one of --days and --before.";
    QTest::newRow("directory twice")
        << (QStringList{"--directory", dir, "--directory", "/", "--days", "1"} + tmp)
        << "--directory is given more than once.";
    QTest::newRow("days without a value")
        << (QStringList{"--directory", dir} + tmp + QStringList{"--days"})
        << "Missing value after '--days'.";
    QTest::newRow("empty directory") << (QStringList{"--directory", "", "--days", "1"} + tmp)
                                     << "You must enter a Directory to Purge files from!";
    QTest::newRow("empty pattern")
        << QStringList{"--directory", dir, "--pattern", "", "--days", "1"}
        << "You must enter a File Type to Purge!";
    QTest::newRow("missing directory")
        << (QStringList{"--directory", "DIR/missing", "--days", "1"} + tmp)
        << "Cannot read the directory \"DIR/missing\": No such file or directory.";
    QTest::newRow("a file for a directory")
        << (QStringList{"--directory", "DIR/old.tmp", "--days", "1"} + tmp)
        << "Cannot read the directory \"DIR/old.tmp\": Not a directory.";
    QTest::newRow("days that are no number")
        << (QStringList{"--directory", dir, "--days", "abc"} + tmp)
        << "Days old must be a number of days, 0 or more.";
    QTest::newRow("negative days") << (QStringList{"--directory", dir, "--days", "-5"} + tmp)
                                   << "Days old must be a number of days, 0 or more.";
    QTest::newRow("days beyond the calendar")
        << (QStringList{"--directory", dir, "--days", "99999999"} + tmp)
        << "99999999 days before today is not a date: please enter a smaller number.";
    QTest::newRow("not a date")
        << (QStringList{"--directory", dir, "--before", "yesterday"} + tmp)
        << "\"yesterday\" is not a date. Dates must be of the form TODAY (today's date).";
    QTest::newRow("newest kept not a whole number")
        << (QStringList{"--directory", dir, "--days", "1", "--keep-newest", "1.5"} + tmp)
        << "--keep-newest takes a whole number of files, 0 or more.";
    QTest::newRow("negative newest kept")
        << (QStringList{"--directory", dir, "--days", "1", "--keep-newest", "-1"} + tmp)
        << "--keep-newest takes a whole number of files, 0 or more.";
    QTest::newRow("depth without --recursive")
        << (QStringList{"--directory", dir, "--days", "1", "--max-depth", "2"} + tmp)
        << "--max-depth goes with --recursive.";
    QTest::newRow("emptied folders without --recursive")
        << (QStringList{"--directory", dir, "--days", "1", "--remove-empty-dirs"} + tmp)
        << "--remove-empty-dirs goes with --recursive.";
    QTest::newRow("negative depth")
        << (QStringList{"--directory", dir, "--days", "1", "--recursive", "--max-depth", "-1"} +
            tmp)
        << "--max-depth takes a whole number of levels, 0 or more.";
    QTest::newRow("depth that is no number")
        << (QStringList{"--directory", dir, "--days", "1", "--recursive", "--max-depth", "two"} +
            tmp)
        << "--max-depth takes a whole number of levels, 0 or more.";
    QTest::newRow("empty exclusion")
        << (QStringList{"--directory", dir, "--days", "1", "--exclude", ""} + tmp)
        << "--exclude is empty: give the pattern of the files to keep.";
    QTest::newRow("an empty pattern among others")
        << (QStringList{"--directory", dir, "--days", "1", "--pattern", ""} + tmp)
        << "You must enter a File Type to Purge!";
    QTest::newRow("no Trash can be made")
        << (QStringList{"--directory", dir, "--days", "1", "--trash"} + tmp)
        << "Cannot move the files of \"DIR\" to the Trash: no Trash could be made in "
           "\"HOME/.local\": Not a directory.";
    QTest::newRow("a directory inside the Trash")
        << (QStringList{"--directory", "HOME/.local/share/Trash/files", "--days", "1", "--trash"} +
            tmp)
        << "Cannot move the files of \"HOME/.local/share/Trash/files\" to the Trash: it is inside "
           "the Trash \"HOME/.local/share/Trash\", whose files would lose their records.";
    const QStringList daily = {"--schedule", "daily", "--directory", dir};
    QTest::newRow("weekly purge") << QStringList{"--schedule", "weekly"}
                                  << "--schedule takes \"daily\", the one interval there is.";
    QTest::newRow("daily purge to a date")
        << (daily + tmp + QStringList{"--before", "2001-01-01"})
        << "--before cannot be part of a daily purge: a fixed date would delete the same files "
           "every day; give --days.";
    QTest::newRow("daily dry run")
        << (daily + tmp + QStringList{"--days", "1", "--null", "--dry-run"})
        << "--dry-run cannot be part of a daily purge: it would delete nothing, every day; try the "
           "request with --dry-run alone first.";
    QTest::newRow("daily purge, depth without --recursive")
        << (daily + tmp + QStringList{"--days", "1", "--max-depth", "1"})
        << "--max-depth goes with --recursive.";
    QTest::newRow("daily purge, Trash days that are none")
        << (daily + tmp + QStringList{"--days", "1", "--trash", "--trash-days", "soon"})
        << "The days after which the Trash is emptied must be a number of days, 0 or more.";
    QTest::newRow("daily purge of a missing directory")
        << (QStringList{"--schedule", "daily", "--directory", "DIR/missing", "--days", "1"} + tmp)
        << "Cannot read the directory \"DIR/missing\": No such file or directory.";
    QTest::newRow("unknown daily purge")
        << QStringList{"--unschedule", "culler-0123456789ab.timer"}
        << "there is no daily purge named \"culler-0123456789ab.timer\": \"culler --schedules\" "
           "lists them.";
    QTest::newRow("put back, no run kept")
        << QStringList{"--put-back"}
        << "No run has been kept: only a run that moves files to the Trash can be put back.";
    QTest::newRow("put back down the tree")
        << QStringList{"--put-back", "--recursive"}
        << "--recursive has no place with --runs or --put-back.";
    QTest::newRow("put back of an unknown run") << QStringList{"--put-back", "20200101-000000"}
                                                << "No kept run has the id \"20200101-000000\".";
    QTest::newRow("a size that is none")
        << (QStringList{"--directory", dir, "--days", "1", "--max-size", "10X"} + tmp)
        << "--max-size takes a size: bytes, or a number with K, M, G or T after it (powers of "
           "1024), as 10G.";
    QTest::newRow("a size cap and free space")
        << (QStringList{"--directory", dir, "--days", "1", "--max-size", "1G", "--keep-free",
                        "1%"} +
            tmp)
        << "give one of --max-size and --keep-free.";
    QTest::newRow("free space by the Trash")
        << (QStringList{"--directory", dir, "--days", "1", "--keep-free", "10%", "--trash"} + tmp)
        << "Moving files to the Trash frees no space: the Trash is on the directory's own mount. "
           "Delete the files to keep space free.";
    QTest::newRow("emptying the Trash without days")
        << QStringList{"--empty-trash"} << "--empty-trash takes --days N, once.";
    QTest::newRow("ISO form of no day")
        << (QStringList{"--directory", dir, "--before", "2001-02-29"} + tmp)
        << "\"2001-02-29\" is not a date. Dates must be of the form TODAY (today's date).";
}

void tst_CommandLine::refusedRequests() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);

    makeFile(dir() + "/old.tmp", -400);
    // A file where the home Trash's directories would go; a row about a Trash has one instead.
    if (QByteArray(QTest::currentDataTag()).contains("inside the Trash"))
        QVERIFY(QDir().mkpath(m_home->filePath(".local/share/Trash/files")));
    else
        makeFile(QFile::encodeName(m_home->filePath(".local")), 0);
    arguments.replaceInStrings(QStringLiteral("DIR"), m_dir->path())
        .replaceInStrings(QStringLiteral("HOME"), m_home->path());
    error.replace(QStringLiteral("DIR"), m_dir->path()).replace("HOME", m_home->path());

    const Result result = runCuller(arguments, m_home->path());
    // Today where the program ran, which near midnight is not the test's today; LANG=C.UTF-8
    // writes short dates as 7 Dec 2026.
    const QDate today = QDateTime::currentDateTimeUtc().toTimeZone(QTimeZone(defaultZone)).date();
    error.replace(QStringLiteral("TODAY"),
                  QLocale::c().toString(today, QStringLiteral("d MMM yyyy")));
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.out, QByteArray());
    const QList<QByteArray> lines = result.err.split('\n');
    QCOMPARE(QString::fromUtf8(lines.first()), QStringLiteral("culler: ") + error);
    QVERIFY(QFileInfo::exists(m_dir->filePath("old.tmp")));
}

void tst_CommandLine::runs_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QByteArray>("out"); // DIR for the directory
    QTest::addColumn<QByteArray>("err");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("status");

    const QStringList all = {"new.tmp", "old.log", "old.tmp"};
    const QStringList purged = {"new.tmp", "old.log"};
    const QString berlin = QStringLiteral("Europe/Berlin");
    const QString newYork = QStringLiteral("America/New_York");
    const QString c = QStringLiteral("C.UTF-8");
    const QStringList days = {"--pattern", "*.tmp", "--days", "30"};
    // A row's commands run one after another where THEN parts them; TAKE makes a new old.tmp.
    const QStringList trash = days + QStringList{"--trash", "THEN"};

    QTest::newRow("real run prints nothing")
        << days << c << berlin << QByteArray() << QByteArray() << purged << 0;
    QTest::newRow("verbose names each deleted file")
        << days + QStringList{"--verbose"} << c << berlin << QByteArray("DIR/old.tmp\n")
        << QByteArray("culler: 1 file deleted, 1 kept\n") << purged << 0;
    QTest::newRow("dry run deletes nothing")
        << days + QStringList{"--dry-run"} << c << newYork << QByteArray("DIR/old.tmp\n")
        << QByteArray("culler: 1 file would be deleted, 1 kept\n") << all << 0;
    QTest::newRow("to the Trash") << days + QStringList{"--trash", "--verbose"} << c << berlin
                                  << QByteArray("DIR/old.tmp\n")
                                  << QByteArray("culler: 1 file moved to the Trash, 1 kept\n")
                                  << purged << 0;
    QTest::newRow("dry run ending paths in NUL")
        << days + QStringList{"--dry-run", "--null"} << c << berlin
        << QByteArray("DIR/old.tmp\0", 12)
        << QByteArray("culler: 1 file would be deleted, 1 kept\n") << all << 0;
    QTest::newRow("several patterns, an exclusion, the newest kept")
        << QStringList{"--pattern",     "*.tmp", "--pattern", "*.log", "--exclude", "old.l*",
                       "--keep-newest", "1",     "--days",    "30",    "--verbose"}
        << c << berlin << QByteArray("DIR/old.tmp\n")
        << QByteArray("culler: 1 file deleted, 1 kept, 1 of them as the newest, 1 excluded\n")
        << purged << 0;
    QTest::newRow("verbose, the directory ending in a separator")
        << QStringList{"--directory", "DIR/", "--pattern", "*.tmp", "--days", "30", "--verbose"}
        << c << berlin << QByteArray("DIR/old.tmp\n")
        << QByteArray("culler: 1 file deleted, 1 kept\n") << purged << 0;
    QTest::newRow("of files with one stamp, the newest kept sorts last")
        << QStringList{"--pattern", "old.*", "--keep-newest", "1", "--days", "30", "--verbose"} << c
        << berlin << QByteArray("DIR/old.log\n")
        << QByteArray("culler: 1 file deleted, 1 kept, 1 of them as the newest\n")
        << QStringList{"new.tmp", "old.tmp"} << 0;
    // A listing run opens no Trash, so one that cannot be made is no matter.
    QTest::newRow("dry run for the Trash, where none can be made")
        << days + QStringList{"--trash", "--dry-run"} << c << berlin << QByteArray("DIR/old.tmp\n")
        << QByteArray("culler: 1 file would be moved to the Trash, 1 kept\n") << all << 0;
    QTest::newRow("down the tree, removing the folder it emptied")
        << days + QStringList{"--recursive", "--remove-empty-dirs"} << c << berlin << QByteArray()
        << QByteArray() << purged << 0;
    QTest::newRow("a size cap the newest kept exceed")
        << QStringList{"--pattern", "*.tmp",      "--days", "9999",     "--keep-newest",
                       "1",         "--max-size", "0K",     "--verbose"}
        << c << berlin << QByteArray("DIR/old.tmp\n")
        << QByteArray("culler: The matching files left take 1 byte, more than the size cap of 0 "
                      "bytes: the files excluded, kept as the newest or kept against the request "
                      "take the rest.\nculler: 1 file deleted (1 for the size cap of 0 bytes), 1 "
                      "kept, 1 of them as the newest.\nculler: 1 file deleted (1 for the size cap "
                      "of 0 bytes), 1 kept, 1 of them as the newest\n")
        << purged << 1;
    QTest::newRow("to the Trash, kept there a day")
        << days + QStringList{"--trash", "--trash-days", "1", "--verbose"} << c << berlin
        << QByteArray("DIR/old.tmp\n")
        << QByteArray("culler: 1 file moved to the Trash, 1 kept\nculler: 0 items removed from the "
                      "Trash for good, 1 kept\n")
        << purged << 0;
    // REFUSE=X: the commands after it run with X refused, as runCuller says.
    QTest::newRow("down the tree, a folder unreadable")
        << QStringList{"REFUSE=CULLER_TEST_UNREADABLE=sub", "THEN"} + days +
               QStringList{"--recursive"}
        << c << berlin << QByteArray()
        << QByteArray("culler: 1 folder could not be read:\nculler: DIR/sub: Permission denied\n"
                      "culler: 1 file deleted, 1 kept, 1 folder not read.\n")
        << purged << 1;
    QTest::newRow("down the tree, the emptied folder's removal refused")
        << QStringList{"REFUSE=sub", "THEN"} + days +
               QStringList{"--recursive", "--remove-empty-dirs"}
        << c << berlin << QByteArray()
        << QByteArray("culler: 1 folder emptied by the run could not be removed:\nculler: "
                      "DIR/sub: Operation not permitted\nculler: 2 files deleted, 1 kept, 1 "
                      "emptied folder not removed.\n")
        << purged << 1;
    QTest::newRow("nothing matches")
        << QStringList{"--pattern", "*.none", "--days", "30", "--verbose"} << c << berlin
        << QByteArray() << QByteArray("culler: 0 files deleted, 0 kept\n") << all << 0;
    QTest::newRow("ISO date in the C locale")
        << QStringList{"--pattern", "*.tmp", "--before", isoDaysAgo(30)} << QStringLiteral("C")
        << newYork << QByteArray() << QByteArray() << purged << 0;
    QTest::newRow("ISO date where the locale writes other digits")
        << QStringList{"--pattern", "*.tmp", "--before", isoDaysAgo(30)}
        << QStringLiteral("ff_Adlm_GN.UTF-8") << berlin << QByteArray() << QByteArray() << purged
        << 0;
    QTest::newRow("ISO date in German")
        << QStringList{"--pattern", "*.tmp", "--before", isoDaysAgo(30)}
        << QStringLiteral("de_DE.UTF-8") << berlin << QByteArray() << QByteArray() << purged << 0;
    QTest::newRow("German short date")
        << QStringList{"--pattern", "*.tmp", "--before",
                       QDate::currentDate().addDays(-30).toString(QStringLiteral("dd.MM.yy"))}
        << QStringLiteral("de_DE.UTF-8") << berlin << QByteArray() << QByteArray() << purged << 0;
    QTest::newRow("American short date")
        << QStringList{"--pattern", "*.tmp", "--before",
                       QDate::currentDate().addDays(-30).toString(QStringLiteral("M/d/yy"))}
        << QStringLiteral("en_US.UTF-8") << newYork << QByteArray() << QByteArray() << purged << 0;
    QTest::newRow("put back the newest run")
        << trash + QStringList{"--put-back", "--verbose"} << c << berlin
        << QByteArray("DIR/old.tmp\n") << QByteArray("culler: 1 file put back\n") << all << 0;
    QTest::newRow("put back, the emptied folder made again")
        << days + QStringList{"--trash", "--recursive", "--remove-empty-dirs",
                              "THEN",    "--put-back",  "--verbose"}
        << c << berlin << QByteArray("DIR/old.tmp\nDIR/sub/old.tmp\n")
        << QByteArray("culler: 2 files put back, 1 folder made again\n") << all << 0;
    QTest::newRow("put back, a new file in the way")
        << trash + QStringList{"TAKE", "THEN", "--put-back"} << c << berlin << QByteArray()
        << QByteArray("culler: 1 file was left in the Trash:\nculler: DIR/old.tmp: another file "
                      "has its name now\nculler: 0 files put back, 1 left in the Trash.\n")
        << all << 1;
    QTest::newRow("kept runs, newest first")
        << trash + QStringList{"--put-back", "THEN"} + trash + QStringList{"--runs"} << c << berlin
        << QByteArray("RUN  DIR  1 file moved to the Trash\nRUN  DIR  put back\n") << QByteArray()
        << purged << 0;
}

void tst_CommandLine::runs() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, lang);
    QFETCH(QString, zone);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(QStringList, left);
    QFETCH(int, status);

    makeFile(dir() + "/old.tmp", -400);
    makeFile(dir() + "/old.log", -400);
    makeFile(dir() + "/new.tmp", -1);
    QVERIFY(::mkdir(dir() + "/sub", 0700) == 0 && ::chmod(dir() + "/sub", 0750) == 0);
    makeFile(dir() + "/sub/old.tmp", -400);
    const QString listFile =
        QFileInfo(executable).absolutePath() + QStringLiteral("/filetypes.dat");
    const QByteArray listBefore = QFile::exists(listFile) ? QByteArray("there") : QByteArray();

    if (arguments.contains("--dry-run") && arguments.contains("--trash"))
        makeFile(QFile::encodeName(m_home->filePath(".local")), 0);
    Result result{0, {}, {}};
    QString refused;
    for (QStringList command : commandsOf(arguments)) {
        // Every command but the last goes as asked.
        QCOMPARE(result.exitCode, 0);
        if (command == QStringList{"TAKE"}) {
            makeFile(dir() + "/old.tmp", -1);
            continue;
        }
        if (command.first().startsWith(QStringLiteral("REFUSE="))) {
            refused = command.first().mid(7);
            continue;
        }
        if (command.contains("--pattern") && !command.contains("--directory"))
            command = QStringList{"--directory", "DIR"} + command;
        result = runCuller(command.replaceInStrings("DIR", m_dir->path()), m_home->path(), lang,
                           zone, refused);
    }
    // A kept run's id, date and time are when it ran.
    if (arguments.contains("--runs"))
        result.out =
            QString::fromUtf8(result.out).replace(runMoment, QStringLiteral("RUN  ")).toUtf8();
    QCOMPARE(result.exitCode, status);
    QCOMPARE(result.out, out.replace("DIR", dir()));
    QCOMPARE(result.err, err.replace("DIR", dir()));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), left);
    // Gone once emptied, as asked, and back with its mode after a put back.
    struct stat sub {};
    const bool subGone = arguments.contains("--remove-empty-dirs") && status == 0 &&
                         !arguments.contains("--put-back");
    QCOMPARE(::lstat(dir() + "/sub", &sub) == 0 ? sub.st_mode : 0, subGone ? 0 : S_IFDIR | 0750);
    const bool trashed = (arguments.lastIndexOf("--trash") > arguments.lastIndexOf("--put-back") &&
                          !arguments.contains("--dry-run")) ||
                         err.contains("left in the Trash");
    QCOMPARE(QDir(m_home->filePath(".local/share/Trash/files")).entryList(QDir::Files),
             trashed ? QStringList{"old.tmp"} : QStringList());
    // The window's pattern list is none of the command's business.
    QVERIFY(!QFileInfo::exists(m_home->filePath(".local/share/Culler")));
    QCOMPARE(QFile::exists(listFile) ? QByteArray("there") : QByteArray(), listBefore);
}

void tst_CommandLine::everyUndeletableFileIsNamed() {
    for (int i = 0; i < 44; ++i)
        makeFile(dir() + "/locked" + QByteArray::number(i), -400);
    makeFile(dir() + "/free", -400);

    const Result result =
        runCuller({"--directory", m_dir->path() + "/", "--pattern", "*", "--before", "9999-12-31"},
                  m_home->path(), QStringLiteral("C.UTF-8"), QString::fromLatin1(defaultZone),
                  QStringLiteral("locked"));
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.out, QByteArray());
    QList<QByteArray> lines = result.err.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    const QRegularExpression head(QStringLiteral("^culler: (\\d+) files could not be deleted:$"));
    const QString first = QString::fromUtf8(lines.takeFirst());
    const QRegularExpressionMatch match = head.match(first);
    QVERIFY2(match.hasMatch(), result.err.constData());
    QCOMPARE(match.captured(1).toInt(), 44);
    // The message ends by telling what became of the other files.
    QCOMPARE(QString::fromUtf8(lines.takeLast()),
             QStringLiteral("culler: 1 file deleted, 0 kept, 44 not deleted."));
    QCOMPARE(lines.size(), 44);
    for (const QByteArray &line : lines)
        QVERIFY2(line.startsWith("culler: " + dir() + "/locked") &&
                     line.endsWith(": Operation not permitted"),
                 line.constData());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 44);
}

void tst_CommandLine::argumentsAreTheBytesGiven() {
    QCOMPARE(::mkdir((dir() + "/bad\xff").constData(), 0755), 0);
    makeFile(dir() + "/bad\xff/\xff\xfe"
                     "42",
             -400);
    makeFile(dir() + "/bad\xff/other", -400);
    // A shell passes the bytes printf makes, which QProcess's arguments, being text, cannot.
    const auto run = [this](const char *directory) {
        return runCuller(
            {"-c", QStringLiteral("exec \"$CULLER\" --directory \"$(printf '%1%2')\" "
                                  "--pattern \"$(printf '\\377\\376*')\" --days 30 --verbose")
                       .arg(m_dir->path(), QLatin1String(directory))},
            m_home->path(), QStringLiteral("C.UTF-8"), QString::fromLatin1(defaultZone), QString(),
            QStringLiteral("/bin/sh"));
    };
    const Result missing = run("/missing\\377");
    QCOMPARE(missing.exitCode, 2);
    QCOMPARE(missing.err, "culler: Cannot read the directory \"" + dir() +
                              "/missing\\xff\": No such file or directory.\n");
    const Result result = run("/bad\\377");
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, dir() + "/bad\xff/\xff\xfe"
                                 "42\n");
    QCOMPARE(entries(dir() + "/bad\xff"), QSet<QByteArray>{"other"});
    for (const QByteArray &name : {QByteArray("/bad\xff/other"), QByteArray("/bad\xff")})
        ::remove((dir() + name).constData());
}

void tst_CommandLine::dryRunListsWhatTheRealRunDeletes() {
    const QByteArray top = dir();
    QTemporaryDir outside;
    const QByteArray target = QFile::encodeName(outside.filePath("target.tmp"));
    makeFile(target, -400);
    const QList<QByteArray> old = {"old.tmp", "line\nbreak.tmp", "not-utf8-\xff\xfe.tmp",
                                   "Latin-1 caf\xe9.tmp", "space .tmp"};
    for (const QByteArray &name : old)
        makeFile(top + '/' + name, -400);
    for (const QByteArray &name : {QByteArray(".hidden.tmp"), QByteArray("new\xff.tmp"),
                                   QByteArray("old.log"), QByteArray("future.tmp")})
        makeFile(top + '/' + name, name == "future.tmp" ? 30 : name == "new\xff.tmp" ? -1 : -400);
    QCOMPARE(::mkdir((top + "/sub.tmp").constData(), 0755), 0);
    makeFile(top + "/sub.tmp/inner.tmp", -400);
    QCOMPARE(::symlink(target.constData(), (top + "/link.tmp").constData()), 0);
    QCOMPARE(::symlink("missing.tmp", (top + "/dangling.tmp").constData()), 0);
    QCOMPARE(::symlink(QFile::encodeName(outside.path()).constData(),
                       (top + "/dirlink.tmp").constData()),
             0);
    QCOMPARE(::mkfifo((top + "/pipe.tmp").constData(), 0600), 0);
    const QSet<QByteArray> before = entries(top);

    const QStringList request = {"--directory", m_dir->path(), "--pattern", "*.tmp",
                                 "--days",      "30",          "--null"};
    const Result dry = runCuller(request + QStringList{"--dry-run"}, m_home->path());
    QCOMPARE(dry.exitCode, 0);
    QCOMPARE(entries(top), before);
    const Result real = runCuller(request + QStringList{"--verbose"}, m_home->path());
    QCOMPARE(real.exitCode, 0);

    QSet<QByteArray> expected;
    for (const QByteArray &name : old)
        expected.insert(top + '/' + name);
    QCOMPARE(listed(dry.out, '\0'), expected);
    QCOMPARE(listed(real.out, '\0'), expected);
    QSet<QByteArray> gone = before - entries(top);
    QCOMPARE(gone, QSet<QByteArray>(old.begin(), old.end()));
    QVERIFY(QFileInfo::exists(QFile::decodeName(target)));
    QVERIFY(QFileInfo::exists(m_dir->filePath("sub.tmp/inner.tmp")));

    // QTemporaryDir cannot remove names that are not UTF-8.
    for (const QByteArray &name : entries(top))
        ::unlink((top + '/' + name).constData());
}

void tst_CommandLine::documentationNamesEveryOption() {
    const Result help = runCuller({"--help"}, m_home->path());
    QFile manPage(QStringLiteral(CULLER_SOURCE_DIR "/data/culler.1"));
    QFile readme(QStringLiteral(CULLER_SOURCE_DIR "/README.md"));
    QVERIFY(manPage.open(QIODevice::ReadOnly) && readme.open(QIODevice::ReadOnly));
    const QByteArray man = manPage.readAll();
    const QByteArray read = readme.readAll();

    const QRegularExpression option(QStringLiteral("--[a-z-]+"));
    QSet<QString> options;
    for (const QRegularExpressionMatch &match : option.globalMatch(QString::fromUtf8(help.out)))
        options.insert(match.captured());
    QVERIFY(options.size() >= 9);
    for (const QString &name : options) {
        QVERIFY2(man.contains(name.toUtf8().replace("-", "\\-")), qPrintable(name));
        QVERIFY2(read.contains(name.toUtf8()), qPrintable(name));
    }
    // The exit statuses, in the same words.
    for (const char *status :
         {"the run finished, also when no file matched",
          "the run finished, but some files could not be deleted", "nothing was done"}) {
        QVERIFY2(help.out.contains(status), status);
        QVERIFY2(man.contains(status), status);
        QVERIFY2(read.contains(status), status);
    }

    const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
    if (groff.isEmpty())
        QSKIP("groff is not installed: the man page's markup is not checked.");
    QProcess render;
    render.start(groff, {"-man", "-ww", "-z", manPage.fileName()});
    QVERIFY(render.waitForFinished(60000));
    QCOMPARE(render.exitCode(), 0);
    QCOMPARE(render.readAllStandardError(), QByteArray());
}

void tst_CommandLine::unitFilesVerify() {
    // The units name the installed program; here they run the one just built.
    const QDir units(m_home->path());
    QFile service(QStringLiteral(CULLER_SOURCE_DIR "/data/culler-purge.service"));
    QVERIFY(service.open(QIODevice::ReadOnly));
    QByteArray text = service.readAll();
    QVERIFY(text.contains("ExecStart=/usr/bin/culler "));
    text.replace("/usr/bin/culler", QFile::encodeName(executable));
    QFile copy(units.filePath(QStringLiteral("culler-purge.service")));
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write(text);
    copy.close();
    QVERIFY(QFile::copy(QStringLiteral(CULLER_SOURCE_DIR "/data/culler-purge.timer"),
                        units.filePath(QStringLiteral("culler-purge.timer"))));

    const std::optional<QByteArray> complaints =
        culler::test::verifyUserUnits(units.path(), {"culler-purge.service", "culler-purge.timer"});
    if (!complaints)
        QSKIP("systemd-analyze is not installed: the unit files are not checked.");
    QVERIFY2(complaints->isEmpty(), complaints->constData());
}

void tst_CommandLine::dailyPurgeThroughSystemctl_data() {
    QTest::addColumn<QString>("refused"); // the systemctl command the stand-in fails
    QTest::addColumn<int>("setUp");       // the exit statuses of --schedule and --unschedule
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("error"); // the first message, NAME for the purge's name
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("again"); // set up once already: a failure leaves that one as it was
    QTest::addColumn<QStringList>("options"); // beside --directory, --pattern and --days
    QTest::addColumn<QString>("words");       // what --schedules says it does

    const QString plain = "delete the files of type *.tmp in DIR that are 7.5 days old or older.";
    const QString manager = "show-environment";
    const QString reload = "daemon-reload";
    const QString enable = "enable --now NAME.timer";
    const QString disable = "disable --now NAME.timer";
    QTest::newRow("set up, listed, removed")
        << "" << 0 << 0 << "" << QStringList{manager, reload, enable, manager, disable, reload}
        << false << QStringList{} << plain;
    QTest::newRow("down the tree, with exclusions, emptied folders removed")
        << "" << 0 << 0 << "" << QStringList{manager, reload, enable, manager, disable, reload}
        << false << QStringList{"--recursive", "--remove-empty-dirs", "--exclude", "*.keep"}
        << "delete the files of type *.tmp in DIR and its subfolders that are 7.5 days old or "
           "older, but keep those of type *.keep, and remove the subfolders it empties.";
    QTest::newRow("no user manager")
        << "show-environment" << 2 << 2
        << "daily purges need a systemd user manager, and none answers:" << QStringList{manager}
        << false << QStringList{} << plain;
    QTest::newRow("timer not started")
        << "enable" << 2 << 2
        << "systemctl --user enable --now NAME.timer failed: stand-in refuses enable"
        << QStringList{manager, reload, enable, reload} << false << QStringList{} << plain;
    QTest::newRow("set up again, timer not started")
        << "enable" << 2 << 0
        << "systemctl --user enable --now NAME.timer failed: stand-in refuses enable"
        << QStringList{manager, reload, enable,  manager, reload,
                       enable,  reload, manager, disable, reload}
        << true << QStringList{} << plain;
}

void tst_CommandLine::dailyPurgeThroughSystemctl() {
    QFETCH(QString, refused);
    QFETCH(int, setUp);
    QFETCH(int, removed);
    QFETCH(QString, error);
    QFETCH(QStringList, calls);
    QFETCH(bool, again);
    QFETCH(QStringList, options);
    QFETCH(QString, words);
    const QString name = culler::unitName(dir(), {"*.tmp"});
    error.replace(QStringLiteral("NAME"), name);
    calls.replaceInStrings(QStringLiteral("NAME"), name);
    // The stand-in records its arguments and fails the command it is told to.
    const QString standIn = m_home->filePath(QStringLiteral("bin/systemctl"));
    QVERIFY(QDir().mkpath(m_home->filePath(QStringLiteral("bin"))));
    culler::test::writeBytes(standIn, "#!/bin/sh\necho \"$*\" >> \"$0.calls\"\n"
                                      "if [ -n \"$REFUSE\" ] && [ \"$2\" = \"$REFUSE\" ]; then\n"
                                      "  echo \"stand-in refuses $REFUSE\" >&2; exit 1\nfi\n");
    QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
    qputenv("PATH", QFile::encodeName(m_home->filePath(QStringLiteral("bin"))) + ':' + path);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("config"))));
    const QString units = m_home->filePath(QStringLiteral("config/systemd/user/")) + name;
    const QStringList schedule = QStringList{"--schedule", "daily", "--directory", m_dir->path(),
                                             "--pattern",  "*.tmp", "--days",      "7.5"} +
                                 options;
    qputenv("REFUSE", "");
    QVERIFY(!again || runCuller(schedule, m_home->path()).exitCode == 0);

    qputenv("REFUSE", refused.toUtf8());
    const Result set = runCuller(schedule, m_home->path());
    QCOMPARE(set.exitCode, setUp);
    QCOMPARE(set.out, setUp == 0 ? (name + '\n').toUtf8() : QByteArray());
    QCOMPARE(QFileInfo::exists(units + ".service"), setUp == 0 || again);
    QCOMPARE(QFileInfo::exists(units + ".timer"), setUp == 0 || again);
    const Result list = runCuller({"--schedules"}, m_home->path());
    QCOMPARE(list.out,
             setUp != 0 && !again
                 ? QByteArray()
                 : (name + "  Every day, " + words.replace("DIR", m_dir->path()) + '\n').toUtf8());
    const Result remove = runCuller({"--unschedule", name + ".timer"}, m_home->path());
    QCOMPARE(remove.exitCode, removed);
    QCOMPARE(QFileInfo::exists(units + ".service"), setUp == 0 && removed != 0);
    const QByteArray said = set.exitCode != 0 ? set.err : remove.err;
    QCOMPARE(QString::fromUtf8(said.split('\n').first()),
             error.isEmpty() ? QString() : QStringLiteral("culler: ") + error);
    QCOMPARE(QString::fromUtf8(culler::test::readBytes(standIn + ".calls"))
                 .split('\n', Qt::SkipEmptyParts),
             calls.replaceInStrings(QRegularExpression("^"), QStringLiteral("--user ")));
}

void tst_CommandLine::notification_data() {
    QTest::addColumn<QStringList>("before"); // what the command runs in
    QTest::addColumn<QByteArray>("shown");

    const QString server = QStringLiteral(CULLER_NOTIFICATION_SERVER);
    QTest::newRow("server on a private bus")
        << QStringList{"dbus-run-session", "--", server, "RECORD"}
        << QByteArray("Culler: 2 files deleted from DIR\n2 files deleted, 1 kept\n");
    QTest::newRow("private bus, no server")
        << QStringList{"dbus-run-session", "--"} << QByteArray();
    QTest::newRow("no bus") << QStringList{} << QByteArray();
}

void tst_CommandLine::notification() {
    QFETCH(QStringList, before);
    QFETCH(QByteArray, shown);
    if (!before.isEmpty() && QStandardPaths::findExecutable(before.first()).isEmpty())
        QSKIP("dbus-run-session is not installed: no private bus.");
    for (const char *name : {"a.tmp", "b.tmp"})
        makeFile(dir() + '/' + name, -400);
    makeFile(dir() + "/new.tmp", 1);
    const QString record = m_home->filePath(QStringLiteral("shown"));
    before.replaceInStrings(QStringLiteral("RECORD"), record);
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("XDG_RUNTIME_DIR");

    const QStringList request = {"--directory", m_dir->path(), "--pattern", "*.tmp",
                                 "--days",      "30",          "--notify"};
    const Result result = before.isEmpty()
                              ? runCuller(request, m_home->path())
                              : runCuller(before.mid(1) + QStringList{executable} + request,
                                          m_home->path(), "C.UTF-8", "Europe/Berlin", QString(),
                                          QStandardPaths::findExecutable(before.first()));
    // The private bus may grumble, as root, that it cannot raise its file limit, and Qt's bus
    // library now and then warns of a reply type it registers on a thread of its own.
    const QByteArray said =
        QString::fromUtf8(result.err)
            .remove(QRegularExpression("^(dbus-daemon\\[|Trying to construct an instance of an "
                                       "invalid type).*\n",
                                       QRegularExpression::MultilineOption))
            .toUtf8();
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(said, QByteArray());
    QCOMPARE(entries(dir()), QSet<QByteArray>{"new.tmp"});
    QCOMPARE(culler::test::readBytes(record),
             shown.isEmpty() ? QByteArray("(unreadable)") : shown.replace("DIR", dir()));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
