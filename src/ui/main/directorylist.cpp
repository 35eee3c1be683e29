#include "directorylist.h"

#include "runtime/subdirectories.h"

#include <QCollator>
#include <QDir>
#include <QHeaderView>
#include <QStyle>
#include <algorithm>

namespace culler {

namespace {

constexpr int pathRole = Qt::UserRole;
constexpr int indentPixels = 8;

QTreeWidgetItem *entry(const QString &name, const QString &path, const QIcon &icon) {
    auto *item = new QTreeWidgetItem(QStringList{name});
    item->setData(0, pathRole, path);
    item->setIcon(0, icon);
    item->setToolTip(0, path);
    return item;
}

QTreeWidgetItem *findUnder(QTreeWidgetItem *item, const QString &path) {
    if (item == nullptr || item->data(0, pathRole).toString() == path)
        return item;
    for (int row = 0; row < item->childCount(); ++row) {
        if (QTreeWidgetItem *found = findUnder(item->child(row), path))
            return found;
    }
    return nullptr;
}

QString cleanedPath(const QString &path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

QString childPath(const QString &parent, const QString &name) {
    if (parent.endsWith(QLatin1Char('/')))
        return parent + name;
    return parent + QLatin1Char('/') + name;
}

} // namespace

DirectoryList::DirectoryList(QWidget *parent)
    : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setIndentation(indentPixels);
    setIconSize({12, 12});
    connect(this, &QTreeWidget::itemActivated, this, &DirectoryList::activate);
}

void DirectoryList::setPath(const QString &path) {
    const QString cleaned = cleanedPath(path);
    display(cleaned, m_reader(cleaned).names);
}

SystemError DirectoryList::open(const QString &path) {
    const QString cleaned = cleanedPath(path);
    const Subdirectories read = m_reader(cleaned);
    if (read.error)
        return read.error;
    display(cleaned, read.names);
    return {};
}

void DirectoryList::drawBranches(QPainter *, const QRect &, const QModelIndex &) const {}

QTreeWidgetItem *DirectoryList::itemOf(const QString &path) const {
    return findUnder(topLevelItem(0), path);
}

void DirectoryList::activate(QTreeWidgetItem *item) {
    if (item == nullptr)
        return;
    const QString path = item->data(0, pathRole).toString();
    if (const SystemError error = open(path)) {
        // The highlight goes back to the directory still shown.
        setCurrentItem(itemOf(m_path));
        Q_EMIT cannotOpen(path, error);
    }
}

void DirectoryList::display(const QString &cleanedPath, const QStringList &subdirectories) {
    const bool differs = cleanedPath != m_path;
    m_path = cleanedPath;
    clear();
    const QIcon opened = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QTreeWidgetItem *current = entry(QStringLiteral("/"), QStringLiteral("/"), opened);
    addTopLevelItem(current);
    QString walked = QStringLiteral("/");
    const QStringList parts = m_path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        walked = childPath(walked, part);
        auto *next = entry(part, walked, opened);
        current->addChild(next);
        current = next;
    }

    QStringList names = subdirectories;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    QList<QTreeWidgetItem *> children;
    children.reserve(names.size());
    for (const QString &name : std::as_const(names))
        children.append(entry(name, childPath(m_path, name), closed));
    current->addChildren(children);

    expandAll();
    setCurrentItem(current);
    scrollToItem(current);
    if (differs)
        Q_EMIT changed();
}

} // namespace culler
