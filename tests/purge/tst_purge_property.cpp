#include "purge/purge.h"
#include "purge/putback.h"
#include "purge/readrequest.h"
#include "runtime/calendar.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <climits>
#include <cmath>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace culler;

// Many random directories, each purged once, each checked against a rule simple enough to be
// plainly right: the candidates are the regular files directly in the chosen directory (not
// links, not in a subdirectory), or in a tree in any directory reached from it through real
// directories that are not hidden, excluded or mount points, no deeper than asked, whose names do
// not begin with ".", match one of the patterns and none of the exclusions; sorted newest first
// (the later path first on equal times), the first N stay when the newest N are kept, and of the
// others a file goes when its modification day is on or before the cut-off day. Everything else,
// inside the chosen directory and outside it, must keep its content, its link target and its
// time; a Trash holds each file gone under its own path, and a listing run removes nothing.

namespace {

// The rounds start from a fixed value so that a failure repeats; CULLER_PURGE_PROPERTY_START
// replaces it to explore further.
constexpr quint32 defaultStartValue = 19991206;
constexpr int rounds = 150;

// The days a round may take for today: an ordinary one, and days on which clocks change in the
// zones the tests run in (New York, Lord Howe), so that cut-offs and files fall on them.
const QList<QDate> todays = {QDate(1999, 12, 6), QDate(1999, 10, 31), QDate(2000, 4, 2),
                             QDate(2000, 3, 26), QDate(2000, 10, 29), QDate(2000, 8, 27)};

// The reference matcher: "*" any run of characters, "?" exactly one, anything else itself. It
// works on whole Unicode characters, which is what the file system's UTF-8 bytes spell.
bool referenceMatches(const QList<uint> &pattern, qsizetype p, const QList<uint> &name,
                      qsizetype n) {
    if (p == pattern.size())
        return n == name.size();
    if (pattern[p] == '*')
        return referenceMatches(pattern, p + 1, name, n) ||
               (n < name.size() && referenceMatches(pattern, p, name, n + 1));
    if (n == name.size())
        return false;
    return (pattern[p] == '?' || pattern[p] == name[n]) &&
           referenceMatches(pattern, p + 1, name, n + 1);
}

bool referenceMatches(const QString &pattern, const QString &name) {
    return referenceMatches(pattern.toUcs4(), 0, name.toUcs4(), 0);
}

// One entry of the tree as lstat sees it: never through a link.
struct EntryState {
    mode_t type = 0;
    mode_t permissions = 0;
    QByteArray content;
    QByteArray linkTarget;
    qint64 seconds = 0;
    long nanoseconds = 0;

    bool operator==(const EntryState &) const = default;
};

using Snapshot = QMap<QByteArray, EntryState>;

void takeSnapshot(const QByteArray &root, const QByteArray &relative, Snapshot &snapshot) {
    const QByteArray directory = relative.isEmpty() ? root : root + '/' + relative;
    DIR *stream = ::opendir(directory.constData());
    QVERIFY2(stream != nullptr, directory.constData());
    while (const dirent *entry = ::readdir(stream)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray full = root + '/' + path;
        struct stat status {};
        QVERIFY(::lstat(full.constData(), &status) == 0);
        EntryState state;
        state.type = status.st_mode & S_IFMT;
        state.permissions = status.st_mode & 07777;
        state.seconds = status.st_mtim.tv_sec;
        state.nanoseconds = status.st_mtim.tv_nsec;
        if (S_ISREG(status.st_mode)) {
            // By its bytes: QFile cannot open a name that is not UTF-8.
            const int fd = ::open(full.constData(), O_RDONLY | O_CLOEXEC);
            QVERIFY2(fd >= 0, full.constData());
            char buffer[256];
            for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
                state.content.append(buffer, got);
            ::close(fd);
        } else if (S_ISLNK(status.st_mode)) {
            char target[PATH_MAX];
            const ssize_t length = ::readlink(full.constData(), target, sizeof target);
            QVERIFY(length >= 0);
            state.linkTarget = QByteArray(target, length);
        }
        snapshot.insert(path, state);
        if (S_ISDIR(status.st_mode))
            takeSnapshot(root, path, snapshot);
    }
    ::closedir(stream);
}

// What a run left behind and said, with the round's own root taken out of link targets, so that
// the runs of two rounds built alike compare equal.
struct RunRecord {
    // Nothing for a run refused.
    std::optional<PurgeStatus> status;
    qint64 examined = 0;
    qint64 removed = 0;
    qint64 failed = 0;
    qint64 maximum = 0;
    qint64 value = 0;
    Snapshot after;

