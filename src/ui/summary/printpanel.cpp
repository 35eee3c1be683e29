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

void PrintPanel::replaceLine(qsizetype index, const QString &text,
                             const QString &continuationIndent) {
    if (index < 0 || index >= m_lines.size())
        return;
    const QStringList lines = wrapped(text, continuationIndent);
    m_lines[index] = lines.first();
    for (qsizetype i = 1; i < lines.size(); ++i)
        m_lines.insert(index + i, lines.at(i));
    update();
}

QStringList PrintPanel::wrapped(const QString &text, const QString &continuationIndent) const {
    const QFontMetrics metrics = fontMetrics();
    const int width = printArea().width();
    QStringList lines;
    QString rest = text;
    while (metrics.horizontalAdvance(rest) > width) {
        // The last blank that leaves a line which fits; a word longer than the line stays whole.
        qsizetype cut = rest.lastIndexOf(QLatin1Char(' '));
        while (cut > 0 && metrics.horizontalAdvance(rest.left(cut)) > width)
            cut = rest.lastIndexOf(QLatin1Char(' '), cut - 1);
        const qsizetype start = lines.isEmpty() ? 0 : continuationIndent.size();
        if (cut <= start)
            break;
        lines << rest.left(cut);
        rest = continuationIndent + rest.mid(cut + 1);
    }
    lines << rest;
    return lines;
}

QRect PrintPanel::printArea() const {
    return contentsRect().adjusted(marginPixels, marginPixels, 0, 0);
}

void PrintPanel::clear() {
    m_lines.clear();
    m_current.clear();
    update();
}

void PrintPanel::paintEvent(QPaintEvent *event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = printArea();
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
