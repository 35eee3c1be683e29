#include "purge/outcomewords.h"
#include "purge/purge.h"
#include "purge/putback.h"
#include "purge/readrequest.h"
#include "purge/trashexpiry.h"
#include "runtime/calendar.h"
#include "runtime/trash.h"
#include "standinreaddir.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace culler;

// The purge removes files with unlinkat. This definition takes its place in the test program so
// that a removal can be made to fail the way it does for a user without permission; every other
// name goes to the system call as usual. AddressSanitizer does not intercept unlinkat, so under
// `make check` too this is the definition the purge calls; if it ever were not,
// refusedRemovalIsReportedAndTheRunGoesOn would fail, so it cannot go unnoticed.
static const char *refusedName = nullptr;

extern "C" int unlinkat(int directory, const char *name, int flags) noexcept {
    if (refusedName != nullptr && std::strcmp(name, refusedName) == 0) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_unlinkat, directory, name, flags));
}

// A move to the Trash is refused the same way. Where noReplaceRefused is set, the rename
// refuses RENAME_NOREPLACE as some FUSE, CIFS and NFS mounts do. The file called racedName is
// touched just before it moves, and a new file takes its name right after. Once killAtRename
// files have moved, the next move kills the process instead, as a logout or an out-of-memory kill
// can at any moment; the Trash's one probe of the mount is not a move.
static bool noReplaceRefused = false;
static const char *racedName = nullptr;
static int killAtRename = -1;

extern "C" int renameat2(int from, const char *name, int to, const char *newName,
                         unsigned flags) noexcept {
    if (std::strncmp(name, "culler-probe", 12) != 0) {
        if (killAtRename == 0)
            ::raise(SIGKILL);
        if (killAtRename > 0)
            --killAtRename;
    }
    if (refusedName != nullptr && std::strcmp(name, refusedName) == 0) {
        errno = EPERM;
        return -1;
    }
    if (noReplaceRefused && (flags & RENAME_NOREPLACE) != 0) {
        errno = EINVAL;
        return -1;
    }
    const bool raced = racedName != nullptr && std::strcmp(name, racedName) == 0;
    if (raced)
        ::utimensat(from, name, nullptr, 0);
    const long renamed = ::syscall(SYS_renameat2, from, name, to, newName, flags);
    if (raced && renamed == 0) {
        racedName = nullptr;
        ::close(::openat(from, name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    return static_cast<int>(renamed);
}

// A hard link is refused with linkRefused where it is set, as on a mount that takes none.
static int linkRefused = 0;

extern "C" int linkat(int from, const char *name, int to, const char *newName, int flags) noexcept {
    if (linkRefused != 0) {
        errno = linkRefused;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_linkat, from, name, to, newName, flags));
}

// Once readdirCallsLeft calls to readdir have been made, the next one fails with EIO, as a
// failing disk does part way through a listing. -1 lets every call through. Where onListed is
// set, it sees each entry before the caller does.
static int readdirCallsLeft = -1;
static std::function<void(const dirent &)> onListed;

static bool readdirGoesOn() {
    if (readdirCallsLeft == 0) {
        errno = EIO;
        return false;
    }
    if (readdirCallsLeft > 0)
        --readdirCallsLeft;
    return true;
}

namespace {

// The day of the examples: 6 December 1999 at 10:15, so 20 days ago is 16 November 1999.
const QDate today(1999, 12, 6);

QDateTime at(int daysFromToday, QTime time) {
    return QDateTime(today.addDays(daysFromToday), time);
}

// A display that changes the directory while the run works on it: once the progress maximum or
// value reaches a given number, that is during the counting or the deleting pass.
class ScriptedDisplay final : public test::RecordingDisplay {
public:
    void setProgressMaximum(qint64 newMaximum) override {
        RecordingDisplay::setProgressMaximum(newMaximum);
        if (newMaximum == atMaximum)
            action();
    }
    void setProgressValue(qint64 newValue) override {
        RecordingDisplay::setProgressValue(newValue);
        if (newValue == atValue)
            action();
    }
    qint64 atMaximum = -1;
    qint64 atValue = -1;
    std::function<void()> action;
};

// A display that keeps the files the run chose, in the order it tells them.
class OrderDisplay final : public test::RecordingDisplay {
public:
    void fileChosen(const char *name, qint64) override { chosen << QString::fromLocal8Bit(name); }

    QStringList chosen;
};

// A display that keeps the files the run chose and asks it to stop at the given question.
class ChoosingDisplay final : public test::RecordingDisplay {
public:
    void fileChosen(const char *name, qint64 size) override {
        chosen.insert(QString::fromLocal8Bit(name), size);
    }
    bool stopRequested() const override { return ++questions == stopAt; }

    QMap<QString, qint64> chosen;
    mutable int questions = 0;
    int stopAt = -1;
};

} // namespace

class tst_Purge : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void init();
    void cleanup();

    void cutOffDate_data();
    void cutOffDate();
    void isoDateNamesTheSameDayInEveryLocale();
    void deletesFilesOnOrBeforeTheLimitDay_data();
    void deletesFilesOnOrBeforeTheLimitDay();
    void leavesEverythingElseAlone();
    void rejectedRequests_data();
    void rejectedRequests();
    void unreadableDirectory_data();
    void unreadableDirectory();
    void trashRefusalLeavesEverythingInPlace_data();
    void trashRefusalLeavesEverythingInPlace();
    void noMatchIsFinished();
    void refusedRemovalIsReportedAndTheRunGoesOn_data();
    void refusedRemovalIsReportedAndTheRunGoesOn();
    void vanishedFilesAreNoFailure_data();
    void vanishedFilesAreNoFailure();
    void closingMessageTellsUnexaminedFromUndeleted_data();
    void closingMessageTellsUnexaminedFromUndeleted();
    void fileChangedSinceItsStampIsKept_data();
    void fileChangedSinceItsStampIsKept();
    void listingFailingPartWayIsNotFinished_data();
    void listingFailingPartWayIsNotFinished();
    void directoryChangedBetweenPassesLeavesItUnfinished();
    void directorySwappedForALinkRemovesNothingElsewhere_data();
    void directorySwappedForALinkRemovesNothingElsewhere();
    void listingRunReportsWhatADeletingRunRemoves_data();
    void listingRunReportsWhatADeletingRunRemoves();
    void stopRequestEndsTheRun_data();
    void stopRequestEndsTheRun();
    void onlyARealRunRemovesOnASecondThread_data();
    void onlyARealRunRemovesOnASecondThread();
    void moreFilesThanTheQueueHoldsGoInListingOrder();
    void trashLosesNoFileToARace();
    void putBackLeavesWhatCannotGoBack_data();
    void putBackLeavesWhatCannotGoBack();
    void killedRunListsWhatIsInTheTrash_data();
    void killedRunListsWhatIsInTheTrash();
    void keepFreeRemovesTheOldestUntilTheMountHasIt_data();
    void keepFreeRemovesTheOldestUntilTheMountHasIt();
    void trashExpiryRemovesWhatIsOldEnough_data();
    void trashExpiryRemovesWhatIsOldEnough();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QSet<QString> remaining() const;
    PurgeRequest daysRequest(const QString &days) const;
    // Reads the request as the window does and runs the purge with its removals as the row of
    // initTestCase_data says.
    PurgeResult purge(const PurgeRequest &request, PurgeDisplay &display,
                      PurgeAction action = PurgeAction::Remove);
    // The message the window ends such a run with.
    QString closing(const PurgeOutcome &outcome, const QString &directory) const;

    QByteArray runsDirectory() const { return QFile::encodeName(m_trash->filePath("runs")); }
    QStringList inTrash() const { return QDir(trash("files")).entryList(QDir::Files); }
    QString trash(const QString &name = {}) const {
        return m_trash->filePath(name.isEmpty() ? "Trash" : "Trash/" + name);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    // Where the test's own Trash goes, on the same mount as m_dir.
    std::unique_ptr<QTemporaryDir> m_trash;
    test::FixedClock m_clock{test::exampleNow()};
    Calendar m_calendar{m_clock, test::testLocale()};
};

// Every test runs twice: with the removals on a second thread, and inline. Whatever a test checks
// must hold both ways.
void tst_Purge::initTestCase_data() {
    QTest::addColumn<RemovalMode>("mode");

    QTest::newRow("pipelined") << RemovalMode::Pipelined;
    QTest::newRow("inline") << RemovalMode::Inline;
}

void tst_Purge::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_trash = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_trash->isValid());
    refusedName = nullptr;
    test::setReaddirHook(readdirGoesOn);
    test::setReaddirWatch([](const dirent &entry) {
        if (onListed)
            onListed(entry);
    });
}

void tst_Purge::cleanup() {
    refusedName = racedName = nullptr;
    noReplaceRefused = false;
    linkRefused = 0;
    readdirCallsLeft = -1;
    onListed = nullptr;
    m_dir.reset();
}

