#pragma once

// The fonts the windows are drawn in: the named families where the system has them (Debian's
// Liberation fonts stand in for both with the same metrics), else a font of the same kind.

#include <QFont>

namespace culler {

// Arial, or the system's sans-serif font.
QFont sansFont(qreal points);
// Courier New, or the system's fixed-pitch font.
QFont fixedFont(qreal points);

} // namespace culler
