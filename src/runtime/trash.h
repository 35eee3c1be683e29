#pragma once

// The Trash that takes the files of one directory, in the freedesktop.org Trash layout (version
// 1.0) that the desktop's own tools (file managers, trash-cli, gio) read:
// found once per run, then each file moved into it by one rename and checked there, so that a
// file changed since it was judged goes back where it was. It never copies a file across devices,
// never overwrites anything already in the Trash, and never deletes; it does not list, restore or
// empty the Trash, and it moves plain files only, never directories.

#include "directory.h"
#include "systemerror.h"

#include <QByteArray>
#include <sys/types.h>
#include <variant>

namespace culler {

class Clock;

// Where the Trash may be, as this user's environment says; tests pass their own.
struct TrashPlaces {
    // The user's own Trash, an absolute path: $XDG_DATA_HOME/Trash where XDG_DATA_HOME is an
    // absolute path, else $HOME/.local/share/Trash. It need not exist yet.
    QByteArray homeTrash;
    // Whose Trash a mount's $topdir/.Trash/$uid and $topdir/.Trash-$uid are.
    uid_t user = 0;

    static TrashPlaces ofThisUser();
};

// Why no Trash can take the files of a directory. Nothing has moved when this is said.
enum class TrashRefusal {
    CannotMake, // a directory of the Trash is missing and could not be made, or not opened
    Unsafe,     // a directory of the Trash is a symbolic link, not a directory, another user's,
                // or on another mount than the files, which would have to be copied
    ReadOnly,   // the Trash is there, but nothing can be written to it (a read-only mount)
    NoPath,     // the directory's own path cannot be told (it has been removed), or no home
};

struct TrashProblem {
    TrashRefusal refusal = TrashRefusal::CannotMake;
    // The directory at fault, for the message.
    QByteArray place;
    SystemError error;
};

enum class TrashMove {
    Moved,
    // Not the file that was judged (rewritten, or another in its place): it has been put back
    // under its name, and nothing of it is in the Trash.
    Changed,
    // Not the file that was judged, and a new file took its name meanwhile: it stays in the
    // Trash, from where the desktop restores it; error is set if the way back failed otherwise.
    LeftInTrash,
    // Nothing moved and nothing was left in the Trash; error says why (ENOENT: the file is gone).
    Failed,
};

struct TrashResult {
    TrashMove result = TrashMove::Failed;
    SystemError error;
    // The file's name in the Trash's files/, once Moved.
    QByteArray trashName = QByteArray();
};

class Trash {
public:
    // Opens the Trash for the files of the open directory directoryFd, making what is missing
    // of it (directories mode 0700), or says why none can be used. The clock gives each file's
    // deletion date and must outlive the Trash.
    //
    // A file on the mount of the home Trash goes there, its original path written absolute.
    // A file on any other mount goes to that mount's $topdir/.Trash/$uid where $topdir/.Trash is
    // a directory with the sticky bit and not a link, else to $topdir/.Trash-$uid; its path is
    // written relative to $topdir. Where others could have put something first ($topdir, a shared
    // .Trash, and files/ and info/ anywhere), only a directory of the user's own, not a link, is
    // used. Mounts are told apart by their mount ids, not by devices: a bind mount shares its
    // device with the file system it shows, but a rename out of it fails all the same, so each
    // bind mount has a Trash of its own at its top. The directory's path is read from
    // /proc/self/fd, so that Path= names it the way the desktop's tools find it.
    static std::variant<Trash, TrashProblem> open(int directoryFd, const TrashPlaces &places,
                                                  const Clock &clock);

    Trash(Trash &&other) noexcept;
    Trash &operator=(Trash &&) = delete;
    Trash(const Trash &) = delete;
    Trash &operator=(const Trash &) = delete;
    ~Trash();

    // Moves the entry called name of the directory the Trash was opened for into the Trash,
    // under a name the Trash does not hold yet (its own, else "NAME.2", "NAME.3"...), and then
    // checks that what moved is the regular file that was judged: same device, inode and
    // modification time to the nanosecond. Its info file is made first, so the desktop never
    // finds a file in the Trash without knowing where it came from; it is removed again whenever
    // the file does not stay. Two threads may move files of one directory at once.
    TrashResult moveIfUnchanged(int directoryFd, const char *name,
                                const FileIdentity &judged) const;

    // The Trash's top directory, which holds files/ and info/.
    const QByteArray &topPath() const { return m_topPath; }

    // The Trash's files/ directory, for messages.
    const QByteArray &filesPath() const { return m_filesPath; }

private:
    Trash(int filesFd, int infoFd, QByteArray topPath, QByteArray filesPath, QByteArray infoHead,
          const Clock &clock);

    // Open for the whole run, so that each file costs no path lookups.
    int m_filesFd = -1;
    int m_infoFd = -1;
    QByteArray m_topPath;
    QByteArray m_filesPath;
    // Every info file's text up to the file's own name: the group line, then "Path=" and the
    // directory's path, already percent-encoded and ending in "/".
    QByteArray m_infoHead;
    const Clock *m_clock;
};

} // namespace culler