QSet<QString> tst_Purge::remaining() const {
    const QStringList names =
        QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return QSet<QString>(names.begin(), names.end());
}

PurgeRequest tst_Purge::daysRequest(const QString &days) const {
    return PurgeRequest{m_dir->path(), QStringLiteral("*.tmp"), PurgeMode::Days, days, QString()};
}

PurgeResult tst_Purge::purge(const PurgeRequest &request, PurgeDisplay &display,
                             PurgeAction action) {
    QFETCH_GLOBAL(RemovalMode, mode);
    Expected<PurgeJob, Refusal> job = readJob(request, m_calendar);
    if (!job)
        return unexpected(job.error());
    job->action = action;
    job->namedFiles = 10; // as the window's message box
    job->trash = TrashPlaces{QFile::encodeName(trash()), ::geteuid()};
    job->runsDirectory = runsDirectory();
    // Down a tree, as --remove-empty-dirs asks, the folders a run empties go too.
    job->emptiedFolders = EmptiedFolders::Removed;
    return runPurge(*job, display, mode);
}

QString tst_Purge::closing(const PurgeOutcome &outcome, const QString &directory) const {
    const auto pathOf = [&](const QByteArray &name) {
        return QString::fromLocal8Bit(directoryPrefix(QFile::encodeName(directory)) + name);
    };
    return closingText(outcome, pathOf);
}

void tst_Purge::cutOffDate_data() {
    QTest::addColumn<PurgeMode>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("limit"); // NaN: no limit date
    QTest::addColumn<RequestField>("field");

    const double day = 36500.0; // 6 December 1999
    const double none = std::nan("");
    QTest::newRow("20 days") << PurgeMode::Days << "20" << day - 20 << RequestField::None;
    QTest::newRow("1.5 days is noon of the day before yesterday")
        << PurgeMode::Days << "1.5" << day - 1.5 << RequestField::None;
    QTest::newRow("leading number of a text")
        << PurgeMode::Days << "3 weeks" << day - 3 << RequestField::None;
    QTest::newRow("leading number glued to letters")
        << PurgeMode::Days << " 20abc" << day - 20 << RequestField::None;
    QTest::newRow("minus zero is zero") << PurgeMode::Days << "-0" << day << RequestField::None;
    // A slip that once counted as 0 days, or reached into the future, and made every file due.
    for (const char *text : {"abc", "", "   ", "\uFF12\uFF10", "twenty", "-5", "-0.5", ".", "+"})
        QTest::addRow("refused: \"%s\"", text)
            << PurgeMode::Days << QString::fromUtf8(text) << none << RequestField::DaysOld;
    QTest::newRow("days beyond the calendar")
        << PurgeMode::Days << "99999999" << none << RequestField::DaysOld;
    QTest::newRow("days far beyond the calendar")
        << PurgeMode::Days << "1e400" << none << RequestField::DaysOld;
    QTest::newRow("date") << PurgeMode::Date << "11/16/99" << day - 20 << RequestField::None;
    QTest::newRow("two-digit year in this century")
        << PurgeMode::Date << "12/1/26" << 46357.0 << RequestField::None;
    QTest::newRow("not a date") << PurgeMode::Date << "11/31/99" << none
                                << RequestField::BeforeDate;
    QTest::newRow("placeholder") << PurgeMode::Date << "##/##/##" << none
                                 << RequestField::BeforeDate;
    QTest::newRow("date before the calendar")
        << PurgeMode::Date << "12/31/0099" << none << RequestField::BeforeDate;
}

void tst_Purge::cutOffDate() {
    QFETCH(PurgeMode, mode);
    QFETCH(QString, text);
    QFETCH(double, limit);
    QFETCH(RequestField, field);

    const Expected<DateValue, Refusal> result =
        mode == PurgeMode::Days ? daysCutOff(text, m_calendar)
                                : dateCutOff(text, m_calendar, DateForms::ShortDate);
    QCOMPARE(result.hasValue(), !std::isnan(limit));
    if (result)
        QCOMPARE(*result, limit);
    QCOMPARE(result ? RequestField::None : result.error().field, field);
    if (!result) {
        const QString prompt = refusalText(result.error());
        if (QByteArray(QTest::currentDataTag()).startsWith("refused"))
            QCOMPARE(prompt, QStringLiteral("Days old must be a number of days, 0 or more."));
        else
            QVERIFY(prompt.contains(text.left(4)));
    }
}

void tst_Purge::isoDateNamesTheSameDayInEveryLocale() {
    // What a script writes, read alike whatever digits and order the locale's own dates use; a
    // day of 12 or less tells the day from the month.
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    QVERIFY(locales.size() > 100);
    for (const QLocale &locale : locales) {
        const Calendar calendar(m_clock, locale);
        const Expected<DateValue, Refusal> cutOff =
            dateCutOff(" 2026-03-04", calendar, DateForms::IsoShortDate);
        QVERIFY2(cutOff && *cutOff == dateValueOf(QDate(2026, 3, 4)), qPrintable(locale.name()));
        // The example a refused date shows is read back, in the window too.
        const Expected<DateValue, Refusal> refused =
            dateCutOff(QStringLiteral("x"), calendar, DateForms::ShortDate);
        const Expected<DateValue, Refusal> example =
            dateCutOff(refused.error().example, calendar, DateForms::ShortDate);
        QVERIFY2(example && *example == calendar.today(),
                 qPrintable(locale.name() + ": " + refused.error().example));
    }
}

void tst_Purge::deletesFilesOnOrBeforeTheLimitDay_data() {
    QTest::addColumn<PurgeMode>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("kept");

    // The files every row starts from: name, day relative to today, time of day.
    const QStringList all = {"a-21.tmp",    "b-20-late.tmp", "c-20-midnight.tmp",
                             "d-19.tmp",    "e-2-late.tmp",  "f-1.tmp",
                             "g-today.tmp", "h-tomorrow.tmp"};
    QTest::newRow("20 days") << PurgeMode::Days << "20" << all.mid(3);
    QTest::newRow("the same day as a date") << PurgeMode::Date << "11/16/99" << all.mid(3);
    QTest::newRow("20 days, directory text ending in a separator")
        << PurgeMode::Days << "20/" << all.mid(3);
    QTest::newRow("1.5 days takes the whole day before yesterday")
        << PurgeMode::Days << "1.5" << all.mid(5);
    QTest::newRow("a date after every file") << PurgeMode::Date << "1/1/00" << QStringList();
}

void tst_Purge::deletesFilesOnOrBeforeTheLimitDay() {
    QFETCH(PurgeMode, mode);
    QFETCH(QString, text);
    QFETCH(QStringList, kept);

    test::writeFile(path("a-21.tmp"), at(-21, QTime(10, 0)));
    test::writeFile(path("b-20-late.tmp"), at(-20, QTime(23, 59, 59)));
    test::writeFile(path("c-20-midnight.tmp"), at(-20, QTime(0, 0)));
    test::writeFile(path("d-19.tmp"), at(-19, QTime(0, 0)));
    test::writeFile(path("e-2-late.tmp"), at(-2, QTime(23, 0)));
    test::writeFile(path("f-1.tmp"), at(-1, QTime(0, 0)));
    test::writeFile(path("g-today.tmp"), at(0, QTime(9, 0)));
    test::writeFile(path("h-tomorrow.tmp"), at(1, QTime(8, 0)));

    PurgeRequest request{m_dir->path(), QStringLiteral("*.tmp"), mode, text, text};
    if (text.endsWith(QLatin1Char('/'))) {
        request.directory += QLatin1Char('/');
        request.daysOld.chop(1);
    }
    test::RecordingDisplay display;
    const PurgeOutcome summary = *purge(request, display);

    QCOMPARE(remaining(), QSet<QString>(kept.begin(), kept.end()));
    QCOMPARE(summary.status, PurgeStatus::Finished);
    QCOMPARE(summary.removed, 8 - kept.size());
    QCOMPARE(display.maximum, 9);
    QCOMPARE(display.value, 0);
    QVERIFY(!summary.fellShort());
}

void tst_Purge::leavesEverythingElseAlone() {
    const QDateTime old = at(-100, QTime(12, 0));
    QTemporaryDir outside;
    test::writeFile(outside.filePath("target.tmp"), old);
    QVERIFY(QDir(m_dir->path()).mkdir("sub.tmp"));
    test::writeFile(path("sub.tmp/inner.tmp"), old);
    test::writeFile(path(".hidden.tmp"), old);
    test::writeFile(path("old.bak"), old);
    test::writeFile(path("old.tmp.bak"), old);
    test::writeFile(path("OLD.TMP"), old);
    QVERIFY(QFile::link(outside.filePath("target.tmp"), path("link.tmp")));
    QVERIFY(QFile::link(outside.filePath("missing.tmp"), path("dangling.tmp")));
    QVERIFY(QFile::link(outside.path(), path("dirlink.tmp")));
    QCOMPARE(::mkfifo(QFile::encodeName(path("pipe.tmp")).constData(), 0600), 0);
    test::writeFile(path("gone.tmp"), old);

    test::RecordingDisplay display;
    const PurgeOutcome summary = *purge(daysRequest(QStringLiteral("20")), display);

    const QSet<QString> expected = {"sub.tmp",      ".hidden.tmp", "old.bak",
                                    "old.tmp.bak",  "OLD.TMP",     "link.tmp",
                                    "dangling.tmp", "dirlink.tmp", "pipe.tmp"};
    QCOMPARE(remaining(), expected);
    QVERIFY(QFileInfo::exists(path("sub.tmp/inner.tmp")));
    QVERIFY(QFileInfo::exists(outside.filePath("target.tmp")));
    QCOMPARE(display.maximum, 2); // only gone.tmp was listed
    QCOMPARE(summary.status, PurgeStatus::Finished);
}

