#include "filetypeslocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace culler {

namespace {

// Makes the directory and its missing parents; nothing when it is there, else the reason.
std::optional<QString> makeDirectory(const QString &directory) {
    if (QFileInfo(directory).isDir())
        return std::nullopt;
    QString made;
    for (const QString &part : directory.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(made).constData(), 0700) != 0 && errno != EEXIST)
            return QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!QFileInfo(directory).isDir())
        return QString::fromLocal8Bit(std::strerror(ENOTDIR));
    return std::nullopt;
}

// Copies the list whole or not at all, so a failed copy leaves no half list to start from next
// time. Nothing on success, else the reason.
std::optional<QString> copyList(const QString &from, const QString &to) {
    if (!QFileInfo::exists(from))
        return QString::fromLocal8Bit(std::strerror(ENOENT));
    if (!QFileInfo(from).isFile())
        return QStringLiteral("it is not a file");
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return source.errorString();
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size() ||
        !target.commit())
        return target.errorString();
    return std::nullopt;
}

} // namespace

QString fileTypesFileName() {
    return QStringLiteral("filetypes.dat");
}

QString portableMarkerName() {
    return QStringLiteral("culler.portable");
}

DirectoryAccess directoryAccess(const QString &directory) {
    if (!QFileInfo(directory).isDir())
        return DirectoryAccess::ReadOnly;
    QTemporaryFile probe(directory + QStringLiteral("/.culler-write-test-XXXXXX"));
    return probe.open() ? DirectoryAccess::Writable : DirectoryAccess::ReadOnly;
}

FileTypesLocation fileTypesLocation(const QString &executableDir, const QString &dataDir) {
    const QString besideExecutable = executableDir + QLatin1Char('/') + fileTypesFileName();
    const bool portable =
        QFileInfo::exists(executableDir + QLatin1Char('/') + portableMarkerName());
    if (portable && directoryAccess(executableDir) == DirectoryAccess::Writable)
        return {besideExecutable, std::nullopt};

    const QString inDataDir = dataDir + QLatin1Char('/') + fileTypesFileName();
    if (QFileInfo::exists(inDataDir))
        return {inDataDir, std::nullopt};
    std::optional<QString> failure = makeDirectory(dataDir);
    if (!failure)
        failure = copyList(besideExecutable, inDataDir);
    if (!failure)
        return {inDataDir, std::nullopt};
    return {inDataDir,
            errorMessage(QStringLiteral("Your list of file types in \"%1\" could not be started "
                                        "from \"%2\": %3.\nThe list starts empty.")
                             .arg(QDir::toNativeSeparators(inDataDir),
                                  QDir::toNativeSeparators(besideExecutable), *failure))};
}

FileTypesLocation fileTypesLocationOfThisProgram() {
    return fileTypesLocation(QCoreApplication::applicationDirPath(),
                             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

} // namespace culler
