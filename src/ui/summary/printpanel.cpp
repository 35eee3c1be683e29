#include "printpanel.h"

#include <QPainter>

namespace culler {

namespace {

constexpr int marginPixels = 2;

} // namespace

PrintPanel::PrintPanel(QWidget *parent)
    : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void PrintPanel::print(const QString &text, LineEnd end) {
    m_current += text;
    if (end == LineEnd::NewLine) {
        m_lines.append(m_current);
        m_current.clear();
    }
    update();
}

void PrintPanel::replaceLine(qsizetype index, const QString &text) {
    if (index < 0 || index >= m_lines.size())
        return;
    m_lines[index] = text;
    update();
}

void PrintPanel::clear() {
    m_lines.clear();
    m_current.clear();
    update();
}

void PrintPanel::paintEvent(QPaintEvent *event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(marginPixels, marginPixels, 0, 0);
    painter.setClipRect(contentsRect());
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics = fontMetrics();
    int top = area.top();
    for (const QString &line : std::as_const(m_lines)) {
        painter.drawText(area.left(), top + metrics.ascent(), line);
        top += metrics.lineSpacing();
        // Lines below the panel's edge are kept but cannot be seen.
        if (top > area.bottom())
            return;
    }
    painter.drawText(area.left(), top + metrics.ascent(), m_current);
}

} // namespace culler
