#include "runtime/sequentialfile.h"

#include <QTest>

using namespace culler;

class tst_SequentialFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writeRecords_data();
    void writeRecords();
    void readFields_data();
    void readFields();
    void roundTrip_data();
    void roundTrip();
};

void tst_SequentialFile::writeRecords_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("two patterns") << QStringList{"*.tmp", "*.bak"}
                                  << QByteArray::fromHex("222A2E746D7022"
                                                         "0D0A"
                                                         "222A2E62616B22"
                                                         "0D0A");
    QTest::newRow("empty text and duplicates")
        << QStringList{"", "*.tmp", "*.tmp"} << QByteArray("\"\"\r\n\"*.tmp\"\r\n\"*.tmp\"\r\n");
    QTest::newRow("no texts, no bytes") << QStringList{} << QByteArray();
    QTest::newRow("quote written unchanged") << QStringList{"a\"b"} << QByteArray("\"a\"b\"\r\n");
    QTest::newRow("comma and blanks kept") << QStringList{" a, b "} << QByteArray("\" a, b \"\r\n");
    QTest::newRow("UTF-8") << QStringList{"r\u00e9sum\u00e9.*"}
                           << QByteArray("\"r\xc3\xa9sum\xc3\xa9.*\"\r\n");
}

void tst_SequentialFile::writeRecords() {
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, bytes);
    QCOMPARE(culler::writeRecords(texts), bytes);
}

void tst_SequentialFile::readFields_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("as written") << QByteArray("\"*.tmp\"\r\n\"*.bak\"\r\n")
                                << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("empty quoted field")
        << QByteArray("\"\"\r\n\"*.tmp\"\r\n") << QStringList{"", "*.tmp"};
    QTest::newRow("unquoted, comma between")
        << QByteArray("*.tmp,*.bak\r\n") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("quoted, comma between")
        << QByteArray("\"*.tmp\",\"*.bak\"\r\n") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("comma inside quotes") << QByteArray("\"a,b\"\r\n") << QStringList{"a,b"};
    QTest::newRow("LF only") << QByteArray("\"*.tmp\"\n*.bak\n") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("CR only") << QByteArray("\"*.tmp\"\r*.bak\r") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("no final line end, quoted")
        << QByteArray("\"*.tmp\"\r\n\"*.bak\"") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("no final line end, unquoted")
        << QByteArray("*.tmp\r\n*.bak") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("blank lines give nothing")
        << QByteArray("\r\n\"*.tmp\"\r\n\r\n  \t \n\n*.bak\r\n\r\n")
        << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("blanks around unquoted fields")
        << QByteArray("  *.tmp \t,\t*.bak  \r\n") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("blanks inside an unquoted field")
        << QByteArray(" my file.* \r\n") << QStringList{"my file.*"};
    QTest::newRow("blanks inside quotes kept")
        << QByteArray("\"  *.tmp \"\r\n") << QStringList{"  *.tmp "};
    QTest::newRow("blanks around quotes dropped")
        << QByteArray("  \"*.tmp\"  ,  \"*.bak\" \r\n") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("trailing comma gives an empty field")
        << QByteArray("*.tmp,\r\n*.bak\r\n") << QStringList{"*.tmp", "", "*.bak"};
    QTest::newRow("comma alone gives two empty fields")
        << QByteArray(",\r\n") << QStringList{"", ""};
    QTest::newRow("unbalanced quote stops at the line end")
        << QByteArray("\"*.tmp\r\n\"*.bak\"\r\n") << QStringList{"*.tmp", "*.bak"};
    QTest::newRow("unbalanced quote at the end of the file")
        << QByteArray("\"*.tmp") << QStringList{"*.tmp"};
    QTest::newRow("lone quote") << QByteArray("\"") << QStringList{""};
    QTest::newRow("unbalanced quote keeps a comma")
        << QByteArray("\"a,b\r\n") << QStringList{"a,b"};
    QTest::newRow("quote inside a quoted field")
        << QByteArray("\"a\"b\"\r\n") << QStringList{"a\"b"};
    QTest::newRow("quote then blank inside")
        << QByteArray("\"say \"hi\" now\"\r\n") << QStringList{"say \"hi\" now"};
    QTest::newRow("quote then comma closes the field")
        << QByteArray("\"a\",b\"\r\n") << QStringList{"a", "b\""};
    QTest::newRow("quote inside an unquoted field")
        << QByteArray("a\"b\r\n") << QStringList{"a\"b"};
    QTest::newRow("UTF-8") << QByteArray("\"r\xc3\xa9sum\xc3\xa9.*\"\r\n")
                           << QStringList{"r\u00e9sum\u00e9.*"};
    QTest::newRow("UTF-8 byte order mark skipped")
        << QByteArray("\xef\xbb\xbf\"*.tmp\"\r\n") << QStringList{"*.tmp"};
    QTest::newRow("byte order mark inside a field kept")
        << QByteArray("\"\xef\xbb\xbf*.tmp\",\xef\xbb\xbf*.bak\r\n")
        << QStringList{QStringLiteral("\ufeff*.tmp"), QStringLiteral("\ufeff*.bak")};
    QTest::newRow("single-byte code page read as Latin-1")
        << QByteArray("\"caf\xe9.*\"\r\n\"*.tmp\"\r\n") << QStringList{"caf\u00e9.*", "*.tmp"};
}

void tst_SequentialFile::readFields() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    QCOMPARE(culler::readFields(bytes), fields);
}

void tst_SequentialFile::roundTrip_data() {
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("comma inside") << QStringList{"a,b", "*.tmp"};
    QTest::newRow("empty texts and duplicates") << QStringList{"", "", "*.tmp", "*.tmp"};
    QTest::newRow("blanks at both ends") << QStringList{" *.tmp", "*.bak\t"};
    QTest::newRow("quotes inside") << QStringList{"a\"b", "\"quoted\"", "say \"hi\"", "\""};
    QTest::newRow("non-ASCII") << QStringList{"r\u00e9sum\u00e9.*", "\u6587\u66f8.txt"};
    // A literal char string would lose the character already when it becomes a QString.
    QTest::newRow("zero-width no-break space first")
        << QStringList{QStringLiteral("\ufeff*.tmp"), QStringLiteral("\ufeff")};
}

void tst_SequentialFile::roundTrip() {
    QFETCH(QStringList, texts);
    QCOMPARE(culler::readFields(culler::writeRecords(texts)), texts);
}

QTEST_GUILESS_MAIN(tst_SequentialFile)
#include "tst_sequentialfile.moc"
