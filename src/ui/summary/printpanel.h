#pragma once

// A panel that prints text line by line at its own print position, like a sheet fed through a
// printer: text goes where the position is, and a finished line moves it to the start of the
// next. It keeps what it printed, so it draws the same again whenever it is uncovered.

#include <QFrame>
#include <QString>
#include <QStringList>

namespace culler {

class PrintPanel final : public QFrame {
    Q_OBJECT

public:
    enum class LineEnd {
        NewLine,    // the position moves to the start of the next line
        StayOnLine, // the position stays after the text
    };

    explicit PrintPanel(QWidget *parent = nullptr);

    void print(const QString &text, LineEnd end = LineEnd::NewLine);
    // Puts text in place of a finished line, index 0 being the top one. Text wider than the
    // panel is broken at blanks onto further lines, each starting with continuationIndent; the
    // lines below move down.
    void replaceLine(qsizetype index, const QString &text, const QString &continuationIndent);
    // Empties the panel and puts the print position back at the top.
    void clear();

    // The finished lines, top first.
    const QStringList &lines() const { return m_lines; }
    // What is printed on the line the print position is on.
    const QString &currentLine() const { return m_current; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList wrapped(const QString &text, const QString &continuationIndent) const;
    QRect printArea() const;

    QStringList m_lines;
    QString m_current;
};

} // namespace culler