void tst_Purge::rejectedRequests_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("days");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<RequestField>("field");
    QTest::addColumn<QStringList>("space"); // keep under, keep free, Trash days: to the Trash

    const QString notDays = QStringLiteral("Days old must be a number of days, 0 or more.");
    QTest::newRow("no directory") << ""
                                  << "*.tmp"
                                  << "20"
                                  << "You must enter a Directory to Purge files from!"
                                  << RequestField::Directory << QStringList();
    QTest::newRow("no directory and no pattern")
        << ""
        << ""
        << "20"
        << "You must enter a Directory to Purge files from!" << RequestField::Directory
        << QStringList();
    QTest::newRow("no pattern") << "dir"
                                << ""
                                << "20"
                                << "You must enter a File Type to Purge!" << RequestField::Pattern
                                << QStringList();
    QTest::newRow("days text of letters")
        << "dir"
        << "*.tmp"
        << "abc" << notDays << RequestField::DaysOld << QStringList();
    QTest::newRow("days text empty") << "dir"
                                     << "*.tmp"
                                     << "" << notDays << RequestField::DaysOld << QStringList();
    QTest::newRow("negative days") << "dir"
                                   << "*.tmp"
                                   << "-5" << notDays << RequestField::DaysOld << QStringList();
    const QString dir = "dir", tmp = "*.tmp", days = "20";
    const QString size = "\"%1\" is not a size to keep the files under: give bytes, or a number "
                         "with K, M, G or T after it (powers of 1024), as 10G.";
    QTest::newRow("size that is none")
        << dir << tmp << days << size.arg("ten") << RequestField::MaxSize << QStringList{"ten"};
    QTest::newRow("size cap and free space")
        << dir << tmp << days
        << QString("Give a size to keep the files under or a space to keep free, not both.")
        << RequestField::KeepFree << QStringList{"1G", "10%"};
    QTest::newRow("free space by the Trash")
        << dir << tmp << days
        << QString("Moving files to the Trash frees no space: the Trash is on the directory's own "
                   "mount. Delete the files to keep space free.")
        << RequestField::KeepFree << QStringList{"", "10%", "30"};
    QTest::newRow("Trash days that are none")
        << dir << tmp << days
        << QString("The days after which the Trash is emptied must be a number of days, 0 or more.")
        << RequestField::TrashDays << QStringList{"", "", "soon"};
}

void tst_Purge::rejectedRequests() {
    QFETCH(QString, directory);
    QFETCH(QString, pattern);
    QFETCH(QString, days);
    QFETCH(QString, prompt);
    QFETCH(RequestField, field);
    QFETCH(QStringList, space);

    test::writeFile(path("old.tmp"), at(-100, QTime(12, 0)));
    test::writeFile(path("today.tmp"), at(0, QTime(9, 0)));
    PurgeRequest request{directory.isEmpty() ? directory : m_dir->path(), pattern, PurgeMode::Days,
                         days, QString()};
    space.resize(3);
    std::tie(request.maxSize, request.keepFree, request.trashDays) =
        std::tie(space[0], space[1], space[2]);
    request.removal = space[2].isEmpty() ? RemovalKind::Delete : RemovalKind::Trash;
    test::RecordingDisplay display;
    const PurgeResult result = purge(request, display);

    QVERIFY(!result);
    QCOMPARE(refusalText(result.error()), prompt);
    QCOMPARE(result.error().field, field);
    QCOMPARE(remaining(), (QSet<QString>{"old.tmp", "today.tmp"}));
}

void tst_Purge::unreadableDirectory_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "missing"
                             << "No such file or directory";
    QTest::newRow("a file, not a directory") << "file"
                                             << "Not a directory";
}

void tst_Purge::unreadableDirectory() {
    QFETCH(QString, name);
    QFETCH(QString, reason);

    test::writeFile(path("file"), at(-100, QTime(12, 0)));
    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.directory = path(name);
    test::RecordingDisplay display;
    const PurgeResult result = purge(request, display);

    QVERIFY(!result);
    const QString expected =
        QStringLiteral("Cannot read the directory \"%1\": %2.").arg(request.directory, reason);
    QCOMPARE(refusalText(result.error()), expected);
    QCOMPARE(result.error().field, RequestField::Directory);
    QCOMPARE(display.value, 0);
    QCOMPARE(display.maximum, 1);
    QVERIFY(QFileInfo::exists(path("file")));
}

void tst_Purge::trashRefusalLeavesEverythingInPlace_data() {
    QTest::addColumn<QString>("setup"); // run where the test's Trash goes
    QTest::addColumn<QString>("directory");
    QTest::addColumn<Problem>("problem");

    const QString made = "mkdir -p dir Trash/files/sub Trash/info && touch Trash/info/a.trashinfo";
    const Problem inside = Problem::InsideTrash;
    QTest::newRow("Trash is a file") << "mkdir dir && touch Trash"
                                     << "dir" << Problem::NoTrash;
    QTest::newRow("Trash is another user's") << made + " && chown 4321 Trash"
                                             << "dir" << Problem::UnsafeTrash;
    QTest::newRow("mount renames only by replacing, and links nothing")
        << made << "dir" << Problem::NoSafeMove;
    QTest::newRow("the Trash itself") << made << "Trash" << inside;
    QTest::newRow("its info/") << made << "Trash/info" << inside;
    QTest::newRow("below its files/") << made << "Trash/files/sub" << inside;
    QTest::newRow("its files/ through a link") << made + " && ln -s ../Trash/files dir/link"
                                               << "dir/link" << inside;
    // A Trash of another user's at the top of a mount may be missed: no telling where dir lies.
    QTest::newRow("a mount's top that cannot be listed") << made << "dir" << Problem::UnlistableTop;
}

void tst_Purge::trashRefusalLeavesEverythingInPlace() {
    QFETCH(QString, setup);
    QFETCH(QString, directory);
    QFETCH(Problem, problem);
    const auto shell = [this](const QString &script) {
        QProcess process;
        process.start("sh", {"-c", "cd \"$0\" && " + script, m_trash->path()});
        return process.waitForFinished() ? process.readAll() : "(failed)";
    };
    QCOMPARE(shell(setup), "");
    test::writeFile(m_trash->filePath(directory + "/old.tmp"), at(-100, QTime(12, 0)));
    const QByteArray before = shell("find . | sort");
    noReplaceRefused = problem == Problem::NoSafeMove;
    linkRefused = EPERM;
    readdirCallsLeft = problem == Problem::UnlistableTop ? 0 : -1;

    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.directory = m_trash->filePath(directory);
    request.removal = RemovalKind::Trash;
    ChoosingDisplay display;
    const PurgeResult result = purge(request, display);
    QVERIFY(!result);
    QCOMPARE(result.error().problem, problem);
    // The preview says so too where the directory is inside a Trash, and makes nothing either.
    const PurgeResult listed = purge(request, display, PurgeAction::List);
    const bool refused = problem == Problem::InsideTrash || problem == Problem::UnlistableTop;
    QCOMPARE(listed.hasValue(), !refused);
    QVERIFY(listed || listed.error().problem == problem);
    QCOMPARE(display.chosen.size(), refused ? 0 : 1);
    QCOMPARE(shell("find . | sort"), before);
}

void tst_Purge::noMatchIsFinished() {
    test::writeFile(path("old.bak"), at(-100, QTime(12, 0)));
    test::RecordingDisplay display;
    const PurgeOutcome summary = *purge(daysRequest(QStringLiteral("20")), display);

    QCOMPARE(summary.status, PurgeStatus::Finished);
    QCOMPARE(display.maximum, 1);
    QCOMPARE(display.value, 0);
    QVERIFY(!summary.fellShort());
}

