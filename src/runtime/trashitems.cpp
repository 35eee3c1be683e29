#include "trashitems.h"

#include <QStorageInfo>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace culler {

namespace {

constexpr int directoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr char infoSuffix[] = ".trashinfo";
constexpr std::size_t infoSuffixLength = sizeof infoSuffix - 1;
constexpr qint64 longestInfoFile = 64 * 1024;

// The directory called name of parentFd, when it is one of the user's own and not a link.
UniqueFd ownDirectory(int parentFd, const char *name, uid_t user) {
    UniqueFd fd{::openat(parentFd, name, directoryFlags)};
    struct stat status {};
    if (!fd.isOpen() || ::fstat(fd.get(), &status) != 0 || status.st_uid != user)
        return UniqueFd();
    return fd;
}

// Which mount an open directory is on; 0 when it cannot be told.
quint64 mountOf(int fd) {
    struct statx status {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &status) != 0)
        return 0;
    if ((status.stx_mask & STATX_MNT_ID) == 0)
        return (quint64(status.stx_dev_major) << 32) | status.stx_dev_minor;
    return status.stx_mnt_id;
}

QByteArray child(const QByteArray &parent, const char *name) {
    return parent.endsWith('/') ? parent + name : parent + '/' + name;
}

// Adds the Trash at top, when it and its files/ and info/ are the user's own and it is not one
// already found (by device and inode).
void addTrash(UniqueFd top, QByteArray path, QByteArray mountTop, uid_t user,
              std::vector<OwnTrash> &trashes, std::vector<std::pair<dev_t, ino_t>> &seen) {
    struct stat status {};
    if (!top.isOpen() || ::fstat(top.get(), &status) != 0)
        return;
    for (const auto &[device, inode] : seen)
        if (device == status.st_dev && inode == status.st_ino)
            return;
    seen.emplace_back(status.st_dev, status.st_ino);
    UniqueFd files = ownDirectory(top.get(), "files", user);
    UniqueFd info = ownDirectory(top.get(), "info", user);
    if (!files.isOpen() || !info.isOpen())
        return;
    trashes.push_back(
        {std::move(top), std::move(files), std::move(info), std::move(path), std::move(mountTop)});
}

// The text of the regular file called name of dirFd, up to limit bytes.
Expected<QByteArray, SystemError> readSmallFile(int dirFd, const char *name, qint64 limit) {
    UniqueFd fd{::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    if (!fd.isOpen())
        return unexpected(SystemError{errno});
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return unexpected(SystemError{errno});
    if (!S_ISREG(status.st_mode) || status.st_size > limit)
        return unexpected(SystemError{EINVAL});
    QByteArray text(qsizetype(status.st_size), Qt::Uninitialized);
    qsizetype read = 0;
    while (read < text.size()) {
        const ssize_t got = ::read(fd.get(), text.data() + read, size_t(text.size() - read));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unexpected(SystemError{errno});
        if (got == 0)
            break;
        read += got;
    }
    text.truncate(read);
    return text;
}

// Removes the folder open as fd, called name in parentFd, and all it holds. Each level is opened
// relative to the one above it without following a link, and only on the mount given.
void removeFolder(int parentFd, const char *name, quint64 mount, SystemError &first) {
    const auto fail = [&first](int code) {
        if (!first)
            first = SystemError{code};
    };
    struct Level {
        DIR *listing;
        std::string name;
    };
    std::vector<Level> levels;
    const auto enter = [&](int fromFd, const char *entry) {
        UniqueFd fd{::openat(fromFd, entry, directoryFlags)};
        if (!fd.isOpen())
            return fail(errno);
        if (mountOf(fd.get()) != mount)
            return fail(EXDEV);
        DIR *listing = ::fdopendir(fd.get());
        if (listing == nullptr)
            return fail(errno);
        fd.release();
        levels.push_back({listing, entry});
    };
    enter(parentFd, name);
    while (!levels.empty()) {
        DIR *listing = levels.back().listing;
        const int fd = ::dirfd(listing);
        errno = 0;
        if (const dirent *entry = ::readdir(listing)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            struct stat status {};
            if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
                fail(errno);
            else if (S_ISDIR(status.st_mode))
                enter(fd, entry->d_name);
            else if (::unlinkat(fd, entry->d_name, 0) != 0)
                fail(errno);
            continue;
        }
        if (errno != 0)
            fail(errno);
        const std::string done = std::move(levels.back().name);
        ::closedir(listing);
        levels.pop_back();
        const int holderFd = levels.empty() ? parentFd : ::dirfd(levels.back().listing);
        if (::unlinkat(holderFd, done.c_str(), AT_REMOVEDIR) != 0)
            fail(errno);
    }
}

// The name as a directorysizes line writes it: percent-encoded, as in an info file's Path=.
QByteArray encodedName(const QByteArray &name) {
    return name.toPercentEncoding("-_.!~*'()");
}

} // namespace

