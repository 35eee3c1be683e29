#pragma once

// The program's logo: an aged page behind a fresh one, with a clock over their corner, for files
// that have had their time. Painted when asked for, so there is no picture file to ship.

class QPixmap;
class QSize;

namespace culler {

// The logo filling a pixmap of the given size; its proportions follow the size.
QPixmap paintLogo(QSize size);

} // namespace culler
