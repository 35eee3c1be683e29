#pragma once

// The directory list: the current directory's ancestors, each opened inside the one before, and
// its subdirectories below it. Activating an entry (double-click or Enter) makes it the list's
// path. Reads directories only, so it stays quick beside a hundred thousand files.

#include <QString>
#include <QTreeWidget>

namespace culler {

class DirectoryList final : public QTreeWidget {
    Q_OBJECT

public:
    explicit DirectoryList(QWidget *parent = nullptr);

    const QString &path() const { return m_path; }
    // Shows path; raises changed when it differs from the path shown before.
    void setPath(const QString &path);
    // The entry that stands for a directory, nullptr when none does.
    QTreeWidgetItem *itemOf(const QString &path) const;

Q_SIGNALS:
    void changed();

protected:
    // Every shown entry is open for good: no expand or collapse marks beside them.
    void drawBranches(QPainter *painter, const QRect &rect,
                      const QModelIndex &index) const override;

private:
    void activate(QTreeWidgetItem *item);
    void rebuild();

    QString m_path;
};

} // namespace culler