std::vector<QByteArray> mountedTops() {
    std::vector<QByteArray> tops;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        tops.push_back(QFile::encodeName(volume.rootPath()));
    return tops;
}

std::vector<OwnTrash> ownTrashes(const TrashPlaces &places,
                                 const std::vector<QByteArray> &mountTops) {
    std::vector<OwnTrash> trashes;
    std::vector<std::pair<dev_t, ino_t>> seen;
    // The home Trash's own path is the user's, and followed as any path is.
    if (places.homeTrash.startsWith('/')) {
        UniqueFd home{::open(places.homeTrash.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        struct stat status {};
        if (home.isOpen() && ::fstat(home.get(), &status) == 0 && status.st_uid == places.user)
            addTrash(std::move(home), places.homeTrash, {}, places.user, trashes, seen);
    }
    const QByteArray uid = QByteArray::number(places.user);
    for (const QByteArray &top : mountTops) {
        UniqueFd topFd{::open(top.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        if (!topFd.isOpen())
            continue;
        UniqueFd shared{::openat(topFd.get(), ".Trash", directoryFlags)};
        struct stat status {};
        if (shared.isOpen() && ::fstat(shared.get(), &status) == 0 && (status.st_mode & S_ISVTX))
            addTrash(ownDirectory(shared.get(), uid.constData(), places.user),
                     child(child(top, ".Trash"), uid.constData()), top, places.user, trashes, seen);
        const QByteArray own = ".Trash-" + uid;
        addTrash(ownDirectory(topFd.get(), own.constData(), places.user),
                 child(top, own.constData()), top, places.user, trashes, seen);
    }
    return trashes;
}

SystemError forEachInfoFile(const OwnTrash &trash, const std::function<void(const char *)> &each) {
    UniqueFd fd{::openat(trash.info.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    DIR *listing = fd.isOpen() ? ::fdopendir(fd.get()) : nullptr;
    if (listing == nullptr)
        return SystemError{errno};
    fd.release();
    SystemError error;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(listing);
        if (entry == nullptr) {
            error = SystemError{errno};
            break;
        }
        const std::size_t length = std::strlen(entry->d_name);
        if (length <= infoSuffixLength ||
            std::strcmp(entry->d_name + length - infoSuffixLength, infoSuffix) != 0)
            continue;
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        each(entry->d_name);
    }
    ::closedir(listing);
    return error;
}

Expected<QByteArray, SystemError> readInfoFile(const OwnTrash &trash, const char *name) {
    return readSmallFile(trash.info.get(), name, longestInfoFile);
}

Expected<ItemKind, SystemError> itemKind(const OwnTrash &trash, const char *name) {
    struct stat status {};
    if (::fstatat(trash.files.get(), name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Expected<ItemKind, SystemError>(ItemKind::Missing)
                               : unexpected(SystemError{errno});
    return S_ISDIR(status.st_mode) ? ItemKind::Folder : ItemKind::Other;
}

SystemError removeItem(const OwnTrash &trash, const char *name) {
    const Expected<ItemKind, SystemError> kind = itemKind(trash, name);
    if (!kind)
        return kind.error();
    if (*kind == ItemKind::Missing)
        return SystemError{ENOENT};
    if (*kind == ItemKind::Other)
        return ::unlinkat(trash.files.get(), name, 0) == 0 ? SystemError{} : SystemError{errno};
    SystemError first;
    removeFolder(trash.files.get(), name, mountOf(trash.files.get()), first);
    return first;
}

SystemError removeInfoFile(const OwnTrash &trash, const char *name) {
    return ::unlinkat(trash.info.get(), name, 0) == 0 ? SystemError{} : SystemError{errno};
}

SystemError forgetFolderSizes(const OwnTrash &trash, const std::vector<QByteArray> &folders) {
    const Expected<QByteArray, SystemError> text =
        readSmallFile(trash.top.get(), "directorysizes", 16 * 1024 * 1024);
    if (!text)
        return text.error().code == ENOENT ? SystemError{} : text.error();
    QByteArray kept;
    bool dropped = false;
    for (const QByteArray &line : text->split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        bool forgotten = false;
        for (const QByteArray &folder : folders)
            forgotten = forgotten || (fields.size() == 3 && fields[2] == encodedName(folder));
        dropped = dropped || forgotten;
        if (!forgotten && !line.isEmpty())
            kept += line + '\n';
    }
    if (!dropped)
        return {};
    const QByteArray temporary = "directorysizes.culler-" + QByteArray::number(::getpid());
    UniqueFd fd{::openat(trash.top.get(), temporary.constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (!fd.isOpen())
        return SystemError{errno};
    SystemError error = fd.writeAll(kept);
    if (const SystemError closed = fd.close(); !error)
        error = closed;
    if (!error &&
        ::renameat(trash.top.get(), temporary.constData(), trash.top.get(), "directorysizes") != 0)
        error = SystemError{errno};
    if (error)
        ::unlinkat(trash.top.get(), temporary.constData(), 0);
    return error;
}

} // namespace culler
