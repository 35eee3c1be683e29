#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace culler::test {

QLocale testLocale() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

QDateTime exampleNow() {
    return QDateTime(QDate(1999, 12, 6), QTime(10, 15));
}

QByteArray readBytes(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("(unreadable)");
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

void writeFile(const QString &path, const QDateTime &modified) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    file.write(QFile::encodeName(path));
    file.close();
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

std::optional<QByteArray> verifyUserUnits(const QString &directory, const QStringList &units) {
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        return std::nullopt;
    const QDir here(directory);
    if (!here.mkpath(QStringLiteral("man/man1")) || !here.mkpath(QStringLiteral("run")))
        return QByteArray("(no room for the manual page)");
    QFile::copy(QStringLiteral(CULLER_SOURCE_DIR "/data/culler.1"),
                here.filePath(QStringLiteral("man/man1/culler.1")));
    QProcess verify;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANPATH"), here.filePath(QStringLiteral("man")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), here.filePath(QStringLiteral("run")));
    verify.setProcessEnvironment(environment);
    verify.setWorkingDirectory(directory);
    verify.start(analyze, QStringList{QStringLiteral("verify"), QStringLiteral("--user")} + units);
    if (!verify.waitForFinished(60000))
        return QByteArray("(systemd-analyze did not end)");
    const QByteArray complaints = verify.readAllStandardError();
    if (verify.exitCode() != 0 && complaints.isEmpty())
        return QByteArray("(systemd-analyze failed)");
    return complaints;
}

} // namespace culler::test