void tst_Purge::refusedRemovalIsReportedAndTheRunGoesOn_data() {
    QTest::addColumn<RemovalKind>("removal");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("raced"); // touched as it moves, and its name taken right after

    QTest::newRow("deleting") << RemovalKind::Delete
                              << "1 file could not be deleted:\n%1/locked.tmp: Operation not "
                                 "permitted\n2 files deleted, 0 kept, 1 not deleted."
                              << QString();
    // Such a file stays where it is: it is never deleted instead.
    QTest::newRow("to the Trash")
        << RemovalKind::Trash
        << "1 file could not be moved to the Trash:\n%1/locked.tmp: Operation not permitted\n"
           "2 files moved to the Trash, 0 kept, 1 not moved."
        << QString();
    QTest::newRow("to the Trash, one changed and its name taken")
        << RemovalKind::Trash
        << "1 file could not be moved to the Trash:\n%1/locked.tmp: Operation not permitted\n\n"
           "1 file could not be put back from the Trash:\n%1/a.tmp: it changed after it was "
           "judged, and a new file took its name\n"
           "1 file moved to the Trash, 0 kept, 1 not moved, 1 left in the Trash."
        << "a.tmp";
}

void tst_Purge::refusedRemovalIsReportedAndTheRunGoesOn() {
    QFETCH(RemovalKind, removal);
    QFETCH(QString, message);
    QFETCH(QString, raced);
    const QDateTime old = at(-100, QTime(12, 0));
    for (const char *name : {"a.tmp", "locked.tmp", "z.tmp"})
        test::writeFile(path(name), old);
    refusedName = "locked.tmp";
    racedName = raced.isEmpty() ? nullptr : "a.tmp";

    // The separator goes in even after one the user typed, as in every path the run builds.
    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.directory += QLatin1Char('/');
    request.removal = removal;
    test::RecordingDisplay display;
    const PurgeOutcome summary = *purge(request, display);

    QCOMPARE(remaining(), QSet<QString>({"locked.tmp", raced}) - QSet<QString>{QString()});
    QCOMPARE(inTrash().size(), removal == RemovalKind::Trash ? 2 : 0);
    QCOMPARE(QDir(trash("info")).entryList(QDir::Files).size(), inTrash().size());
    QCOMPARE(summary.removed, raced.isEmpty() ? 2 : 1);
    QVERIFY(summary.fellShort());
    // The new file that took the name is left as it was made.
    QVERIFY(raced.isEmpty() || test::readBytes(path(raced)).isEmpty());
    QCOMPARE(summary.status, PurgeStatus::Finished);
    QCOMPARE(display.value, 0);
    QCOMPARE(closing(summary, request.directory), message.arg(m_dir->path()));
}

void tst_Purge::vanishedFilesAreNoFailure_data() {
    QTest::addColumn<QDateTime>("modified");

    QTest::newRow("due") << at(-100, QTime(12, 0));
    QTest::newRow("never due") << at(0, QTime(9, 0));
}

void tst_Purge::vanishedFilesAreNoFailure() {
    QFETCH(QDateTime, modified);

    const int files = 3;
    for (int i = 0; i < files; ++i)
        test::writeFile(path(QStringLiteral("f%1.tmp").arg(i)), modified);

    // Once the first file is done, the others vanish behind the listing's back.
    ScriptedDisplay display;
    display.atValue = 1;
    display.action = [this] {
        for (const QString &name : QDir(m_dir->path()).entryList(QDir::Files))
            QFile::remove(path(name));
    };
    const PurgeOutcome summary = *purge(daysRequest(QStringLiteral("20")), display);

    QCOMPARE(summary.examined, files);
    QCOMPARE(summary.status, PurgeStatus::Finished);
    QVERIFY(!summary.fellShort());
    QVERIFY(remaining().isEmpty());
}

void tst_Purge::closingMessageTellsUnexaminedFromUndeleted_data() {
    QTest::addColumn<QStringList>("farOff");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QString>("prompt");

    const QString beyond = QStringLiteral("%1/%2: its modification time is not a date of this "
                                          "calendar");
    const QString denied = QStringLiteral("%1/%2: Operation not permitted");
    QTest::newRow("a stamp no calendar day names")
        << QStringList{"far.tmp"} << QStringList{}
        << "1 file could not be examined:\n" + beyond.arg("%1", "far.tmp") +
               "\n2 files deleted, 1 kept, 1 not examined.";
    QTest::newRow("a stamp billions of years ago")
        << QStringList{"ancient.tmp"} << QStringList{}
        << "1 file could not be examined:\n" + beyond.arg("%1", "ancient.tmp") +
               "\n2 files deleted, 1 kept, 1 not examined.";
    QTest::newRow("both kinds, apart")
        << QStringList{"far.tmp"} << QStringList{"locked.tmp"}
        << "1 file could not be examined:\n" + beyond.arg("%1", "far.tmp") +
               "\n\n1 file could not be deleted:\n" + denied.arg("%1", "locked.tmp") +
               "\n1 file deleted, 1 kept, 1 not examined, 1 not deleted.";
    // A refused removal of a file that was never due is never tried, so never reported.
    QTest::newRow("refusal of a file never due")
        << QStringList{} << QStringList{"new.tmp"} << QString();
    // Which ten are named depends on the listing's order; "%n" stands for a named line.
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << QStringLiteral("far%1.tmp").arg(i);
    QTest::newRow("ten named, the rest counted")
        << many << QStringList{}
        << "12 files could not be examined:" + QString("\n%n").repeated(10) +
               "\n... and 2 more.\n2 files deleted, 1 kept, 12 not examined.";
}

void tst_Purge::closingMessageTellsUnexaminedFromUndeleted() {
    QFETCH(QStringList, farOff);
    QFETCH(QStringList, refused);
    QFETCH(QString, prompt);

    // tmpfs keeps any 64-bit stamp, where ext4 would clamp it to a day it can name.
    QTemporaryDir shm(QStringLiteral("/dev/shm/tst_purge-XXXXXX"));
    if (!shm.isValid())
        QSKIP("needs /dev/shm");
    const auto place = [&](const QString &name, std::int64_t seconds) {
        test::writeFile(shm.filePath(name), at(-100, QTime(12, 0)));
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimensat(AT_FDCWD, QFile::encodeName(shm.filePath(name)).constData(), times, 0);
        struct stat status {};
        ::stat(QFile::encodeName(shm.filePath(name)).constData(), &status);
        return status.st_mtim.tv_sec == seconds;
    };
    for (const QString &name : farOff) {
        const std::int64_t seconds = name.startsWith(QLatin1String("ancient"))
                                         ? -100'000'000'000'000'000LL
                                         : 100'000'000'000'000'000LL;
        if (!place(name, seconds))
            QSKIP("/dev/shm does not keep a stamp this far off");
    }
    test::writeFile(shm.filePath("old.tmp"), at(-100, QTime(12, 0)));
    test::writeFile(shm.filePath("locked.tmp"), at(-100, QTime(12, 0)));
    test::writeFile(shm.filePath("new.tmp"), at(0, QTime(9, 0)));
    const QByteArray refusedBytes = refused.isEmpty() ? QByteArray() : refused[0].toUtf8();
    refusedName = refused.isEmpty() ? nullptr : refusedBytes.constData();

    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.directory = shm.path();
    test::RecordingDisplay display;
    const PurgeOutcome summary = *purge(request, display);

    QCOMPARE(summary.status, PurgeStatus::Finished);
    QCOMPARE(summary.notExamined.count, farOff.size());
    QCOMPARE(summary.notRemoved.count, refused.contains("locked.tmp") ? 1 : 0);
    QVERIFY(!QFileInfo::exists(shm.filePath("old.tmp")));
    QVERIFY(QFileInfo::exists(shm.filePath("new.tmp")));
    for (const QString &name : farOff)
        QVERIFY2(QFileInfo::exists(shm.filePath(name)), qPrintable(name));
    const QString shown = closing(summary, shm.path());
    QCOMPARE(shown.isEmpty(), prompt.isEmpty());
    if (prompt.isEmpty())
        return;
    const QStringList lines = shown.split(QLatin1Char('\n'));
    const QStringList expected = prompt.arg(shm.path()).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (expected[i] == "%n")
            QVERIFY2(lines[i].endsWith(": its modification time is not a date of this calendar"),
                     qPrintable(lines[i]));
        else
            QCOMPARE(lines[i], expected[i]);
    }
}

enum class Route { Delete, JustStamped, Rename, Link };

void tst_Purge::fileChangedSinceItsStampIsKept_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<Route>("route");
    QTest::addColumn<Removal>("removal");

    const Route del = Route::Delete;
    QTest::newRow("unchanged") << "none" << del << Removal::Removed;
    QTest::newRow("rewritten, one second later") << "rewritten" << del << Removal::Kept;
    QTest::newRow("rewritten within the same second") << "same second" << del << Removal::Kept;
    QTest::newRow("another file put in its place") << "replaced" << del << Removal::Kept;
    QTest::newRow("a directory put in its place") << "directory" << del << Removal::Kept;
    QTest::newRow("removed by someone else") << "gone" << del << Removal::Vanished;
    QTest::newRow("to the Trash, rewritten within the same second")
        << "same second" << Route::Rename << Removal::Kept;
    // A mount that refuses RENAME_NOREPLACE: hard-linked in, unlinked once checked.
    QTest::newRow("linked to the Trash") << "none" << Route::Link << Removal::Removed;
    QTest::newRow("linked to the Trash, rewritten within the same second")
        << "same second" << Route::Link << Removal::Kept;
    QTest::newRow("linked to the Trash, another file put in its place")
        << "replaced" << Route::Link << Removal::Kept;
    // Removed straight after the judgement, on that stamp alone.
    QTest::newRow("on its stamp") << "none" << Route::JustStamped << Removal::Removed;
    QTest::newRow("on its stamp, a directory put in its place")
        << "directory" << Route::JustStamped << Removal::Kept;
    QTest::newRow("on its stamp, removed by someone else")
        << "gone" << Route::JustStamped << Removal::Vanished;
}

