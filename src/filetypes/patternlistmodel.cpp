#include "patternlistmodel.h"

#include <QLocale>
#include <algorithm>
#include <iterator>
#include <vector>

namespace culler {

PatternListModel::PatternListModel(QObject *parent)
    : PatternListModel(QLocale::system(), parent) {}

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
    struct Keyed {
        QCollatorSortKey key;
        QString pattern;
    };
    const auto keyed = [this](const QStringList &texts) {
        std::vector<Keyed> result;
        result.reserve(std::size_t(texts.size()));
        for (const QString &text : texts)
            result.push_back({m_collator.sortKey(text), text});
        return result;
    };
    const auto before = [](const Keyed &a, const Keyed &b) {
        return a.key.compare(b.key) < 0;
    };
    std::vector<Keyed> added = keyed(patterns);
    std::stable_sort(added.begin(), added.end(), before);
    const std::vector<Keyed> present = keyed(m_patterns);
    std::vector<Keyed> merged;
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
    for (Keyed &entry : merged)
        m_patterns.append(std::move(entry.pattern));
    if (wasEmpty)
        endInsertRows();
    else
        endResetModel();
}

const QStringList &PatternListModel::patterns() const {
    return m_patterns;
}

} // namespace culler
