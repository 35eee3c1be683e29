#include "filetypeslocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace culler {

QString fileTypesFileName() {
    return QStringLiteral("filetypes.dat");
}

DirectoryAccess directoryAccess(const QString &directory) {
    if (!QFileInfo(directory).isDir())
        return DirectoryAccess::ReadOnly;
    QTemporaryFile probe(directory + QStringLiteral("/.culler-write-test-XXXXXX"));
    return probe.open() ? DirectoryAccess::Writable : DirectoryAccess::ReadOnly;
}

QString fileTypesLocation(const QString &executableDir, DirectoryAccess executableDirAccess,
                          const QString &dataDir) {
    QString besideExecutable = executableDir + QLatin1Char('/') + fileTypesFileName();
    if (executableDirAccess == DirectoryAccess::Writable || dataDir.isEmpty())
        return besideExecutable;

    QString inDataDir = dataDir + QLatin1Char('/') + fileTypesFileName();
    // Creating the directory now lets the first save succeed even with nothing to copy. Any
    // failure here shows up as a failure to save, which names the file and the reason.
    QDir().mkpath(dataDir);
    if (!QFileInfo::exists(inDataDir) && QFileInfo(besideExecutable).isFile())
        QFile::copy(besideExecutable, inDataDir);
    return inDataDir;
}

} // namespace culler
