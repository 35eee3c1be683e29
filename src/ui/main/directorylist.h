#pragma once

// The directory list: the current directory's ancestors, each opened inside the one before, and
// its subdirectories below it. Activating an entry (double-click or Enter) makes it the list's
// path. Reads directories only, so it stays quick beside a hundred thousand files. A directory
// it cannot read is never shown as if it were empty: the list stays where it was and says why.

#include "runtime/subdirectories.h"

#include <QString>
#include <QTreeWidget>
#include <functional>

namespace culler {

class DirectoryList final : public QTreeWidget {
    Q_OBJECT

public:
    explicit DirectoryList(QWidget *parent = nullptr);

    using Reader = std::function<Subdirectories(const QString &path)>;

    const QString &path() const { return m_path; }
    // Shows path, with no subdirectories when they cannot be read; raises changed when it
    // differs from the path shown before. For the start, when there is nowhere else to be.
    void setPath(const QString &path);
    // Shows path when its subdirectories can be read, as setPath does; otherwise changes
    // nothing and returns why.
    SystemError open(const QString &path);
    // Where the subdirectories come from; subdirectoriesOf unless a test says otherwise.
    void setReader(Reader reader) { m_reader = std::move(reader); }
    // The entry that stands for a directory, nullptr when none does.
    QTreeWidgetItem *itemOf(const QString &path) const;

Q_SIGNALS:
    void changed();
    // An entry was activated whose directory cannot be read; the list stayed where it was.
    void cannotOpen(const QString &path, SystemError error);

protected:
    // Every shown entry is open for good: no expand or collapse marks beside them.
    void drawBranches(QPainter *painter, const QRect &rect,
                      const QModelIndex &index) const override;

private:
    void activate(QTreeWidgetItem *item);
    void display(const QString &cleanedPath, const QStringList &names);

    QString m_path;
    Reader m_reader = subdirectoriesOf;
};

} // namespace culler
