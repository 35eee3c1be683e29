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
// command $REFUSE names, and units in a configuration directory of the test's own.
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
               unitName(QFile::encodeName(m_temp.path()), pattern.toUtf8()) +
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
    test::writeBytes(standIn, "#!/bin/sh\n[ \"$2\" = \"$REFUSE\" ] || exit 0\n"
                              "echo \"stand-in refuses $REFUSE\" >&2; exit 1\n");
    QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(m_temp.filePath(QStringLiteral("bin"))) + ':' + m_path);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.filePath(QStringLiteral("config"))));
    qputenv("REFUSE", "");
}

void tst_DailyPurgeBox::cleanup() {
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
    QTest::addColumn<bool>("dateMode");
    QTest::addColumn<bool>("answer"); // OK or Cancel to the question
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QStringList>("prompts");

    const QString words = "Every day, delete the files of type *.tmp in TEMP that are 20 days old "
                          "or older.";
    const QString stop = "Stop this daily purge?\n" + words;
    QTest::newRow("set up") << false << "" << false << true << true << QStringList{words};
    QTest::newRow("set up, cancelled")
        << false << "" << false << false << false << QStringList{words};
    QTest::newRow("timer not started")
        << false << "enable" << false << true << false
        << QStringList{words, "systemctl --user enable --now NAME.timer failed: stand-in refuses "
                              "enable"};
    QTest::newRow("date mode")
        << false << "" << true << true << false
        << QStringList{"A daily purge needs a number of days: a fixed date would delete the same "
                       "files every day. Choose \"Delete Files over\" and a number of days."};
    QTest::newRow("removed") << true << "" << false << true << false << QStringList{stop};
    QTest::newRow("removal cancelled") << true << "" << false << false << true << QStringList{stop};
    QTest::newRow("timer not stopped")
        << true << "disable" << false << true << true
        << QStringList{stop, "systemctl --user disable --now NAME.timer failed: stand-in refuses "
                             "disable"};
}

void tst_DailyPurgeBox::clicks() {
    QFETCH(bool, setUpFirst);
    QFETCH(QString, refuse);
    QFETCH(bool, dateMode);
    QFETCH(bool, answer);
    QFETCH(bool, checked);
    QFETCH(QStringList, prompts);
    makeWindow();
    auto *box = control<QCheckBox>("chkTimer");
    QVERIFY(box->isEnabled());
    if (setUpFirst) {
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked() && QFileInfo::exists(unit("*.tmp")));
        m_env.messages.shown.clear();
    }
    qputenv("REFUSE", refuse.toUtf8());
    if (dateMode)
        QTest::mouseClick(control<QRadioButton>("optBeforeDate"), Qt::LeftButton);
    m_env.messages.shown.clear(); // the date hint
    m_env.messages.answers = {answer};

    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(box->isChecked(), checked);
    QCOMPARE(QFileInfo::exists(unit("*.tmp")), checked);
    QCOMPARE(QFileInfo::exists(unit("*.tmp").replace(".timer", ".service")), checked);
    QStringList shown;
    for (const Message &message : m_env.messages.shown)
        shown << message.prompt;
    const QString name = QFileInfo(unit("*.tmp")).completeBaseName();
    QCOMPARE(shown, prompts.replaceInStrings("TEMP", m_temp.path()).replaceInStrings("NAME", name));
}

void tst_DailyPurgeBox::followsDirectoryAndPattern() {
    qputenv("REFUSE", "show-environment");
    makeWindow();
    auto *box = control<QCheckBox>("chkTimer");
    QVERIFY(!box->isEnabled());
    QCOMPARE(box->toolTip(), QStringLiteral("Daily purges need a systemd user session"));
    m_window.reset();

    qputenv("REFUSE", "");
    makeWindow();
    QTest::mouseClick(box = control<QCheckBox>("chkTimer"), Qt::LeftButton);
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