void tst_Purge::fileChangedSinceItsStampIsKept() {
    QFETCH(QString, change);
    QFETCH(Route, route);
    QFETCH(Removal, removal);

    const QDateTime old = at(-100, QTime(12, 0));
    test::writeFile(path("a.tmp"), old);
    Directory directory(m_dir->path());
    noReplaceRefused = route == Route::Link;
    auto opened = directory.openTrash({QFile::encodeName(trash()), ::geteuid()}, m_clock);
    QVERIFY(opened);
    const FileStamp stamp = *directory.stamp("a.tmp");
    QCOMPARE(judge(stamp, m_calendar.today() - 20), Verdict::Due);

    // What may happen between the judgement and the removal.
    if (change == "rewritten") {
        test::writeFile(path("a.tmp"), old.addSecs(1));
    } else if (change == "same second") {
        test::writeFile(path("a.tmp"), old.addMSecs(500));
    } else if (change == "replaced") {
        test::writeFile(path("b.tmp"), old);
        QCOMPARE(::rename(QFile::encodeName(path("b.tmp")).constData(),
                          QFile::encodeName(path("a.tmp")).constData()),
                 0);
    } else if (change == "directory") {
        QVERIFY(QFile::remove(path("a.tmp")));
        QVERIFY(QDir(m_dir->path()).mkdir("a.tmp"));
    } else if (change == "gone") {
        QVERIFY(QFile::remove(path("a.tmp")));
    }
    const RemovalOutcome outcome =
        route == Route::Delete        ? removeDue(directory, "a.tmp", stamp.identity)
        : route == Route::JustStamped ? removeJustStamped(directory, "a.tmp")
                                      : trashDue(directory, *opened, "a.tmp", stamp.identity);

    QCOMPARE(outcome.removal, removal);
    QCOMPARE(QFileInfo::exists(path("a.tmp")), removal == Removal::Kept);
    const bool trashed = route == Route::Rename || route == Route::Link;
    QCOMPARE(inTrash().size(), trashed && removal == Removal::Removed ? 1 : 0);
    QCOMPARE(QDir(trash("info")).entryList(QDir::Files).size(), inTrash().size());
}

void tst_Purge::listingFailingPartWayIsNotFinished_data() {
    QTest::addColumn<int>("callsBeforeFailure");
    QTest::addColumn<bool>("refused");

    // Three files and "." and "..": five entries and the end make one listing's six calls.
    QTest::newRow("while counting") << 3 << true;
    QTest::newRow("while deleting") << 6 + 3 << false;
}

void tst_Purge::listingFailingPartWayIsNotFinished() {
    QFETCH(int, callsBeforeFailure);
    QFETCH(bool, refused);

    for (const char *name : {"a.tmp", "b.tmp", "c.tmp"})
        test::writeFile(path(name), at(-100, QTime(12, 0)));
    test::RecordingDisplay display;
    readdirCallsLeft = callsBeforeFailure;
    const PurgeResult result = purge(daysRequest(QStringLiteral("20")), display);
    readdirCallsLeft = -1;

    QCOMPARE(!result, refused);
    if (refused) {
        QCOMPARE(result.error().error.code, EIO);
        QCOMPARE(remaining().size(), 3);
        return;
    }
    QCOMPARE(result->status, PurgeStatus::Unfinished);
    QCOMPARE(result->listingError.code, EIO);
    // The files examined before the failure were due: they are gone, and counted.
    QVERIFY(result->examined > 0);
    QCOMPARE(result->removed, result->examined);
    QCOMPARE(remaining().size(), 3 - result->examined);
    // Told once, with the rest of the run.
    QVERIFY(
        closing(*result, m_dir->path()).startsWith(QStringLiteral("Cannot read the directory")));
}

void tst_Purge::directoryChangedBetweenPassesLeavesItUnfinished() {
    const QDateTime old = at(-100, QTime(12, 0));
    for (const char *name : {"a.tmp", "b.tmp", "c.tmp"})
        test::writeFile(path(name), old);

    // A file added once the count is done: the deleting pass sees one file more than was counted.
    ScriptedDisplay display;
    display.atMaximum = 4;
    display.action = [&] {
        test::writeFile(path("late.tmp"), old);
    };
    const PurgeOutcome summary = *purge(daysRequest(QStringLiteral("20")), display);

    QCOMPARE(summary.status, PurgeStatus::Unfinished);
    QCOMPARE(summary.examined, 4);
    QCOMPARE(display.maximum, 4);
    QCOMPARE(display.value, 4);
    QVERIFY(remaining().isEmpty());
}

void tst_Purge::directorySwappedForALinkRemovesNothingElsewhere_data() {
    QTest::addColumn<qint64>("atMaximum");
    QTest::addColumn<qint64>("atValue");
    QTest::addColumn<QString>("swapped");

    QTest::newRow("after the count") << qint64(4) << qint64(-1) << "chosen";
    QTest::newRow("after the first removal") << qint64(-1) << qint64(1) << "chosen";
    // Listed as a directory, swapped before it is opened.
    QTest::newRow("a subfolder, between its listing and its opening")
        << qint64(-1) << qint64(-1) << "chosen/sub";
}

void tst_Purge::directorySwappedForALinkRemovesNothingElsewhere() {
    QFETCH(qint64, atMaximum);
    QFETCH(qint64, atValue);
    QFETCH(QString, swapped);

    // The chosen directory and a decoy beside it, both full of old files the pattern matches,
    // some of them under the same names.
    const QDateTime old = at(-100, QTime(12, 0));
    QDir top(m_dir->path());
    QVERIFY(top.mkpath(swapped));
    QVERIFY(top.mkdir("decoy"));
    for (const char *name : {"a.tmp", "b.tmp", "c.tmp"})
        test::writeFile(path(swapped + QLatin1Char('/') + name), old);
    for (const char *name : {"a.tmp", "b.tmp", "c.tmp", "d.tmp", "e.tmp"})
        test::writeFile(path(QStringLiteral("decoy/") + name), old);
    const auto decoyState = [this] {
        QStringList state;
        const QDir decoy(path("decoy"));
        for (const QFileInfo &file : decoy.entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                         QDir::System | QDir::NoDotAndDotDot)) {
            QFile content(file.filePath());
            if (!content.open(QIODevice::ReadOnly))
                return QStringList{QStringLiteral("unreadable ") + file.fileName()};
            state << file.fileName() + QLatin1Char(' ') +
                         file.lastModified().toString(Qt::ISODateWithMs) + QLatin1Char(' ') +
                         QString::fromLatin1(content.readAll().toHex());
        }
        return state;
    };
    const QStringList decoyBefore = decoyState();
    QCOMPARE(decoyBefore.size(), 5);

    // Meanwhile someone moves the chosen directory away and puts a link to the decoy in its place.
    ScriptedDisplay display;
    display.atMaximum = atMaximum;
    display.atValue = atValue;
    display.action = [&] {
        QVERIFY(top.rename(swapped, "moved"));
        QVERIFY(QFile::link(path("decoy"), path(swapped)));
    };
    std::atomic<int> sightings = 0;
    if (swapped != QLatin1String("chosen")) {
        onListed = [&](const dirent &entry) {
            if (std::strcmp(entry.d_name, "sub") == 0 && ++sightings == 1)
                display.action();
        };
    }
    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.directory = path("chosen");
    if (swapped != QLatin1String("chosen"))
        request.subfolders = Subfolders::Included;
    const PurgeOutcome summary = *purge(request, display);

    QVERIFY(QFileInfo(path(swapped)).isSymLink());
    QCOMPARE(decoyState(), decoyBefore);
    if (swapped != QLatin1String("chosen")) {
        // The subfolder was never entered, so none of its files was found: the run found
        // nothing else, and examined all it found.
        QCOMPARE(QDir(path("moved")).entryList(QDir::Files).size(), 3);
        QCOMPARE(summary.status, PurgeStatus::Finished);
        QCOMPARE(summary.examined, 0);
        return;
    }
    // The run works on the directory it opened, wherever it now is: the files it counted there are
    // the ones it removed, and the run is complete.
    QVERIFY(QDir(path("moved"))
                .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    QCOMPARE(summary.status, PurgeStatus::Finished);
    QCOMPARE(summary.examined, 3);
    QCOMPARE(summary.removed, 3);
    QVERIFY(!summary.fellShort());
}

