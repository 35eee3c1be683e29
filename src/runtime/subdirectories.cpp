#include "subdirectories.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace culler {

namespace {

bool isDirectory(int directory, const dirent &entry) {
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    // A link counts when it leads to a directory; an unknown type has to be asked for.
    struct stat status {};
    if (::fstatat(directory, entry.d_name, &status, 0) != 0)
        return false;
    return S_ISDIR(status.st_mode);
}

} // namespace

Subdirectories subdirectoriesOf(const QString &path) {
    Subdirectories result;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        result.error.code = errno;
        return result;
    }
    DIR *stream = ::fdopendir(fd);
    if (stream == nullptr) {
        result.error.code = errno;
        ::close(fd);
        return result;
    }
    for (;;) {
        // Cleared before every read: a failed question about one entry is not a failed listing.
        errno = 0;
        const dirent *entry = ::readdir(stream);
        if (entry == nullptr) {
            result.error.code = errno;
            break;
        }
        if (entry->d_name[0] != '.' && isDirectory(fd, *entry))
            result.names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(stream);
    return result;
}

} // namespace culler
