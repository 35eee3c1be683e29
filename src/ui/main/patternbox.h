#pragma once

// The file-type box: an editable drop-down of patterns that keeps the small size the window gives
// it. A pattern longer than the box can still be read: its list opens as wide as the longest
// entry (never wider than the screen), and the tool tip shows the whole of the current pattern
// below what the box is for.

#include <QComboBox>

namespace culler {

class PatternBox final : public QComboBox {
    Q_OBJECT

public:
    // purpose is the tool tip's first line, shown alone while the box is empty.
    explicit PatternBox(const QString &purpose, QWidget *parent = nullptr);

    void showPopup() override;

private:
    void showPatternInToolTip(const QString &pattern);

    QString m_purpose;
};

} // namespace culler
