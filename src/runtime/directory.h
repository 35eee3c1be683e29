#pragma once

// One directory, opened once: its plain files are listed, stamped, removed or moved to the Trash
// relative to that open handle and never through a symbolic link, so a path swapped while the
// program works on it cannot send a removal anywhere else. Listing streams names; no list of
// them is kept.

#include "datevalue.h"
#include "expected.h"
#include "systemerror.h"
#include "uniquefd.h"

#include <QString>
#include <ctime>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace culler {

// The directory as the user gave it, ending in one separator for a file's name to follow:
// "dir/" for "dir" and for "dir/" alike.
inline QByteArray directoryPrefix(const QByteArray &directory) {
    return directory.endsWith('/') ? directory : directory + '/';
}

class Clock;
class Trash;
class Wildcards;
struct TrashPlaces;
struct TrashMoved;
struct TrashProblem;

// What tells one file from another that took its name, or from itself rewritten: the inode and
// the modification time to the nanosecond.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};

    bool operator==(const FileIdentity &other) const {
        return device == other.device && inode == other.inode &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

struct FileStamp {
    // False for anything but a regular file: a link, a directory, a device...
    bool isPlainFile = false;
    // Nothing when the local calendar cannot name the day of the stamp.
    std::optional<DateValue> modified;
    qint64 size = 0;
    // What it takes on its file system (st_blocks): what its removal gives back.
    qint64 allocated = 0;
    FileIdentity identity;
};

// The space of the mount a directory is on, in bytes: what unprivileged users may still write
// (f_bavail), and its whole size (f_blocks).
struct MountSpace {
    qint64 available = 0;
    qint64 total = 0;
};

// What a listing of a whole tree yields besides the plain files: a directory, which is never a
// link to one.
enum class EntryKind {
    PlainFile,
    Directory,
};

enum class Unlink {
    Removed,
    Changed, // the entry is no longer the file that was stamped, so it stays
};

class Directory {
public:
    // Opens the directory at path, given as the file system's bytes (relative paths start from
    // the current directory).
    explicit Directory(const QByteArray &path);
    explicit Directory(const QString &path);
    // Opens the subdirectory called name of parent, never through a link: a name swapped for a
    // link since it was listed fails (ELOOP or ENOTDIR) rather than lead anywhere else.
    Directory(const Directory &parent, const char *name);
    ~Directory();
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;

    // Why the directory could not be opened or listed; 0 while all is well.
    SystemError error() const { return m_error; }

    // Starts a listing from the first entry.
    void rewind();
    // The name of the next plain file that matches one of the patterns, or nullptr at the end of
    // the listing. Plain files are regular files whose names do not begin with "."; links,
    // directories, devices, pipes and sockets are never listed. The name stays valid until the
    // next call.
    const char *nextPlainFile(const Wildcards &patterns);
    // The name of the next directory, or link to one, whose name does not begin with ".", or
    // nullptr at the end of the listing or on an error (see error()). Asks the file system only
    // about links and entries the listing does not type. The name stays valid until the next call.
    const char *nextSubdirectoryName();

    // The name of the next plain file that matches one of the patterns, or of the next directory
    // (not a link to one) whose name does not begin with ".", with its kind; nullptr at the end of
    // the listing or on an error. The name stays valid until the next call.
    const char *nextFileOrDirectory(const Wildcards &patterns, EntryKind &kind);
    // Ends the listing and lets its buffer go; the directory stays open for stamps and removals.
    void endListing();
    // Which mount the directory is on: the kernel's mount id, or where the kernel tells none
    // (before 5.8) its device, so that two directories compare alike only on one mount. 0 when it
    // cannot be told.
    quint64 mountKey() const;

    // stamp(), removeIfUnchanged() and moveToTrashIfUnchanged() touch nothing of the listing: a
    // second thread may call them while one lists, as long as the Directory outlives both.

    // Reads the entry called name without following a link.
    Expected<FileStamp, SystemError> stamp(const char *name) const;
    // Removes the entry called name only while it is still the file stamped earlier: it is stamped
    // again just before the removal, and kept when its inode or modification time differ, so a
    // file rewritten or put in its place since it was judged is not lost. The two calls cannot be
    // made one on POSIX; this keeps the gap between them as narrow as it goes. Never follows a
    // link and never removes a directory.
    Expected<Unlink, SystemError> removeIfUnchanged(const char *name,
                                                    const FileIdentity &identity) const;
    // Removes the entry called name that the caller stamped a moment ago and judged with no other
    // call between: that stamp is the one just before the removal, so the gap is as narrow as
    // removeIfUnchanged() leaves it, and stamping again would only add a call. Never follows a
    // link; an entry that became a directory meanwhile stays.
    Expected<Unlink, SystemError> removeJustStamped(const char *name) const;

    // The space of the directory's mount, as it is now.
    Expected<MountSpace, SystemError> space() const;

    // The directory's own permission bits (07777), read through its open handle.
    Expected<mode_t, SystemError> permissions() const;

    // Removes the subdirectory called name if it is empty; ENOTEMPTY when anything is left in
    // it. Never follows a link.
    SystemError removeEmptySubdirectory(const char *name) const;

    // The Trash this directory's files go to, made where it is missing; or why none can be used
    // (see trash.h). The clock must outlive the Trash.
    Expected<Trash, TrashProblem> openTrash(const TrashPlaces &places, const Clock &clock) const;
    // The Trash this directory is or lies in, if any (see trash.h); makes nothing.
    std::optional<TrashProblem> trashHolding(const TrashPlaces &places) const;
    // Moves the entry called name into the Trash, opened for this directory or for one it lies in
    // at the relative path subdirectory, while it is still the file stamped earlier. Unlike a
    // removal this leaves no gap: the file is renamed first and checked where it went, and put
    // back when it is not the file judged.
    Expected<TrashMoved, SystemError>
    moveToTrashIfUnchanged(const char *name, const FileIdentity &judged, const Trash &trash,
                           const QByteArray &subdirectory = {}) const;

private:
    // The open listing; its type stays in directory.cpp, so the system's directory header
    // reaches no one who only uses this class.
    struct Stream;

    int streamFd() const;
    // Lists through a descriptor of its own, so that the listing can end while m_fd stays open.
    void openStream();

    UniqueFd m_fd;
    std::unique_ptr<Stream> m_stream;
    SystemError m_error;
};

} // namespace culler