    bool operator==(const RunRecord &) const = default;
};

// Where two records part, for the failure message.
QString differences(const RunRecord &one, const RunRecord &other) {
    QStringList lines;
    if (one.status != other.status || one.examined != other.examined ||
        one.removed != other.removed || one.failed != other.failed)
        lines << QStringLiteral("outcome %1/%2/%3/%4 against %5/%6/%7/%8")
                     .arg(one.status ? int(*one.status) : -1)
                     .arg(one.examined)
                     .arg(one.removed)
                     .arg(one.failed)
                     .arg(other.status ? int(*other.status) : -1)
                     .arg(other.examined)
                     .arg(other.removed)
                     .arg(other.failed);
    if (one.maximum != other.maximum || one.value != other.value)
        lines << QStringLiteral("display differs");
    const QList<QByteArray> paths = one.after.keys() + other.after.keys();
    for (const QByteArray &path : paths) {
        if (one.after.value(path, {}) != other.after.value(path, {}) ||
            one.after.contains(path) != other.after.contains(path))
            lines << QStringLiteral("entry \"%1\"").arg(QString::fromUtf8(path));
    }
    return lines.join(QStringLiteral("; "));
}

class Round {
public:
    Round(QRandomGenerator &random, const QString &root, const QString &trash, RemovalMode mode)
        : m_random(random)
        , m_root(root)
        , m_trash(trash)
        , m_mode(mode) {}
    ~Round() {
        for (const QString &mount : m_mounted)
            ::umount2(QFile::encodeName(mount).constData(), MNT_DETACH);
    }

    void build();
    void run();
    // Moves what the round's request takes to a Trash in trashPlace, with names that are not
    // UTF-8 among them, puts the run back, and checks that the tree is as it was.
    void runToTrashAndBack(const QString &trashPlace);
    // What run() left and said.
    const RunRecord &record() const { return m_record; }

private:
    int pick(int bound) { return int(m_random.bounded(bound)); }
    bool chance(int percent) { return pick(100) < percent; }

    QString randomCharacter();
    QString randomText(int shortest, int longest);
    QString randomPattern();
    QString nameFromPattern();
    bool isCandidate(const QString &name) const;
    bool reached(const QByteArray &chosen, const QByteArray &directory,
                 const Snapshot &before) const;
    QSet<QByteArray> referenceGone(const QByteArray &chosen, const Snapshot &before,
                                   qint64 &candidateCount, bool &capMissed) const;
    QSet<QByteArray> referenceEmptied(const QByteArray &chosen, const Snapshot &before,
                                      const QSet<QByteArray> &gone) const;
    void checkTrash(const Snapshot &before, const QSet<QByteArray> &gone);
    void mountSomewhere();
    QString freshName(const QString &directory);
    QDateTime randomTime();

    void writeFile(const QString &path, const QDateTime &modified);
    void setLinkTime(const QString &path, const QDateTime &modified);
    void addEntry(const QString &directory, int depth);
    void addSubdirectory(const QString &path, int depth);
    QString excludedName(const QString &directory);
    bool shouldGo(const QString &name, const QDateTime &modified) const;
    QString describe() const;