void tst_Purge::listingRunReportsWhatADeletingRunRemoves_data() {
    QTest::addColumn<PurgeAction>("action");
    QTest::addColumn<RemovalKind>("removal");
    QTest::addColumn<QStringList>("left");

    const QStringList all = {"new.tmp", "old-empty.tmp", "old.bak", "old.tmp"};
    const QStringList purged = {"new.tmp", "old.bak"};
    QTest::newRow("list") << PurgeAction::List << RemovalKind::Delete << all;
    QTest::newRow("list for the Trash") << PurgeAction::List << RemovalKind::Trash << all;
    QTest::newRow("delete") << PurgeAction::Remove << RemovalKind::Delete << purged;
    QTest::newRow("to the Trash") << PurgeAction::Remove << RemovalKind::Trash << purged;
}

void tst_Purge::listingRunReportsWhatADeletingRunRemoves() {
    QFETCH(PurgeAction, action);
    QFETCH(RemovalKind, removal);
    QFETCH(QStringList, left);

    const QDateTime old = at(-100, QTime(12, 0));
    test::writeFile(path("old.tmp"), old);
    QFile empty(path("old-empty.tmp"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    QVERIFY(empty.setFileTime(old, QFileDevice::FileModificationTime));
    empty.close();
    test::writeFile(path("old.bak"), old);
    test::writeFile(path("new.tmp"), at(-1, QTime(12, 0)));
    const qint64 size = QFileInfo(path("old.tmp")).size();
    QVERIFY(size > 0);

    ChoosingDisplay display;
    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.removal = removal;
    const PurgeOutcome summary = *purge(request, display, action);

    // A listing run looks for no Trash, so it makes none.
    const bool trashed = action == PurgeAction::Remove && removal == RemovalKind::Trash;
    QCOMPARE(inTrash(), trashed ? QStringList({"old-empty.tmp", "old.tmp"}) : QStringList());
    QCOMPARE(QFileInfo::exists(trash()), trashed);
    const QMap<QString, qint64> chosen = {{"old.tmp", size}, {"old-empty.tmp", 0}};
    QCOMPARE(display.chosen, chosen);
    QCOMPARE(summary.status, PurgeStatus::Finished);
    QCOMPARE(summary.examined, 3);
    QCOMPARE(summary.removed, 2);
    QCOMPARE(summary.removedBytes, size);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), left);
}

void tst_Purge::stopRequestEndsTheRun_data() {
    QTest::addColumn<PurgeAction>("action");
    QTest::addColumn<Subfolders>("subfolders");
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<qint64>("examined");
    QTest::addColumn<qint64>("maximum");

    // Three files: questions 1 to 3 come in the counting pass, 4 to 6 in the deleting pass.
    QTest::newRow("listing, while counting")
        << PurgeAction::List << Subfolders::Excluded << 2 << qint64(0) << qint64(2);
    QTest::newRow("listing, while deleting")
        << PurgeAction::List << Subfolders::Excluded << 5 << qint64(1) << qint64(4);
    // The file judged due before the stop goes, whether or not it was removed yet.
    QTest::newRow("deleting, while deleting")
        << PurgeAction::Remove << Subfolders::Excluded << 5 << qint64(1) << qint64(4);
    // A tree is walked once: question 1 comes as the directory is opened, then one after each
    // file, which the maximum counts as it is found.
    QTest::newRow("deleting down a tree")
        << PurgeAction::Remove << Subfolders::Included << 2 << qint64(1) << qint64(2);
    QTest::newRow("listing down a tree")
        << PurgeAction::List << Subfolders::Included << 3 << qint64(2) << qint64(3);
}

void tst_Purge::stopRequestEndsTheRun() {
    QFETCH(PurgeAction, action);
    QFETCH(Subfolders, subfolders);
    QFETCH(int, stopAt);
    QFETCH(qint64, examined);
    QFETCH(qint64, maximum);

    const QDateTime old = at(-100, QTime(12, 0));
    for (const char *name : {"a.tmp", "b.tmp", "c.tmp"})
        test::writeFile(path(name), old);
    ChoosingDisplay display;
    display.stopAt = stopAt;
    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.subfolders = subfolders;
    const PurgeOutcome summary = *purge(request, display, action);

    QCOMPARE(summary.status, PurgeStatus::Stopped);
    QCOMPARE(summary.examined, examined);
    QCOMPARE(display.maximum, maximum);
    QCOMPARE(summary.removed, examined);
    QCOMPARE(display.chosen.size(), examined);
    QCOMPARE(display.questions, stopAt);
    QVERIFY(!summary.fellShort());
    QCOMPARE(remaining().size(), action == PurgeAction::List ? 3 : 3 - examined);
}

void tst_Purge::onlyARealRunRemovesOnASecondThread_data() {
    QTest::addColumn<PurgeAction>("action");
    QTest::addColumn<Subfolders>("subfolders");

    QTest::newRow("deleting") << PurgeAction::Remove << Subfolders::Excluded;
    QTest::newRow("listing") << PurgeAction::List << Subfolders::Excluded;
    // Each worker of the walk removes on a second thread of its own, also in a tree of one
    // directory.
    QTest::newRow("deleting down a tree") << PurgeAction::Remove << Subfolders::Included;
    QTest::newRow("listing down a tree") << PurgeAction::List << Subfolders::Included;
}

void tst_Purge::onlyARealRunRemovesOnASecondThread() {
    QFETCH_GLOBAL(RemovalMode, mode);
    QFETCH(PurgeAction, action);
    QFETCH(Subfolders, subfolders);

    const auto threads = [] {
        return QDir(QStringLiteral("/proc/self/task"))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
            .size();
    };
    const qsizetype before = threads();
    for (const char *name : {"a.tmp", "b.tmp"})
        test::writeFile(path(name), at(-100, QTime(12, 0)));
    qsizetype during = 0;
    ScriptedDisplay display;
    display.atValue = 1;
    display.action = [&] {
        during = threads();
    };
    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.subfolders = subfolders;
    (void)purge(request, display, action);

    const bool pipelined = mode == RemovalMode::Pipelined;
    const qsizetype walkers = subfolders == Subfolders::Included && pipelined
                                  ? qsizetype(std::max(2U, processorsForThisProcess()))
                                  : 1;
    const qsizetype removers = action == PurgeAction::Remove && pipelined ? walkers : 0;
    QCOMPARE(during, before + walkers - 1 + removers);
    QCOMPARE(threads(), before);
    QCOMPARE(remaining().size(), action == PurgeAction::List ? 2 : 0);
}

void tst_Purge::moreFilesThanTheQueueHoldsGoInListingOrder() {
    // Enough files due that, pipelined, the queue fills and the run's own thread removes some
    // batches while the worker still has earlier ones: what is told must still follow the listing.
    for (int i = 0; i < 6000; ++i)
        test::writeFile(path(QStringLiteral("f%1.tmp").arg(i)),
                        at(i % 4 == 0 ? -1 : -100, QTime(12, 0)));
    refusedName = "f5001.tmp";
    QStringList due;
    DIR *listing = ::opendir(QFile::encodeName(m_dir->path()).constData());
    QVERIFY(listing != nullptr);
    while (const dirent *entry = ::readdir(listing)) {
        const QString name = QString::fromLocal8Bit(entry->d_name);
        if (name.endsWith(QLatin1String(".tmp")) && name.mid(1).chopped(4).toInt() % 4 != 0 &&
            name != QLatin1String(refusedName))
            due << name;
    }
    ::closedir(listing);

    OrderDisplay display;
    const PurgeOutcome summary = *purge(daysRequest(QStringLiteral("20")), display);

    QCOMPARE(display.chosen, due);
    QCOMPARE(summary.removed, 4499);
    QCOMPARE(summary.notRemoved.count, 1);
    QCOMPARE(remaining().size(), 1501);
    QVERIFY(remaining().contains(QStringLiteral("f5001.tmp")));
    QCOMPARE(summary.status, PurgeStatus::Finished);
}

