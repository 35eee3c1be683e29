#include "../windowtestsupport.h"
#include "purge/purge.h"
#include "runtime/calendar.h"
#include "runtime/subdirectories.h"
#include "standinreaddir.h"
#include "testsupport.h"
#include "ui/main/backgroundpurge.h"
#include "ui/main/directorylist.h"
#include "ui/main/frmmain.h"
#include "ui/summary/frmsummary.h"
#include "ui/summary/printpanel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace culler;

// A listing on a purge's thread, once the test has armed the hold, waits at the call after
// holdAfter calls to readdir until the test lets it go, as a run does on a slow disk, so the test
// can act while the run is part way through its directory.
namespace {

const std::thread::id windowThread = std::this_thread::get_id();

struct Hold {
    std::mutex mutex;
    std::condition_variable changed;
    int holdAfter = -1;
    bool holding = false;
    bool letGo = false;

    // Blocks until the run is held.
    void waitUntilHolding() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return holding; });
    }
    void release() {
        {
            const std::lock_guard lock(mutex);
            letGo = true;
        }
        changed.notify_all();
    }
    // Before each readdir call.
    bool waitIfArmed() {
        if (std::this_thread::get_id() == windowThread)
            return true;
        std::unique_lock lock(mutex);
        if (holdAfter >= 0 && holdAfter-- == 0) {
            holding = true;
            changed.notify_all();
            changed.wait(lock, [this] { return letGo; });
        }
        return true;
    }
} hold;

} // namespace

namespace {

const QDate today(1999, 12, 6);

QDateTime daysAgo(int days, QTime time = QTime(12, 0)) {
    return QDateTime(today.addDays(-days), time);
}

Message hint(const QString &date) {
    return Message{QStringLiteral("Dates must be of the form mm/dd/yy  (i.e. %1)").arg(date),
                   MessageStyle::Exclamation, QStringLiteral("Please Note")};
}

// The plain files of a directory: how many, and their bytes.
std::pair<qint64, qint64> plainFiles(const QString &directory) {
    qint64 bytes = 0;
    const QFileInfoList files =
        QDir(directory).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &file : files)
        bytes += file.size();
    return {files.size(), bytes};
}

} // namespace

class tst_MainWindowCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void deleteOldFiles_data();
    void deleteOldFiles();
    void emptyRequestIsRefused_data();
    void emptyRequestIsRefused();
    void clearSelectionThenDelete();
    void cancelInTheSummaryThenDelete();
    void summaryStartsOnACleanPanel();
    void addThenExitWritesTheList();
    void closeRequestSavesLikeExit();
    void exitReportsAListThatCannotBeSaved();
    void unreadableListIsLeftAlone();
    void modeOptionsSwitchTheBoxes();
    void dateHintOncePerArrival();
    void dateHintSpeaksTheLocale_data();
    void dateHintSpeaksTheLocale();
    void refusedDateGivesNoHintOnTop();
    void driveChangeFollowsEachDrivesDirectory();
    void driveNotReadyLeavesTheLists();
    void directoryChangeMakesItCurrent();
    void navigationLeavesTheMountsAlone();
    void vanishedDirectoryIsReported();
    void unreadableDirectoryLeavesTheLists_data();
    void unreadableDirectoryLeavesTheLists();
    void runGoesOnWhileTheWindowAnswers();
    void exitStopsARunHalfWay();
    void summaryCountsWhatDeleteRemoves_data();
    void summaryCountsWhatDeleteRemoves();
    void toTrashMovesTheFilesAndIsRemembered();
    void runTellsHowManyFilesWent_data();
    void runTellsHowManyFilesWent();
    void longPatternCanBeRead_data();
    void longPatternCanBeRead();

private:
    template <typename Control> Control *control(const char *name) const {
        auto *found = m_window->findChild<Control *>(QLatin1String(name));
        if (found == nullptr)
            qWarning("no control named %s", name);
        return found;
    }
    void click(const char *name) const;
    // Clicks Delete Old Files and waits for the run to end, off the window's thread as it is.
    void runDelete() const;
    void type(const char *name, const QString &text) const;
    void typePattern(const QString &text) const;
    // *.tmp in directory, older than cutOff days or, in date mode, on or before the cutOff date.
    void enterRequest(const QString &directory, bool dateMode, const QString &cutOff) const;
    void chooseDrive(const QString &root) const;
    void activateDirectory(const QString &path) const;
    QString path(const QString &relative) const { return m_root + QLatin1Char('/') + relative; }

    QString m_startDirectory;
    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_root;
    QString m_driveA;
    QString m_driveB;
    QString m_fileTypes;
    test::WindowEnvironment m_env;
    std::unique_ptr<frmMain> m_window;
};

void tst_MainWindowCommands::init() {
    test::setReaddirHook([] { return hold.waitIfArmed(); });
    m_startDirectory = QDir::currentPath();
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    m_root = QDir(m_temp->path()).canonicalPath();
    m_driveA = path(QStringLiteral("driveA"));
    m_driveB = path(QStringLiteral("driveB"));
    for (const char *sub : {"driveA/work/logs", "driveB/photos", "data/sub.tmp", "lists"})
        QVERIFY(QDir().mkpath(path(QLatin1String(sub))));
    m_env.volumes.list = {Volume{m_driveA, QStringLiteral("A"), true},
                          Volume{m_driveB, QStringLiteral("B"), true}};
    m_fileTypes = path(QStringLiteral("lists/filetypes.dat"));
    QVERIFY(QDir::setCurrent(m_driveA + QStringLiteral("/work")));

    m_env.messages.shown.clear();
    m_window = std::make_unique<frmMain>(
        MainWindowServices{m_env.calendar, m_env.messages, m_env.volumes, m_fileTypes});
    m_window->show();
    // As at start: the list file is read (here, found missing) before anything is saved to it.
    m_window->loadPatternList();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_MainWindowCommands::cleanup() {
    // A run held by a test that failed goes on, so the window can end.
    hold.release();
    m_window.reset();
    hold.holdAfter = -1;
    hold.holding = false;
    hold.letGo = false;
    QDir::setCurrent(m_startDirectory);
    m_temp.reset();
}

void tst_MainWindowCommands::click(const char *name) const {
    QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton);
}

