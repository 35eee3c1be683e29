#pragma once

// The purge run from a terminal, a script or a timer: the same request, checks, decisions and
// messages as the window, read from the arguments instead of the controls. It creates a
// QCoreApplication and never a window, so it needs no display; it neither reads nor writes the
// window's pattern list.

namespace culler {

// Runs the command the arguments give and returns the process's exit status: 0 the run finished,
// 1 it finished but some files could not be deleted or examined, 2 nothing was done. Must be
// called before any other Qt application object exists.
int runCommandLine(int &argc, char **argv);

} // namespace culler
