// Preloaded into the program under test, this stands in for unlinkat so that a removal fails the
// way it does for a user without permission, root included: a name that begins with the value of
// CULLER_TEST_REFUSE is refused with EPERM, and a folder's of CULLER_TEST_UNREADABLE cannot be
// opened (EACCES). Every other call goes to the system as usual.

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" int unlinkat(int directory, const char *name, int flags) noexcept {
    const char *refused = std::getenv("CULLER_TEST_REFUSE");
    if (refused != nullptr && std::strncmp(name, refused, std::strlen(refused)) == 0) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_unlinkat, directory, name, flags));
}

extern "C" int openat(int directory, const char *name, int flags, ...) {
    const char *unreadable = std::getenv("CULLER_TEST_UNREADABLE");
    if (unreadable != nullptr && (flags & O_DIRECTORY) != 0 &&
        std::strncmp(name, unreadable, std::strlen(unreadable)) == 0) {
        errno = EACCES;
        return -1;
    }
    mode_t mode = 0;
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
        va_list rest;
        va_start(rest, flags);
        mode = va_arg(rest, mode_t);
        va_end(rest);
    }
    return static_cast<int>(::syscall(SYS_openat, directory, name, flags, mode));
}
