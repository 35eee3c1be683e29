#include "../windowtestsupport.h"
#include "runtime/calendar.h"
#include "runtime/drives.h"
#include "testsupport.h"
#include "ui/main/directorylist.h"
#include "ui/main/frmmain.h"
#include "ui/summary/frmsummary.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace culler;

namespace {

QString textOf(const QWidget *control) {
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    return QString();
}

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void loadFillsTheDirectoryAndTheDate_data();
    void loadFillsTheDirectoryAndTheDate();
    void listsStartOnTheCurrentDriveAndDirectory();
    void windowFrame();
    void controls_data();
    void controls();
    void tabOrder();
    void patternListStaysSorted();
    void screenshot();

private:
    QWidget *control(const char *name) const;

    QString m_startDirectory;
    QTemporaryDir m_temp;
    QString m_work;
    test::WindowEnvironment m_env;
    QString m_fileTypes;
    std::unique_ptr<frmMain> m_window;
};

void tst_MainWindow::init() {
    m_startDirectory = QDir::currentPath();
    QVERIFY(m_temp.isValid());
    const QString temp = QDir(m_temp.path()).canonicalPath();
    m_work = temp + QStringLiteral("/work");
    for (const char *sub : {"/work/logs", "/work/Archive", "/work/cache", "/other"})
        QVERIFY(QDir().mkpath(temp + QLatin1String(sub)));
    m_env.volumes.list = {Volume{temp, QStringLiteral("DATA"), true}};
    m_fileTypes = temp + QStringLiteral("/filetypes.dat");
    QVERIFY(QDir::setCurrent(m_work));
    m_env.clock.set(test::exampleNow());
    // No systemctl, so no user manager, whatever the machine has.
    qputenv("PATH", "/nonexistent");
    m_window = std::make_unique<frmMain>(
        MainWindowServices{m_env.calendar, m_env.messages, m_env.volumes, m_fileTypes});
}

void tst_MainWindow::cleanup() {
    m_window.reset();
    QDir::setCurrent(m_startDirectory);
}

QWidget *tst_MainWindow::control(const char *name) const {
    auto *found = m_window->findChild<QWidget *>(QLatin1String(name));
    if (found == nullptr)
        qWarning("no control named %s", name);
    return found;
}

void tst_MainWindow::loadFillsTheDirectoryAndTheDate_data() {
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("beforeDate");

    const QLocale us = test::testLocale();
    QTest::newRow("6 December 1999") << test::exampleNow() << us << "11/16/99";
    QTest::newRow("back across the year")
        << QDateTime(QDate(2000, 1, 5), QTime(8, 0)) << us << "12/16/99";
    QTest::newRow("back across a leap day")
        << QDateTime(QDate(2000, 3, 10), QTime(23, 59)) << us << "2/19/00";
    QTest::newRow("the locale's own format")
        << test::exampleNow() << QLocale(QLocale::German, QLocale::Germany) << "16.11.99";
}

void tst_MainWindow::loadFillsTheDirectoryAndTheDate() {
    QFETCH(QDateTime, now);
    QFETCH(QLocale, locale);
    QFETCH(QString, beforeDate);
    m_env.clock.set(now);
    const Calendar calendar(m_env.clock, locale);
    frmMain window({calendar, m_env.messages, m_env.volumes, m_fileTypes});

    const PurgeRequest request = window.purgeRequest();
    QCOMPARE(request.directory, m_work);
    QCOMPARE(request.beforeDate, beforeDate);
    QCOMPARE(request.daysOld, QStringLiteral("20"));
    QCOMPARE(request.mode, PurgeMode::Days);
    QCOMPARE(request.pattern, QString());
    QVERIFY(window.findChild<QWidget *>(QStringLiteral("txtDaysOld"))->isEnabled());
    QVERIFY(!window.findChild<QWidget *>(QStringLiteral("txtBeforeDate"))->isEnabled());
    QVERIFY(window.findChild<QRadioButton *>(QStringLiteral("optDaysOld"))->isChecked());
    QVERIFY(!window.findChild<QRadioButton *>(QStringLiteral("optBeforeDate"))->isChecked());
    QCOMPARE(QDir::currentPath(), m_work);

    QVERIFY(window.summaryWindow() != nullptr);
    QVERIFY(!window.summaryWindow()->isVisible());
    QVERIFY(m_env.messages.shown.isEmpty());
}

void tst_MainWindow::listsStartOnTheCurrentDriveAndDirectory() {

    auto *drives = qobject_cast<QComboBox *>(control("Drive1"));
    QCOMPARE(drives->count(), 2);
    QCOMPARE(drives->itemText(0), QStringLiteral("/"));
    QCOMPARE(drives->currentText(), m_env.volumes.list.first().root + QStringLiteral(" [DATA]"));

    auto *directories = qobject_cast<DirectoryList *>(control("Dir1"));
    QCOMPARE(directories->path(), m_work);
    QCOMPARE(directories->currentItem(), directories->itemOf(m_work));
    QStringList below;
    for (int row = 0; row < directories->currentItem()->childCount(); ++row)
        below << directories->currentItem()->child(row)->text(0);
    QCOMPARE(below, (QStringList{"Archive", "cache", "logs"}));
}

