#include "schedule/dailypurge.h"
#include "schedule/unitcommandline.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace culler;

using Arguments = QList<QByteArray>;

class tst_DailyPurge : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unitsRunTheRequest_data();
    void unitsRunTheRequest();
    void handWrittenLines_data();
    void handWrittenLines();
};

void tst_DailyPurge::unitsRunTheRequest_data() {
    QTest::addColumn<QByteArray>("directory");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<double>("days");
    QTest::addColumn<bool>("trash");
    QTest::addColumn<QByteArray>("arguments"); // what follows the program on ExecStart=
    QTest::addColumn<QString>("words");

    QTest::newRow("plain") << QByteArray("/home/me/tmp") << QByteArray("*.tmp") << 20.0 << false
                           << QByteArray("--directory /home/me/tmp --pattern *.tmp --days 20 "
                                         "--notify")
                           << "Every day, delete the files of type *.tmp in /home/me/tmp that are "
                              "20 days old or older.";
    QTest::newRow("space, percent, quote, not UTF-8")
        << QByteArray("/tmp/50% \"off\" caf\xe9") << QByteArray("*.tmp") << 1.0 << true
        << QByteArray("--directory \"/tmp/50%% \\\"off\\\" caf\\xe9\" --pattern *.tmp --days 1 "
                      "--trash --notify")
        << "Every day, move the files of type *.tmp in /tmp/50% \"off\" caf\\xe9 that are 1 day "
           "old or older to the Trash.";
    QTest::newRow("variables, backslash, separator")
        << QByteArray("/tmp/$HOME\\${x}") << QByteArray(";") << 0.5 << false
        << QByteArray("--directory \"/tmp/$$HOME\\\\$${x}\" --pattern \";\" --days 0.5 --notify")
        << "Every day, delete the files of type ; in /tmp/$HOME\\${x} that are 0.5 days old or "
           "older.";
    QTest::newRow("UTF-8 as it stands, control bytes escaped")
        << QByteArray("/tmp/caf\xc3\xa9") << QByteArray("a\nb 'c'") << 30.0 << false
        << QByteArray("--directory \"/tmp/caf\xc3\xa9\" --pattern \"a\\x0ab 'c'\" --days 30 "
                      "--notify")
        << "Every day, delete the files of type a\\x0ab 'c' in /tmp/caf\u00e9 that are 30 days "
           "old or older.";
}

void tst_DailyPurge::unitsRunTheRequest() {
    QFETCH(QByteArray, directory);
    QFETCH(QByteArray, pattern);
    QFETCH(double, days);
    QFETCH(bool, trash);
    QFETCH(QByteArray, arguments);
    QFETCH(QString, words);
    const DailyPurge purge{directory, pattern, days,
                           trash ? RemovalKind::Trash : RemovalKind::Delete};
    // systemd checks that the program exists: this test's own will do.
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray service = serviceText(program, purge);

    QVERIFY2(service.contains("\nExecStart=" + program + ' ' + arguments + '\n'), service);
    QCOMPARE(dailyPurgeText(purge), words);
    QCOMPARE(dailyPurgeOfService(service), purge);
    QCOMPARE(execStartArguments(program + ' ' + arguments), dailyPurgeCommand(program, purge));

    QTemporaryDir units;
    const QString name = unitName(directory, pattern);
    for (const auto &[suffix, text] :
         {std::pair{".service", service}, {".timer", timerText(purge)}}) {
        QFile file(units.filePath(name + QLatin1String(suffix)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    }
    const std::optional<QByteArray> complaints =
        test::verifyUserUnits(units.path(), {name + ".service", name + ".timer"});
    if (!complaints)
        QSKIP("systemd-analyze is not installed: the units are not verified.");
    QVERIFY2(complaints->isEmpty(), complaints->constData());
}

void tst_DailyPurge::handWrittenLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<std::optional<Arguments>>("arguments");

    QTest::newRow("single quotes, escapes")
        << QByteArray("/usr/bin/culler  --directory '/a b' \"\\x41\\101\\s\" x\"y z\"")
        << std::optional(Arguments{"/usr/bin/culler", "--directory", "/a b", "AA ", "xy z"});
    for (const char *line : {"/usr/bin/culler ; /bin/rm", "/usr/bin/culler --directory %h/tmp",
                             "/usr/bin/culler $HOME", "/usr/bin/culler \"/tmp", "-/usr/bin/culler"})
        QTest::newRow(line) << QByteArray(line) << std::optional<Arguments>();
}

void tst_DailyPurge::handWrittenLines() {
    QFETCH(QByteArray, line);
    QFETCH(std::optional<Arguments>, arguments);
    QCOMPARE(execStartArguments(line), arguments);
}

QTEST_GUILESS_MAIN(tst_DailyPurge)
#include "tst_dailypurge.moc"
