#pragma once

// The list a Trash run keeps of the files it moved, one small file per run, so that the whole
// run can be put back later: written as the run goes, read back to show the kept runs and to put
// one back. It moves no file itself and knows nothing of purges or of words.
//
// A list is text a person can read, one line each: a header (the format, when the run started,
// its directory), then a "file" line per file moved, a "folder" line per folder the run removed
// once it had emptied it, and a "back" line per file put back since. A reader passes over the
// kinds of line it does not know, so a list written before folders were noted reads as one with
// none.
// Every path and name is percent-encoded, so that any bytes a Linux name may hold (blanks, line
// ends, bytes that are not UTF-8) come back exactly.

#include "runtime/directory.h"
#include "runtime/expected.h"
#include "runtime/systemerror.h"
#include "runtime/uniquefd.h"

#include <QByteArray>
#include <QDateTime>
#include <ctime>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace culler {

// One file a run moved to the Trash, and what tells it from another that took its place.
struct RunFile {
    // The Trash's top directory, which holds files/ and info/ (e.g. ~/.local/share/Trash).
    QByteArray trash;
    // Its name in the Trash's files/.
    QByteArray trashName;
    // Where it was: an absolute path.
    QByteArray originalPath;
    // What tells it from another file that took its name in the Trash.
    FileIdentity identity;
    qint64 size = 0;
    // Put back since, by an earlier put back.
    bool back = false;

    bool operator==(const RunFile &other) const = default;
};

// A folder a run removed once it had moved everything out of it, so that a put back can make it
// again as it was.
struct RunFolder {
    // Where it was: an absolute path, below the run's directory.
    QByteArray path;
    // Its permission bits (07777).
    mode_t mode = 0;

    bool operator==(const RunFolder &other) const = default;
};

// A kept run as read back.
struct KeptRun {
    QByteArray id;
    QDateTime started;
    // The run's directory, absolute.
    QByteArray directory;
    std::vector<RunFile> files;
    // In the order they went: deepest first.
    std::vector<RunFolder> folders;

    qint64 backCount() const;
};

// Where this user's runs are kept: $XDG_STATE_HOME/culler/runs where XDG_STATE_HOME is an
// absolute path, else $HOME/.local/state/culler/runs; empty without a home.
QByteArray runsDirectoryOfThisUser();

// How many runs are kept; starting one more removes the lists of the oldest.
constexpr int keptRunCount = 50;

// Writes the list of one run. Nothing is made until the first file is added, so a run that
// moves nothing keeps no list.
class RunLogWriter {
public:
    // runsDirectory is made (mode 0700) where missing; directory is the run's, absolute.
    RunLogWriter(QByteArray runsDirectory, QByteArray directory, QDateTime started);
    ~RunLogWriter();
    RunLogWriter(const RunLogWriter &) = delete;
    RunLogWriter &operator=(const RunLogWriter &) = delete;

    // Adds a file the run has moved. Each goes to the list with one write of its own the moment
    // it is added, so a run killed at any point keeps every file it had told of; a disk flush
    // follows every batch of files and the end.
    void add(const RunFile &file);
    // Adds a folder the run removed, after the files it held, with one write of its own too.
    void addFolder(const RunFolder &folder);
    // Flushes the list to the disk; the error of anything that failed on the way, or 0.
    SystemError finish();

    // The run's id once a list has been started, else empty.
    const QByteArray &id() const { return m_id; }
    SystemError error() const { return m_error; }

private:
    bool start();
    void write(const QByteArray &line);

    QByteArray m_runsDirectory;
    QByteArray m_directory;
    QDateTime m_started;
    QByteArray m_id;
    UniqueFd m_fd;
    int m_sinceFlush = 0;
    SystemError m_error;
};

// The ids of the kept runs, newest first: none where the folder of lists does not exist (nor can,
// a parent being a file), or why it cannot be listed.
Expected<std::vector<QByteArray>, SystemError> keptRunIds(const QByteArray &runsDirectory);

// The run of that id, or why it cannot be read (ENOENT: there is no such run).
Expected<KeptRun, SystemError> readRun(const QByteArray &runsDirectory, const QByteArray &id);

// Notes in the run's list that the files of the given indexes (into KeptRun::files) went back.
SystemError markBack(const QByteArray &runsDirectory, const QByteArray &id,
                     const std::vector<std::size_t> &indexes);

} // namespace culler