void tst_MainWindowCommands::runDelete() const {
    QSignalSpy ended(m_window.get(), &frmMain::purgeEnded);
    click("cmdDelete");
    QTRY_COMPARE(ended.count(), 1);
}

void tst_MainWindowCommands::type(const char *name, const QString &text) const {
    auto *edit = control<QLineEdit>(name);
    edit->clear();
    QTest::keyClicks(edit, text);
}

void tst_MainWindowCommands::typePattern(const QString &text) const {
    QLineEdit *edit = control<QComboBox>("cboFileType")->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, text);
}

void tst_MainWindowCommands::enterRequest(const QString &directory, bool dateMode,
                                          const QString &cutOff) const {
    type("txtDirectory", directory);
    typePattern(QStringLiteral("*.tmp"));
    if (dateMode) {
        click("optBeforeDate");
        control<QLineEdit>("txtBeforeDate")->setText(cutOff);
    } else {
        type("txtDaysOld", cutOff);
    }
}

void tst_MainWindowCommands::chooseDrive(const QString &root) const {
    auto *drives = control<QComboBox>("Drive1");
    drives->setCurrentIndex(drives->findData(root));
}

void tst_MainWindowCommands::activateDirectory(const QString &directory) const {
    auto *list = control<DirectoryList>("Dir1");
    QTreeWidgetItem *item = list->itemOf(directory);
    QVERIFY(item != nullptr);
    list->setFocus();
    list->setCurrentItem(item);
    QTest::keyClick(list, Qt::Key_Return);
}

void tst_MainWindowCommands::deleteOldFiles_data() {
    QTest::addColumn<bool>("dateMode");
    QTest::addColumn<QString>("cutOff");
    QTest::addColumn<QString>("maxSize");
    QTest::addColumn<QString>("newer"); // what is left of the files the cut-off leaves

    const QString none, both = "empty.tmp newer.tmp";
    QTest::newRow("twenty days") << false << "20" << none << both;
    QTest::newRow("before 16 November") << true << "11/16/99" << none << both;
    QTest::newRow("a size cap of a byte") << false << "20" << QString("1") << QString("empty.tmp");
}

void tst_MainWindowCommands::deleteOldFiles() {
    QFETCH(bool, dateMode);
    QFETCH(QString, cutOff);
    QFETCH(QString, maxSize);
    QFETCH(QString, newer);
    const QString data = path(QStringLiteral("data"));
    test::writeFile(data + QStringLiteral("/old.tmp"), daysAgo(30));
    test::writeFile(data + QStringLiteral("/limit day.tmp"), daysAgo(20, QTime(23, 59)));
    test::writeFile(data + QStringLiteral("/newer.tmp"), daysAgo(19, QTime(0, 0)));
    test::writeFile(data + QStringLiteral("/old.bak"), daysAgo(30));
    test::writeFile(data + QStringLiteral("/.hidden.tmp"), daysAgo(30));
    test::writeFile(data + QStringLiteral("/sub.tmp/inside.tmp"), daysAgo(30));
    // The newest, and empty: under a cap of a byte it alone stays.
    test::writeBytes(data + QStringLiteral("/empty.tmp"), QByteArray());
    QFile empty(data + QStringLiteral("/empty.tmp"));
    QVERIFY(empty.open(QIODevice::ReadWrite) &&
            empty.setFileTime(daysAgo(1), QFileDevice::FileModificationTime));

    enterRequest(data, dateMode, cutOff);
    type("txtMaxSize", maxSize);
    // Without the Trash its days are not read, whatever the box still holds.
    control<QLineEdit>("txtTrashDays")->setText(QStringLiteral("soon"));
    runDelete();

    QCOMPARE(m_env.messages.shown, QList<Message>());
    QStringList left = QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    left.sort();
    QCOMPARE(left,
             test::sorted(newer.split(' ') + QStringList{".hidden.tmp", "old.bak", "sub.tmp"}));
    QVERIFY(QFileInfo::exists(data + QStringLiteral("/sub.tmp/inside.tmp")));
    QCOMPARE(control<QLabel>("lblFinished")->text(), QStringLiteral("Finshed"));
    QCOMPARE(control<QProgressBar>("progLeft")->value(), 0);
    QCOMPARE(control<QProgressBar>("progLeft")->maximum(), 5);
}

void tst_MainWindowCommands::emptyRequestIsRefused_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("focus");

    QTest::newRow("no directory") << ""
                                  << "*.tmp"
                                  << "You must enter a Directory to Purge files from!"
                                  << "txtDirectory";
    QTest::newRow("no pattern") << "data"
                                << ""
                                << "You must enter a File Type to Purge!"
                                << "cboFileType";
    QTest::newRow("a size that is none")
        << "data"
        << "*.tmp"
        << "\"ten\" is not a size to keep the files under: give bytes, or a number with K, M, G or "
           "T after it (powers of 1024), as 10G."
        << "txtMaxSize";
}