    QRandomGenerator &m_random;
    QString m_root;
    QString m_trash;
    RemovalMode m_mode;
    RunRecord m_record;
    QString m_chosen;
    QString m_outside;
    QStringList m_patterns;
    QStringList m_exclusions;
    qint64 m_keepNewest = 0;
    qint64 m_maxSize = -1; // no size cap
    PurgeAction m_action = PurgeAction::Remove;
    RemovalKind m_removal = RemovalKind::Delete;
    bool m_tree = false;
    qint64 m_maxDepth = std::numeric_limits<qint64>::max();
    bool m_removeEmptied = false;
    QSet<QByteArray> m_mountPoints; // relative to the root
    QStringList m_mounted;
    PurgeRequest m_request;
    QDate m_today;
    double m_days = 0;
    // A days text that starts with no number or a negative one: the run must delete nothing.
    bool m_refused = false;
    QDate m_beforeDate;
    QDate m_pivot; // the day file times cluster around
    QSet<QString> m_used;
    QStringList m_outsideFiles;
    QStringList m_subdirectories;
    QStringList m_plainFiles; // regular files directly in the chosen directory
    QStringList m_log;        // what was made, to show when a check fails
};

QString Round::randomCharacter() {
    // Letters of both cases, blanks, dots, wildcard characters taken literally, and UTF-8 of two,
    // three and four bytes.
    static const QStringList characters = {"a", "b", "A", "B", "t", "m",  "p", "0",
                                           "7", " ", ".", "-", "_", "~",  "*", "?",
                                           "é", "É", "ß", "ü", "€", "中", "𝄞", "ﬃ"};
    return characters[pick(int(characters.size()))];
}

QString Round::randomText(int shortest, int longest) {
    QString text;
    const int length = shortest + pick(longest - shortest + 1);
    for (int i = 0; i < length; ++i)
        text += randomCharacter();
    return text;
}

QString Round::randomPattern() {
    static const QStringList usual = {"*.tmp", "*", "?", "*.*", "a*", "*é*", "??*", "*.t?p"};
    if (chance(30))
        return usual[pick(int(usual.size()))];
    QString pattern;
    const int pieces = 1 + pick(4);
    for (int i = 0; i < pieces; ++i) {
        const int kind = pick(5);
        if (kind == 0)
            pattern += QLatin1Char('*');
        else if (kind == 1)
            pattern += QLatin1Char('?');
        else
            pattern += randomText(1, 3).remove(QLatin1Char('*')).remove(QLatin1Char('?'));
    }
    return pattern.isEmpty() ? QStringLiteral("*") : pattern;
}

// A name one of the patterns matches: every "*" stands for a few random characters, every "?"
// for one.
QString Round::nameFromPattern() {
    QString name;
    for (const QChar c : m_patterns[pick(int(m_patterns.size()))]) {
        if (c == QLatin1Char('*'))
            name += randomText(0, 3);
        else if (c == QLatin1Char('?'))
            name += randomCharacter();
        else
            name += c;
    }
    return name;
}

QString Round::freshName(const QString &directory) {
    for (;;) {
        QString name = chance(60) ? nameFromPattern() : randomText(1, 6);
        // A near miss: one character more or less than a match.
        if (chance(15))
            name = chance(50) ? name + randomCharacter() : name.left(name.size() - 1);
        if (chance(15))
            name.prepend(QLatin1Char('.'));
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        const QString path = directory + QLatin1Char('/') + name;
        if (m_used.contains(path))
            continue;
        m_used.insert(path);
        return name;
    }
}

// Times on both sides of the cut-off day, most of them close to a midnight.
QDateTime Round::randomTime() {
    static const QList<QTime> times = {QTime(0, 0),  QTime(0, 0, 0, 1), QTime(0, 0, 1),
                                       QTime(12, 0), QTime(23, 59, 59), QTime(23, 59, 59, 999)};
    const QDate day = m_pivot.addDays(pick(7) - 3);
    if (chance(70))
        return QDateTime(day, times[pick(int(times.size()))]);
    return QDateTime(day, QTime::fromMSecsSinceStartOfDay(pick(86'400'000)));
}

void Round::writeFile(const QString &path, const QDateTime &modified) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path + file.errorString()));
    QByteArray content;
    const int length = pick(40);
    for (int i = 0; i < length; ++i)
        content += char(pick(256));
    file.write(content);
    file.close();
    setLinkTime(path, modified);
}

// Sets the time of the entry itself, a link too, to the nanosecond.
void Round::setLinkTime(const QString &path, const QDateTime &modified) {
    const qint64 msecs = modified.toMSecsSinceEpoch();
    // Whole milliseconds half the time, so that files share times and their names decide.
    const long extra = chance(50) ? pick(1000) : 0;
    const timespec times[2] = {{0, UTIME_OMIT},
                               {time_t(msecs / 1000), long(msecs % 1000) * 1'000'000 + extra}};
    QVERIFY2(
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0,
        qPrintable(path));
}

void Round::addEntry(const QString &directory, int depth) {
    const QString name = freshName(directory);
    const QString path = directory + QLatin1Char('/') + name;
    const QDateTime modified = randomTime();
    const int kind = pick(20);
    if (kind < 10) {
        writeFile(path, modified);
        m_plainFiles << name;
        m_log << QStringLiteral("file \"%1\" %2").arg(path, modified.toString(Qt::ISODateWithMs));
    } else if (kind < 12) {
        const bool excluded = m_tree && !m_exclusions.isEmpty() && chance(40);
        addSubdirectory(excluded ? directory + QLatin1Char('/') + excludedName(directory) : path,
                        depth + 1);
    } else if (kind < 18) {
        QString target;
        if (kind == 12 && !m_outsideFiles.isEmpty())
            target = m_outsideFiles[pick(int(m_outsideFiles.size()))];
        else if (kind == 13 && !m_plainFiles.isEmpty())
            target = m_plainFiles[pick(int(m_plainFiles.size()))]; // relative, inside
        else if (kind == 14)
            target = m_outside + QStringLiteral("/missing");
        else if (kind == 15)
            target = m_outside;
        else if (kind == 16 && !m_subdirectories.isEmpty())
            target = m_subdirectories[pick(int(m_subdirectories.size()))];
        else
            target = m_outside + QLatin1Char('/') + nameFromPattern(); // dangling, matching
        QVERIFY(::symlink(QFile::encodeName(target).constData(),
                          QFile::encodeName(path).constData()) == 0);
        setLinkTime(path, randomTime());
        m_log << QStringLiteral("link \"%1\" -> \"%2\"").arg(path, target);
    } else if (kind == 18 && !m_outsideFiles.isEmpty()) {
        // A second name for a file outside: a plain file here, so it may go, but the file outside
        // keeps its name and content.
        const QString target = m_outsideFiles[pick(int(m_outsideFiles.size()))];
        QVERIFY(::link(QFile::encodeName(target).constData(),
                       QFile::encodeName(path).constData()) == 0);
        m_plainFiles << name;
        m_log << QStringLiteral("hard link \"%1\" -> \"%2\"").arg(path, target);
    } else {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        m_log << QStringLiteral("pipe \"%1\"").arg(path);
    }
}

