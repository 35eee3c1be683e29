#pragma once

// One desktop notification through org.freedesktop.Notifications on the session bus. A run from a
// timer has nobody watching its terminal; this is how the user hears of it. Where there is no
// session bus or no notification server the call returns at once and says nothing: the run it
// reports on must not depend on it, nor wait for it.

#include <QString>

namespace culler {

// Shows summary, and body below it, as Culler's; waits for the server at most two seconds.
void notifyDesktop(const QString &summary, const QString &body);

} // namespace culler
