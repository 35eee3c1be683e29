#include "../windowtestsupport.h"
#include "schedule/dailypurge.h"
#include "ui/main/frmmain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace culler;

// The window's "Once a Day" box against a stand-in systemctl first on PATH, which fails the
// command $REFUSE names and does not answer while the file $HOLD exists, and units in a
// configuration directory of the test's own.
class tst_DailyPurgeBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void clicks_data();
    void clicks();
    void followsDirectoryAndPattern();

private:
    void makeWindow();
    template <typename Control> Control *control(const char *name) const {
        return m_window->findChild<Control *>(QLatin1String(name));
    }
    QString unit(const QString &pattern) const {
        return m_temp.filePath(QStringLiteral("config/systemd/user/")) +
               unitName(QFile::encodeName(m_temp.path()), {pattern.toUtf8()}) +
               QStringLiteral(".timer");
    }

    QTemporaryDir m_temp;
    QByteArray m_path = qgetenv("PATH");
    test::WindowEnvironment m_env;
    std::unique_ptr<frmMain> m_window;
};

void tst_DailyPurgeBox::init() {
    const QString standIn = m_temp.filePath(QStringLiteral("bin/systemctl"));
    QVERIFY(QDir().mkpath(m_temp.filePath(QStringLiteral("bin"))));
    test::writeBytes(standIn, "#!/bin/sh\nwhile [ -e \"$HOLD\" ]; do sleep 0.01; done\n"
                              "[ \"$2\" = \"$REFUSE\" ] || exit 0\n"
                              "echo \"stand-in refuses $REFUSE\" >&2; exit 1\n");
    QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(m_temp.filePath(QStringLiteral("bin"))) + ':' + m_path);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.filePath(QStringLiteral("config"))));
    qputenv("REFUSE", "");
    qputenv("HOLD", QFile::encodeName(m_temp.filePath(QStringLiteral("hold"))));
}

void tst_DailyPurgeBox::cleanup() {
    QFile::remove(m_temp.filePath(QStringLiteral("hold")));
    m_window.reset();
    qputenv("PATH", m_path);
    QDir(m_temp.filePath(QStringLiteral("config"))).removeRecursively();
    m_env.messages.shown.clear();
}

void tst_DailyPurgeBox::makeWindow() {
    m_window = std::make_unique<frmMain>(MainWindowServices{
        m_env.calendar, m_env.messages, m_env.volumes, m_temp.filePath("filetypes.dat")});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    control<QLineEdit>("txtDirectory")->setText(m_temp.path());
    control<QComboBox>("cboFileType")->setEditText(QStringLiteral("*.tmp"));
}

void tst_DailyPurgeBox::clicks_data() {
    QTest::addColumn<bool>("setUpFirst");
    QTest::addColumn<QString>("refuse");
    QTest::addColumn<QString>("before"); // the control clicked before the box
    QTest::addColumn<bool>("answer");    // OK or Cancel to the question
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QStringList>("prompts");

    const QString words = "Every day, delete the files of type *.tmp in TEMP that are 20 days old "
                          "or older.";
    const QString stop = "Stop this daily purge?\n" + words;
    QTest::newRow("set up") << false << ""
                            << "" << true << true << QStringList{words};
    QTest::newRow("set up, cancelled") << false << ""
                                       << "" << false << false << QStringList{words};
    QTest::newRow("with subfolders")
        << false << ""
        << "chkSubfolders" << true << true
        << QStringList{"Every day, delete the files of type *.tmp in TEMP and its subfolders that "
                       "are 20 days old or older."};
    QTest::newRow("with a size cap")
        << false << ""
        << "txtMaxSize=10G" << true << true
        << QStringList{words.chopped(1) + ", then more of the oldest while those left take more "
                                          "than 10 GiB."};
    QTest::newRow("free space that is none")
        << false << ""
        << "txtKeepFree=lots" << true << false
        << QStringList{"\"lots\" is not a size to keep free: give bytes, or a number with K, M, G "
                       "or T after it (powers of 1024), as 10G, or a share of the drive, as 15%."};
    QTest::newRow("timer not started")
        << false << "enable"
        << "" << true << false
        << QStringList{words, "systemctl --user enable --now NAME.timer failed: stand-in refuses "
                              "enable"};
    QTest::newRow("date mode")
        << false << ""
        << "optBeforeDate" << true << false
        << QStringList{"A daily purge needs a number of days: a fixed date would delete the same "
                       "files every day. Choose \"Delete Files over\" and a number of days."};
    QTest::newRow("removed") << true << ""
                             << "" << true << false << QStringList{stop};
    QTest::newRow("removal cancelled") << true << ""
                                       << "" << false << true << QStringList{stop};
    QTest::newRow("timer not stopped")
        << true << "disable"
        << "" << true << true
        << QStringList{stop, "systemctl --user disable --now NAME.timer failed: stand-in refuses "
                             "disable"};
}