// A subdirectory with old files the patterns match; in a tree, one with entries of every kind,
// empty now and then, and hidden or excluded as its name falls.
void Round::addSubdirectory(const QString &path, int depth) {
    // Modes of all kinds that let the owner in, which a put back must give a folder made again.
    static const QList<mode_t> modes = {0700, 0755, 0750, 0711, 02770, 01777};
    QVERIFY(QDir().mkdir(path));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), modes[pick(int(modes.size()))]) == 0);
    m_subdirectories << path;
    m_log << QStringLiteral("directory \"%1\"").arg(path);
    if (!m_tree || depth > 3) {
        for (int i = pick(3); i >= 0; --i)
            writeFile(path + QLatin1Char('/') + freshName(path), randomTime());
        return;
    }
    for (int i = pick(6); i > 0 && !QTest::currentTestFailed(); --i)
        addEntry(path, depth);
}

// A name an exclusion matches, for a directory the walk leaves whole; another name where the
// exclusions give none that is free.
QString Round::excludedName(const QString &directory) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        QString name = m_exclusions[pick(int(m_exclusions.size()))];
        name.replace(QLatin1Char('*'), randomText(0, 2))
            .replace(QLatin1Char('?'), randomCharacter());
        const QString path = directory + QLatin1Char('/') + name;
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
            m_used.contains(path))
            continue;
        m_used.insert(path);
        return name;
    }
    return freshName(directory);
}

// A tmpfs on one of the subdirectories, with a file that would be due: a mount the walk leaves
// alone. Only where the test may mount.
void Round::mountSomewhere() {
    if (m_subdirectories.isEmpty() || ::geteuid() != 0 || !chance(30))
        return;
    const QString path = m_subdirectories[pick(int(m_subdirectories.size()))];
    if (::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, "size=1m") != 0)
        return;
    m_mounted << path;
    m_mountPoints.insert(QFile::encodeName(QDir(m_root).relativeFilePath(path)));
    writeFile(path + QLatin1Char('/') + freshName(path), m_pivot.startOfDay().addDays(-9));
    m_log << QStringLiteral("mount point \"%1\"").arg(path);
}

void Round::build() {
    m_outside = m_root + QStringLiteral("/outside");
    m_chosen = m_root + QStringLiteral("/chosen ") + randomText(0, 3);
    QVERIFY(QDir().mkdir(m_outside));
    QVERIFY(QDir().mkdir(m_chosen));

    for (int i = chance(70) ? 0 : 1 + pick(2); i >= 0; --i)
        m_patterns << randomPattern();
    for (int i = chance(60) ? 0 : 1 + pick(2); i > 0; --i)
        m_exclusions << randomPattern();
    m_keepNewest = chance(60) ? 0 : pick(6);
    m_maxSize = chance(50) ? -1 : pick(300);
    static const QList<std::pair<PurgeAction, RemovalKind>> modes = {
        {PurgeAction::Remove, RemovalKind::Delete},
        {PurgeAction::Remove, RemovalKind::Trash},
        {PurgeAction::List, RemovalKind::Delete}};
    std::tie(m_action, m_removal) = modes[pick(int(modes.size()))];
    m_tree = chance(60);
    if (m_tree && chance(30))
        m_maxDepth = pick(3);
    m_removeEmptied = m_tree && chance(50);
    m_request.directory = m_chosen + (chance(20) ? QStringLiteral("/") : QString());
    m_request.pattern = m_patterns.first();
    m_today = todays[pick(int(todays.size()))];
    if (chance(50)) {
        static const QList<double> days = {0, 1, 2, 3, 20, 0.5, 1.5, 2.25, -1, -0.5};
        m_days = days[pick(int(days.size()))];
        m_request.mode = PurgeMode::Days;
        m_request.daysOld = QString(pick(3), QLatin1Char(' ')) + QString::number(m_days) +
                            (chance(30) ? QStringLiteral(" days") : QString());
        m_refused = m_days < 0;
        if (chance(10)) {
            static const QStringList words = {"", "abc", "days", "-", "\uFF12\uFF10"};
            m_request.daysOld = words[pick(int(words.size()))];
            m_refused = true;
        }
        m_pivot = m_today.addDays(-qint64(std::lround(m_days)));
    } else {
        m_beforeDate = m_today.addDays(2 - pick(30));
        m_request.mode = PurgeMode::Date;
        m_request.beforeDate = QStringLiteral("%1/%2/%3")
                                   .arg(m_beforeDate.month())
                                   .arg(m_beforeDate.day())
                                   .arg(m_beforeDate.year() % 100, 2, 10, QLatin1Char('0'));
        m_pivot = m_beforeDate;
    }

    for (int i = pick(4); i >= 0; --i) {
        const QString path = m_outside + QLatin1Char('/') + freshName(m_outside);
        writeFile(path, randomTime());
        m_outsideFiles << path;
    }
    for (int i = 5 + pick(25); i > 0; --i) {
        addEntry(m_chosen, 0);
        if (QTest::currentTestFailed())
            return;
    }
    if (m_tree)
        mountSomewhere();
}

