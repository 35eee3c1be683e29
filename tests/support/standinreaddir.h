#pragma once

// readdir as the C library has it, unless a test puts a hook in its way, to make a listing fail
// or wait part way as a failing or slow disk does. Linking this replaces readdir for the whole
// test program, the sanitizers' own included, since a definition in the program comes first.

#include <dirent.h>
#include <functional>

namespace culler::test {

// Runs before each readdir call, on whichever thread lists; false makes that call fail, with errno
// as the hook set it. Set it while no listing runs; an empty hook lets every call through.
void setReaddirHook(std::function<bool()> hook);
// Sees each entry readdir returns before its caller does, to change the directory meanwhile.
void setReaddirWatch(std::function<void(const dirent &)> watch);

} // namespace culler::test