void tst_Purge::trashLosesNoFileToARace() {
    // Another thread touches old files and swaps others for new ones while they go to the Trash:
    // nothing is deleted, and only old files as they were judged go there unless the run says so.
    for (int round = 0; round < 4; ++round) {
        const QByteArray directory = QFile::encodeName(m_dir->path());
        constexpr int files = 1500;
        for (int i = 0; i < files; ++i)
            test::writeFile(path(QStringLiteral("f%1.tmp").arg(i)), at(-100, QTime(12, 0)));
        std::atomic<bool> runEnded = false;
        int made = 0;
        std::thread racer([&] {
            QRandomGenerator random{quint32(round)};
            while (!runEnded) {
                const QByteArray name =
                    directory + "/f" + QByteArray::number(random.bounded(files)) + ".tmp";
                const QByteArray swap = directory + "/.new" + QByteArray::number(made);
                if (random.bounded(2) == 0) {
                    ::utimensat(AT_FDCWD, name.constData(), nullptr, 0);
                    continue;
                }
                // A new file takes the name; the old one keeps a hidden name, so none is lost.
                QFile file(QFile::decodeName(swap));
                if (!file.open(QIODevice::WriteOnly) || file.write("new") != 3)
                    return;
                file.close();
                made += ::syscall(SYS_renameat2, AT_FDCWD, swap.constData(), AT_FDCWD,
                                  name.constData(), RENAME_EXCHANGE) == 0;
            }
        });
        PurgeRequest request = daysRequest(QStringLiteral("20"));
        request.removal = RemovalKind::Trash;
        test::RecordingDisplay display;
        const PurgeOutcome summary = *purge(request, display);
        runEnded = true;
        racer.join();
        QFile::remove(QFile::decodeName(directory + "/.new" + QByteArray::number(made)));

        QCOMPARE(qint64(remaining().size() + inTrash().size()), qint64(files + made));
        // A file put back takes its info file with it.
        QCOMPARE(QDir(trash("info")).entryList(QDir::Files).size(), inTrash().size());
        QSet<QString> named;
        for (const FileTrouble &file : summary.leftInTrash.named)
            named.insert(QString::fromLocal8Bit(file.name));
        for (const QFileInfo &file : QDir(trash("files")).entryInfoList(QDir::Files)) {
            const bool asJudged = file.lastModified() == at(-100, QTime(12, 0)) &&
                                  test::readBytes(file.filePath()) != "new";
            QVERIFY2(asJudged || named.contains(file.fileName()), qPrintable(file.fileName()));
        }
        init();
    }
}

// What is done to sub/a.tmp, its info file, its folder (a link in its place) or the folder of lists
// between a run to the Trash that removes the folder once it has emptied it and its put back.
enum class Meanwhile {
    Nothing,
    NameTaken,
    FolderGone,
    TrashEmptied,
    ReplacedInTrash,
    FolderTaken,
    InfoKept,
    RunsUnreadable
};

void tst_Purge::putBackLeavesWhatCannotGoBack_data() {
    QTest::addColumn<Meanwhile>("meanwhile");
    QTest::addColumn<qint64>("back");
    QTest::addColumn<qint64>("left");
    QTest::addColumn<LeftReason>("reason");

    QTest::newRow("nothing") << Meanwhile::Nothing << qint64(2) << qint64(0) << LeftReason::Failed;
    QTest::newRow("name taken") << Meanwhile::NameTaken << qint64(1) << qint64(1)
                                << LeftReason::PathTaken;
    QTest::newRow("folder gone") << Meanwhile::FolderGone << qint64(0) << qint64(2)
                                 << LeftReason::FolderGone;
    QTest::newRow("Trash emptied")
        << Meanwhile::TrashEmptied << qint64(1) << qint64(1) << LeftReason::NotInTrash;
    QTest::newRow("another file in the Trash")
        << Meanwhile::ReplacedInTrash << qint64(1) << qint64(1) << LeftReason::NotTheFileMoved;
    QTest::newRow("a link in the folder's place")
        << Meanwhile::FolderTaken << qint64(0) << qint64(2) << LeftReason::FolderTaken;
    QTest::newRow("info file kept")
        << Meanwhile::InfoKept << qint64(2) << qint64(0) << LeftReason::Failed;
    QTest::newRow("lists unreadable")
        << Meanwhile::RunsUnreadable << qint64(0) << qint64(0) << LeftReason::Failed;
}

void tst_Purge::putBackLeavesWhatCannotGoBack() {
    QFETCH(Meanwhile, meanwhile);
    QFETCH(qint64, back);
    QFETCH(qint64, left);
    QFETCH(LeftReason, reason);
    // sub, made again with its mode, wherever a file went back and nothing else made it first.
    const qint64 made = back > 0 && meanwhile != Meanwhile::NameTaken ? 1 : 0;

    QVERIFY(QDir(m_dir->path()).mkdir("sub") && ::chmod(QFile::encodeName(path("sub")), 0750) == 0);
    for (const char *name : {"sub/a.tmp", "sub/b.tmp"})
        test::writeFile(path(name), at(-100, QTime(12, 0)));
    const QByteArray bContent = test::readBytes(path("sub/b.tmp"));
    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.removal = RemovalKind::Trash;
    request.subfolders = Subfolders::Included;
    test::RecordingDisplay display;
    QCOMPARE(purge(request, display)->foldersRemoved, 1);
    const QString trashed = trash("files/a.tmp");
    const QTemporaryDir elsewhere;
    switch (meanwhile) {
    case Meanwhile::Nothing:
        break;
    case Meanwhile::NameTaken:
        QVERIFY(QDir(m_dir->path()).mkdir("sub"));
        test::writeBytes(path("sub/a.tmp"), "new");
        break;
    case Meanwhile::FolderGone:
        QVERIFY(QDir().rename(m_dir->path(), m_dir->path() + ".gone"));
        break;
    case Meanwhile::TrashEmptied:
        QVERIFY(QFile::remove(trashed) && QFile::remove(trash("info/a.tmp.trashinfo")));
        break;
    case Meanwhile::ReplacedInTrash:
        QVERIFY(QFile::remove(trashed));
        test::writeFile(trashed, at(-100, QTime(12, 0)));
        break;
    case Meanwhile::FolderTaken:
        QVERIFY(QFile::link(elsewhere.path(), path("sub")));
        break;
    case Meanwhile::InfoKept:
        refusedName = "a.tmp.trashinfo";
        break;
    case Meanwhile::RunsUnreadable:
        readdirCallsLeft = 0;
        QCOMPARE(putBackRefusalText(putBackRun({runsDirectory()}).error()),
                 "Cannot read the folder of the kept runs \"" + runsDirectory() +
                     "\": Input/output error.");
        return;
    }

    // The second time finds the files that went back home, and the others where they were.
    for (int time = 1; time <= 2; ++time) {
        const PutBackResult outcome = putBackRun({runsDirectory()});
        QVERIFY(outcome);
        QCOMPARE(outcome->nothingToDo(), time == 2 && left == 0);
        QCOMPARE(outcome->putBack, time == 1 ? back : 0);
        QCOMPARE(outcome->alreadyBack, time == 1 ? 0 : back);
        QCOMPARE(outcome->leftCount, left);
        QCOMPARE(outcome->foldersMade, time == 1 ? made : 0);
        QCOMPARE(outcome->infoKept.count, time == 1 && meanwhile == Meanwhile::InfoKept ? 1 : 0);
        for (const LeftFile &file : outcome->left)
            QCOMPARE(file.reason, reason);
    }
    if (meanwhile == Meanwhile::FolderGone || meanwhile == Meanwhile::FolderTaken) {
        QVERIFY(meanwhile == Meanwhile::FolderTaken ||
                QDir().rename(m_dir->path() + ".gone", m_dir->path()));
        QCOMPARE(inTrash(), QStringList({"a.tmp", "b.tmp"}));
        QVERIFY(QDir(elsewhere.path()).isEmpty());
        return;
    }
    struct stat status {};
    QCOMPARE(::lstat(QFile::encodeName(path("sub")), &status) == 0 ? status.st_mode : 0,
             made > 0 ? S_IFDIR | 0750 : S_IFDIR | 0755);
    QCOMPARE(test::readBytes(path("sub/b.tmp")), bContent);
    QCOMPARE(QFileInfo(path("sub/b.tmp")).lastModified(), at(-100, QTime(12, 0)));
    if (meanwhile == Meanwhile::NameTaken)
        QCOMPARE(test::readBytes(path("sub/a.tmp")), "new");
    const bool aStays =
        meanwhile == Meanwhile::NameTaken || meanwhile == Meanwhile::ReplacedInTrash;
    QCOMPARE(inTrash(), aStays ? QStringList({"a.tmp"}) : QStringList());
    QCOMPARE(QDir(trash("info")).entryList(QDir::Files).size(),
             aStays || meanwhile == Meanwhile::InfoKept ? 1 : 0);
}

void tst_Purge::killedRunListsWhatIsInTheTrash_data() {
    QTest::addColumn<int>("killedAt");

    QTest::newRow("before the first move") << 0;
    QTest::newRow("after one move") << 1;
    QTest::newRow("after three of five") << 3;
}

void tst_Purge::killedRunListsWhatIsInTheTrash() {
    QFETCH(int, killedAt);

    for (int i = 0; i < 5; ++i)
        test::writeFile(path(QStringLiteral("f%1.tmp").arg(i)), at(-100, QTime(12, 0)));
    PurgeRequest request = daysRequest(QStringLiteral("20"));
    request.removal = RemovalKind::Trash;
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        killAtRename = killedAt;
        test::RecordingDisplay display;
        (void)purge(request, display);
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const Expected<std::vector<QByteArray>, SystemError> ids = keptRunIds(runsDirectory());
    QStringList listed;
    if (killedAt > 0) {
        QCOMPARE(ids->size(), std::size_t(1));
        const Expected<KeptRun, SystemError> run = readRun(runsDirectory(), ids->front());
        QVERIFY(run);
        for (const RunFile &file : run->files)
            listed << QString::fromLocal8Bit(file.trashName);
    }
    QCOMPARE(test::sorted(listed), inTrash());
    QCOMPARE(inTrash().size(), killedAt);
}

