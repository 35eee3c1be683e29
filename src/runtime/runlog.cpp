#include "runlog.h"

#include <QList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace culler {

namespace {

constexpr char formatLine[] = "culler-run 1\n";
constexpr char listSuffix[] = ".run";
// A disk flush after so many files: often enough that a machine that goes down loses little,
// seldom enough to cost nothing next to the moves.
constexpr int flushBatch = 64;

bool keptAsItIs(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '%';
}

QByteArray encoded(const QByteArray &bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (keptAsItIs(c)) {
            out += byte;
            continue;
        }
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 0xF];
    }
    return out;
}

std::optional<QByteArray> decoded(const QByteArray &text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        bool ok = false;
        const uint value = text.mid(i + 1, 2).toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

// Makes path and its missing parents, each new one mode 0700: the lists tell where the user's
// files were, which is nobody else's business.
bool makePath(const QByteArray &path) {
    if (::mkdir(path.constData(), 0700) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT)
        return false;
    const qsizetype slash = path.lastIndexOf('/');
    if (slash <= 0 || !makePath(path.left(slash)))
        return false;
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

QByteArray listPath(const QByteArray &runsDirectory, const QByteArray &id) {
    return runsDirectory + '/' + id + listSuffix;
}

// Ids are the local time a run started, "20240501-030000", and "-2", "-3"... for more runs
// started within the same second.
struct IdOrder {
    QByteArray stamp;
    int number = 1;
};

IdOrder orderOf(const QByteArray &id) {
    const qsizetype dash = id.indexOf('-', 9);
    if (dash < 0)
        return {id, 1};
    return {id.left(dash), id.mid(dash + 1).toInt()};
}

bool newerFirst(const QByteArray &one, const QByteArray &other) {
    const IdOrder a = orderOf(one);
    const IdOrder b = orderOf(other);
    if (a.stamp != b.stamp)
        return a.stamp > b.stamp;
    return a.number > b.number;
}

bool looksLikeId(const QByteArray &id) {
    if (id.size() < 15 || id[8] != '-')
        return false;
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return c == '-' || (c >= '0' && c <= '9'); });
}

// Pruning is housekeeping: where the folder cannot be listed, or a list not removed, more lists
// stay than should, and the list of the run starting is all that matters to it; its own writes
// tell whether the folder takes it.
void removeOldRuns(const QByteArray &runsDirectory) {
    const Expected<std::vector<QByteArray>, SystemError> ids = keptRunIds(runsDirectory);
    if (!ids)
        return;
    for (std::size_t i = keptRunCount; i < ids->size(); ++i)
        ::unlink(listPath(runsDirectory, (*ids)[i]).constData());
}

QByteArray fileLine(const RunFile &file) {
    QByteArray line = "file " + encoded(file.trash) + ' ' + encoded(file.trashName) + ' ' +
                      encoded(file.originalPath) + ' ';
    const FileIdentity &identity = file.identity;
    line += QByteArray::number(quint64(identity.device)) + ' ' +
            QByteArray::number(quint64(identity.inode)) + ' ' + QByteArray::number(file.size) +
            ' ' + QByteArray::number(qint64(identity.modified.tv_sec)) + '.' +
            QByteArray::number(qint64(identity.modified.tv_nsec)).rightJustified(9, '0') + '\n';
    return line;
}

QByteArray folderLine(const RunFolder &folder) {
    return "folder " + encoded(folder.path) + ' ' +
           QByteArray::number(uint(folder.mode & 07777), 8) + '\n';
}

std::optional<RunFolder> readFolderLine(const QList<QByteArray> &fields) {
    if (fields.size() != 3)
        return std::nullopt;
    const std::optional<QByteArray> path = decoded(fields[1]);
    bool ok = false;
    const uint mode = fields[2].toUInt(&ok, 8);
    if (!path || !ok || mode > 07777)
        return std::nullopt;
    return RunFolder{*path, mode_t(mode)};
}

