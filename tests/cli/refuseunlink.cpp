// Preloaded into the program under test, this stands in for unlinkat so that a removal fails the
// way it does for a user without permission, root included: a name that begins with the value of
// CULLER_TEST_REFUSE is refused with EPERM. Every other call goes to the system as usual.

#include <cerrno>
#include <cstdlib>
#include <cstring>
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
