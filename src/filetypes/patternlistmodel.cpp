#include "patternlistmodel.h"

#include <QLocale>
#include <algorithm>

namespace culler {

PatternListModel::PatternListModel(const QLocale &locale, QObject *parent)
    : QAbstractListModel(parent)
    , m_collator(locale) {
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

int PatternListModel::rowCount(const QModelIndex &parent) const {
    if (parent.isValid())
        return 0;
    return int(m_patterns.size());
}

QVariant PatternListModel::data(const QModelIndex &index, int role) const {
    // A combo box asks for its invalid current index while its list is empty: no entry, no fuss.
    if (!index.isValid())
        return {};
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return m_patterns.at(index.row());
}

int PatternListModel::add(const QString &pattern) {
    // The first entry that sorts after the new one: equal entries stay in front of it.
    const auto place = std::upper_bound(
        m_patterns.cbegin(), m_patterns.cend(), pattern,
        [this](const QString &a, const QString &b) { return m_collator.compare(a, b) < 0; });
    const int row = int(place - m_patterns.cbegin());
    beginInsertRows({}, row, row);
    m_patterns.insert(row, pattern);
    endInsertRows();
    return row;
}

void PatternListModel::addAll(const QStringList &patterns) {
    for (const QString &pattern : patterns)
        add(pattern);
}

const QStringList &PatternListModel::patterns() const {
    return m_patterns;
}

} // namespace culler
