#pragma once

// The newest files a run has seen so far, up to a number: those it keeps whatever their age. A
// file offered is either taken in, or known at once not to be among the newest, and then so is
// the oldest it pushes out; either way that file can be judged by the cut-off at once. So only
// the files that may still be among the newest wait, never more than the number asked for, and
// memory grows with that number, not with the directory.

#include "runtime/directory.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace culler {

struct TreeFolder;

class NewestFiles {
public:
    struct File {
        // Below a subdirectory, the path relative to the run's directory ("logs/a.log").
        std::string name;
        FileStamp stamp;
        // In a run with subfolders, the directory the file is in, kept open while the file waits.
        std::shared_ptr<TreeFolder> folder;
    };

    explicit NewestFiles(std::size_t count)
        : m_count(count) {}

    // Takes file in and returns the file now known not to be among the newest: file itself, or
    // the one it pushed out; nothing while fewer than the number have been offered.
    std::optional<File> offer(File file);

    // The files still among the newest.
    std::size_t size() const { return m_heap.size(); }
    // Lets every file go, and with them the directories they kept open.
    void clear() { m_heap.clear(); }

    // Of two files, whether one is newer: a later modification time, or the same one and a name
    // (a path, in a tree) that sorts later in byte order, so that a run chooses the same files
    // every time.
    static bool isNewer(const File &one, const File &other);

private:
    std::size_t m_count;
    // A heap ordered by isNewer, so that its first file is the oldest of the newest.
    std::vector<File> m_heap;
};

} // namespace culler
