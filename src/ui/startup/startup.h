#pragma once

// What the splash does when it gives way: show the main window, and only then fill its
// pattern list from filetypes.dat, so the window is up before the file is read.

#include <functional>

namespace culler {

class frmMain;

std::function<void()> bringUpMainWindow(frmMain &window);

} // namespace culler
