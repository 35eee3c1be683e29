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
    QTest::addColumn<DailyPurge>("purge");
    QTest::addColumn<QByteArray>("arguments"); // what follows the program on ExecStart=
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("name"); // as every version has named it

    QTest::newRow("plain") << DailyPurge{.directory = "/home/me/tmp",
                                         .patterns = {"*.tmp"},
                                         .days = "20",
                                         .notify = true}
                           << QByteArray("--directory /home/me/tmp --pattern *.tmp --days 20 "
                                         "--notify")
                           << "Every day, delete the files of type *.tmp in /home/me/tmp that are "
                              "20 days old or older."
                           << "culler-079070ef5c7e";
    QTest::newRow("space, percent, quote, not UTF-8")
        << DailyPurge{.directory = "/tmp/50% \"off\" caf\xe9",
                      .patterns = {"*.tmp"},
                      .days = "1",
                      .removal = RemovalKind::Trash,
                      .notify = true}
        << QByteArray("--directory \"/tmp/50%% \\\"off\\\" caf\\xe9\" --pattern *.tmp --days 1 "
                      "--trash --notify")
        << "Every day, move the files of type *.tmp in /tmp/50% \"off\" caf\\xe9 that are 1 day "
           "old or older to the Trash."
        << "culler-aa5e22f981d0";
    QTest::newRow("variables, backslash, separator")
        << DailyPurge{.directory = "/tmp/$HOME\\${x}", .patterns = {";"}, .days = "0.5"}
        << QByteArray("--directory \"/tmp/$$HOME\\\\$${x}\" --pattern \";\" --days 0.5")
        << "Every day, delete the files of type ; in /tmp/$HOME\\${x} that are 0.5 days old or "
           "older."
        << "culler-b7b93fdfa930";
    QTest::newRow("UTF-8 as it stands, control bytes escaped")
        << DailyPurge{.directory = "/tmp/caf\xc3\xa9", .patterns = {"a\nb 'c'"}, .days = "30"}
        << QByteArray("--directory \"/tmp/caf\xc3\xa9\" --pattern \"a\\x0ab 'c'\" --days 30")
        << "Every day, delete the files of type a\\x0ab 'c' in /tmp/caf\u00e9 that are 30 days "
           "old or older."
        << "culler-b3fe2e23454b";
    QTest::newRow("down the tree, emptied folders removed")
        << DailyPurge{.directory = "/var/log/app",
                      .patterns = {"*.log", "*.gz"},
                      .days = "90",
                      .subfolders = Subfolders::Included,
                      .maxDepth = 2,
                      .emptiedFolders = EmptiedFolders::Removed}
        << QByteArray("--directory /var/log/app --pattern *.log --pattern *.gz --days 90 "
                      "--recursive --max-depth 2 --remove-empty-dirs")
        << "Every day, delete the files of type *.log or *.gz in /var/log/app and its subfolders, "
           "2 levels down at most, that are 90 days old or older, and remove the subfolders it "
           "empties."
        << "culler-05ebfb640796";
    QTest::newRow("exclusions and the newest kept, to the Trash")
        << DailyPurge{.directory = "/srv/backup",
                      .patterns = {"*.tar"},
                      .exclusions = {"keep-*", "*.lock"},
                      .keepNewest = 3,
                      .days = "7",
                      .removal = RemovalKind::Trash}
        << QByteArray("--directory /srv/backup --pattern *.tar --exclude keep-* --exclude *.lock "
                      "--keep-newest 3 --days 7 --trash")
        << "Every day, move the files of type *.tar in /srv/backup that are 7 days old or older to "
           "the Trash, but keep those of type keep-* or *.lock and the 3 newest."
        << "culler-0ebb9c64c359";
}

void tst_DailyPurge::unitsRunTheRequest() {
    QFETCH(DailyPurge, purge);
    QFETCH(QByteArray, arguments);
    QFETCH(QString, words);
    QFETCH(QString, name);
    // systemd checks that the program exists: this test's own will do.
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray service = serviceText(program, purge);

    QVERIFY2(service.contains("\nExecStart=" + program + ' ' + arguments + '\n'), service);
    QCOMPARE(dailyPurgeText(purge), words);
    QCOMPARE(dailyPurgeOfService(service), purge);
    QCOMPARE(execStartArguments(program + ' ' + arguments), dailyPurgeCommand(program, purge));

    QTemporaryDir units;
    QCOMPARE(unitName(purge.directory, purge.patterns), name);
    QCOMPARE(unitName(purge.directory, {purge.patterns.rbegin(), purge.patterns.rend()}), name);
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
