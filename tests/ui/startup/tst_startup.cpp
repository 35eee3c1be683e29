#include "../windowtestsupport.h"
#include "filetypes/filetypeslocation.h"
#include "runtime/calendar.h"
#include "testsupport.h"
#include "ui/main/frmmain.h"
#include "ui/startup/frmsplash.h"
#include "ui/startup/sessionend.h"
#include "ui/startup/startup.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

using namespace culler;

// The start-up sequence as the program runs it: the splash hands over to the main window, which
// shows before its pattern list is read, and reads it once.
class tst_Startup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void handOver_data();
    void handOver();
    void endOfSessionSavesLikeExit_data();
    void endOfSessionSavesLikeExit();
    void firstCopyFailureIsToldOnceAtStart();

private:
    QTemporaryDir m_temp;
    QString m_startDirectory;
    test::WindowEnvironment m_env;
};

void tst_Startup::init() {
    QVERIFY(m_temp.isValid());
    m_startDirectory = QDir::currentPath();
    const QString temp = QDir(m_temp.path()).canonicalPath();
    m_env.volumes.list = {Volume{temp, QStringLiteral("DATA"), true}};
    QVERIFY(QDir::setCurrent(temp));
    QFile list(temp + QStringLiteral("/filetypes.dat"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("\"*.tmp\"\r\n\"*.bak\"\r\n");
}

void tst_Startup::cleanup() {
    QDir::setCurrent(m_startDirectory);
}

void tst_Startup::handOver_data() {
    QTest::addColumn<QString>("first");
    QTest::newRow("key press") << "key";
    QTest::newRow("timer tick") << "tick";
}

void tst_Startup::handOver() {
    QFETCH(QString, first);

    frmMain window(
        {m_env.calendar, m_env.messages, m_env.volumes, m_temp.filePath("filetypes.dat")});
    auto *types = window.findChild<QComboBox *>("cboFileType");
    QVERIFY(types != nullptr);
    QList<bool> visibleWhenFilled;
    connect(types->model(), &QAbstractItemModel::rowsInserted, this,
            [&] { visibleWhenFilled << window.isVisible(); });

    frmSplash splash(bringUpMainWindow(window));
    splash.show();
    auto *timer = splash.findChild<QTimer *>("Timer1");
    QVERIFY(timer != nullptr);
    const auto fire = [&](const QString &event) {
        if (event == QLatin1String("key"))
            QTest::keyClick(&splash, Qt::Key_Space);
        else
            QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    };

    fire(first);
    QVERIFY(window.isVisible());
    QVERIFY(!splash.isVisible());
    QCOMPARE(window.findChild<QLineEdit *>("txtDirectory")->text(), QDir::currentPath());
    // One signal for the whole list, which arrives once the window shows.
    QCOMPARE(visibleWhenFilled, (QList<bool>{true}));
    QCOMPARE(types->count(), 2);
    QCOMPARE(types->itemText(0), QStringLiteral("*.bak"));

    // Whatever comes later finds the program already up: the list is not read again.
    fire(first == QLatin1String("key") ? QStringLiteral("tick") : QStringLiteral("key"));
    QCOMPARE(types->count(), 2);
    QVERIFY(m_env.messages.shown.isEmpty());
}

void tst_Startup::endOfSessionSavesLikeExit_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM, as at logout or shutdown") << SIGTERM;
    QTest::newRow("SIGHUP, as when the terminal closes") << SIGHUP;
    QTest::newRow("SIGINT, as for Ctrl+C") << SIGINT;
}

void tst_Startup::endOfSessionSavesLikeExit() {
    QFETCH(int, signal);

    const QString list = m_temp.filePath("filetypes.dat");
    frmMain window({m_env.calendar, m_env.messages, m_env.volumes, list});
    closeOnSessionEnd(window);
    bringUpMainWindow(window)();
    window.addPatterns({QStringLiteral("*.log")});

    QCOMPARE(::raise(signal), 0);

    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(test::readBytes(list), QByteArray("\"*.bak\"\r\n\"*.log\"\r\n\"*.tmp\"\r\n"));
    QVERIFY(m_env.messages.shown.isEmpty());
}

void tst_Startup::firstCopyFailureIsToldOnceAtStart() {
    // A test program is not marked portable, so it keeps its list in its data directory, and
    // there is no list beside it to start that one from.
    QStandardPaths::setTestModeEnabled(true);
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(QDir(dataDir).removeRecursively());
    QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/filetypes.dat"));
    m_env.messages.shown.clear();
    const FileTypesLocation fileTypes = fileTypesLocationOfThisProgram();
    frmMain window(
        {m_env.calendar, m_env.messages, m_env.volumes, fileTypes.path, fileTypes.problem});

    bringUpMainWindow(window)();
    QCOMPARE(m_env.messages.shown.size(), 1);
    QVERIFY2(m_env.messages.shown.first().prompt.contains(dataDir),
             qPrintable(m_env.messages.shown.first().prompt));
    window.loadPatternList();
    QCOMPARE(m_env.messages.shown.size(), 1);
    QVERIFY(QDir(dataDir).removeRecursively());
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