bool Round::isCandidate(const QString &name) const {
    const auto matches = [&name](const QString &pattern) {
        return referenceMatches(pattern, name);
    };
    return !name.startsWith(QLatin1Char('.')) &&
           std::any_of(m_patterns.begin(), m_patterns.end(), matches) &&
           std::none_of(m_exclusions.begin(), m_exclusions.end(), matches);
}

// Whether the walk reaches directory: the chosen one, or in a tree one below it through real
// directories that are neither hidden, excluded nor mount points, no deeper than asked.
bool Round::reached(const QByteArray &chosen, const QByteArray &directory,
                    const Snapshot &before) const {
    if (directory == chosen)
        return true;
    const QList<QByteArray> parts = directory.mid(chosen.size() + 1).split('/');
    if (!m_tree || !directory.startsWith(chosen + '/') || parts.size() > m_maxDepth)
        return false;
    QByteArray walked = chosen;
    for (const QByteArray &part : parts) {
        walked += '/' + part;
        const QString name = QFile::decodeName(part);
        const auto matches = [&name](const QString &pattern) {
            return referenceMatches(pattern, name);
        };
        if (before.value(walked).type != S_IFDIR || name.startsWith(QLatin1Char('.')) ||
            m_mountPoints.contains(walked) ||
            std::any_of(m_exclusions.begin(), m_exclusions.end(), matches))
            return false;
    }
    return true;
}

// The files that go: of the candidates, sorted newest first, all but the newest N that are due;
// then under a size cap the oldest of the others but the newest N, while what is left of the
// matching files (the excluded ones too) takes more than the cap.
QSet<QByteArray> Round::referenceGone(const QByteArray &chosen, const Snapshot &before,
                                      qint64 &candidateCount, bool &capMissed) const {
    QList<std::pair<QByteArray, EntryState>> candidates;
    qint64 left = 0;
    for (auto entry = before.cbegin(); entry != before.cend(); ++entry) {
        const qsizetype slash = entry.key().lastIndexOf('/');
        const QString name = QFile::decodeName(entry.key().mid(slash + 1));
        if (entry->type != S_IFREG || !reached(chosen, entry.key().left(slash), before))
            continue;
        if (isCandidate(name))
            candidates.append({entry.key(), entry.value()});
        else if (!name.startsWith(QLatin1Char('.')) &&
                 std::any_of(m_patterns.begin(), m_patterns.end(), [&name](const QString &pattern) {
                     return referenceMatches(pattern, name);
                 }))
            left += entry->content.size();
    }
    std::sort(candidates.begin(), candidates.end(), [](const auto &one, const auto &other) {
        return std::tie(one.second.seconds, one.second.nanoseconds, one.first) >
               std::tie(other.second.seconds, other.second.nanoseconds, other.first);
    });
    candidateCount = candidates.size();
    QSet<QByteArray> gone;
    for (qsizetype i = m_keepNewest; i < candidates.size(); ++i) {
        const EntryState &state = candidates[i].second;
        const QDateTime modified =
            QDateTime::fromMSecsSinceEpoch(state.seconds * 1000 + state.nanoseconds / 1'000'000);
        if (shouldGo(QFile::decodeName(
                         candidates[i].first.mid(candidates[i].first.lastIndexOf('/') + 1)),
                     modified))
            gone.insert(candidates[i].first);
        else if (m_maxSize >= 0)
            left += state.content.size();
    }
    for (qsizetype i = 0; i < std::min(m_keepNewest, candidates.size()); ++i)
        left += candidates[i].second.content.size();
    for (qsizetype i = candidates.size() - 1; m_maxSize >= 0 && !m_refused && i >= m_keepNewest;
         --i) {
        if (left <= m_maxSize || gone.contains(candidates[i].first))
            continue;
        gone.insert(candidates[i].first);
        left -= candidates[i].second.content.size();
    }
    capMissed = m_maxSize >= 0 && !m_refused && left > m_maxSize;
    return gone;
}

