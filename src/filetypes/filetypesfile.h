#pragma once

// Load and save of the pattern list file, filetypes.dat, in the runtime's sequential-file format.
// Reports failures as messages for the caller to show; shows nothing and knows no widgets.

#include "runtime/messages.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace culler {

struct FileTypesLoad {
    // The fields in file order.
    QStringList patterns;
    // Set when the file exists but could not be read: title "Error!!", critical style, naming
    // the file and the reason.
    std::optional<Message> error;
};

class FileTypesFile {
public:
    explicit FileTypesFile(QString path);

    const QString &path() const;

    // Largest file taken for a pattern list; anything bigger is something else put in its place.
    static constexpr qint64 largestList = 4 * 1024 * 1024;

    // A missing file loads as an empty list, with no error. Anything but a regular file (a pipe, a
    // device, a directory...), a file larger than largestList or one holding NUL bytes is not a
    // pattern list: it is reported, the list starts empty, and the file is never read from in a
    // way that could wait for ever.
    FileTypesLoad load();
    // Writes a new file beside the old one and renames it over, so a failure leaves the old
    // list whole. Returns nothing on success, otherwise a message naming the file and the
    // reason. Writes only after a load that read the file or found none: never before the list
    // was loaded, so an empty list cannot replace the user's, and never over a file that could
    // not be read.
    std::optional<Message> save(const QStringList &patterns);

private:
    enum class State {
        NotLoaded,
        Loaded, // read, or found missing
        Unreadable,
    };

    QString m_path;
    // Unreadable: the file existed but could not be read, and saving over it would lose the
    // user's list. NotLoaded: what the file holds is not known yet.
    State m_state = State::NotLoaded;
};

} // namespace culler
