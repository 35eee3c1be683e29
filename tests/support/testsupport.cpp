#include "testsupport.h"

#include <QFile>
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

} // namespace culler::test
