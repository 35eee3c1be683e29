#include "runtime/drives.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>

using namespace culler;

class tst_Drives : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void pseudoFileSystems_data();
    void pseudoFileSystems();
    void rootIsAlwaysADrive();
    void driveOfIsTheInnermostVolume_data();
    void driveOfIsTheInnermostVolume();
    void eachDriveKeepsItsOwnDirectory();
    void driveNotVisitedStartsAtItsRoot();
    void driveNotReadyChangesNothing_data();
    void driveNotReadyChangesNothing();
    void goneDirectoryFallsBackToTheRoot();
    void changeDirectoryToAMissingPathFails();

private:
    QString m_startDirectory;
    QTemporaryDir m_temp;
    QString m_driveA;
    QString m_driveB;
    test::FixedVolumes m_volumes;
};

void tst_Drives::init() {
    m_startDirectory = QDir::currentPath();
    QVERIFY(m_temp.isValid());
    const QDir temp(QDir(m_temp.path()).canonicalPath());
    m_driveA = temp.filePath(QStringLiteral("driveA"));
    m_driveB = temp.filePath(QStringLiteral("driveB"));
    QVERIFY(QDir().mkpath(m_driveA + QStringLiteral("/work/deep")));
    QVERIFY(QDir().mkpath(m_driveB + QStringLiteral("/photos")));
    m_volumes.list = {Volume{m_driveA, QStringLiteral("A"), true},
                      Volume{m_driveB, QStringLiteral("B"), true}};
    QVERIFY(QDir::setCurrent(m_driveA));
}

void tst_Drives::cleanup() {
    QDir::setCurrent(m_startDirectory);
    QDir(m_driveA).removeRecursively();
    QDir(m_driveB).removeRecursively();
}

void tst_Drives::pseudoFileSystems_data() {
    QTest::addColumn<QString>("root");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<bool>("pseudo");

    QTest::newRow("root file system") << "/" << QByteArray("ext4") << false;
    QTest::newRow("home on btrfs") << "/home" << QByteArray("btrfs") << false;
    QTest::newRow("usb stick") << "/media/user/STICK" << QByteArray("vfat") << false;
    QTest::newRow("removable under /run/media")
        << "/run/media/user/STICK" << QByteArray("exfat") << false;
    QTest::newRow("network share") << "/mnt/share" << QByteArray("cifs") << false;
    QTest::newRow("/tmp in memory") << "/tmp" << QByteArray("tmpfs") << false;
    QTest::newRow("proc") << "/proc" << QByteArray("proc") << true;
    QTest::newRow("sysfs") << "/sys" << QByteArray("sysfs") << true;
    QTest::newRow("cgroup below /sys") << "/sys/fs/cgroup/cpu" << QByteArray("cgroup") << true;
    QTest::newRow("devices") << "/dev" << QByteArray("devtmpfs") << true;
    QTest::newRow("shared memory") << "/dev/shm" << QByteArray("tmpfs") << true;
    QTest::newRow("user run-time directory") << "/run/user/1000" << QByteArray("tmpfs") << true;
    QTest::newRow("/run on a disk type") << "/run/lock" << QByteArray("ext4") << true;
    QTest::newRow("snap image") << "/snap/core/1" << QByteArray("squashfs") << true;
    QTest::newRow("/proc look-alike name") << "/processing" << QByteArray("ext4") << false;
}

void tst_Drives::pseudoFileSystems() {
    QFETCH(QString, root);
    QFETCH(QByteArray, type);
    QFETCH(bool, pseudo);
    QCOMPARE(isPseudoFileSystem(root, type), pseudo);
}

void tst_Drives::rootIsAlwaysADrive() {
    m_volumes.list.append(Volume{m_driveA, QStringLiteral("A again"), true});
    const Drives drives(m_volumes);
    QStringList roots;
    for (const Volume &volume : drives.volumes())
        roots << volume.root;
    QCOMPARE(roots, test::sorted({QStringLiteral("/"), m_driveA, m_driveB}));
    QCOMPARE(roots.first(), QStringLiteral("/"));
}

