#include "standinreaddir.h"

#include <dirent.h>
#include <dlfcn.h>

namespace {

std::function<bool()> &readdirHook() {
    static std::function<bool()> hook;
    return hook;
}

std::function<void(const dirent &)> &readdirWatch() {
    static std::function<void(const dirent &)> watch;
    return watch;
}

} // namespace

void culler::test::setReaddirHook(std::function<bool()> hook) {
    readdirHook() = std::move(hook);
}

void culler::test::setReaddirWatch(std::function<void(const dirent &)> watch) {
    readdirWatch() = std::move(watch);
}

extern "C" dirent *readdir(DIR *stream) {
    using Readdir = dirent *(*)(DIR *);
    static const auto next = reinterpret_cast<Readdir>(::dlsym(RTLD_NEXT, "readdir"));
    const std::function<bool()> &hook = readdirHook();
    if (hook && !hook())
        return nullptr;
    dirent *entry = next(stream);
    if (entry != nullptr && readdirWatch())
        readdirWatch()(*entry);
    return entry;
}
