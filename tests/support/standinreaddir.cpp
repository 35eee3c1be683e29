#include "standinreaddir.h"

#include <dirent.h>
#include <dlfcn.h>

namespace {

std::function<bool()> &readdirHook() {
    static std::function<bool()> hook;
    return hook;
}

} // namespace

void culler::test::setReaddirHook(std::function<bool()> hook) {
    readdirHook() = std::move(hook);
}

extern "C" dirent *readdir(DIR *stream) {
    using Readdir = dirent *(*)(DIR *);
    static const auto next = reinterpret_cast<Readdir>(::dlsym(RTLD_NEXT, "readdir"));
    const std::function<bool()> &hook = readdirHook();
    if (hook && !hook())
        return nullptr;
    return next(stream);
}
