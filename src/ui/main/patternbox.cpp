#include "patternbox.h"

#include <QAbstractItemView>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>

namespace culler {

PatternBox::PatternBox(const QString &purpose, QWidget *parent)
    : QComboBox(parent)
    , m_purpose(purpose) {
    setToolTip(m_purpose);
    connect(this, &QComboBox::editTextChanged, this, &PatternBox::showPatternInToolTip);
    connect(this, &QComboBox::currentTextChanged, this, &PatternBox::showPatternInToolTip);
}

void PatternBox::showPatternInToolTip(const QString &pattern) {
    // The first line never holds a tag, so Qt shows the whole tip as plain text and a pattern
    // such as "<b>*" reads as typed.
    setToolTip(pattern.isEmpty() ? m_purpose : m_purpose + QLatin1Char('\n') + pattern);
}

void PatternBox::showPopup() {
    // Measured on opening rather than on every addition, so loading a long list stays quick.
    QAbstractItemView *list = view();
    int widest = 0;
    for (int row = 0; row < count(); ++row)
        widest =
            std::max(widest, list->sizeHintForIndex(model()->index(row, modelColumn())).width());
    const int frame = 2 * list->frameWidth();
    const int scrollBar =
        count() > maxVisibleItems() ? list->verticalScrollBar()->sizeHint().width() : 0;
    const int screenWidth = screen()->availableGeometry().width();
    list->setMinimumWidth(std::min(widest + frame + scrollBar, screenWidth));
    QComboBox::showPopup();
}

} // namespace culler
