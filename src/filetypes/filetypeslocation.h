#pragma once

// Where the pattern list lives. A copy of the program marked portable, as a build tree is, keeps
// it beside the executable; every other copy, an installed one above all, keeps it in the user's
// data directory whoever runs it, root included, so the package's own list is never written and
// an upgrade replaces nothing of the user's. That list starts as a copy of the one beside the
// executable. Chooses and prepares the place; reads and writes no list itself.

#include "runtime/messages.h"

#include <QString>
#include <optional>

namespace culler {

enum class DirectoryAccess {
    Writable,
    ReadOnly,
};

// The list file's name, the same in both places.
QString fileTypesFileName();

// The file whose presence beside the executable marks a copy as portable. The build puts one
// beside the program it builds; installing leaves it out.
QString portableMarkerName();

// Whether a new file can really be created in the directory. Tries it, since permission bits
// say yes to root everywhere and nothing about read-only mounts.
DirectoryAccess directoryAccess(const QString &directory);

struct FileTypesLocation {
    QString path;
    // Set when the user's list could not be started from the one beside the executable,
    // naming both and the reason; to be told once, at start. The list then starts empty.
    std::optional<Message> problem;
};

// The list file of a program in executableDir: beside it when the directory holds the portable
// marker and can be written, else in dataDir. There the directory is created if need be and,
// when it holds no list yet, the list beside the executable is copied to start from.
FileTypesLocation fileTypesLocation(const QString &executableDir, const QString &dataDir);

// The same for this program: its own directory, and the data directory of its application name.
FileTypesLocation fileTypesLocationOfThisProgram();

} // namespace culler
