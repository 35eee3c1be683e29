#include "directory.h"

#include "trash.h"
#include "uniquefd.h"
#include "wildcard.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace culler {

struct Directory::Stream {
    explicit Stream(DIR *stream)
        : dir(stream) {}
    ~Stream() { ::closedir(dir); }
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;

    // The next entry of any kind whose name does not begin with ".", or nullptr at the end of
    // the listing or on an error, which goes into error.
    const dirent *nextVisibleEntry(SystemError &error) const {
        for (;;) {
            // readdir tells its end from an error only through errno, which a question about the
            // previous entry may have set meanwhile.
            errno = 0;
            const dirent *entry = ::readdir(dir);
            if (entry == nullptr) {
                if (errno != 0)
                    error.code = errno;
                return nullptr;
            }
            if (entry->d_name[0] != '.')
                return entry;
        }
    }

    // Whether the entry is a directory or a link to one; asks only about links and entries the
    // listing does not type.
    bool leadsToDirectory(const dirent &entry) const {
        if (entry.d_type == DT_DIR)
            return true;
        if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
            return false;
        struct stat status {};
        if (::fstatat(::dirfd(dir), entry.d_name, &status, 0) != 0)
            return false;
        return S_ISDIR(status.st_mode);
    }

    // Whether the entry is a directory itself, not a link to one.
    bool isDirectory(const dirent &entry) const {
        if (entry.d_type != DT_UNKNOWN)
            return entry.d_type == DT_DIR;
        struct stat status {};
        if (::fstatat(::dirfd(dir), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        return S_ISDIR(status.st_mode);
    }

    bool isPlainFile(const dirent &entry) const {
        if (entry.d_type != DT_UNKNOWN)
            return entry.d_type == DT_REG;
        // Some file systems do not say what an entry is in the listing: ask, without following.
        struct stat status {};
        if (::fstatat(::dirfd(dir), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        return S_ISREG(status.st_mode);
    }

    DIR *dir;
};

Directory::Directory(const QString &path)
    : Directory(QFile::encodeName(path)) {}

Directory::Directory(const QByteArray &path)
    : m_fd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    openStream();
}

Directory::Directory(const Directory &parent, const char *name) {
    if (!parent.m_fd.isOpen()) {
        m_error.code = EBADF;
        return;
    }
    m_fd = UniqueFd{
        ::openat(parent.m_fd.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    openStream();
}

void Directory::openStream() {
    if (!m_fd.isOpen()) {
        m_error.code = errno;
        return;
    }
    UniqueFd listing{::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0)};
    DIR *stream = listing.isOpen() ? ::fdopendir(listing.get()) : nullptr;
    if (stream == nullptr) {
        m_error.code = errno;
        m_fd = UniqueFd();
        return;
    }
    // The stream closes it from here on.
    listing.release();
    m_stream = std::make_unique<Stream>(stream);
}

Directory::~Directory() = default;

int Directory::streamFd() const {
    return m_fd.get();
}

void Directory::rewind() {
    if (m_stream != nullptr)
        ::rewinddir(m_stream->dir);
}

const char *Directory::nextPlainFile(const Wildcards &patterns) {
    if (m_stream == nullptr)
        return nullptr;
    while (const dirent *entry = m_stream->nextVisibleEntry(m_error)) {
        if (m_stream->isPlainFile(*entry) && patterns.matchesAny(entry->d_name))
            return entry->d_name;
    }
    return nullptr;
}

const char *Directory::nextSubdirectoryName() {
    if (m_stream == nullptr)
        return nullptr;
    while (const dirent *entry = m_stream->nextVisibleEntry(m_error)) {
        if (m_stream->leadsToDirectory(*entry))
            return entry->d_name;
    }
    return nullptr;
}

const char *Directory::nextFileOrDirectory(const Wildcards &patterns, EntryKind &kind) {
    if (m_stream == nullptr)
        return nullptr;
    while (const dirent *entry = m_stream->nextVisibleEntry(m_error)) {
        if (m_stream->isDirectory(*entry)) {
            kind = EntryKind::Directory;
            return entry->d_name;
        }
        if (m_stream->isPlainFile(*entry) && patterns.matchesAny(entry->d_name)) {
            kind = EntryKind::PlainFile;
            return entry->d_name;
        }
    }
    return nullptr;
}

void Directory::endListing() {
    m_stream.reset();
}

quint64 Directory::mountKey() const {
    struct statx status {};
    if (!m_fd.isOpen() || ::statx(m_fd.get(), "", AT_EMPTY_PATH, STATX_MNT_ID, &status) != 0)
        return 0;
    if ((status.stx_mask & STATX_MNT_ID) != 0)
        return status.stx_mnt_id;
    return (quint64(1) << 63) | makedev(status.stx_dev_major, status.stx_dev_minor);
}

Expected<mode_t, SystemError> Directory::permissions() const {
    struct stat status {};
    if (!m_fd.isOpen())
        return unexpected(SystemError{EBADF});
    if (::fstat(m_fd.get(), &status) != 0)
        return unexpected(SystemError{errno});
    return mode_t(status.st_mode & 07777);
}

SystemError Directory::removeEmptySubdirectory(const char *name) const {
    if (!m_fd.isOpen())
        return SystemError{EBADF};
    if (::unlinkat(streamFd(), name, AT_REMOVEDIR) != 0)
        return SystemError{errno};
    return {};
}

Expected<MountSpace, SystemError> Directory::space() const {
    if (!m_fd.isOpen())
        return unexpected(SystemError{EBADF});
    struct statvfs status {};
    if (::fstatvfs(m_fd.get(), &status) != 0)
        return unexpected(SystemError{errno});
    const auto unit = qint64(status.f_frsize);
    return MountSpace{qint64(status.f_bavail) * unit, qint64(status.f_blocks) * unit};
}

Expected<FileStamp, SystemError> Directory::stamp(const char *name) const {
    if (!m_fd.isOpen())
        return unexpected(SystemError{EBADF});
    struct stat status {};
    if (::fstatat(streamFd(), name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return unexpected(SystemError{errno});
    FileStamp result;
    result.isPlainFile = S_ISREG(status.st_mode);
    result.modified = dateValueOfStamp(status.st_mtim);
    result.size = status.st_size;
    result.allocated = qint64(status.st_blocks) * 512;
    result.identity = {status.st_dev, status.st_ino, status.st_mtim};
    return result;
}

Expected<Unlink, SystemError> Directory::removeIfUnchanged(const char *name,
                                                           const FileIdentity &identity) const {
    if (!m_fd.isOpen())
        return unexpected(SystemError{EBADF});
    const int fd = streamFd();
    struct stat status {};
    if (::fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return unexpected(SystemError{errno});
    if (!S_ISREG(status.st_mode) ||
        !(FileIdentity{status.st_dev, status.st_ino, status.st_mtim} == identity))
        return Unlink::Changed;
    // Without AT_REMOVEDIR, unlinkat refuses directories; a link is removed, never its target.
    if (::unlinkat(fd, name, 0) != 0)
        return unexpected(SystemError{errno});
    return Unlink::Removed;
}

Expected<Unlink, SystemError> Directory::removeJustStamped(const char *name) const {
    if (!m_fd.isOpen())
        return unexpected(SystemError{EBADF});
    if (::unlinkat(streamFd(), name, 0) == 0)
        return Unlink::Removed;
    // Without AT_REMOVEDIR the kernel refuses a directory, which is no file the user asked about.
    if (errno == EISDIR)
        return Unlink::Changed;
    return unexpected(SystemError{errno});
}

Expected<Trash, TrashProblem> Directory::openTrash(const TrashPlaces &places,
                                                   const Clock &clock) const {
    if (!m_fd.isOpen())
        return unexpected(TrashProblem{TrashRefusal::NoPath, {}, SystemError{EBADF}});
    return Trash::open(streamFd(), places, clock);
}

std::optional<TrashProblem> Directory::trashHolding(const TrashPlaces &places) const {
    if (!m_fd.isOpen())
        return std::nullopt;
    return culler::trashHolding(streamFd(), places);
}

Expected<TrashMoved, SystemError>
Directory::moveToTrashIfUnchanged(const char *name, const FileIdentity &judged, const Trash &trash,
                                  const QByteArray &subdirectory) const {
    if (!m_fd.isOpen())
        return unexpected(SystemError{EBADF});
    return trash.moveIfUnchanged(streamFd(), name, judged, subdirectory);
}

} // namespace culler