void tst_MainWindow::windowFrame() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    QCOMPARE(m_window->windowTitle(), QStringLiteral("Delete Old Files"));
    QCOMPARE(m_window->size(), QSize(447, 232));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QCOMPARE(m_window->pos(), QPoint(100, 103));
    // The Exit button is the only way out: no close, minimise or maximise button.
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!m_window->windowIcon().isNull());
}

void tst_MainWindow::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("cmdDelete") << "cmdDelete"
                               << "&Delete Old Files" << QRect(176, 72, 105, 25)
                               << "Press to start Deleting selected files" << true;
    QTest::newRow("optDaysOld ends in a blank")
        << "optDaysOld"
        << "Delete Files over " << QRect(176, 104, 113, 17)
        << "Delete files older than this number of days" << true;
    QTest::newRow("optBeforeDate keeps its spelling")
        << "optBeforeDate"
        << "Delet Files created before" << QRect(176, 128, 145, 17)
        << "Delete files after this date" << true;
    QTest::newRow("chkTrash in the strip beside Summary")
        << "chkTrash"
        << "To &Trash" << QRect(352, 152, 89, 16)
        << "Move the old files to the Trash instead of deleting them" << true;
    QTest::newRow("chkSubfolders right of Once a Day")
        << "chkSubfolders"
        << "Sub&folders" << QRect(370, 72, 76, 17)
        << "Delete the old files of every subfolder too, never through a link, into a hidden "
           "folder or onto another drive"
        << true;
    QTest::newRow("chkTimer without a user manager")
        << "chkTimer"
        << "Once a Day" << QRect(288, 72, 81, 17) << "Daily purges need a systemd user session"
        << false;
    QTest::newRow("txtDaysOld") << "txtDaysOld"
                                << "20" << QRect(288, 104, 25, 19) << "" << true;
    QTest::newRow("cmdAdd") << "cmdAdd"
                            << "&Add" << QRect(320, 40, 33, 17)
                            << "Press to Add this FileType to List" << true;
    QTest::newRow("cboFileType") << "cboFileType"
                                 << "" << QRect(272, 40, 49, 21) << "Type of files to delete"
                                 << true;
    QTest::newRow("Dir1") << "Dir1"
                          << "" << QRect(8, 40, 161, 156)
                          << "Select a directory to Purge files from" << true;
    QTest::newRow("progLeft") << "progLeft"
                              << "" << QRect(176, 184, 265, 17) << "" << true;
    QTest::newRow("lblFinished starts empty") << "lblFinished"
                                              << "" << QRect(344, 168, 97, 17) << "" << true;
    QTest::newRow("Command1") << "Command1"
                              << "&Summary" << QRect(280, 152, 65, 25)
                              << "Bring up the summary window" << true;
}

void tst_MainWindow::controls() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    QFETCH(QString, toolTip);
    QFETCH(bool, enabled);

    const QWidget *found = control(name.toLatin1().constData());
    QVERIFY(found != nullptr);
    QCOMPARE(found->parentWidget(), m_window.get());
    QCOMPARE(textOf(found), text);
    QCOMPARE(found->geometry(), geometry);
    // Once a Day's says what the user manager answered, which comes in its own time.
    QTRY_COMPARE(found->toolTip(), toolTip);
    QCOMPARE(found->isEnabled(), enabled);
}

void tst_MainWindow::tabOrder() {
    QStringList order;
    QWidget *const first = control("txtDirectory");
    QWidget *widget = first;
    do {
        if (widget->parentWidget() == m_window.get() && (widget->focusPolicy() & Qt::TabFocus))
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != first && widget != m_window.get());

    const QStringList expected{
        "txtDirectory", "cmdDelete", "cmdClear", "txtDaysOld",    "txtBeforeDate", "cmdExit",
        "Dir1",         "chkTimer",  "Drive1",   "optDaysOld",    "optBeforeDate", "cboFileType",
        "Command1",     "cmdAdd",    "chkTrash", "chkSubfolders", "cmdPutBack"};
    QCOMPARE(order, (expected + QStringList{"txtMaxSize", "txtKeepFree", "txtTrashDays"}));
}

void tst_MainWindow::patternListStaysSorted() {
    auto *types = qobject_cast<QComboBox *>(control("cboFileType"));
    types->setEditText(QStringLiteral("*.doc"));

    m_window->addPatterns({"*.tmp", "*.BAK", "", "*.log", "*.bak", "*.tmp"});

    QStringList listed;
    for (int row = 0; row < types->count(); ++row)
        listed << types->itemText(row);
    // Case does not order the list; an entry equal to one already there goes after it.
    QCOMPARE(listed, (QStringList{"", "*.BAK", "*.bak", "*.log", "*.tmp", "*.tmp"}));
    QCOMPARE(types->currentText(), QStringLiteral("*.doc"));
}

void tst_MainWindow::screenshot() {
    m_window->addPatterns({"*.tmp", "*.bak", "*.log"});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/frmMain.png");
    QVERIFY(m_window->grab().save(file));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
