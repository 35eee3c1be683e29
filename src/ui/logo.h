#pragma once

// The program's logo: an aged page behind a fresh one, with a clock over their corner, for files
// that have had their time. Painted when asked for, so there is no picture file to ship.

#include <QPalette>

class QPixmap;
class QSize;

namespace culler {

// The logo filling a pixmap of the given size; its proportions follow the size. It is drawn to
// stand on the palette's window colour, light or dark; the application's palette by default.
QPixmap paintLogo(QSize size, const QPalette &palette = QPalette());

} // namespace culler