void tst_MainWindowCommands::emptyRequestIsRefused() {
    QFETCH(QString, directory);
    QFETCH(QString, pattern);
    QFETCH(QString, prompt);
    QFETCH(QString, focus);
    test::writeFile(path(QStringLiteral("data/old.tmp")), daysAgo(30));
    type("txtDirectory", directory.isEmpty() ? QString() : path(directory));
    typePattern(pattern);
    if (focus == QLatin1String("txtMaxSize"))
        type("txtMaxSize", QStringLiteral("ten"));
    runDelete();

    QCOMPARE(m_env.messages.shown, QList<Message>{errorMessage(prompt)});
    QVERIFY(m_window->findChild<QWidget *>(focus)->hasFocus());
    QVERIFY(QFileInfo::exists(path(QStringLiteral("data/old.tmp"))));
    QCOMPARE(control<QLabel>("lblFinished")->text(), QString());
    QCOMPARE(control<QProgressBar>("progLeft")->value(), 0);
    QCOMPARE(control<QProgressBar>("progLeft")->maximum(), 1);
}

void tst_MainWindowCommands::clearSelectionThenDelete() {
    test::writeFile(path(QStringLiteral("data/old.tmp")), daysAgo(30));
    type("txtDirectory", path(QStringLiteral("data")));
    typePattern(QStringLiteral("*.bak"));
    runDelete();
    QCOMPARE(control<QLabel>("lblFinished")->text(), QStringLiteral("Finshed"));
    const QString listed = control<DirectoryList>("Dir1")->path();

    click("cmdClear");
    QCOMPARE(m_window->purgeRequest().directory, QString());
    QCOMPARE(control<DirectoryList>("Dir1")->path(), listed);
    typePattern(QStringLiteral("*.tmp"));
    runDelete();

    QCOMPARE(m_env.messages.shown, QList<Message>{errorMessage(QStringLiteral(
                                       "You must enter a Directory to Purge files from!"))});
    QVERIFY(QFileInfo::exists(path(QStringLiteral("data/old.tmp"))));
    // The run starts by clearing what the last one showed.
    QCOMPARE(control<QLabel>("lblFinished")->text(), QString());
}

void tst_MainWindowCommands::cancelInTheSummaryThenDelete() {
    test::writeFile(path(QStringLiteral("data/old.tmp")), daysAgo(30));
    type("txtDirectory", path(QStringLiteral("data")));
    typePattern(QStringLiteral("*.tmp"));
    click("Command1");
    frmSummary *summary = m_window->summaryWindow();
    QVERIFY(QTest::qWaitForWindowActive(summary));

    QTest::mouseClick(summary->findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                      Qt::LeftButton);
    QTRY_VERIFY(m_window->isActiveWindow());
    runDelete();

    QCOMPARE(m_env.messages.shown, QList<Message>{errorMessage(QStringLiteral(
                                       "You must enter a Directory to Purge files from!"))});
    QVERIFY(QFileInfo::exists(path(QStringLiteral("data/old.tmp"))));
}

void tst_MainWindowCommands::summaryStartsOnACleanPanel() {
    click("Command1");
    frmSummary *summary = m_window->summaryWindow();
    QVERIFY(QTest::qWaitForWindowActive(summary));
    QCOMPARE(summary->panel()->lines().size(), 9);
    QTest::mouseClick(summary->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QTRY_VERIFY(m_window->isActiveWindow());

    click("Command1");
    QVERIFY(QTest::qWaitForWindowActive(summary));
    QCOMPARE(summary->panel()->lines().size(), 9);
    QCOMPARE(summary->panel()->lines().first(), QStringLiteral("Deletion Request was made on:"));
}

void tst_MainWindowCommands::addThenExitWritesTheList() {
    QFile list(m_fileTypes);
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("\"*.log\"\r\n");
    list.close();
    m_window->loadPatternList();

    typePattern(QString());
    click("cmdAdd");
    typePattern(QStringLiteral("*.tmp"));
    click("cmdAdd");
    click("cmdAdd");
    auto *types = control<QComboBox>("cboFileType");
    QCOMPARE(types->count(), 4);
    QCOMPARE(types->currentText(), QStringLiteral("*.tmp"));

    click("cmdExit");

    QCOMPARE(m_env.messages.shown, QList<Message>());
    QCOMPARE(test::readBytes(m_fileTypes),
             QByteArray("\"\"\r\n\"*.log\"\r\n\"*.tmp\"\r\n\"*.tmp\"\r\n"));
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->summaryWindow(), nullptr);
}

void tst_MainWindowCommands::closeRequestSavesLikeExit() {
    typePattern(QStringLiteral("*.bak"));
    click("cmdAdd");

    m_window->windowHandle()->close();

    QTRY_VERIFY(!m_window->isVisible());
    QCOMPARE(test::readBytes(m_fileTypes), QByteArray("\"*.bak\"\r\n"));
    QCOMPARE(m_window->summaryWindow(), nullptr);
}

void tst_MainWindowCommands::exitReportsAListThatCannotBeSaved() {
    QVERIFY(QDir(path(QStringLiteral("lists"))).removeRecursively());
    typePattern(QStringLiteral("*.bak"));
    click("cmdAdd");

    click("cmdExit");

    QCOMPARE(m_env.messages.shown.size(), 1);
    QCOMPARE(m_env.messages.shown.first().title, QStringLiteral("Error!!"));
    QVERIFY2(m_env.messages.shown.first().prompt.contains(m_fileTypes),
             qPrintable(m_env.messages.shown.first().prompt));
    QVERIFY(!m_window->isVisible());
}

