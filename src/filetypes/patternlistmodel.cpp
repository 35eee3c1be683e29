#include "patternlistmodel.h"

#include <QLocale>
#include <algorithm>
#include <iterator>
#include <numeric>
#include <vector>

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
    if (patterns.isEmpty())
        return;
    // One sort and one merge, each text's sort key made once: a sorted insert per entry is
    // quadratic and makes a list of a few hundred thousand patterns load for minutes. Stable
    // sorting and a merge that takes entries already there first keep each new entry after any
    // equal ones, as add() does.
    // Entries already there first, then the new ones; the sorting moves indices, not texts.
    const QStringList all = m_patterns + patterns;
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(all.size()));
    for (const QString &text : all)
        keys.push_back(m_collator.sortKey(text));
    const auto before = [&keys](qsizetype a, qsizetype b) {
        return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0;
    };
    std::vector<qsizetype> present(std::size_t(m_patterns.size()));
    std::iota(present.begin(), present.end(), qsizetype(0));
    std::vector<qsizetype> added(std::size_t(patterns.size()));
    std::iota(added.begin(), added.end(), m_patterns.size());
    std::stable_sort(added.begin(), added.end(), before);
    std::vector<qsizetype> merged;
    merged.reserve(present.size() + added.size());
    std::merge(present.begin(), present.end(), added.begin(), added.end(),
               std::back_inserter(merged), before);

    // Into an empty list, as at start, the rows are inserted in one go; otherwise they interleave
    // with those there and the list is laid out afresh.
    const bool wasEmpty = m_patterns.isEmpty();
    if (wasEmpty)
        beginInsertRows({}, 0, int(merged.size()) - 1);
    else
        beginResetModel();
    m_patterns.clear();
    m_patterns.reserve(qsizetype(merged.size()));
    for (const qsizetype index : merged)
        m_patterns.append(all[index]);
    if (wasEmpty)
        endInsertRows();
    else
        endResetModel();
}

const QStringList &PatternListModel::patterns() const {
    return m_patterns;
}

} // namespace culler
