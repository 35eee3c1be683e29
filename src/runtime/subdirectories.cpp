#include "subdirectories.h"

#include <QFile>

namespace culler {

Subdirectories subdirectoriesOf(const QString &path) {
    Subdirectories result;
    Directory directory(path);
    while (const dirent *entry = directory.nextVisibleEntry()) {
        if (directory.leadsToDirectory(*entry))
            result.names.append(QFile::decodeName(entry->d_name));
    }
    result.error = directory.error();
    return result;
}

} // namespace culler