void tst_MainWindowCommands::unreadableListIsLeftAlone() {
    // A directory where the list should be: it exists, and cannot be read as a list.
    QVERIFY(QDir().mkpath(m_fileTypes));
    m_window->loadPatternList();
    QCOMPARE(m_env.messages.shown.size(), 1);
    QVERIFY(m_env.messages.shown.first().prompt.contains(m_fileTypes));

    typePattern(QStringLiteral("*.bak"));
    click("cmdAdd");
    click("cmdExit");

    QCOMPARE(m_env.messages.shown.size(), 2);
    QVERIFY(m_env.messages.shown.last().prompt.contains(m_fileTypes));
    QVERIFY(QFileInfo(m_fileTypes).isDir());
    QVERIFY(!m_window->isVisible());
}

void tst_MainWindowCommands::modeOptionsSwitchTheBoxes() {
    auto *days = control<QLineEdit>("txtDaysOld");
    auto *date = control<QLineEdit>("txtBeforeDate");

    click("optBeforeDate");
    QVERIFY(!days->isEnabled());
    QVERIFY(date->isEnabled());
    QVERIFY(!control<QRadioButton>("optDaysOld")->isChecked());
    QCOMPARE(m_window->purgeRequest().mode, PurgeMode::Date);

    click("optDaysOld");
    QVERIFY(days->isEnabled());
    QVERIFY(!date->isEnabled());
    QVERIFY(!control<QRadioButton>("optBeforeDate")->isChecked());
    QCOMPARE(m_window->purgeRequest().mode, PurgeMode::Days);
}

void tst_MainWindowCommands::dateHintOncePerArrival() {
    click("optBeforeDate");
    auto *date = control<QLineEdit>("txtBeforeDate");
    control<QWidget>("cmdClear")->setFocus();

    // By the keyboard: the days box is disabled, so Tab goes on to the date box.
    QTest::keyClick(m_window.get(), Qt::Key_Tab);
    QVERIFY(date->hasFocus());
    QTRY_COMPARE(m_env.messages.shown.size(), 1);
    QCOMPARE(m_env.messages.shown.first(), hint(QStringLiteral("12/6/99")));

    // The focus comes back with the window, as it does when the hint closes: no new hint.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(date->hasFocus());
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_env.messages.shown.size(), 1);

    // By the mouse, from another control.
    control<QWidget>("cmdClear")->setFocus();
    QTest::mouseClick(date, Qt::LeftButton);
    QTRY_COMPARE(m_env.messages.shown.size(), 2);

    // Back and forth by the keyboard: one more arrival.
    QTest::keyClick(m_window.get(), Qt::Key_Backtab);
    QTest::keyClick(m_window.get(), Qt::Key_Tab);
    QVERIFY(date->hasFocus());
    QTRY_COMPARE(m_env.messages.shown.size(), 3);
    QCOMPARE(m_env.messages.shown.last(), hint(QStringLiteral("12/6/99")));
}

void tst_MainWindowCommands::dateHintSpeaksTheLocale_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("example");

    QTest::newRow("United States") << QLocale(QLocale::English, QLocale::UnitedStates) << "mm/dd/yy"
                                   << "12/6/99";
    QTest::newRow("Germany") << QLocale(QLocale::German, QLocale::Germany) << "dd.mm.yy"
                             << "06.12.99";
    QTest::newRow("United Kingdom")
        << QLocale(QLocale::English, QLocale::UnitedKingdom) << "dd/mm/yyyy"
        << "06/12/1999";
    QTest::newRow("Sweden, year first")
        << QLocale(QLocale::Swedish, QLocale::Sweden) << "yyyy-mm-dd"
        << "1999-12-06";
    QTest::newRow("Bulgaria, quoted text")
        << QLocale(QLocale::Bulgarian, QLocale::Bulgaria) << QString::fromUtf8("dd.mm.yy г.")
        << QString::fromUtf8("6.12.99 г.");
}

void tst_MainWindowCommands::dateHintSpeaksTheLocale() {
    QFETCH(QLocale, locale);
    QFETCH(QString, form);
    QFETCH(QString, example);
    // Half an hour into 6 December in Berlin is still 5 December in UTC.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    const auto restoreZone = qScopeGuard([&zone] { qputenv("TZ", zone); });
    test::FixedClock clock(QDateTime(today, QTime(0, 30)));
    const Calendar calendar(clock, locale);
    frmMain window({calendar, m_env.messages, m_env.volumes, m_fileTypes});
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    m_env.messages.shown.clear();

    QTest::mouseClick(window.findChild<QRadioButton *>(QStringLiteral("optBeforeDate")),
                      Qt::LeftButton);
    QTest::mouseClick(window.findChild<QLineEdit *>(QStringLiteral("txtBeforeDate")),
                      Qt::LeftButton);

    QTRY_COMPARE(m_env.messages.shown.size(), 1);
    QCOMPARE(m_env.messages.shown.first(),
             (Message{QStringLiteral("Dates must be of the form %1  (i.e. %2)").arg(form, example),
                      MessageStyle::Exclamation, QStringLiteral("Please Note")}));
    // The example is a date the box takes: today.
    QCOMPARE(calendar.dateFromText(example), std::optional<DateValue>(calendar.today()));
}