// The directories that go after the files: deepest first, each reached one that lost an entry
// to the run and holds nothing else.
QSet<QByteArray> Round::referenceEmptied(const QByteArray &chosen, const Snapshot &before,
                                         const QSet<QByteArray> &gone) const {
    QSet<QByteArray> emptied;
    if (!m_removeEmptied || m_action == PurgeAction::List)
        return emptied;
    QList<QByteArray> directories;
    for (auto entry = before.cbegin(); entry != before.cend(); ++entry)
        if (entry->type == S_IFDIR && entry.key() != chosen && reached(chosen, entry.key(), before))
            directories << entry.key();
    std::sort(directories.begin(), directories.end(),
              [](const QByteArray &a, const QByteArray &b) { return a.count('/') > b.count('/'); });
    for (const QByteArray &directory : directories) {
        bool lost = false;
        bool left = false;
        for (const QByteArray &path : before.keys()) {
            if (path.left(path.lastIndexOf('/')) != directory)
                continue;
            const bool removed = gone.contains(path) || emptied.contains(path);
            lost = lost || removed;
            left = left || !removed;
        }
        if (lost && !left)
            emptied.insert(directory);
    }
    return emptied;
}

// Every file gone is in the Trash with its content, under an info file naming its own path.
void Round::checkTrash(const Snapshot &before, const QSet<QByteArray> &gone) {
    const QByteArray root = QFile::encodeName(QFileInfo(m_root).canonicalFilePath());
    QMap<QByteArray, QByteArray> expected;
    for (const QByteArray &path : gone)
        expected.insert(root + '/' + path, before.value(path).content);
    QMap<QByteArray, QByteArray> found;
    const QDir info(m_trash + QStringLiteral("/Trash/info"));
    for (const QString &name : info.entryList({QStringLiteral("*.trashinfo")}, QDir::Files)) {
        QFile file(info.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        const qsizetype at = text.indexOf("\nPath=") + 6;
        const QByteArray path =
            QByteArray::fromPercentEncoding(text.mid(at, text.indexOf('\n', at) - at));
        found.insert(path,
                     test::readBytes(m_trash + QStringLiteral("/Trash/files/") + name.chopped(10)));
    }
    QCOMPARE(found, expected);
}

bool Round::shouldGo(const QString &name, const QDateTime &modified) const {
    if (!isCandidate(name))
        return false;
    const QDate day = modified.date();
    if (m_request.mode == PurgeMode::Days)
        return !m_refused && double(day.daysTo(m_today)) >= m_days;
    return day <= m_beforeDate;
}

QString Round::describe() const {
    return QStringLiteral("today %5, directory \"%1\", patterns \"%2\", excluding \"%6\", "
                          "newest %7 kept, days \"%3\", before \"%4\", action %8, removal %9, "
                          "size cap %10, ")
               .arg(m_request.directory, m_patterns.join(QStringLiteral("\", \"")),
                    m_request.daysOld, m_request.beforeDate, m_today.toString(Qt::ISODate),
                    m_exclusions.join(QStringLiteral("\", \"")))
               .arg(m_keepNewest)
               .arg(int(m_action))
               .arg(int(m_removal))
               .arg(m_maxSize) +
           QStringLiteral("tree %1, depth %2, emptied removed %3\n  ")
               .arg(m_tree)
               .arg(m_maxDepth)
               .arg(m_removeEmptied) +
           m_log.join(QStringLiteral("\n  "));
}

void Round::run() {
    const QByteArray root = QFile::encodeName(m_root);
    const QByteArray chosen = QFile::encodeName(QDir(m_root).relativeFilePath(m_chosen));
    Snapshot before;
    takeSnapshot(root, {}, before);
    if (QTest::currentTestFailed())
        return;

    qint64 listed = 0;
    bool capMissed = false;
    const QSet<QByteArray> due = referenceGone(chosen, before, listed, capMissed);
    const QSet<QByteArray> gone = m_action == PurgeAction::List ? QSet<QByteArray>() : due;
    const QSet<QByteArray> emptied = referenceEmptied(chosen, before, gone);

    const test::FixedClock clock(QDateTime(m_today, test::exampleNow().time()));
    const Calendar calendar(clock, test::testLocale());
    test::RecordingDisplay display;
    Expected<PurgeJob, Refusal> job = readJob(m_request, calendar);
    if (job) {
        // What the command line adds to what the window asks.
        job->patterns.clear();
        for (const QString &pattern : m_patterns)
            job->patterns.push_back(QFile::encodeName(pattern));
        for (const QString &exclusion : m_exclusions)
            job->exclusions.push_back(QFile::encodeName(exclusion));
        job->keepNewest = m_keepNewest;
        if (m_maxSize >= 0) {
            job->spaceRule = SpaceRule::SizeCap;
            job->space.bytes = m_maxSize;
        }
        job->action = m_action;
        job->removal = m_removal;
        job->trash =
            TrashPlaces{QFile::encodeName(m_trash + QStringLiteral("/Trash")), ::geteuid()};
        job->subfolders = m_tree ? Subfolders::Included : Subfolders::Excluded;
        job->maxDepth = m_maxDepth;
        job->emptiedFolders = m_removeEmptied ? EmptiedFolders::Removed : EmptiedFolders::Kept;
    }
    const PurgeResult result =
        job ? runPurge(*job, display, m_mode) : PurgeResult(unexpected(job.error()));
    // A refused run reads as one that did nothing.
    const PurgeOutcome summary = result ? *result : PurgeOutcome(PurgeJob());

    Snapshot after;
    takeSnapshot(root, {}, after);
    RunRecord &record = m_record;
    record = {result ? std::optional(summary.status) : std::nullopt,
              summary.examined,
              summary.removed,
              summary.notRemoved.count,
              display.maximum,
              display.value,
              after};
    for (EntryState &entry : record.after) {
        entry.linkTarget.replace(root, "<root>");
        // The times of directories and pipes are when they were made or last changed, which no
        // two rounds share; the test sets those of files and links.
        if (entry.type != S_IFREG && entry.type != S_IFLNK) {
            entry.seconds = 0;
            entry.nanoseconds = 0;
        }
    }
    if (QTest::currentTestFailed())
        return;
    const QString context = describe();
    for (auto entry = before.cbegin(); entry != before.cend(); ++entry) {
        const QByteArray &path = entry.key();
        const bool present = after.contains(path);
        if (gone.contains(path) || emptied.contains(path)) {
            QVERIFY2(!present, qPrintable("kept \"" + path + "\" with " + context));
            continue;
        }
        QVERIFY2(present, qPrintable("removed \"" + path + "\" with " + context));
        // Removing entries changes their directory's own time; nothing else may change.
        EntryState expected = entry.value();
        if (expected.type == S_IFDIR) {
            expected.seconds = after[path].seconds;
            expected.nanoseconds = after[path].nanoseconds;
        }
        QVERIFY2(after[path] == expected, qPrintable("changed \"" + path + "\" with " + context));
    }
    QCOMPARE(after.size(), before.size() - gone.size() - emptied.size());
    if (m_removal == RemovalKind::Trash)
        checkTrash(before, gone);

    if (m_refused) {
        QVERIFY(!result);
        QCOMPARE(result.error().field, RequestField::DaysOld);
        return;
    }
    QCOMPARE(summary.status, PurgeStatus::Finished);
    QCOMPARE(summary.examined, listed);
    QCOMPARE(summary.removed, qint64(due.size()));
    QCOMPARE(summary.foldersRemoved, qint64(emptied.size()));
    QCOMPARE(display.maximum, listed + 1);
    QCOMPARE(summary.keptNewest, std::min(m_keepNewest, listed));
    QCOMPARE(summary.spaceMissed, capMissed);
    QCOMPARE(summary.fellShort(), capMissed);
}

void Round::runToTrashAndBack(const QString &trashPlace) {
    const QByteArray root = QFile::encodeName(m_root);
    const QByteArray chosen = QFile::encodeName(m_chosen);
    const QByteArray trash = QFile::encodeName(trashPlace) + "/Trash";
    const QByteArray runs = QFile::encodeName(trashPlace) + "/runs";
    const qint64 old = QDateTime(m_pivot.addDays(-40), QTime(1, 2, 3)).toSecsSinceEpoch();
    const QList<QByteArray> strangeNames = {chosen + "/\xff\xfe old", chosen + "/caf\xe9 %2F\n"};
    // QTemporaryDir cannot remove them either.
    const auto removeStrangeNames = qScopeGuard([&] {
        for (const QByteArray &path : strangeNames)
            ::unlink(path.constData());
    });
    for (const QByteArray &path : strangeNames) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(fd >= 0 && ::write(fd, path.constData(), size_t(path.size())) == path.size());
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(old), 123456789}};
        QVERIFY(::futimens(fd, times) == 0);
        ::close(fd);
    }
    Snapshot before;
    takeSnapshot(root, {}, before);

    const test::FixedClock clock(QDateTime(m_today, test::exampleNow().time()));
    const Calendar calendar(clock, test::testLocale());
    m_request.removal = RemovalKind::Trash;
    Expected<PurgeJob, Refusal> job = readJob(m_request, calendar);
    if (!job)
        return;
    for (const QString &pattern : m_patterns)
        job->patterns.push_back(QFile::encodeName(pattern));
    job->patterns.push_back("\xff*");
    job->patterns.push_back("caf\xe9*");
    job->trash = TrashPlaces{trash, ::geteuid()};
    job->runsDirectory = runs;
    job->subfolders = m_tree ? Subfolders::Included : Subfolders::Excluded;
    job->maxDepth = m_maxDepth;
    job->emptiedFolders = m_removeEmptied ? EmptiedFolders::Removed : EmptiedFolders::Kept;
    test::RecordingDisplay display;
    const PurgeOutcome moved = *runPurge(*job, display, m_mode);
    QVERIFY2(moved.removed >= 2 && !moved.fellShort(), qPrintable(describe()));

    const PutBackResult back = putBackRun({runs, {}, PurgeAction::Remove});
    QVERIFY(back);
    QCOMPARE(back->putBack, moved.removed);
    QCOMPARE(back->leftCount, 0);
    QCOMPARE(back->foldersMade, moved.foldersRemoved);
    Snapshot after;
    takeSnapshot(root, {}, after);
    // A folder's own time tells when a file last left it or came back: its mode and content count.
    for (auto entry = after.begin(); entry != after.end(); ++entry) {
        if (entry->type == S_IFDIR && before.contains(entry.key())) {
            entry->seconds = before[entry.key()].seconds;
            entry->nanoseconds = before[entry.key()].nanoseconds;
        }
    }
    for (auto entry = before.cbegin(); entry != before.cend(); ++entry)
        QVERIFY2(after.value(entry.key()) == entry.value(),
                 qPrintable("not as it was: \"" + entry.key() + "\" with " + describe()));
    QCOMPARE(after.size(), before.size());
    QCOMPARE(QDir(QFile::decodeName(trash + "/files"))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QCOMPARE(QDir(QFile::decodeName(trash + "/info"))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    const Expected<KeptRun, SystemError> list = readRun(runs, moved.runId);
    QVERIFY(list);
    QCOMPARE(qint64(list->files.size()), moved.removed);
    QCOMPARE(list->backCount(), moved.removed);
}

} // namespace

