#pragma once

// An open file descriptor with one owner, closed when it goes. The only place a descriptor is
// closed: code that opens one wraps it here at once, so no return path can leak it or close it
// twice.

#include "systemerror.h"

#include <QByteArray>

#include <utility>

namespace culler {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd) {}
    UniqueFd(UniqueFd &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { (void)close(); }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Gives the descriptor up to an owner outside this program's types (a DIR stream, a QFile),
    // which closes it.
    int release() { return std::exchange(m_fd, -1); }
    // Writes all of bytes, however many calls it takes; why it could not.
    SystemError writeAll(const QByteArray &bytes) const;
    // Closes now, telling why it failed: for a file just written, a failed close can mean its
    // last bytes never reached the disk (NFS, a full quota).
    SystemError close();

private:
    int m_fd = -1;
};

} // namespace culler
