#include "ui/main/directorylist.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace culler;

class tst_DirectoryList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void showsAncestorsAndSubdirectories();
    void activatingAnEntryMovesThere_data();
    void activatingAnEntryMovesThere();
    void samePathRaisesNoChange();
    void unreadableDirectoryShowsItsAncestors();

private:
    QStringList entriesBelowCurrent() const;
    QTreeWidgetItem *entry(const QString &relative) const;

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_root;
    std::unique_ptr<DirectoryList> m_list;
};

void tst_DirectoryList::init() {
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    m_root = QDir(m_temp->path()).canonicalPath();
    const QDir root(m_root);
    for (const char *sub : {"top/Beta", "top/alpha/inner", "top/.hidden", "top/gamma"})
        QVERIFY(root.mkpath(QLatin1String(sub)));
    QFile file(root.filePath(QStringLiteral("top/file.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(root.filePath(QStringLiteral("top/gamma")),
                        root.filePath(QStringLiteral("top/linked"))));
    m_list = std::make_unique<DirectoryList>();
    m_list->resize(200, 300);
}

QStringList tst_DirectoryList::entriesBelowCurrent() const {
    QStringList names;
    const QTreeWidgetItem *current = m_list->currentItem();
    for (int row = 0; current != nullptr && row < current->childCount(); ++row)
        names << current->child(row)->text(0);
    return names;
}

QTreeWidgetItem *tst_DirectoryList::entry(const QString &relative) const {
    return m_list->itemOf(m_root + QLatin1Char('/') + relative);
}

void tst_DirectoryList::showsAncestorsAndSubdirectories() {
    m_list->setPath(m_root + QStringLiteral("/top"));

    // Every ancestor holds the next one, from the root down to the current directory.
    QTreeWidgetItem *item = m_list->topLevelItem(0);
    QCOMPARE(m_list->topLevelItemCount(), 1);
    QCOMPARE(item->text(0), QStringLiteral("/"));
    const QStringList parts = (m_root + QStringLiteral("/top")).split(u'/', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        QVERIFY(item->isExpanded());
        item = item->child(item->childCount() == 1 ? 0 : -1);
        QVERIFY(item != nullptr);
        QCOMPARE(item->text(0), part);
    }
    QCOMPARE(item, m_list->currentItem());
    // Directories and links to them, in alphabetical order without regard to case; no files
    // and no hidden directories.
    QCOMPARE(entriesBelowCurrent(), (QStringList{"alpha", "Beta", "gamma", "linked"}));
}

void tst_DirectoryList::activatingAnEntryMovesThere_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("byKeyboard");

    QTest::newRow("double-click a subdirectory") << "top"
                                                 << "top/alpha" << false;
    QTest::newRow("double-click an ancestor") << "top/alpha/inner"
                                              << "top" << false;
    QTest::newRow("Enter on a subdirectory") << "top"
                                             << "top/Beta" << true;
    QTest::newRow("Enter on the root") << "top"
                                       << "" << true;
}

void tst_DirectoryList::activatingAnEntryMovesThere() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, byKeyboard);
    m_list->setPath(m_root + QLatin1Char('/') + from);
    m_list->show();
    QVERIFY(QTest::qWaitForWindowActive(m_list.get()));
    QSignalSpy changed(m_list.get(), &DirectoryList::changed);

    const QString target = to.isEmpty() ? QStringLiteral("/") : m_root + QLatin1Char('/') + to;
    QTreeWidgetItem *item = m_list->itemOf(target);
    QVERIFY(item != nullptr);
    if (byKeyboard) {
        m_list->setCurrentItem(item);
        QTest::keyClick(m_list.get(), Qt::Key_Return);
    } else {
        m_list->scrollToItem(item);
        // A double-click arrives as a click followed by a second press that is the double-click.
        const QPoint at = m_list->visualItemRect(item).center();
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(changed.count(), 0);
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, at);
    }

    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_list->path(), target);
    QCOMPARE(m_list->currentItem(), m_list->itemOf(target));
}

void tst_DirectoryList::samePathRaisesNoChange() {
    m_list->setPath(m_root + QStringLiteral("/top"));
    QSignalSpy changed(m_list.get(), &DirectoryList::changed);
    m_list->setPath(m_root + QStringLiteral("/top/"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_list->path(), m_root + QStringLiteral("/top"));
}

void tst_DirectoryList::unreadableDirectoryShowsItsAncestors() {
    m_list->setPath(m_root + QStringLiteral("/top/missing"));
    QCOMPARE(m_list->currentItem()->text(0), QStringLiteral("missing"));
    QVERIFY(entriesBelowCurrent().isEmpty());
    QVERIFY(entry(QStringLiteral("top")) != nullptr);
}

QTEST_MAIN(tst_DirectoryList)
#include "tst_directorylist.moc"
