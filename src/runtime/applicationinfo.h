#pragma once

// The program's title and version as the build declares them, for the windows and the command line
// that show them and for the application object. Nothing here reads the running system.

#include <QString>

namespace culler {

// "Culler".
QString applicationTitle();

// Major, minor and revision numbers joined by dots, e.g. "1.0.2".
QString applicationVersion();

} // namespace culler
