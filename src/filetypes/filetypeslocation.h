#pragma once

// Where the pattern list lives: beside the executable for a copy in a directory it can write,
// else in the user's data directory, started as a copy of the list beside the executable.
// Chooses and prepares the place; reads and writes no list itself.

#include <QString>

namespace culler {

enum class DirectoryAccess {
    Writable,
    ReadOnly,
};

// The list file's name, the same in both places.
QString fileTypesFileName();

// Whether a new file can really be created in the directory. Tries it, since permission bits
// say yes to root everywhere and nothing about read-only mounts.
DirectoryAccess directoryAccess(const QString &directory);

// The list file of a program in executableDir. When that directory is read-only, the file in
// dataDir instead: the directory is created if need be and, when it holds no list yet, the
// list beside the executable (if any) is copied there to start from. Without a data directory
// the file beside the executable is all there is.
QString fileTypesLocation(const QString &executableDir, DirectoryAccess executableDirAccess,
                          const QString &dataDir);

} // namespace culler