void tst_MainWindowCommands::refusedDateGivesNoHintOnTop() {
    type("txtDirectory", path(QStringLiteral("data")));
    typePattern(QStringLiteral("*.tmp"));
    click("optBeforeDate");
    control<QLineEdit>("txtBeforeDate")->setText(QStringLiteral("soon"));
    runDelete();

    QVERIFY(control<QLineEdit>("txtBeforeDate")->hasFocus());
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_env.messages.shown.size(), 1);
    QVERIFY(m_env.messages.shown.first().prompt.contains(QStringLiteral("\"soon\" is not a date")));
}

void tst_MainWindowCommands::driveChangeFollowsEachDrivesDirectory() {
    const QString work = m_driveA + QStringLiteral("/work");
    const QString photos = m_driveB + QStringLiteral("/photos");
    auto *list = control<DirectoryList>("Dir1");
    auto *box = control<QLineEdit>("txtDirectory");

    chooseDrive(m_driveB);
    QCOMPARE(QDir::currentPath(), m_driveB);
    QCOMPARE(list->path(), m_driveB);
    QCOMPARE(box->text(), m_driveB);

    activateDirectory(photos);
    QCOMPARE(QDir::currentPath(), photos);
    QCOMPARE(box->text(), photos);

    chooseDrive(m_driveA);
    QCOMPARE(QDir::currentPath(), work);
    QCOMPARE(list->path(), work);
    QCOMPARE(box->text(), work);

    chooseDrive(m_driveB);
    QCOMPARE(list->path(), photos);
    QCOMPARE(box->text(), photos);
    QCOMPARE(m_env.messages.shown, QList<Message>());
}

void tst_MainWindowCommands::driveNotReadyLeavesTheLists() {
    const QString work = m_driveA + QStringLiteral("/work");
    const QString empty = path(QStringLiteral("cdrom"));
    m_env.volumes.list.append(Volume{empty, QString(), false});
    auto *drives = control<QComboBox>("Drive1");
    drives->showPopup();
    drives->hidePopup();
    QVERIFY(drives->findData(empty) >= 0);
    type("txtDirectory", QStringLiteral("/typed/by/hand"));

    chooseDrive(empty);

    QCOMPARE(m_env.messages.shown,
             QList<Message>{
                 errorMessage(QStringLiteral("The drive \"%1\" is not ready: %2.")
                                  .arg(empty, QString::fromLocal8Bit(std::strerror(ENOMEDIUM))))});
    QCOMPARE(drives->currentData().toString(), m_driveA);
    QCOMPARE(control<DirectoryList>("Dir1")->path(), work);
    QCOMPARE(control<QLineEdit>("txtDirectory")->text(), QStringLiteral("/typed/by/hand"));
    QCOMPARE(QDir::currentPath(), work);
}

void tst_MainWindowCommands::directoryChangeMakesItCurrent() {
    const QString logs = m_driveA + QStringLiteral("/work/logs");
    activateDirectory(logs);
    QCOMPARE(QDir::currentPath(), logs);
    QCOMPARE(control<QLineEdit>("txtDirectory")->text(), logs);

    // Up to the root of every drive, which lies on no volume but "/".
    activateDirectory(QStringLiteral("/"));
    QCOMPARE(QDir::currentPath(), QStringLiteral("/"));
    QCOMPARE(control<QLineEdit>("txtDirectory")->text(), QStringLiteral("/"));
    QCOMPARE(control<QComboBox>("Drive1")->currentText(), QStringLiteral("/"));
    QCOMPARE(m_env.messages.shown, QList<Message>());
}

void tst_MainWindowCommands::navigationLeavesTheMountsAlone() {
    // Reading the mounts can wait on a stalled network share; moving around must not.
    const int readsAtStart = m_env.volumes.reads;
    activateDirectory(m_driveA + QStringLiteral("/work/logs"));
    activateDirectory(m_driveA);
    chooseDrive(m_driveB);
    activateDirectory(m_driveB + QStringLiteral("/photos"));
    QCOMPARE(QDir::currentPath(), m_driveB + QStringLiteral("/photos"));
    QCOMPARE(m_env.volumes.reads, readsAtStart);

    // Opening the drive list is asking for the volumes as they are now.
    m_env.volumes.list.append(Volume{path(QStringLiteral("data")), QStringLiteral("new"), true});
    auto *drives = control<QComboBox>("Drive1");
    drives->showPopup();
    drives->hidePopup();
    QCOMPARE(m_env.volumes.reads, readsAtStart + 1);
    QVERIFY(drives->findData(path(QStringLiteral("data"))) >= 0);
}

void tst_MainWindowCommands::vanishedDirectoryIsReported() {
    const QString work = m_driveA + QStringLiteral("/work");
    const QString logs = work + QStringLiteral("/logs");
    QVERIFY(QDir(logs).removeRecursively());
    type("txtDirectory", QStringLiteral("/typed/by/hand"));

    activateDirectory(logs);

    QCOMPARE(m_env.messages.shown.size(), 1);
    QVERIFY(m_env.messages.shown.first().prompt.contains(logs));
    QCOMPARE(QDir::currentPath(), work);
    QCOMPARE(control<DirectoryList>("Dir1")->path(), work);
    QCOMPARE(control<QLineEdit>("txtDirectory")->text(), QStringLiteral("/typed/by/hand"));
}

void tst_MainWindowCommands::unreadableDirectoryLeavesTheLists_data() {
    QTest::addColumn<bool>("byDrive");

    QTest::newRow("a subdirectory in the list") << false;
    QTest::newRow("the directory a drive change leads to") << true;
}

