#include "filetypes/filetypesfile.h"
#include "filetypes/patternlistmodel.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace culler;
using test::readBytes;
using test::writeBytes;

namespace {

bool runningAsRoot() {
    return ::geteuid() == 0;
}

// Caps the size of any file this process writes, the one limit root is held to as well, so
// the write of a new list fails halfway whoever runs the test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

// A socket cannot be opened like a file, by root either, yet a rename would replace it: the one
// kind of unreadable list that only the refusal to save keeps in place.
bool makeSocket(const QString &path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (std::size_t(name.size()) >= sizeof address.sun_path) {
        ::close(fd);
        return false;
    }
    std::copy(name.cbegin(), name.cend(), address.sun_path);
    const bool bound =
        ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

const QByteArray twoPatterns("\"*.tmp\"\r\n\"*.bak\"\r\n");

} // namespace

class tst_FileTypesFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void saveWritesExactBytes_data();
    void saveWritesExactBytes();
    void saveReplacesTheOldList();
    void unsortedFileLoadsSortedAndSavesSorted();
    void loadingAddsToTheEntriesThere();
    void missingFileLoadsEmptyAndSaveCreatesIt();
    void unreadableFileIsReportedAndNeverOverwritten_data();
    void unreadableFileIsReportedAndNeverOverwritten();
    void saveBeforeLoadLeavesTheListAlone();
    void failedSaveLeavesTheOldListWhole();
    void failedSaveIsReported_data();
    void failedSaveIsReported();

private:
    QString listPath() const { return m_dir->filePath(QStringLiteral("filetypes.dat")); }
    QStringList filesInDir() const {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_FileTypesFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_FileTypesFile::saveWritesExactBytes_data() {
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("two patterns") << QStringList{"*.tmp", "*.bak"}
                                  << QByteArray::fromHex("222A2E746D70220D0A222A2E62616B220D0A");
    QTest::newRow("empty entry and duplicates")
        << QStringList{"", "*.tmp", "*.tmp"} << QByteArray("\"\"\r\n\"*.tmp\"\r\n\"*.tmp\"\r\n");
    QTest::newRow("empty list, empty file") << QStringList{} << QByteArray();
}

void tst_FileTypesFile::saveWritesExactBytes() {
    QFETCH(QStringList, patterns);
    QFETCH(QByteArray, bytes);

    FileTypesFile file(listPath());
    QCOMPARE(file.load().error, std::nullopt);
    QCOMPARE(file.save(patterns), std::nullopt);
    QCOMPARE(readBytes(listPath()), bytes);

    const FileTypesLoad loaded = FileTypesFile(listPath()).load();
    QCOMPARE(loaded.error, std::nullopt);
    QCOMPARE(loaded.patterns, patterns);
}

void tst_FileTypesFile::saveReplacesTheOldList() {
    writeBytes(listPath(), QByteArray("\"*.old\"\r\n").repeated(50));
    QVERIFY(QFile::setPermissions(listPath(), QFile::ReadOwner | QFile::WriteOwner));

    FileTypesFile file(listPath());
    QCOMPARE(file.load().patterns.size(), 50);
    QCOMPARE(file.save({QStringLiteral("*.tmp"), QStringLiteral("*.bak")}), std::nullopt);

    QCOMPARE(readBytes(listPath()), twoPatterns);
    // A private list stays private, and nothing is left behind beside it.
    const QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFile::permissions(listPath()) & everyone, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(filesInDir(), QStringList{"filetypes.dat"});
}

void tst_FileTypesFile::unsortedFileLoadsSortedAndSavesSorted() {
    writeBytes(listPath(), "\"*.zip\"\r\n\"*.BAK\"\r\n\"*.tmp\"\r\n\"*.bak\"\r\n\"\"\r\n");
    FileTypesFile file(listPath());
    PatternListModel model(test::testLocale());
    model.addAll(file.load().patterns);
    QCOMPARE(model.patterns(), (QStringList{"", "*.BAK", "*.bak", "*.tmp", "*.zip"}));

    QCOMPARE(file.save(model.patterns()), std::nullopt);
    QCOMPARE(readBytes(listPath()),
             QByteArray("\"\"\r\n\"*.BAK\"\r\n\"*.bak\"\r\n\"*.tmp\"\r\n\"*.zip\"\r\n"));
}

void tst_FileTypesFile::loadingAddsToTheEntriesThere() {
    writeBytes(listPath(), twoPatterns);
    PatternListModel model(test::testLocale());
    model.add(QStringLiteral("*.tmp"));
    model.add(QStringLiteral("*.log"));
    model.addAll(FileTypesFile(listPath()).load().patterns);
    QCOMPARE(model.patterns(), (QStringList{"*.bak", "*.log", "*.tmp", "*.tmp"}));
}

void tst_FileTypesFile::missingFileLoadsEmptyAndSaveCreatesIt() {
    FileTypesFile file(listPath());
    const FileTypesLoad loaded = file.load();
    QCOMPARE(loaded.error, std::nullopt);
    QVERIFY(loaded.patterns.isEmpty());
    QVERIFY(!QFile::exists(listPath()));

    QCOMPARE(file.save({QStringLiteral("*.tmp"), QStringLiteral("*.bak")}), std::nullopt);
    QCOMPARE(readBytes(listPath()), twoPatterns);
}

enum class Unreadable { Directory, Socket, NoPermission, Fifo, Device, TooLarge, NulBytes };

void tst_FileTypesFile::unreadableFileIsReportedAndNeverOverwritten_data() {
    QTest::addColumn<Unreadable>("kind");
    QTest::newRow("a directory in its place") << Unreadable::Directory;
    QTest::newRow("a socket in its place") << Unreadable::Socket;
    QTest::newRow("no read permission") << Unreadable::NoPermission;
    // Read as a file, a pipe with no writer waits for ever and a zero device never ends.
    QTest::newRow("a pipe in its place") << Unreadable::Fifo;
    QTest::newRow("a zero device in its place") << Unreadable::Device;
    QTest::newRow("larger than 4 MiB") << Unreadable::TooLarge;
    QTest::newRow("NUL bytes") << Unreadable::NulBytes;
}

void tst_FileTypesFile::unreadableFileIsReportedAndNeverOverwritten() {
    QFETCH(Unreadable, kind);
    switch (kind) {
    case Unreadable::Directory:
        QVERIFY(QDir().mkdir(listPath()));
        writeBytes(listPath() + QStringLiteral("/inside"), twoPatterns);
        break;
    case Unreadable::Socket:
        QVERIFY(makeSocket(listPath()));
        break;
    case Unreadable::NoPermission:
        if (runningAsRoot())
            QSKIP("root reads a file whatever its permissions");
        writeBytes(listPath(), twoPatterns);
        QVERIFY(QFile::setPermissions(listPath(), QFile::WriteOwner));
        break;
    case Unreadable::Fifo:
        QCOMPARE(::mkfifo(QFile::encodeName(listPath()).constData(), 0600), 0);
        break;
    case Unreadable::Device:
        // The test's own node, never the machine's: a list saved over it by mistake costs nothing.
        if (::mknod(QFile::encodeName(listPath()).constData(), S_IFCHR | 0600, makedev(1, 5)) != 0)
            QSKIP("no device node can be made here: only root may");
        break;
    case Unreadable::TooLarge:
        writeBytes(listPath(), twoPatterns.repeated(FileTypesFile::largestList / 16 + 1));
        break;
    case Unreadable::NulBytes:
        writeBytes(listPath(), twoPatterns + QByteArray(3, '\0'));
        break;
    }
    const QByteArray before = QFileInfo(listPath()).isFile() ? readBytes(listPath()) : QByteArray();

    FileTypesFile file(listPath());
    const FileTypesLoad loaded = file.load();
    QVERIFY(loaded.patterns.isEmpty());
    QVERIFY(loaded.error.has_value());
    QCOMPARE(loaded.error->title, QStringLiteral("Error!!"));
    QCOMPARE(loaded.error->style, MessageStyle::Critical);
    QVERIFY2(loaded.error->prompt.contains(listPath()), qPrintable(loaded.error->prompt));

    const std::optional<Message> refused = file.save({QStringLiteral("*.new")});
    QVERIFY(refused.has_value());
    QCOMPARE(refused->title, QStringLiteral("Error!!"));
    QVERIFY2(refused->prompt.contains(listPath()), qPrintable(refused->prompt));

    switch (kind) {
    case Unreadable::Directory:
        QVERIFY(QFileInfo(listPath()).isDir());
        QCOMPARE(readBytes(listPath() + QStringLiteral("/inside")), twoPatterns);
        break;
    case Unreadable::Socket:
        QVERIFY(!QFileInfo(listPath()).isFile());
        QVERIFY(QFileInfo::exists(listPath()));
        break;
    case Unreadable::NoPermission:
        QVERIFY(QFile::setPermissions(listPath(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(readBytes(listPath()), twoPatterns);
        break;
    case Unreadable::Fifo:
    case Unreadable::Device:
        QVERIFY(QFileInfo::exists(listPath()) && !QFileInfo(listPath()).isFile());
        break;
    case Unreadable::TooLarge:
    case Unreadable::NulBytes:
        QCOMPARE(readBytes(listPath()), before);
        break;
    }
    QCOMPARE(filesInDir(), QStringList{"filetypes.dat"});
}

void tst_FileTypesFile::saveBeforeLoadLeavesTheListAlone() {
    writeBytes(listPath(), twoPatterns);
    FileTypesFile file(listPath());
    // A window closed before its list was read holds no patterns, or only those added since.
    QCOMPARE(file.save({}), std::nullopt);
    QVERIFY(file.save({QStringLiteral("*.new")}).has_value());
    QCOMPARE(readBytes(listPath()), twoPatterns);
}

void tst_FileTypesFile::failedSaveLeavesTheOldListWhole() {
    writeBytes(listPath(), twoPatterns);
    FileTypesFile file(listPath());
    QCOMPARE(file.load().patterns.size(), 2);

    std::optional<Message> failed;
    {
        FileSizeLimit limit(8);
        failed = file.save(QStringList(100, QStringLiteral("*.longer-than-the-limit")));
    }

    QVERIFY(failed.has_value());
    QCOMPARE(failed->title, QStringLiteral("Error!!"));
    QCOMPARE(failed->style, MessageStyle::Critical);
    QVERIFY2(failed->prompt.contains(listPath()), qPrintable(failed->prompt));
    QCOMPARE(readBytes(listPath()), twoPatterns);
    QCOMPARE(filesInDir(), QStringList{"filetypes.dat"});
}

void tst_FileTypesFile::failedSaveIsReported_data() {
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<QString>("reason");

    QTest::newRow("directory missing") << "missing/filetypes.dat"
                                       << "No such file or directory";
    QTest::newRow("a directory in its place") << "filetypes.dat"
                                              << "";
    QTest::newRow("read-only directory") << "readonly/filetypes.dat"
                                         << "Permission denied";
}

void tst_FileTypesFile::failedSaveIsReported() {
    QFETCH(QString, relativePath);
    QFETCH(QString, reason);
    const QString path = m_dir->filePath(relativePath);
    const QString parent = QFileInfo(path).path();

    if (QTest::currentDataTag() == QByteArray("a directory in its place"))
        QVERIFY(QDir().mkdir(path));
    if (QTest::currentDataTag() == QByteArray("read-only directory")) {
        if (runningAsRoot())
            QSKIP("root writes into a directory whatever its permissions");
        QVERIFY(QDir().mkdir(parent));
        writeBytes(path, twoPatterns);
        QVERIFY(QFile::setPermissions(parent, QFile::ReadOwner | QFile::ExeOwner));
    }

    FileTypesFile file(path);
    file.load();
    const std::optional<Message> failed = file.save({QStringLiteral("*.tmp")});
    QFile::setPermissions(parent, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(failed.has_value());
    QCOMPARE(failed->title, QStringLiteral("Error!!"));
    QVERIFY2(failed->prompt.contains(path), qPrintable(failed->prompt));
    QVERIFY2(failed->prompt.contains(reason), qPrintable(failed->prompt));
    if (QFileInfo(parent).isDir() && QFileInfo(path).isFile())
        QCOMPARE(readBytes(path), twoPatterns);
    if (QTest::currentDataTag() == QByteArray("a directory in its place"))
        QVERIFY(QFileInfo(path).isDir());
}

QTEST_GUILESS_MAIN(tst_FileTypesFile)
#include "tst_filetypesfile.moc"
