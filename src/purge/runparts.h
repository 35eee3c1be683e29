#pragma once

// What the run over one directory and the run over a tree do alike: find the Trash before
// anything moves, and add what became of each file to the outcome. Inside the engine only.

#include "purge/purge.h"

#include <optional>

namespace culler {

// A run that moves files to the Trash finds it once, in trash, before anything moves; the refusal
// when there is none it can use. A listing run looks for none, so it makes nothing, but it tells
// a directory inside a Trash, as the run it previews would.
std::optional<Refusal> openTrashFor(const PurgeJob &job, const Directory &directory,
                                    std::optional<Trash> &trash);

// Adds what became of the file called name to the outcome; a file removed, or that a listing run
// would remove, is told to the display too.
void tellRemoval(PurgeOutcome &outcome, PurgeDisplay &display, qint64 namedFiles, const char *name,
                 const RemovalOutcome &removal);

// Counts one more trouble, and names it while fewer than namedFiles are named.
void addTrouble(FileTroubles &troubles, qint64 namedFiles, const QByteArray &name,
                SystemError error);

} // namespace culler