std::optional<RunFile> readFileLine(const QList<QByteArray> &fields) {
    if (fields.size() != 8)
        return std::nullopt;
    RunFile file;
    const std::optional<QByteArray> trash = decoded(fields[1]);
    const std::optional<QByteArray> name = decoded(fields[2]);
    const std::optional<QByteArray> original = decoded(fields[3]);
    const QList<QByteArray> stamp = fields[7].split('.');
    bool ok[6] = {};
    file.identity.device = static_cast<dev_t>(fields[4].toULongLong(&ok[0]));
    file.identity.inode = static_cast<ino_t>(fields[5].toULongLong(&ok[1]));
    file.size = fields[6].toLongLong(&ok[2]);
    ok[5] = stamp.size() == 2;
    if (ok[5]) {
        file.identity.modified.tv_sec = static_cast<time_t>(stamp[0].toLongLong(&ok[3]));
        file.identity.modified.tv_nsec = stamp[1].toLong(&ok[4]);
    }
    if (!trash || !name || !original ||
        !std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }))
        return std::nullopt;
    file.trash = *trash;
    file.trashName = *name;
    file.originalPath = *original;
    return file;
}

} // namespace

qint64 KeptRun::backCount() const {
    return std::count_if(files.begin(), files.end(), [](const RunFile &file) { return file.back; });
}

QByteArray runsDirectoryOfThisUser() {
    // A relative XDG_STATE_HOME is no setting at all, as with every XDG base directory.
    const QByteArray stateHome = qgetenv("XDG_STATE_HOME");
    if (stateHome.startsWith('/'))
        return stateHome + "/culler/runs";
    const QByteArray home = qgetenv("HOME");
    if (home.startsWith('/'))
        return home + "/.local/state/culler/runs";
    return {};
}

RunLogWriter::RunLogWriter(QByteArray runsDirectory, QByteArray directory, QDateTime started)
    : m_runsDirectory(std::move(runsDirectory))
    , m_directory(std::move(directory))
    , m_started(std::move(started)) {}

RunLogWriter::~RunLogWriter() {
    // A run that settles asks finish() itself and tells its error; this only closes the list of
    // one that never got that far, whose outcome is gone with it.
    (void)finish();
}

bool RunLogWriter::start() {
    if (!makePath(m_runsDirectory)) {
        m_error = SystemError{errno};
        return false;
    }
    removeOldRuns(m_runsDirectory);
    const QByteArray stamp = m_started.toString(QStringLiteral("yyyyMMdd-HHmmss")).toLatin1();
    for (int number = 1; number < 1000; ++number) {
        const QByteArray id = number == 1 ? stamp : stamp + '-' + QByteArray::number(number);
        m_fd = UniqueFd{::open(listPath(m_runsDirectory, id).constData(),
                               O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600)};
        if (!m_fd.isOpen() && errno == EEXIST)
            continue;
        if (!m_fd.isOpen())
            break;
        m_id = id;
        const QByteArray header =
            QByteArray(formatLine) + "started " +
            m_started.toOffsetFromUtc(m_started.offsetFromUtc()).toString(Qt::ISODate).toLatin1() +
            "\ndirectory " + encoded(m_directory) + '\n';
        m_error = m_fd.writeAll(header);
        return !m_error;
    }
    m_error = SystemError{errno};
    return false;
}

void RunLogWriter::add(const RunFile &file) {
    write(fileLine(file));
}

void RunLogWriter::addFolder(const RunFolder &folder) {
    write(folderLine(folder));
}

void RunLogWriter::write(const QByteArray &line) {
    if (m_error || (!m_fd.isOpen() && !start()))
        return;
    // One write, with the move or the removal already done: a kill lands before it or after it,
    // so the list never names a file the run did not move, nor a folder it did not remove.
    if (const SystemError written = m_fd.writeAll(line)) {
        m_error = written;
        return;
    }
    if (++m_sinceFlush >= flushBatch) {
        m_sinceFlush = 0;
        ::fdatasync(m_fd.get());
    }
}

