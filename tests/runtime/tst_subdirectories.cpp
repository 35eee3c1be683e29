#include "runtime/subdirectories.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <memory>

using namespace culler;

class tst_Subdirectories : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void subdirectoriesAreDirectoriesOnly();
    void subdirectoriesOfAMissingDirectory();

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_path;
};

void tst_Subdirectories::init() {
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    m_path = m_temp->path();
    QVERIFY(QDir().mkpath(m_path + QStringLiteral("/work/deep")));
}

void tst_Subdirectories::subdirectoriesAreDirectoriesOnly() {
    const QDir a(m_path);
    QVERIFY(a.mkdir(QStringLiteral("Beta")));
    QVERIFY(a.mkdir(QStringLiteral("alpha")));
    QVERIFY(a.mkdir(QStringLiteral(".hidden")));
    QFile file(a.filePath(QStringLiteral("file.tmp")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(
        QFile::link(a.filePath(QStringLiteral("alpha")), a.filePath(QStringLiteral("toAlpha"))));
    QVERIFY(
        QFile::link(a.filePath(QStringLiteral("file.tmp")), a.filePath(QStringLiteral("toFile"))));
    QVERIFY(
        QFile::link(a.filePath(QStringLiteral("gone")), a.filePath(QStringLiteral("dangling"))));

    const Subdirectories found = subdirectoriesOf(m_path);
    QVERIFY(!found.error);
    QCOMPARE(test::sorted(found.names),
             test::sorted({QStringLiteral("Beta"), QStringLiteral("alpha"),
                           QStringLiteral("toAlpha"), QStringLiteral("work")}));
}

void tst_Subdirectories::subdirectoriesOfAMissingDirectory() {
    const Subdirectories found = subdirectoriesOf(m_path + QStringLiteral("/missing"));
    QCOMPARE(found.error.code, ENOENT);
    QVERIFY(found.names.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Subdirectories)
#include "tst_subdirectories.moc"
