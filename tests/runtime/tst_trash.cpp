#include "runtime/directory.h"
#include "runtime/trash.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace culler;

namespace {

enum class Where { Home, Mount };

// Names whose bytes Path= must keep, as it spells them, and the name each takes in a Trash that
// already holds "taken" twice: once as an info file alone, once as a file alone.
struct Name {
    QByteArray name, encoded, inTrash;
};
const QByteArray acute = "\xc3\xa9"; // é
const QByteArray notUtf8 = "caf\xe9";
const QList<Name> names = {
    {"plain.log", "plain.log", "plain.log"},
    {"50% off (2)", "50%25%20off%20(2)", "50% off (2)"},
    {"line\nbreak", "line%0Abreak", "line\nbreak"},
    {notUtf8, "caf%E9", notUtf8},
    {"taken", "taken", "taken.3"},
    // 250 bytes, cut so that NAME.trashinfo fits in 255, and not inside a character.
    {acute.repeated(125), QByteArray("%C3%A9").repeated(125), acute.repeated(122)},
};

QByteArray contentOf(const QByteArray &path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    QByteArray bytes(4096, '\0');
    const ssize_t length = fd < 0 ? -1 : ::read(fd, bytes.data(), 4096);
    ::close(fd);
    return length < 0 ? QByteArray("(none)") : bytes.left(length);
}

void makeFile(const QByteArray &path, const QByteArray &content, timespec modified) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const timespec times[] = {modified, modified};
    QCOMPARE(::write(fd, content.constData(), size_t(content.size())), content.size());
    QCOMPARE(::futimens(fd, times), 0);
    ::close(fd);
}

// Runs the script in the directory: what it printed, or "(failed)".
QByteArray shell(const QByteArray &directory, const QString &script) {
    QProcess process;
    process.start("sh", {"-c", "cd \"$0\" && " + script, directory});
    const bool ran = process.waitForFinished(60000) && process.exitCode() == 0;
    return ran ? process.readAllStandardOutput() : "(failed)";
}

} // namespace

class tst_Trash : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_base, m_home;
    QString m_mountSkip; // empty once the mounts are made
    TrashPlaces m_places;
    test::FixedClock m_clock{test::exampleNow()};

