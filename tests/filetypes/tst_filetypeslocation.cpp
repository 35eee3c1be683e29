#include "filetypes/filetypesfile.h"
#include "filetypes/filetypeslocation.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace culler;
using test::readBytes;
using test::writeBytes;

namespace {

QStringList entries(const QString &directory) {
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

const QByteArray installedList("\"*.tmp\"\r\n\"*.bak\"\r\n");
const QByteArray usersList("\"*.log\"\r\n");

} // namespace

class tst_FileTypesLocation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void location_data();
    void location();
    void savingInTheDataDirectoryLeavesTheInstalledListAlone();
    void directoryAccess_data();
    void directoryAccess();
    void defaultPathForThisExecutable();

private:
    QString executableDir() const { return m_dir->filePath(QStringLiteral("bin")); }
    QString dataDir() const { return m_dir->filePath(QStringLiteral("share/Culler")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_FileTypesLocation::initTestCase() {
    // Keeps the real data directory of whoever runs the tests out of reach.
    QStandardPaths::setTestModeEnabled(true);
}

void tst_FileTypesLocation::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(executableDir()));
}

void tst_FileTypesLocation::location_data() {
    QTest::addColumn<DirectoryAccess>("access");
    QTest::addColumn<QByteArray>("besideExecutable"); // empty: no file there
    QTest::addColumn<QByteArray>("inDataDir");        // empty: no file there
    QTest::addColumn<bool>("expectDataDir");
    QTest::addColumn<QByteArray>("dataDirAfter");

    QTest::newRow("writable: beside the executable")
        << DirectoryAccess::Writable << installedList << QByteArray() << false << QByteArray();
    QTest::newRow("read-only, first start: a copy of the installed list")
        << DirectoryAccess::ReadOnly << installedList << QByteArray() << true << installedList;
    QTest::newRow("read-only, later starts: the user's own list")
        << DirectoryAccess::ReadOnly << installedList << usersList << true << usersList;
    QTest::newRow("read-only, nothing installed: no list yet")
        << DirectoryAccess::ReadOnly << QByteArray() << QByteArray() << true << QByteArray();
    QTest::newRow("read-only, installed list empty: an empty copy")
        << DirectoryAccess::ReadOnly << QByteArray("") << QByteArray() << true << QByteArray("");
}

void tst_FileTypesLocation::location() {
    QFETCH(DirectoryAccess, access);
    QFETCH(QByteArray, besideExecutable);
    QFETCH(QByteArray, inDataDir);
    QFETCH(bool, expectDataDir);
    QFETCH(QByteArray, dataDirAfter);

    const QString installed = executableDir() + QStringLiteral("/filetypes.dat");
    const QString own = dataDir() + QStringLiteral("/filetypes.dat");
    if (!besideExecutable.isNull())
        writeBytes(installed, besideExecutable);
    if (!inDataDir.isNull()) {
        QVERIFY(QDir().mkpath(dataDir()));
        writeBytes(own, inDataDir);
    }

    const QString path = fileTypesLocation(executableDir(), access, dataDir());

    QCOMPARE(path, expectDataDir ? own : installed);
    if (!expectDataDir) {
        QVERIFY(!QFileInfo::exists(dataDir()));
        return;
    }
    QVERIFY(QFileInfo(dataDir()).isDir());
    QCOMPARE(readBytes(own), dataDirAfter.isNull() ? QByteArray("(unreadable)") : dataDirAfter);
    if (!besideExecutable.isNull())
        QCOMPARE(readBytes(installed), besideExecutable);
}

void tst_FileTypesLocation::savingInTheDataDirectoryLeavesTheInstalledListAlone() {
    const QString installed = executableDir() + QStringLiteral("/filetypes.dat");
    writeBytes(installed, installedList);

    FileTypesFile file(fileTypesLocation(executableDir(), DirectoryAccess::ReadOnly, dataDir()));
    QCOMPARE(file.load().patterns, (QStringList{"*.tmp", "*.bak"}));
    QCOMPARE(file.save({QStringLiteral("*.log")}), std::nullopt);

    QCOMPARE(readBytes(file.path()), usersList);
    QCOMPARE(readBytes(installed), installedList);
    QCOMPARE(fileTypesLocation(executableDir(), DirectoryAccess::ReadOnly, dataDir()), file.path());
    QCOMPARE(readBytes(file.path()), usersList);
}

void tst_FileTypesLocation::directoryAccess_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<DirectoryAccess>("access");

    QTest::newRow("a directory of ours") << "bin" << DirectoryAccess::Writable;
    QTest::newRow("missing") << "missing" << DirectoryAccess::ReadOnly;
    QTest::newRow("a file, not a directory") << "bin/file" << DirectoryAccess::ReadOnly;
    // Its permission bits let root write; the file system does not.
    QTest::newRow("/proc") << "/proc" << DirectoryAccess::ReadOnly;
    QTest::newRow("no write permission") << "locked" << DirectoryAccess::ReadOnly;
}

void tst_FileTypesLocation::directoryAccess() {
    QFETCH(QString, directory);
    QFETCH(DirectoryAccess, access);

    const QString path = QDir(m_dir->path()).filePath(directory);
    if (directory == QStringLiteral("/proc") && !QFileInfo(path).isDir())
        QSKIP("no /proc here");
    if (directory == QStringLiteral("bin/file"))
        writeBytes(path, installedList);
    if (directory == QStringLiteral("locked")) {
        if (::geteuid() == 0)
            QSKIP("root writes into a directory whatever its permissions");
        QVERIFY(QDir().mkdir(path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QStringList before = entries(executableDir());

    QCOMPARE(culler::directoryAccess(path), access);
    // The trial file is gone again.
    QCOMPARE(entries(executableDir()), before);
}

void tst_FileTypesLocation::defaultPathForThisExecutable() {
    const QString executableDir = QCoreApplication::applicationDirPath();
    const QString path = FileTypesFile::defaultPath();
    if (culler::directoryAccess(executableDir) == DirectoryAccess::Writable) {
        QCOMPARE(path, executableDir + QStringLiteral("/filetypes.dat"));
        return;
    }
    QCOMPARE(path, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                       QStringLiteral("/filetypes.dat"));
}

QTEST_GUILESS_MAIN(tst_FileTypesLocation)
#include "tst_filetypeslocation.moc"