void tst_Drives::driveOfIsTheInnermostVolume_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("drive");

    QTest::newRow("volume root") << "driveA"
                                 << "driveA";
    QTest::newRow("inside a volume") << "driveA/work/deep"
                                     << "driveA";
    QTest::newRow("other volume") << "driveB/photos"
                                  << "driveB";
    QTest::newRow("name that only starts like a volume") << "driveAB"
                                                         << "";
}

void tst_Drives::driveOfIsTheInnermostVolume() {
    QFETCH(QString, relative);
    QFETCH(QString, drive);
    const Drives drives(m_volumes);
    const QDir temp(QDir(m_temp.path()).canonicalPath());
    const QString expected = drive.isEmpty() ? QStringLiteral("/") : temp.filePath(drive);
    QCOMPARE(drives.driveOf(temp.filePath(relative)), expected);
    QCOMPARE(drives.driveOf(QStringLiteral("/usr")), QStringLiteral("/"));
}

void tst_Drives::eachDriveKeepsItsOwnDirectory() {
    Drives drives(m_volumes);
    const QString work = m_driveA + QStringLiteral("/work/deep");
    const QString photos = m_driveB + QStringLiteral("/photos");
    QVERIFY(!drives.changeDirectory(work));
    QCOMPARE(drives.currentDirectory(), work);

    QVERIFY(!drives.changeDrive(m_driveB));
    QVERIFY(!drives.changeDirectory(photos));
    QCOMPARE(QDir::currentPath(), photos);

    QVERIFY(!drives.changeDrive(m_driveA));
    QCOMPARE(QDir::currentPath(), work);
    QVERIFY(!drives.changeDrive(m_driveB));
    QCOMPARE(QDir::currentPath(), photos);
}

void tst_Drives::driveNotVisitedStartsAtItsRoot() {
    Drives drives(m_volumes);
    QVERIFY(!drives.changeDrive(m_driveB));
    QCOMPARE(QDir::currentPath(), m_driveB);
}

void tst_Drives::driveNotReadyChangesNothing_data() {
    QTest::addColumn<bool>("listed");

    QTest::newRow("not ready") << true;
    QTest::newRow("no longer mounted") << false;
}

void tst_Drives::driveNotReadyChangesNothing() {
    QFETCH(bool, listed);
    Drives drives(m_volumes);
    QVERIFY(!drives.changeDirectory(m_driveA + QStringLiteral("/work")));
    if (listed)
        m_volumes.list[1].ready = false;
    else
        m_volumes.list.removeLast();
    drives.refreshVolumes();

    QCOMPARE(drives.changeDrive(m_driveB).code, ENOMEDIUM);
    QCOMPARE(QDir::currentPath(), m_driveA + QStringLiteral("/work"));
}

void tst_Drives::goneDirectoryFallsBackToTheRoot() {
    Drives drives(m_volumes);
    QVERIFY(!drives.changeDrive(m_driveB));
    QVERIFY(!drives.changeDirectory(m_driveB + QStringLiteral("/photos")));
    QVERIFY(!drives.changeDrive(m_driveA));
    QVERIFY(QDir(m_driveB + QStringLiteral("/photos")).removeRecursively());

    QVERIFY(!drives.changeDrive(m_driveB));
    QCOMPARE(QDir::currentPath(), m_driveB);
}

void tst_Drives::changeDirectoryToAMissingPathFails() {
    Drives drives(m_volumes);
    QCOMPARE(drives.changeDirectory(m_driveA + QStringLiteral("/missing")).code, ENOENT);
    QCOMPARE(QDir::currentPath(), m_driveA);
}

QTEST_GUILESS_MAIN(tst_Drives)
#include "tst_drives.moc"