private Q_SLOTS:
    // A home of the test's own, where trash-cli finds its Trash too, and where the system lets
    // the test make one, a second mount.
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_base = QFile::encodeName(QFileInfo(m_dir->path()).canonicalFilePath());
        m_home = m_base + "/home";
        m_places = {m_home + "/.local/share/Trash", ::geteuid()};
        qputenv("HOME", m_home);
        qunsetenv("XDG_DATA_HOME");
        QVERIFY(::mkdir(m_home, 0755) == 0 && ::mkdir(m_base + "/mnt", 0755) == 0);
        const bool mounted = ::mount("tmpfs", m_base + "/mnt", "tmpfs", 0, nullptr) == 0;
        m_mountSkip = mounted ? QString() : "mounting a tmpfs is not allowed: " + qt_error_string();
    }

    void cleanup() {
        ::umount2(m_base + "/mnt", MNT_DETACH);
        // QDir cannot name, nor so remove, a file whose name is not UTF-8.
        QProcess::execute("rm", {"-rf", m_base});
        m_dir.reset();
    }

    void filesGoToTheTrashOfTheirMount_data() {
        QTest::addColumn<Where>("where");
        QTest::addColumn<QString>("setup"); // run at the top of the mount, or in the home
        QTest::addColumn<QString>("trash"); // or the place the refusal names
        QTest::addColumn<TrashRefusal>("refusal");
        QTest::addColumn<int>("error"); // 0: the Trash opens

        const QString own = ".Trash-" + QString::number(::geteuid());
        const auto none = TrashRefusal::CannotMake;
        QTest::newRow("home, on a fresh account")
            << Where::Home << QString() << QString(".local/share/Trash") << none << 0;
        QTest::newRow("mount with a shared sticky .Trash") << Where::Mount << "mkdir -m 1777 .Trash"
                                                           << ".Trash/" + own.mid(7) << none << 0;
        QTest::newRow("mount whose .Trash is not sticky")
            << Where::Mount << "mkdir -m 777 .Trash" << own << none << 0;
        QTest::newRow("mount whose .Trash links to a sticky one")
            << Where::Mount << "mkdir -m 1777 .x && ln -s .x .Trash" << own << none << 0;
        QTest::newRow("refused: read-only mount")
            << Where::Mount << "mount -o remount,ro ." << own << TrashRefusal::CannotMake << EROFS;
        QTest::newRow("refused: read-only mount with a Trash")
            << Where::Mount
            << "mkdir -p " + own + "/files " + own + "/info && mount -o remount,ro ."
            << own + "/files" << TrashRefusal::ReadOnly << EROFS;
        QTest::newRow("refused: ~/.local/share is a file")
            << Where::Home << "mkdir .local && touch .local/share" << QString(".local/share")
            << TrashRefusal::CannotMake << ENOTDIR;
        QTest::newRow("refused: mount's Trash is a link")
            << Where::Mount << "mkdir -m 1777 .x && ln -s .x " + own << own << TrashRefusal::Unsafe
            << ELOOP;
        QTest::newRow("refused: mount's Trash, bound where the files are")
            << Where::Mount
            << "mkdir -p " + own + "/files && mount --bind " + own + "/files 'my files'" << own
            << TrashRefusal::InsideTrash << 0;
        QTest::newRow("refused: mount's Trash is another user's")
            << Where::Mount << "mkdir " + own + " && chown 4321 " + own << own
            << TrashRefusal::Unsafe << EPERM;
    }

    void filesGoToTheTrashOfTheirMount() {
        QFETCH(Where, where);
        QFETCH(QString, setup);
        QFETCH(QString, trash);
        QFETCH(TrashRefusal, refusal);
        QFETCH(int, error);
        if (where != Where::Home && !m_mountSkip.isEmpty())
            QSKIP(qPrintable(m_mountSkip));
        const QByteArray root = where == Where::Home ? m_home : m_base + "/mnt";
        const QByteArray directoryPath = makeNames(root);
        QVERIFY(setup.isEmpty() || shell(root, setup).isEmpty());

        Directory directory(QFile::decodeName(directoryPath));
        const auto opened = directory.openTrash(m_places, m_clock);
        const QByteArray trashPath = root + "/" + trash.toUtf8();
        if (!opened) {
            QCOMPARE(opened.error().place, trashPath);
            QCOMPARE(opened.error().refusal, refusal);
            QCOMPARE(opened.error().error.code, error);
            return;
        }
        QCOMPARE(error, 0);
        struct stat status {};
        for (const char *part : {"", "/files", "/info"}) { // no one else reads what is in them
            QVERIFY(::lstat(trashPath + part, &status) == 0);
            QCOMPARE(status.st_mode & 07777, 0700u);
        }
        QCOMPARE(shell(trashPath, "touch info/taken.trashinfo files/taken.2"), "");
        // Path= is absolute in the home Trash, and relative to the mount's top in a mount's.
        moveNames(directory, *opened, trashPath,
                  (where == Where::Home ? QUrl::toPercentEncoding(root, "/") + "/" : "") +
                      "my%20files/");
    }

    void desktopListsAndRestoresWhatWent_data() {
        QTest::addColumn<Where>("where");
        QTest::newRow("home") << Where::Home;
        QTest::newRow("mount") << Where::Mount;
    }

    // The desktop's own tools list what went to the Trash and restore it byte for byte and stamp
    // for stamp.
    void desktopListsAndRestoresWhatWent() {
        QFETCH(Where, where);
        if (QStandardPaths::findExecutable("trash-list").isEmpty())
            QSKIP("trash-cli is not installed (make deps): the desktop's own view is unchecked");
        if (where != Where::Home && !m_mountSkip.isEmpty())
            QSKIP(qPrintable(m_mountSkip));
        const QByteArray root = where == Where::Home ? m_home : m_base + "/mnt";
        const QByteArray directoryPath = makeNames(root);
        Directory directory(QFile::decodeName(directoryPath));
        const auto opened = directory.openTrash(m_places, m_clock);
        QVERIFY(opened);
        for (const Name &name : names)
            QVERIFY(directory.moveToTrashIfUnchanged(
                name.name, directory.stamp(name.name)->identity, *opened));

        // trash-cli 0.17 decodes Path= as UTF-8, and would restore this name as "caf\uFFFD".
        const QByteArray trashPath = opened->topPath();
        QCOMPARE(::unlink(trashPath + "/info/" + notUtf8 + ".trashinfo"), 0);
        QCOMPARE(::unlink(trashPath + "/files/" + notUtf8), 0);
        // trash-list reads every mount's Trash: only the lines of the test's own files count.
        const QByteArray listed = shell(root, "trash-list");
        QCOMPARE(listed.count(directoryPath + "/"), names.size() - 1);
        for (const Name &name : names)
            QVERIFY(name.name == notUtf8 || listed.contains("1999-12-06 10:15:00 " + directoryPath +
                                                            "/" + name.name + "\n"));
        // trash-restore asks which of the files trashed from its directory to restore: the first.
        QVERIFY(shell(directoryPath, "for i in 1 2 3 4 5 6; do echo 0 | trash-restore; done; "
                                     "echo 0 | trash-restore")
                    .contains("No files trashed from current dir"));
        for (qsizetype i = 0; i < names.size(); ++i) {
            struct stat status {};
            const QByteArray path = directoryPath + "/" + names[i].name;
            QVERIFY(names[i].name == notUtf8 || ::lstat(path, &status) == 0);
            QVERIFY(names[i].name == notUtf8 ||
                    (contentOf(path) == names[i].name && status.st_mtim.tv_sec == 900000000 + i &&
                     status.st_mtim.tv_nsec == 123456789));
        }
    }

private:
    // "my files" under root, holding every name with a stamp of its own.
    static QByteArray makeNames(const QByteArray &root) {
        const QByteArray directoryPath = root + "/my files";
        if (::mkdir(directoryPath, 0755) != 0)
            return "(not made)";
        for (qsizetype i = 0; i < names.size(); ++i)
            makeFile(directoryPath + "/" + names[i].name, names[i].name,
                     {900000000 + i, 123456789});
        return directoryPath;
    }

    // Moves every name into the Trash, and checks each file and its info file there.
    void moveNames(const Directory &directory, const Trash &trash, const QByteArray &trashPath,
                   const QByteArray &encodedDirectory) {
        for (const Name &name : names) {
            const FileIdentity judged = directory.stamp(name.name)->identity;
            QCOMPARE(directory.moveToTrashIfUnchanged(name.name, judged, trash)->result,
                     TrashMove::Moved);
            QCOMPARE(contentOf(trashPath + "/files/" + name.inTrash), name.name);
            QCOMPARE(contentOf(trashPath + "/info/" + name.inTrash + ".trashinfo"),
                     "[Trash Info]\nPath=" + encodedDirectory + name.encoded +
                         "\nDeletionDate=1999-12-06T10:15:00\n");
        }
    }
};

QTEST_GUILESS_MAIN(tst_Trash)
#include "tst_trash.moc"