void tst_DailyPurgeBox::clicks() {
    QFETCH(bool, setUpFirst);
    QFETCH(QString, refuse);
    QFETCH(QString, before);
    QFETCH(bool, answer);
    QFETCH(bool, checked);
    QFETCH(QStringList, prompts);
    makeWindow();
    auto *box = control<QCheckBox>("chkTimer");
    QTRY_VERIFY(box->isEnabled());
    if (setUpFirst) {
        QTest::mouseClick(box, Qt::LeftButton);
        QTRY_VERIFY(box->isEnabled());
        QVERIFY(box->isChecked() && QFileInfo::exists(unit("*.tmp")));
        m_env.messages.shown.clear();
    }
    qputenv("REFUSE", refuse.toUtf8());
    if (before.contains('=')) // a box typed into
        m_window->findChild<QLineEdit *>(before.section('=', 0, 0))
            ->setText(before.section('=', 1));
    else if (!before.isEmpty())
        QTest::mouseClick(m_window->findChild<QAbstractButton *>(before), Qt::LeftButton);
    m_env.messages.shown.clear(); // the date hint
    m_env.messages.answers = {answer};

    QTest::mouseClick(box, Qt::LeftButton);
    QTRY_VERIFY(box->isEnabled());
    QCOMPARE(box->isChecked(), checked);
    QCOMPARE(QFileInfo::exists(unit("*.tmp")), checked);
    QCOMPARE(QFileInfo::exists(unit("*.tmp").replace(".timer", ".service")), checked);
    QStringList shown;
    for (const Message &message : m_env.messages.shown)
        shown << message.prompt;
    const QString name = QFileInfo(unit("*.tmp")).completeBaseName();
    QCOMPARE(shown, prompts.replaceInStrings("TEMP", m_temp.path()).replaceInStrings("NAME", name));
    // The service runs what the question said.
    const std::optional<DailyPurge> purge =
        dailyPurgeOfService(test::readBytes(unit("*.tmp").replace(".timer", ".service")));
    QCOMPARE(purge ? dailyPurgeText(*purge) : QString(),
             checked ? prompts.first().section('\n', -1) : QString());
}

void tst_DailyPurgeBox::followsDirectoryAndPattern() {
    qputenv("REFUSE", "show-environment");
    makeWindow();
    auto *box = control<QCheckBox>("chkTimer");
    QTRY_COMPARE(box->toolTip(), QStringLiteral("Daily purges need a systemd user session"));
    QVERIFY(!box->isEnabled());
    m_window.reset();

    // The window shows and answers while systemctl does not; the box waits for it, locked.
    qputenv("REFUSE", "");
    const QString hold = m_temp.filePath(QStringLiteral("hold"));
    test::writeBytes(hold, "");
    makeWindow();
    box = control<QCheckBox>("chkTimer");
    QVERIFY(!box->isEnabled());
    QVERIFY(QFile::remove(hold));
    QTRY_VERIFY(box->isEnabled());
    test::writeBytes(hold, "");
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked() && !box->isEnabled());
    QVERIFY(QFile::remove(hold));
    QTRY_VERIFY(box->isEnabled());
    QVERIFY(box->isChecked());
    auto *pattern = control<QComboBox>("cboFileType");
    pattern->setEditText(QStringLiteral("*.log"));
    QVERIFY(!box->isChecked());
    pattern->setEditText(QStringLiteral("*.tmp"));
    QVERIFY(box->isChecked());
    control<QLineEdit>("txtDirectory")->setText(m_temp.path() + QStringLiteral("/bin"));
    QVERIFY(!box->isChecked());
    control<QLineEdit>("txtDirectory")->setText(m_temp.path() + QStringLiteral("/"));
    QVERIFY(box->isChecked());
}

QTEST_MAIN(tst_DailyPurgeBox)
#include "tst_dailypurgebox.moc"
