#pragma once

// The program's ends that do not come through its window: SIGTERM, SIGHUP and SIGINT (a logout,
// a shutdown, a closed terminal, Ctrl+C) and the desktop session ending. Each closes the main
// window the way Exit does, so the pattern list is saved; a purge under way finishes its current
// file first, as it does for Exit. Nothing here touches the list itself.

namespace culler {

class frmMain;

// Installs the signal handlers and connects the application's end-of-session signals to
// closing the window. Call once, with the one main window, after the application exists.
void closeOnSessionEnd(frmMain &window);

} // namespace culler