class tst_PurgeProperty : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void removesExactlyWhatThePlainRuleSays();
};

void tst_PurgeProperty::removesExactlyWhatThePlainRuleSays() {
    quint32 start = defaultStartValue;
    if (const QByteArray given = qgetenv("CULLER_PURGE_PROPERTY_START"); !given.isEmpty())
        start = given.toUInt();
    QRandomGenerator random(start);

    for (int round = 0; round < rounds; ++round) {
        // The same tree twice, from the same random values: one purged with the removals on a
        // second thread, one with them inline. Each must keep to the rule, and both must end alike.
        QRandomGenerator sameAgain = random;
        QRandomGenerator forTrash = random;
        QTemporaryDir pipelinedRoot;
        QTemporaryDir inlineRoot;
        QTemporaryDir pipelinedTrash;
        QTemporaryDir inlineTrash;
        QVERIFY(pipelinedRoot.isValid() && inlineRoot.isValid());
        Round pipelined(random, pipelinedRoot.path(), pipelinedTrash.path(),
                        RemovalMode::Pipelined);
        Round inlined(sameAgain, inlineRoot.path(), inlineTrash.path(), RemovalMode::Inline);
        for (Round *work : {&pipelined, &inlined}) {
            work->build();
            if (!QTest::currentTestFailed())
                work->run();
            if (QTest::currentTestFailed())
                break;
        }
        // The same tree once more, to the Trash and back.
        QTemporaryDir trashRoot;
        QTemporaryDir trashPlace;
        Round toTrash(forTrash, trashRoot.path(), trashPlace.path(), RemovalMode::Inline);
        if (!QTest::currentTestFailed())
            toTrash.build();
        if (!QTest::currentTestFailed())
            toTrash.runToTrashAndBack(trashPlace.path());
        if (!QTest::currentTestFailed())
            QVERIFY2(
                pipelined.record() == inlined.record(),
                qPrintable(QStringLiteral("removals on a second thread and inline disagree: ") +
                           differences(pipelined.record(), inlined.record())));
        if (QTest::currentTestFailed()) {
            qWarning("Random start value %u, round %d (CULLER_PURGE_PROPERTY_START replays it)",
                     start, round);
            return;
        }
    }
}

QTEST_GUILESS_MAIN(tst_PurgeProperty)
#include "tst_purge_property.moc"