void tst_MainWindowCommands::unreadableDirectoryLeavesTheLists() {
    QFETCH(bool, byDrive);
    const QString work = m_driveA + QStringLiteral("/work");
    const QString refused = byDrive ? m_driveB : work + QStringLiteral("/logs");
    // Root reads every directory, so the refusal comes from the reader the list asks.
    auto *list = control<DirectoryList>("Dir1");
    list->setReader([refused](const QString &directory) {
        if (directory == refused)
            return Subdirectories{{}, SystemError{EACCES}};
        return subdirectoriesOf(directory);
    });
    list->setPath(work);
    type("txtDirectory", QStringLiteral("/typed/by/hand"));

    if (byDrive)
        chooseDrive(refused);
    else
        activateDirectory(refused);

    QCOMPARE(m_env.messages.shown,
             QList<Message>{
                 errorMessage(QStringLiteral("The directory \"%1\" cannot be opened: %2.")
                                  .arg(refused, QString::fromLocal8Bit(std::strerror(EACCES))))});
    QCOMPARE(list->path(), work);
    QCOMPARE(list->currentItem(), list->itemOf(work));
    QVERIFY(list->itemOf(work + QStringLiteral("/logs")) != nullptr);
    QCOMPARE(control<QComboBox>("Drive1")->currentData().toString(), m_driveA);
    QCOMPARE(control<QLineEdit>("txtDirectory")->text(), QStringLiteral("/typed/by/hand"));
    QCOMPARE(QDir::currentPath(), work);
}

