#include "runtime/calendar.h"
#include "testsupport.h"
#include "ui/main/frmmain.h"
#include "ui/startup/frmsplash.h"
#include "ui/summary/frmsummary.h"
#include "windowtestsupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace culler;

// What a screen reader says of each control: a name for every one, the tool tip as its
// description, and a button's caption as it reads, without the access-key marker.
class tst_Accessibility : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void namesReadLikeTheScreen_data();
    void namesReadLikeTheScreen();

private:
    QWidget *window(const QString &name) const;

    QTemporaryDir m_temp;
    test::WindowEnvironment m_env;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<frmSplash> m_splash;
};

void tst_Accessibility::initTestCase() {
    QVERIFY(m_temp.isValid());
    m_env.volumes.list = {Volume{m_temp.path(), QStringLiteral("DATA"), true}};
    QVERIFY(QDir::setCurrent(m_temp.path()));
    m_main = std::make_unique<frmMain>(MainWindowServices{
        m_env.calendar, m_env.messages, m_env.volumes, m_temp.filePath("filetypes.dat")});
    m_splash = std::make_unique<frmSplash>([] {});
}

QWidget *tst_Accessibility::window(const QString &name) const {
    if (name == QLatin1String("frmMain"))
        return m_main.get();
    if (name == QLatin1String("frmSummary"))
        return m_main->summaryWindow();
    return m_splash.get();
}

void tst_Accessibility::everyControlIsNamed_data() {
    QTest::addColumn<QString>("windowName");
    for (const char *name : {"frmMain", "frmSummary", "frmSplash"})
        QTest::newRow(name) << name;
}

void tst_Accessibility::everyControlIsNamed() {
    QFETCH(QString, windowName);
    QWidget *shown = window(windowName);
    QVERIFY(shown != nullptr);
    QVERIFY(!shown->accessibleName().isEmpty());
    int controls = 0;
    for (const QWidget *control : shown->findChildren<QWidget *>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        ++controls;
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(name));
        QCOMPARE(control->accessibleDescription(), control->toolTip());
    }
    QVERIFY(controls >= 5);
}

void tst_Accessibility::namesReadLikeTheScreen_data() {
    QTest::addColumn<QString>("windowName");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");

    QTest::newRow("button") << "frmMain"
                            << "cmdDelete"
                            << "Delete Old Files";
    QTest::newRow("option keeps its spelling") << "frmMain"
                                               << "optBeforeDate"
                                               << "Delet Files created before";
    QTest::newRow("text box") << "frmMain"
                              << "txtDirectory"
                              << "Selected Directory";
    QTest::newRow("list without a caption speaks its tool tip")
        << "frmMain"
        << "Dir1"
        << "Select a directory to Purge files from";
    QTest::newRow("summary button") << "frmSummary"
                                    << "cmdCancel"
                                    << "Cancel";
    QTest::newRow("splash title") << "frmSplash"
                                  << "lblProductName"
                                  << "Culler";
}

void tst_Accessibility::namesReadLikeTheScreen() {
    QFETCH(QString, windowName);
    QFETCH(QString, control);
    QFETCH(QString, name);
    const auto *found = window(windowName)->findChild<QWidget *>(control);
    QVERIFY(found != nullptr);
    QCOMPARE(found->accessibleName(), name);
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
