#pragma once

// The items of the user's own Trashes, as emptying them sees them: the home Trash and, at the top
// of each mount, .Trash/$uid (where .Trash is a sticky directory, not a link) and .Trash-$uid;
// every one a directory of the user's own reached without a link, with files/ and info/ the same.
// Another user's Trash is never opened. Items are removed relative to the Trash's open
// directories: a link as the link, a folder with everything in it, never through a link inside
// and never onto another mount. It judges nothing; purge/trashexpiry.h says what goes.

#include "expected.h"
#include "systemerror.h"
#include "trash.h"
#include "uniquefd.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace culler {

struct OwnTrash {
    UniqueFd top;
    UniqueFd files;
    UniqueFd info;
    // The Trash's own path, and the directory its info files' relative paths start from (the
    // mount's top; empty for the home Trash, whose paths are absolute).
    QByteArray path;
    QByteArray mountTop;
};

// The user's Trashes that exist, each once however many mounts show it; a Trash whose files/ or
// info/ is missing holds nothing. mountTops are the mounts to look at the top of.
std::vector<OwnTrash> ownTrashes(const TrashPlaces &places,
                                 const std::vector<QByteArray> &mountTops);

// The top directories of the mounted file systems.
std::vector<QByteArray> mountedTops();

// Calls each with the name of every regular file of info/ ending in ".trashinfo"; the error that
// ended the listing early, if any.
SystemError forEachInfoFile(const OwnTrash &trash, const std::function<void(const char *)> &each);

// The text of the info file called name: a regular file of at most 64 KiB.
Expected<QByteArray, SystemError> readInfoFile(const OwnTrash &trash, const char *name);

enum class ItemKind {
    Missing,
    Folder,
    Other, // a file, a link, anything but a folder
};

// What the entry called name of files/ is, never following a link.
Expected<ItemKind, SystemError> itemKind(const OwnTrash &trash, const char *name);

// Removes the entry called name of files/ for good: a folder with all it holds, deepest first. A
// mount point inside is left with what holds it (EXDEV); the first error met is returned, and as
// much is removed as can be.
SystemError removeItem(const OwnTrash &trash, const char *name);

// Removes the info file called name.
SystemError removeInfoFile(const OwnTrash &trash, const char *name);

// Drops the lines of the Trash's directorysizes cache that name the folders given (names in
// files/), by writing the cache anew beside it and renaming it over; nothing where there is none.
SystemError forgetFolderSizes(const OwnTrash &trash, const std::vector<QByteArray> &folders);

} // namespace culler