SystemError RunLogWriter::finish() {
    if (!m_fd.isOpen())
        return m_error;
    if (::fdatasync(m_fd.get()) != 0 && !m_error)
        m_error = SystemError{errno};
    if (const SystemError closed = m_fd.close(); closed && !m_error)
        m_error = closed;
    return m_error;
}

Expected<std::vector<QByteArray>, SystemError> keptRunIds(const QByteArray &runsDirectory) {
    std::vector<QByteArray> ids;
    DIR *stream = ::opendir(runsDirectory.constData());
    // No folder yet, or a file where one of its parents would be: no run has kept a list there.
    if (stream == nullptr && (errno == ENOENT || errno == ENOTDIR))
        return ids;
    if (stream == nullptr)
        return unexpected(SystemError{errno});
    for (;;) {
        // readdir tells its end from an error only through errno.
        errno = 0;
        const dirent *entry = ::readdir(stream);
        if (entry == nullptr)
            break;
        QByteArray name(entry->d_name);
        if (!name.endsWith(listSuffix))
            continue;
        name.chop(qsizetype(sizeof listSuffix - 1));
        if (looksLikeId(name))
            ids.push_back(name);
    }
    const int code = errno;
    ::closedir(stream);
    if (code != 0)
        return unexpected(SystemError{code});
    std::sort(ids.begin(), ids.end(), newerFirst);
    return ids;
}

namespace {

// The whole of a file.
Expected<QByteArray, SystemError> contentOf(const QByteArray &path) {
    const UniqueFd fd{::open(path.constData(), O_RDONLY | O_CLOEXEC)};
    if (!fd.isOpen())
        return unexpected(SystemError{errno});
    QByteArray text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unexpected(SystemError{errno});
        if (got == 0)
            return text;
        text.append(buffer, got);
    }
}

} // namespace

Expected<KeptRun, SystemError> readRun(const QByteArray &runsDirectory, const QByteArray &id) {
    if (!looksLikeId(id))
        return unexpected(SystemError{ENOENT});
    const Expected<QByteArray, SystemError> read = contentOf(listPath(runsDirectory, id));
    if (!read)
        return unexpected(read.error());
    const QByteArray &text = *read;

    KeptRun run;
    run.id = id;
    // A line cut short has no line end: it is left out.
    const qsizetype end = text.lastIndexOf('\n');
    for (const QByteArray &line : text.left(end < 0 ? 0 : end).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields[0] == "started" && fields.size() == 2) {
            run.started = QDateTime::fromString(QString::fromLatin1(fields[1]), Qt::ISODate);
        } else if (fields[0] == "directory" && fields.size() == 2) {
            run.directory = decoded(fields[1]).value_or(QByteArray());
        } else if (fields[0] == "file") {
            if (std::optional<RunFile> file = readFileLine(fields))
                run.files.push_back(std::move(*file));
        } else if (fields[0] == "folder") {
            if (std::optional<RunFolder> folder = readFolderLine(fields))
                run.folders.push_back(std::move(*folder));
        } else if (fields[0] == "back" && fields.size() == 2) {
            bool ok = false;
            const qulonglong index = fields[1].toULongLong(&ok);
            if (ok && index < run.files.size())
                run.files[index].back = true;
        }
    }
    return run;
}

SystemError markBack(const QByteArray &runsDirectory, const QByteArray &id,
                     const std::vector<std::size_t> &indexes) {
    if (indexes.empty())
        return {};
    UniqueFd fd{::open(listPath(runsDirectory, id).constData(), O_WRONLY | O_APPEND | O_CLOEXEC)};
    if (!fd.isOpen())
        return SystemError{errno};
    QByteArray lines;
    for (const std::size_t index : indexes)
        lines += "back " + QByteArray::number(quint64(index)) + '\n';
    SystemError error;
    if (const SystemError written = fd.writeAll(lines))
        error = written;
    else if (::fdatasync(fd.get()) != 0)
        error = SystemError{errno};
    if (const SystemError closed = fd.close(); closed && !error)
        error = closed;
    return error;
}

} // namespace culler