void tst_Purge::keepFreeRemovesTheOldestUntilTheMountHasIt_data() {
    QTest::addColumn<qint64>("goal"); // KiB; negative: percent of the mount
    QTest::addColumn<RemovalKind>("removal");
    QTest::addColumn<QString>("gone");
    QTest::addColumn<bool>("missed");

    // The mount has 1024 KiB; five files of 128 KiB leave 384 KiB free.
    QTest::newRow("free already") << qint64(300) << RemovalKind::Delete << "" << false;
    QTest::newRow("the oldest") << qint64(500) << RemovalKind::Delete << "a" << false;
    QTest::newRow("two oldest") << qint64(600) << RemovalKind::Delete << "a b" << false;
    QTest::newRow("61% of the mount") << qint64(-61) << RemovalKind::Delete << "a b" << false;
    QTest::newRow("beyond what the due files free")
        << qint64(1000) << RemovalKind::Delete << "a b c d" << true;
    QTest::newRow("the Trash frees nothing") << qint64(600) << RemovalKind::Trash << "" << false;
}

void tst_Purge::keepFreeRemovesTheOldestUntilTheMountHasIt() {
    QFETCH(qint64, goal);
    QFETCH(RemovalKind, removal);
    QFETCH(QString, gone);
    QFETCH(bool, missed);
    const QByteArray mount = QFile::encodeName(m_dir->path());
    if (::mount("tmpfs", mount.constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP("no tmpfs can be mounted here");
    const auto unmount = qScopeGuard([&] { ::umount2(mount.constData(), MNT_DETACH); });
    const QStringList names = {"a", "b", "c", "d", "new"};
    for (int i = 0; i < names.size(); ++i) {
        QFile file(path(names[i] + ".tmp"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(128 * 1024, 'x')) > 0);
        QVERIFY(file.setFileTime(at(i < 4 ? -100 + i : -1, QTime(12, 0)),
                                 QFileDevice::FileModificationTime));
    }
    Expected<PurgeJob, Refusal> job = readJob(daysRequest(QStringLiteral("20")), m_calendar);
    job->spaceRule = SpaceRule::KeepFree;
    job->space = goal < 0 ? SpaceAmount{0, double(-goal)} : SpaceAmount{goal * 1024};
    job->removal = removal;
    job->trash = TrashPlaces{QFile::encodeName(trash()), ::geteuid()};
    QStringList expected = gone.isEmpty() ? QStringList() : gone.split(' ');
    for (const PurgeAction action : {PurgeAction::List, PurgeAction::Remove}) {
        job->action = action;
        OrderDisplay display;
        QFETCH_GLOBAL(RemovalMode, mode);
        const PurgeResult result = runPurge(*job, display, mode);
        if (removal == RemovalKind::Trash) {
            QCOMPARE(result.error().problem, Problem::TrashFreesNoSpace);
            QCOMPARE(remaining().size(), 5);
            continue;
        }
        QStringList chosen;
        for (const QString &name : display.chosen)
            chosen << name.chopped(4);
        QCOMPARE(chosen, expected);
        QCOMPARE(result->removedForSpace, expected.size());
        QCOMPARE(result->sparedForSpace, 4 - expected.size());
        QCOMPARE(result->spaceMissed, missed);
        QCOMPARE(remaining().size(), action == PurgeAction::List ? 5 : 5 - expected.size());
    }
}

void tst_Purge::trashExpiryRemovesWhatIsOldEnough_data() {
    QTest::addColumn<QString>("setup"); // run in the test's Trash place, today 11 March 2024
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("left"); // what is left of the Trash, beside the background
    QTest::addColumn<int>("undated");

    // Every row also has an item without a record, and another user's Trash, both left.
    const QString due = "2024-03-01T12:00:00";
    QTest::newRow("a file") << "item Trash a " + due + " && touch Trash/files/a" << 7 << "" << 0;
    QTest::newRow("the date without dashes") << "item Trash a 20240301T12:00:00 && touch "
                                                "Trash/files/a"
                                             << 7 << "" << 0;
    QTest::newRow("fraction and zone, the day before where it is read")
        << "item Trash a 2024-03-04T02:30:00.25+14:00 && touch Trash/files/a" << 8 << "" << 0;
    QTest::newRow("a day short of old enough")
        << "item Trash a 2024-03-05T00:00:00 && touch Trash/files/a" << 7
        << "files/a info/a.trashinfo" << 0;
    // In New York 23 hours before the day went over to summer time: a calendar day, not 24 hours.
    QTest::newRow("a day across the change to summer time")
        << "item Trash a 2024-03-10T00:15:00 && touch Trash/files/a" << 1 << "" << 0;
    QTest::newRow("a folder, its link and nothing it points to")
        << "item Trash d " + due +
               " && mkdir -p Trash/files/d/e && touch Trash/files/d/e/f outside && "
               "ln -s ../../../../outside Trash/files/d/e/link && ln -s ../../outside "
               "Trash/files/e && "
               "item Trash e " +
               due + " && printf '4 1 d\n4 1 x\n' > Trash/directorysizes"
        << 7 << "directorysizes" << 0;
    QTest::newRow("a date that does not read")
        << "item Trash a 2024-02-30T12:00:00 && touch Trash/files/a" << 7
        << "files/a info/a.trashinfo" << 1;
    QTest::newRow("a record without its item") << "item Trash a " + due << 7 << "" << 0;
    QTest::newRow("a mount's own Trash")
        << "item .Trash-$(id -u) a " + due + " && touch .Trash-$(id -u)/files/a" << 7 << "" << 0;
}

void tst_Purge::trashExpiryRemovesWhatIsOldEnough() {
    QFETCH(QString, setup);
    QFETCH(int, days);
    QFETCH(QString, left);
    QFETCH(int, undated);
    const auto shell = [this](const QString &script) {
        QProcess process;
        process.start("sh", {"-c",
                             "cd \"$0\" && item() { mkdir -p $1/files $1/info && printf "
                             "'[Trash Info]\\nPath=/d/%s\\nDeletionDate=%s\\n' $2 $3 > "
                             "$1/info/$2.trashinfo; } && " +
                                 script,
                             m_trash->path()});
        return process.waitForFinished() ? process.readAll() : "(failed)";
    };
    QCOMPARE(shell(setup + " && mkdir -p Trash/files Trash/info && touch Trash/files/stray && "
                           "item .Trash-4321 a 2000-01-01T00:00:00 && touch .Trash-4321/files/a "
                           "&& chown -R 4321 .Trash-4321"),
             "");
    const QString background = ". ./.Trash-4321 ./.Trash-4321/files ./.Trash-4321/files/a "
                               "./.Trash-4321/info ./.Trash-4321/info/a.trashinfo ./Trash "
                               "./Trash/files ./Trash/files/stray ./Trash/info";
    const QByteArray before = shell("find . | sort");

    m_clock.set(QDateTime(QDate(2024, 3, 11), QTime(0, 30)));
    TrashExpiryJob job;
    job.cutOff = *daysCutOff(QString::number(days), m_calendar);
    job.today = m_calendar.today();
    job.places = TrashPlaces{QFile::encodeName(trash()), ::geteuid()};
    job.mountTops = std::vector<QByteArray>{QFile::encodeName(m_trash->path())};
    QList<QByteArray> listed;
    job.action = PurgeAction::List;
    const TrashExpiryOutcome listing =
        expireTrash(job, [&](const QByteArray &item) { listed << item; });
    QCOMPARE(shell("find . | sort"), before);
    QList<QByteArray> removed;
    job.action = PurgeAction::Remove;
    const TrashExpiryOutcome outcome =
        expireTrash(job, [&](const QByteArray &item) { removed << item; });

    QCOMPARE(removed, listed);
    QCOMPARE(outcome.removed, listing.removed);
    QCOMPARE(outcome.undated.count, undated);
    QCOMPARE(outcome.fellShort(), undated > 0);
    QStringList expected = background.split(' ');
    for (const QString &entry : left.split(' ', Qt::SkipEmptyParts))
        expected << "./Trash/" + entry;
    if (QByteArray(QTest::currentDataTag()).startsWith("a mount"))
        expected << "./.Trash-0"
                 << "./.Trash-0/files"
                 << "./.Trash-0/info";
    if (QByteArray(QTest::currentDataTag()).startsWith("a folder"))
        expected << "./outside";
    QCOMPARE(QString::fromUtf8(shell("find . | sort")).split('\n', Qt::SkipEmptyParts),
             test::sorted(expected));
    if (QByteArray(QTest::currentDataTag()).startsWith("a folder"))
        QCOMPARE(test::readBytes(trash("directorysizes")), "4 1 x\n");
}

QTEST_GUILESS_MAIN(tst_Purge)
#include "tst_purge.moc"
