#pragma once

// The file-type box's list of patterns, kept sorted as entries arrive: case-insensitive and in
// the order of a locale, a new entry after any equal ones. Qt Core only; no widgets, no files.

#include <QAbstractListModel>
#include <QCollator>
#include <QStringList>

class QLocale;

namespace culler {

class PatternListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Collates in the given locale: the program passes its calendar's, tests a fixed one.
    explicit PatternListModel(const QLocale &locale, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    // The pattern for the display and edit roles.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Puts the pattern in its sorted place, after any equal entries, and returns its row. Empty
    // texts and duplicates are kept like any other entry.
    int add(const QString &pattern);
    // Adds the patterns as if each were added in turn, in one go as loading a list needs; entries
    // already there stay.
    void addAll(const QStringList &patterns);

    // In list order, which is the sorted order.
    const QStringList &patterns() const;

private:
    QCollator m_collator;
    QStringList m_patterns;
};

} // namespace culler
