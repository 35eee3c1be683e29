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

    // A missing file loads as an empty list, with no error.
    FileTypesLoad load();
    // Writes a new file beside the old one and renames it over, so a failure leaves the old
    // list whole. Returns nothing on success, otherwise a message naming the file and the
    // reason. Refuses to replace a file that existed but could not be read at the last load.
    std::optional<Message> save(const QStringList &patterns);

private:
    QString m_path;
    // The file existed but could not be read: saving over it would lose the user's list.
    bool m_lastLoadFailed = false;
};

} // namespace culler
