#include "filetypes/filetypesfile.h"
#include "filetypes/filetypeslocation.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
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

enum class Copy {
    Portable,         // marked portable, in a directory it can write
    PortableReadOnly, // marked portable, in a directory it cannot write
    Installed,        // not marked
    DataDirBlocked,   // not marked, and a file stands where the data directory's parent should
};

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
    QTest::addColumn<Copy>("copy");
    QTest::addColumn<QByteArray>("besideExecutable"); // null: no file there
    QTest::addColumn<QByteArray>("inDataDir");        // null: no file there
    QTest::addColumn<bool>("expectDataDir");
    QTest::addColumn<QByteArray>("dataDirAfter");
    QTest::addColumn<QString>("problem"); // the reason told, empty when all went well

    const QString missing = QString::fromLocal8Bit(std::strerror(ENOENT));
    QTest::newRow("portable: beside the executable")
        << Copy::Portable << installedList << QByteArray() << false << QByteArray() << QString();
    QTest::newRow("portable, read-only: the data directory")
        << Copy::PortableReadOnly << installedList << QByteArray() << true << installedList
        << QString();
    // The installed directory is writable here, as it is for root: still never written.
    QTest::newRow("installed, first start: a copy of the installed list")
        << Copy::Installed << installedList << QByteArray() << true << installedList << QString();
    QTest::newRow("installed, later starts: the user's own list")
        << Copy::Installed << installedList << usersList << true << usersList << QString();
    QTest::newRow("installed list empty: an empty copy")
        << Copy::Installed << QByteArray("") << QByteArray() << true << QByteArray("") << QString();
    QTest::newRow("nothing installed: told why")
        << Copy::Installed << QByteArray() << QByteArray() << true << QByteArray() << missing;
    QTest::newRow("data directory cannot be made: told why")
        << Copy::DataDirBlocked << installedList << QByteArray() << true << QByteArray()
        << QString::fromLocal8Bit(std::strerror(ENOTDIR));
}

void tst_FileTypesLocation::location() {
    QFETCH(Copy, copy);
    QFETCH(QByteArray, besideExecutable);
    QFETCH(QByteArray, inDataDir);
    QFETCH(bool, expectDataDir);
    QFETCH(QByteArray, dataDirAfter);
    QFETCH(QString, problem);

    const QString installed = executableDir() + QStringLiteral("/filetypes.dat");
    const QString own = dataDir() + QStringLiteral("/filetypes.dat");
    if (!besideExecutable.isNull())
        writeBytes(installed, besideExecutable);
    if (!inDataDir.isNull()) {
        QVERIFY(QDir().mkpath(dataDir()));
        writeBytes(own, inDataDir);
    }
    if (copy != Copy::Installed && copy != Copy::DataDirBlocked)
        writeBytes(executableDir() + QStringLiteral("/culler.portable"), QByteArray());
    if (copy == Copy::PortableReadOnly) {
        if (::geteuid() == 0)
            QSKIP("root writes into a directory whatever its permissions");
        QVERIFY(QFile::setPermissions(executableDir(), QFile::ReadOwner | QFile::ExeOwner));
    }
    if (copy == Copy::DataDirBlocked)
        writeBytes(m_dir->filePath(QStringLiteral("share")), QByteArray("a file"));

    const FileTypesLocation location = fileTypesLocation(executableDir(), dataDir());
    QFile::setPermissions(executableDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(location.path, expectDataDir ? own : installed);
    if (problem.isEmpty()) {
        QCOMPARE(location.problem, std::nullopt);
    } else {
        QVERIFY(location.problem.has_value());
        QCOMPARE(location.problem->title, QStringLiteral("Error!!"));
        for (const QString &named : {own, installed, problem})
            QVERIFY2(location.problem->prompt.contains(named),
                     qPrintable(location.problem->prompt));
    }
    QCOMPARE(readBytes(own), dataDirAfter.isNull() ? QByteArray("(unreadable)") : dataDirAfter);
    if (!expectDataDir)
        QVERIFY(!QFileInfo::exists(dataDir()));
    if (!besideExecutable.isNull())
        QCOMPARE(readBytes(installed), besideExecutable);
}

void tst_FileTypesLocation::savingInTheDataDirectoryLeavesTheInstalledListAlone() {
    const QString installed = executableDir() + QStringLiteral("/filetypes.dat");
    writeBytes(installed, installedList);

    FileTypesFile file(fileTypesLocation(executableDir(), dataDir()).path);
    QCOMPARE(file.load().patterns, (QStringList{"*.tmp", "*.bak"}));
    QCOMPARE(file.save({QStringLiteral("*.log")}), std::nullopt);

    QCOMPARE(readBytes(file.path()), usersList);
    QCOMPARE(readBytes(installed), installedList);
    const FileTypesLocation again = fileTypesLocation(executableDir(), dataDir());
    QCOMPARE(again.path, file.path());
    QCOMPARE(again.problem, std::nullopt);
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
    // A test program is not marked portable, though its directory can be written.
    QCOMPARE(fileTypesLocationOfThisProgram().path,
             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                 QStringLiteral("/filetypes.dat"));
}

QTEST_GUILESS_MAIN(tst_FileTypesLocation)
#include "tst_filetypeslocation.moc"
