#pragma once

// Window geometry is laid out in twips, fifteen to a pixel at 96 dots per inch; Qt scales the
// pixels on screens with more dots.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace culler {

inline constexpr int twipsPerPixel = 15;

constexpr int pixelsOf(int twips) {
    return twips / twipsPerPixel;
}

inline QPoint twipsPoint(int left, int top) {
    return {pixelsOf(left), pixelsOf(top)};
}

inline QSize twipsSize(int width, int height) {
    return {pixelsOf(width), pixelsOf(height)};
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return {twipsPoint(left, top), twipsSize(width, height)};
}

} // namespace culler
