#include "uniquefd.h"

#include <cerrno>
#include <unistd.h>

namespace culler {

SystemError UniqueFd::writeAll(const QByteArray &bytes) const {
    const char *next = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(m_fd, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        // A write that takes nothing would never end: the disk is full.
        if (written <= 0)
            return SystemError{written == 0 ? ENOSPC : errno};
        next += written;
        left -= static_cast<size_t>(written);
    }
    return {};
}

SystemError UniqueFd::close() {
    if (m_fd < 0)
        return {};
    // Linux releases the descriptor even when close fails, EINTR included: never retry.
    if (::close(std::exchange(m_fd, -1)) != 0)
        return SystemError{errno};
    return {};
}

} // namespace culler