void tst_MainWindowCommands::runGoesOnWhileTheWindowAnswers() {
    const QString data = path(QStringLiteral("data"));
    for (int i = 0; i < 5; ++i)
        test::writeFile(data + QStringLiteral("/file%1.tmp").arg(i), daysAgo(30));
    type("txtDirectory", data);
    typePattern(QStringLiteral("*.tmp"));
    m_window->setProgressInterval(std::chrono::milliseconds(0));
    // Five files, a subdirectory, "." and ".." and the end make nine calls a pass; the run is
    // held after three files of the second.
    hold.holdAfter = 9 + 5;
    QSignalSpy ended(m_window.get(), &frmMain::purgeEnded);
    click("cmdDelete");
    hold.waitUntilHolding();

    // The bar shows the run as it goes; the request stays as it is and only Exit and Summary
    // take a click.
    QTRY_VERIFY(control<QProgressBar>("progLeft")->value() >= 2);
    const QStringList locked = {"txtDirectory",  "cmdDelete",   "cmdClear",  "cmdAdd",
                                "Dir1",          "Drive1",      "chkTrash",  "optDaysOld",
                                "optBeforeDate", "cboFileType", "txtDaysOld"};
    for (const QString &name : locked)
        QVERIFY2(!m_window->findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
    QVERIFY(control<QPushButton>("cmdExit")->isEnabled());
    click("Command1");
    QVERIFY(QTest::qWaitForWindowActive(m_window->summaryWindow()));
    QCOMPARE(ended.count(), 0);
    // A second run is refused while this one goes, whatever the buttons show.
    QVERIFY(!m_window->findChild<BackgroundPurge *>()->start(PurgeJob{}));

    hold.release();
    QTRY_COMPARE(ended.count(), 1);
    QVERIFY(QDir(data).entryList(QDir::Files).isEmpty());
    QCOMPARE(control<QLabel>("lblFinished")->text(), QStringLiteral("Finshed"));
    for (const QString &name : locked.mid(0, locked.size() - 1))
        QVERIFY2(m_window->findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
}

void tst_MainWindowCommands::exitStopsARunHalfWay() {
    // Three files in eight due, as a large directory has them; Exit comes half way through.
    const QString data = path(QStringLiteral("data"));
    const int files = 2000;
    QSet<QString> due;
    for (int i = 0; i < files; ++i) {
        const QString name = QStringLiteral("f%1.tmp").arg(i);
        test::writeFile(data + QLatin1Char('/') + name, daysAgo(i % 8 < 3 ? 30 : 1));
        if (i % 8 < 3)
            due.insert(name);
    }
    const QFileInfoList before = QDir(data).entryInfoList(QDir::Files);
    type("txtDirectory", data);
    typePattern(QStringLiteral("*.tmp"));
    click("cmdAdd");
    hold.holdAfter = (files + 4) + files / 2;
    click("cmdDelete");
    hold.waitUntilHolding();

    click("cmdExit");
    // The list is saved at once, before the run has stopped.
    QCOMPARE(test::readBytes(m_fileTypes), QByteArray("\"*.tmp\"\r\n"));
    hold.release();
    QTRY_VERIFY(!m_window->isVisible());

    QCOMPARE(m_env.messages.shown, QList<Message>());
    const QStringList left = QDir(data).entryList(QDir::Files);
    int dueLeft = 0;
    for (const QFileInfo &file : before) {
        if (!left.contains(file.fileName())) {
            QVERIFY2(due.contains(file.fileName()), qPrintable(file.fileName()));
            continue;
        }
        dueLeft += due.contains(file.fileName()) ? 1 : 0;
        QCOMPARE(QFileInfo(file.filePath()).lastModified(), file.lastModified());
        QCOMPARE(test::readBytes(file.filePath()), QFile::encodeName(file.filePath()));
    }
    // Stopped: due files the run never came to are still there.
    QVERIFY2(dueLeft > 0 && dueLeft < due.size(), qPrintable(QString::number(dueLeft)));
}

void tst_MainWindowCommands::toTrashMovesTheFilesAndIsRemembered() {
    // The user's Trash and settings, in the test's own directory.
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("share"))));
    const auto unsetData = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
    const MainWindowServices services{m_env.calendar,
                                      m_env.messages,
                                      m_env.volumes,
                                      m_fileTypes,
                                      std::nullopt,
                                      path(QStringLiteral("Culler.conf")),
                                      QFile::encodeName(path(QStringLiteral("runs")))};
    m_window = std::make_unique<frmMain>(services);
    m_window->show();
    QVERIFY(!control<QPushButton>("cmdPutBack")->isVisible());
    const QString data = path(QStringLiteral("data"));
    test::writeFile(data + QStringLiteral("/old.tmp"), daysAgo(30));
    test::writeFile(data + QStringLiteral("/new.tmp"), daysAgo(1));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/sub")));
    test::writeFile(data + QStringLiteral("/sub/older.tmp"), daysAgo(30));
    QVERIFY(!control<QCheckBox>("chkTrash")->isChecked());
    QVERIFY(!control<QCheckBox>("chkSubfolders")->isChecked());
    click("chkTrash");
    click("chkSubfolders");
    enterRequest(data, false, QStringLiteral("20"));
    // In the Trash since 1 November: a file of the request, and one from elsewhere.
    QVERIFY(QDir().mkpath(path("share/Trash/info")) && QDir().mkpath(path("share/Trash/files")));
    for (const QString &name : {data + "/gone.tmp", path("elsewhere/kept.tmp")}) {
        const QString item = QFileInfo(name).fileName();
        test::writeBytes(path("share/Trash/files/" + item), "");
        test::writeBytes(path("share/Trash/info/" + item + ".trashinfo"),
                         "[Trash Info]\nPath=" + QFile::encodeName(name) +
                             "\nDeletionDate=1999-11-01T12:00:00\n");
    }
    type("txtTrashDays", QStringLiteral("30"));
    runDelete();

    QCOMPARE(control<QLabel>("lblFinished")->toolTip(),
             QStringLiteral("2 files moved to the Trash, 1 kept; 1 item removed from the Trash for "
                            "good, 3 kept"));
    QCOMPARE(QDir(data).entryList(QDir::Files), QStringList{"new.tmp"});
    QCOMPARE(QDir(path(QStringLiteral("share/Trash/files"))).entryList(QDir::Files),
             (QStringList{"kept.tmp", "old.tmp", "older.tmp"}));
    // Put Back asks first; Cancel leaves the run as it is, OK puts it back, each file where it was.
    const Message question{
        QStringLiteral("Put back the 2 files moved to the Trash from \"%1\"?").arg(data),
        MessageStyle::Exclamation, QStringLiteral("Put Back")};
    for (const bool answer : {false, true}) {
        m_env.messages.shown.clear();
        m_env.messages.answers = {answer};
        QSignalSpy ended(m_window.get(), &frmMain::putBackEnded);
        click("cmdPutBack");
        QCOMPARE(m_env.messages.shown, QList<Message>{question});
        // Off the window's thread, the request locked and no purge let in until it is over.
        QCOMPARE(control<QLineEdit>("txtDirectory")->isEnabled(), !answer);
        QVERIFY(!answer || !m_window->findChild<BackgroundPurge *>()->start(PurgeJob{}));
        QTRY_COMPARE(ended.count(), answer ? 1 : 0);
        QVERIFY(control<QLineEdit>("txtDirectory")->isEnabled());
        QCOMPARE(QDir(data).entryList(QDir::Files).size(), answer ? 2 : 1);
        QCOMPARE(QFileInfo::exists(data + QStringLiteral("/sub/older.tmp")), answer);
        QCOMPARE(control<QPushButton>("cmdPutBack")->isVisible(), !answer);
    }
    QCOMPARE(control<QLabel>("lblFinished")->toolTip(), QStringLiteral("2 files put back"));
    QCOMPARE(QDir(path(QStringLiteral("share/Trash/files"))).entryList(QDir::Files),
             QStringList{"kept.tmp"});
    // The next time the window opens, both boxes are ticked again.
    m_window = std::make_unique<frmMain>(services);
    QVERIFY(control<QCheckBox>("chkTrash")->isChecked());
    QVERIFY(control<QCheckBox>("chkSubfolders")->isChecked());
}

void tst_MainWindowCommands::runTellsHowManyFilesWent_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("some old, some new") << "*.tmp"
                                        << "2 files deleted, 1 kept";
    QTest::newRow("nothing matches") << "*.none"
                                     << "0 files deleted, 0 kept";
    QTest::newRow("a refused run says nothing") << ""
                                                << "";
}

void tst_MainWindowCommands::runTellsHowManyFilesWent() {
    QFETCH(QString, pattern);
    QFETCH(QString, outcome);
    const QString data = path(QStringLiteral("data"));
    for (const char *name : {"a.tmp", "b.tmp", "c.bak"})
        test::writeFile(data + QLatin1Char('/') + QLatin1String(name), daysAgo(30));
    test::writeFile(data + QStringLiteral("/new.tmp"), daysAgo(1));
    type("txtDirectory", data);
    auto *status = control<QLabel>("lblFinished");

    // A first run leaves its own count, which the next run must replace.
    typePattern(QStringLiteral("*.bak"));
    runDelete();
    QCOMPARE(status->toolTip(), QStringLiteral("1 file deleted, 0 kept"));
    typePattern(pattern);
    runDelete();

    QCOMPARE(status->toolTip(), outcome);
    QCOMPARE(status->accessibleDescription(), outcome);
    QCOMPARE(status->text(), outcome.isEmpty() ? QString() : QStringLiteral("Finshed"));
}

