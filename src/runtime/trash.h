#pragma once

// The Trash that takes the files of one directory, in the freedesktop.org Trash layout (version
// 1.0) that the desktop's own tools (file managers, trash-cli, gio) read:
// found once per run, then each file moved into it by one rename and checked there, so that a
// file changed since it was judged goes back where it was. It never copies a file across devices,
// never overwrites anything already in the Trash, and never deletes; it does not list, restore or
// empty the Trash, and it moves plain files only, never directories.

#include "directory.h"
#include "expected.h"
#include "systemerror.h"
#include "uniquefd.h"

#include <QByteArray>
#include <optional>
#include <sys/types.h>

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
    // The directory is a Trash, or lies inside one: its files are the Trash's own, and moving
    // them would part them from their info files. place is the Trash.
    InsideTrash,
    // The mount cannot rename without overwriting, nor make a hard link, so no file can be moved
    // there without risking another's place. place is the mount, error the link's answer.
    NoSafeMove,
    // The top of a mount the directory lies on could not be listed to the end, so a Trash there
    // may have been missed. place is the mount, error the listing's answer.
    Unlistable,
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
    // Trash, from where the desktop restores it.
    LeftInTrash,
};

// What became of a file that went into the Trash. A move that failed, with nothing moved and
// nothing left in the Trash, is an error instead (ENOENT: the file is gone).
struct TrashMoved {
    TrashMove result = TrashMove::Moved;
    // For a file left in the Trash, why it could not go back when its name was not taken.
    SystemError wayBack;
    // The file's name in the Trash's files/, once Moved.
    QByteArray trashName = QByteArray();
};

// Whether the open directory directoryFd is a Trash or lies inside one: the home Trash, or a
// `.Trash` or `.Trash-*` directory at the top of a mount, their files/ and info/ among them. Told
// by device and inode, walking up from the directory through "..", so no spelling of the path
// (links, "..", bind mounts) hides it. Makes nothing; a listing run asks this too.
std::optional<TrashProblem> trashHolding(int directoryFd, const TrashPlaces &places);

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
    //
    // A directory that is a Trash or lies in one is refused (see trashHolding). Where the mount
    // refuses RENAME_NOREPLACE (some FUSE, CIFS and NFS setups), files are hard-linked into the
    // Trash and unlinked from the directory once checked; where it takes no hard link either, the
    // Trash is refused here, before anything moves. One empty file in info/, which no reader takes
    // for an info file, tries the mount's answer once.
    static Expected<Trash, TrashProblem> open(int directoryFd, const TrashPlaces &places,
                                              const Clock &clock);

    // Moves the entry called name of the directory the Trash was opened for into the Trash,
    // under a name the Trash does not hold yet (its own, else "NAME.2", "NAME.3"...), and then
    // checks that what moved is the regular file that was judged: same device, inode and
    // modification time to the nanosecond. Its info file is made first, so the desktop never
    // finds a file in the Trash without knowing where it came from; it is removed again whenever
    // the file does not stay. Two threads may move files of one directory at once.
    //
    // A file of a directory below the one the Trash was opened for (on the same mount) moves the
    // same way: directoryFd is then that directory, and subdirectory its path relative to the one
    // the Trash was opened for ("logs/2024"), so that the info file names where the file was.
    Expected<TrashMoved, SystemError> moveIfUnchanged(int directoryFd, const char *name,
                                                      const FileIdentity &judged,
                                                      const QByteArray &subdirectory = {}) const;

    // How a file leaves its directory for the Trash without ever replacing another.
    enum class Route {
        Rename,       // renameat2 with RENAME_NOREPLACE
        LinkAndUnlink // linkat, which never replaces, then unlinkat of the original once checked
    };

    // The Trash's top directory, which holds files/ and info/.
    const QByteArray &topPath() const { return m_topPath; }
    // The path of the directory whose files it takes, as the kernel names it: where they were.
    const QByteArray &directoryPath() const { return m_directoryPath; }

private:
    // An info file's text for the entry called name of the directory, or of its subdirectory.
    QByteArray infoText(const char *name, const QByteArray &subdirectory) const;

    Trash(UniqueFd filesFd, UniqueFd infoFd, QByteArray topPath, QByteArray directoryPath,
          QByteArray infoHead, Route route, const Clock &clock);

    // Open for the whole run, so that each file costs no path lookups.
    UniqueFd m_filesFd;
    UniqueFd m_infoFd;
    QByteArray m_topPath;
    QByteArray m_directoryPath;
    // Every info file's text up to the file's own name: the group line, then "Path=" and the
    // directory's path, already percent-encoded and ending in "/".
    QByteArray m_infoHead;
    Route m_route = Route::Rename;
    const Clock *m_clock;
};

} // namespace culler
