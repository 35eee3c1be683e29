#include "ui/logo.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QSize>
#include <cmath>
#include <numbers>

namespace culler {

namespace {

// The drawing is laid out on a canvas of this size and scaled to the pixmap.
constexpr qreal canvasWidth = 120;
constexpr qreal canvasHeight = 160;

const QColor ink(0x2f, 0x3e, 0x4e);
const QColor textLine(0xa9, 0xb4, 0xc0);
const QColor agedPaper(0xee, 0xdf, 0xb8);
const QColor agedInk(0x9a, 0x85, 0x58);
const QColor agedLine(0xd2, 0xbf, 0x92);
const QColor clockRim(0xc8, 0x6a, 0x1e);

// On a dark window the sheets' edges turn light, so their outline stays visible, and their paper
// turns down a little, so it does not glare; the clock keeps its face.
struct SheetColours {
    QColor paper;
    QColor edge;
    QColor lines;
};

bool isDark(const QPalette &palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

SheetColours newSheet(const QPalette &palette) {
    if (!isDark(palette))
        return {Qt::white, ink, textLine};
    return {QColor(0xdc, 0xe1, 0xe6), palette.color(QPalette::WindowText), textLine.darker(115)};
}

SheetColours agedSheet(const QPalette &palette) {
    if (!isDark(palette))
        return {agedPaper, agedInk, agedLine};
    return {agedPaper.darker(125), agedPaper, agedLine.darker(125)};
}

// A sheet with its top right corner folded over, as file icons draw a document.
QPainterPath sheet(const QRectF &box, qreal fold) {
    QPainterPath path;
    path.moveTo(box.topLeft());
    path.lineTo(box.right() - fold, box.top());
    path.lineTo(box.right(), box.top() + fold);
    path.lineTo(box.bottomRight());
    path.lineTo(box.bottomLeft());
    path.closeSubpath();
    return path;
}

void paintSheet(QPainter &painter, const QRectF &box, const SheetColours &colours) {
    const QColor &paper = colours.paper;
    const QColor &lines = colours.lines;
    constexpr qreal fold = 15;
    painter.setPen(QPen(colours.edge, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(paper);
    painter.drawPath(sheet(box, fold));

    QPainterPath corner;
    corner.moveTo(box.right() - fold, box.top());
    corner.lineTo(box.right() - fold, box.top() + fold);
    corner.lineTo(box.right(), box.top() + fold);
    painter.setBrush(paper.darker(112));
    painter.drawPath(corner);

    // Lines of text, the last one short as a paragraph ends.
    painter.setPen(QPen(lines, 3.2, Qt::SolidLine, Qt::RoundCap));
    const qreal left = box.left() + 9;
    const qreal right = box.right() - 9;
    qreal y = box.top() + fold + 10;
    for (int line = 0; line < 6 && y < box.bottom() - 8; ++line, y += 9) {
        const qreal end = line == 5 ? left + (right - left) * 0.55 : right;
        painter.drawLine(QPointF(left, y), QPointF(end, y));
    }
}

QPointF onCircle(const QPointF &centre, qreal radius, qreal clockHours) {
    const qreal angle = clockHours / 12.0 * 2.0 * std::numbers::pi;
    return {centre.x() + radius * std::sin(angle), centre.y() - radius * std::cos(angle)};
}

void paintClock(QPainter &painter, const QPointF &centre, qreal radius) {
    painter.setPen(QPen(clockRim, 5.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, radius, radius);

    painter.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
    for (int hour = 0; hour < 12; hour += 3)
        painter.drawLine(onCircle(centre, radius - 5, hour), onCircle(centre, radius - 10, hour));

    // Ten to two: the hands open upwards like a face that is still friendly.
    painter.setPen(QPen(ink, 4.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, onCircle(centre, radius * 0.52, 1.8));
    painter.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, onCircle(centre, radius * 0.74, 10.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(clockRim);
    painter.drawEllipse(centre, 3.2, 3.2);
}

} // namespace

QPixmap paintLogo(QSize size, const QPalette &palette) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    if (size.isEmpty())
        return pixmap;

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / canvasWidth, size.height() / canvasHeight);

    // The older page leans behind the newer one.
    painter.save();
    painter.translate(46, 62);
    painter.rotate(-9);
    painter.translate(-46, -62);
    paintSheet(painter, QRectF(12, 16, 64, 86), agedSheet(palette));
    painter.restore();

    paintSheet(painter, QRectF(30, 28, 66, 90), newSheet(palette));
    paintClock(painter, QPointF(82, 120), 27);
    return pixmap;
}

} // namespace culler
