#include "filetypes/patternlistmodel.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace culler;

class tst_PatternListModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void add_data();
    void add();
    void addAllSortsLikeAddingOneByOne_data();
    void addAllSortsLikeAddingOneByOne();
    void addAllKeepsEntriesAlreadyThere();
    void viewsSeeEachNewRow();
    void dataGivesThePatternForDisplayAndEdit();
};

void tst_PatternListModel::add_data() {
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("list");

    QTest::newRow("alphabetical") << QStringList{"*.tmp", "*.bak", "*.log"} << QList<int>{0, 0, 1}
                                  << QStringList{"*.bak", "*.log", "*.tmp"};
    QTest::newRow("case does not count")
        << QStringList{"b.txt", "A.txt", "c.txt", "B.TXT"} << QList<int>{0, 0, 2, 2}
        << QStringList{"A.txt", "b.txt", "B.TXT", "c.txt"};
    QTest::newRow("equal entries keep their order of arrival")
        << QStringList{"*.TMP", "*.tmp", "*.Tmp"} << QList<int>{0, 1, 2}
        << QStringList{"*.TMP", "*.tmp", "*.Tmp"};
    QTest::newRow("duplicates stay")
        << QStringList{"*.tmp", "*.bak", "*.tmp"} << QList<int>{0, 0, 2}
        << QStringList{"*.bak", "*.tmp", "*.tmp"};
    QTest::newRow("empty entries first and kept")
        << QStringList{"*.tmp", "", "*.tmp", ""} << QList<int>{0, 0, 2, 1}
        << QStringList{"", "", "*.tmp", "*.tmp"};
    QTest::newRow("accents sort with their letter")
        << QStringList{"faux", "\u00e9cole", "ezra"} << QList<int>{0, 0, 1}
        << QStringList{"\u00e9cole", "ezra", "faux"};
}

void tst_PatternListModel::add() {
    QFETCH(QStringList, added);
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, list);

    PatternListModel model(test::testLocale());
    QList<int> returned;
    for (const QString &pattern : added)
        returned.append(model.add(pattern));
    QCOMPARE(returned, rows);
    QCOMPARE(model.patterns(), list);
    QCOMPARE(model.rowCount(), list.size());
}

void tst_PatternListModel::addAllSortsLikeAddingOneByOne_data() {
    add_data();
}

void tst_PatternListModel::addAllSortsLikeAddingOneByOne() {
    QFETCH(QStringList, added);
    QFETCH(QStringList, list);

    // A whole list loaded in one go lands where adding its entries in turn would put them, into
    // an empty list and into one already holding entries equal to some of them.
    PatternListModel model(test::testLocale());
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.addAll(added);
    QCOMPARE(model.patterns(), list);
    QCOMPARE(inserted.count(), 1);

    PatternListModel oneByOne(test::testLocale());
    PatternListModel together(test::testLocale());
    for (PatternListModel *start : {&oneByOne, &together})
        start->add(added.first());
    for (const QString &pattern : added)
        oneByOne.add(pattern);
    together.addAll(added);
    QCOMPARE(together.patterns(), oneByOne.patterns());
}

void tst_PatternListModel::addAllKeepsEntriesAlreadyThere() {
    PatternListModel model(test::testLocale());
    model.add(QStringLiteral("*.log"));
    model.add(QStringLiteral("*.tmp"));
    model.addAll({QStringLiteral("*.zip"), QStringLiteral("*.tmp"), QStringLiteral("*.bak")});
    QCOMPARE(model.patterns(), (QStringList{"*.bak", "*.log", "*.tmp", "*.tmp", "*.zip"}));
}

void tst_PatternListModel::viewsSeeEachNewRow() {
    PatternListModel model(test::testLocale());
    model.addAll({QStringLiteral("*.bak"), QStringLiteral("*.zip")});
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    const int row = model.add(QStringLiteral("*.tmp"));

    QCOMPARE(row, 1);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 1);
}

void tst_PatternListModel::dataGivesThePatternForDisplayAndEdit() {
    PatternListModel model(test::testLocale());
    model.addAll({QStringLiteral("*.tmp"), QString()});
    const QModelIndex tmp = model.index(1);
    QCOMPARE(model.data(tmp, Qt::DisplayRole).toString(), QStringLiteral("*.tmp"));
    QCOMPARE(model.data(tmp, Qt::EditRole).toString(), QStringLiteral("*.tmp"));
    QVERIFY(!model.data(tmp, Qt::ToolTipRole).isValid());
    QCOMPARE(model.data(model.index(0)).toString(), QString());
    QCOMPARE(model.rowCount(tmp), 0);
}

QTEST_GUILESS_MAIN(tst_PatternListModel)
#include "tst_patternlistmodel.moc"
