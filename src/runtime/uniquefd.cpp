#include "uniquefd.h"

#include <cerrno>
#include <unistd.h>

namespace culler {

SystemError UniqueFd::close() {
    if (m_fd < 0)
        return {};
    // Linux releases the descriptor even when close fails, EINTR included: never retry.
    if (::close(std::exchange(m_fd, -1)) != 0)
        return SystemError{errno};
    return {};
}

} // namespace culler