void tst_MainWindowCommands::longPatternCanBeRead_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("longer than the box") << "backup-*.tar.gz"
                                         << "Type of files to delete\nbackup-*.tar.gz";
    QTest::newRow("wider than the screen")
        << QStringLiteral("x").repeated(2000) + QStringLiteral("*.tmp")
        << QStringLiteral("Type of files to delete\n") + QStringLiteral("x").repeated(2000) +
               QStringLiteral("*.tmp");
    QTest::newRow("empty") << ""
                           << "Type of files to delete";
}

void tst_MainWindowCommands::longPatternCanBeRead() {
    QFETCH(QString, pattern);
    QFETCH(QString, toolTip);
    auto *box = control<QComboBox>("cboFileType");
    const QRect geometry = box->geometry();
    m_window->addPatterns({QStringLiteral("*.tmp"), pattern});
    typePattern(pattern);
    QCOMPARE(box->toolTip(), toolTip);

    box->showPopup();
    QAbstractItemView *list = box->view();
    QTRY_VERIFY(list->isVisible());
    // The list shows the whole entry, or as much as the screen can.
    const int text = list->fontMetrics().horizontalAdvance(pattern);
    const int screen = box->screen()->availableGeometry().width();
    QVERIFY2(list->width() <= screen, qPrintable(QString::number(list->width())));
    QVERIFY2(list->viewport()->width() >= std::min(text, screen - 50),
             qPrintable(QStringLiteral("%1 < %2").arg(list->viewport()->width()).arg(text)));
    box->hidePopup();
    QCOMPARE(box->geometry(), geometry);
}

void tst_MainWindowCommands::summaryCountsWhatDeleteRemoves_data() {
    QTest::addColumn<bool>("dateMode");
    QTest::addColumn<QString>("cutOff");

    QTest::newRow("twenty days") << false << "20";
    QTest::newRow("today") << false << "0";
    QTest::newRow("a day and a half") << false << "1.5";
    QTest::newRow("before 16 November") << true << "11/16/99";
    QTest::newRow("before every file") << true << "1/1/90";
}

void tst_MainWindowCommands::summaryCountsWhatDeleteRemoves() {
    QFETCH(bool, dateMode);
    QFETCH(QString, cutOff);
    // Each file's size is a power of two, so the bytes counted say which files were counted.
    const QString data = path(QStringLiteral("data"));
    const struct {
        const char *name;
        int daysAgo;
        QTime time;
    } files[] = {{"old.tmp", 30, QTime(12, 0)},       {"limit day.tmp", 20, QTime(23, 59)},
                 {"newer.tmp", 19, QTime(0, 0)},      {"yesterday noon.tmp", 1, QTime(12, 0)},
                 {"today.tmp", 0, QTime(9, 0)},       {"tomorrow.tmp", -1, QTime(9, 0)},
                 {"old.bak", 30, QTime(12, 0)},       {".hidden.tmp", 30, QTime(12, 0)},
                 {"new\nline.tmp", 30, QTime(12, 0)}, {"sub.tmp/inside.tmp", 30, QTime(12, 0)}};
    qint64 size = 1;
    for (const auto &file : files) {
        const QString name = data + QLatin1Char('/') + QString::fromUtf8(file.name);
        test::writeBytes(name, QByteArray(size, 'x'));
        QFile stamped(name);
        QVERIFY(stamped.open(QIODevice::ReadWrite));
        QVERIFY(stamped.setFileTime(daysAgo(file.daysAgo, file.time),
                                    QFileDevice::FileModificationTime));
        size *= 2;
    }
    QVERIFY(QFile::link(QStringLiteral("old.bak"), data + QStringLiteral("/link.tmp")));
    QCOMPARE(::mkfifo(QFile::encodeName(data + QStringLiteral("/fifo.tmp")).constData(), 0600), 0);
    enterRequest(data, dateMode, cutOff);

    click("Command1");
    frmSummary *summary = m_window->summaryWindow();
    QVERIFY(QTest::qWaitForWindowActive(summary));
    QTRY_VERIFY(summary->panel()->lines().value(8) !=
                QStringLiteral("Files to delete: counting..."));
    const QString counted = summary->panel()->lines().value(8);
    QTest::mouseClick(summary->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QTRY_VERIFY(m_window->isActiveWindow());
    const auto [filesBefore, bytesBefore] = plainFiles(data);
    runDelete();
    const auto [filesAfter, bytesAfter] = plainFiles(data);

    // "N files deleted, K kept": the files the run examined are those the summary found matching.
    const QStringList outcome = control<QLabel>("lblFinished")->toolTip().split(QLatin1Char(' '));
    QCOMPARE(outcome.size(), 5);
    const qint64 deleted = filesBefore - filesAfter;
    QCOMPARE(outcome.at(0).toLongLong(), deleted);
    QCOMPARE(counted, QStringLiteral("Files to delete: %1 of %2 matching (%3 bytes)")
                          .arg(deleted)
                          .arg(outcome.at(0).toLongLong() + outcome.at(3).toLongLong())
                          .arg(bytesBefore - bytesAfter));
}

QTEST_MAIN(tst_MainWindowCommands)
#include "tst_mainwindowcommands.moc"
