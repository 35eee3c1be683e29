#include "drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace culler {

namespace {

const QString rootDirectory = QStringLiteral("/");

bool isUnder(const QString &path, const QString &directory) {
    if (directory == rootDirectory)
        return path.startsWith(rootDirectory);
    return path == directory || path.startsWith(directory + QLatin1Char('/'));
}

SystemError lastError() {
    return SystemError{errno};
}

} // namespace

bool isPseudoFileSystem(const QString &root, const QByteArray &type) {
    static const QByteArray kernelTypes[] = {
        "autofs",     "binfmt_misc", "bpf",      "cgroup",   "cgroup2", "configfs",
        "debugfs",    "devpts",      "devtmpfs", "efivarfs", "fusectl", "hugetlbfs",
        "mqueue",     "nsfs",        "proc",     "pstore",   "ramfs",   "rpc_pipefs",
        "securityfs", "squashfs",    "sysfs",    "tracefs",
    };
    if (std::find(std::begin(kernelTypes), std::end(kernelTypes), type) != std::end(kernelTypes))
        return true;
    // Memory file systems hold the system's run-time state, except a /tmp kept in memory.
    if (type == "tmpfs")
        return root != QLatin1String("/tmp");
    for (const char *system : {"/proc", "/sys", "/dev"}) {
        if (isUnder(root, QLatin1String(system)))
            return true;
    }
    // Some desktops mount removable media under /run/media; the rest of /run is run-time state.
    return isUnder(root, QStringLiteral("/run")) && !isUnder(root, QStringLiteral("/run/media"));
}

QList<Volume> MountedVolumes::volumes() const {
    QList<Volume> result;
    const QList<QStorageInfo> mounted = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &storage : mounted) {
        if (!storage.isValid() || isPseudoFileSystem(storage.rootPath(), storage.fileSystemType()))
            continue;
        // Containers mount single files such as /etc/hosts; only directories can be drives.
        if (!QFileInfo(storage.rootPath()).isDir())
            continue;
        result.append(Volume{storage.rootPath(), storage.name(), storage.isReady()});
    }
    return result;
}

Drives::Drives(const VolumeSource &source)
    : m_source(source) {
    refreshVolumes();
    remember(currentDirectory());
}

void Drives::refreshVolumes() {
    QList<Volume> result = m_source.volumes();
    const bool hasRoot = std::any_of(result.cbegin(), result.cend(), [](const Volume &volume) {
        return volume.root == rootDirectory;
    });
    if (!hasRoot)
        result.append(Volume{rootDirectory, QString(), true});
    std::sort(result.begin(), result.end(),
              [](const Volume &left, const Volume &right) { return left.root < right.root; });
    // A volume mounted twice at the same place shows once.
    result.erase(std::unique(result.begin(), result.end(),
                             [](const Volume &left, const Volume &right) {
                                 return left.root == right.root;
                             }),
                 result.end());
    m_volumes = std::move(result);
}

QString Drives::driveOf(const QString &path) const {
    QString best = rootDirectory;
    for (const Volume &volume : volumes()) {
        if (isUnder(path, volume.root) && volume.root.size() > best.size())
            best = volume.root;
    }
    return best;
}

QString Drives::currentDirectory() const {
    return QDir::currentPath();
}

SystemError Drives::changeDirectory(const QString &path) {
    if (::chdir(QFile::encodeName(path).constData()) != 0)
        return lastError();
    remember(currentDirectory());
    return {};
}

SystemError Drives::changeDrive(const QString &root) {
    const auto volume = std::find_if(m_volumes.cbegin(), m_volumes.cend(),
                                     [&root](const Volume &each) { return each.root == root; });
    if (volume == m_volumes.cend() || !volume->ready)
        return SystemError{ENOMEDIUM};

    const QString left = m_directories.value(root, root);
    if (left != root && changeDirectory(left).code == 0)
        return {};
    return changeDirectory(root);
}

void Drives::remember(const QString &directory) {
    if (!directory.isEmpty())
        m_directories.insert(driveOf(directory), directory);
}

} // namespace culler
