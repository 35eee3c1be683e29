#include "subdirectories.h"

#include "directory.h"

#include <QFile>

namespace culler {

Subdirectories subdirectoriesOf(const QString &path) {
    Subdirectories result;
    Directory directory(path);
    while (const char *name = directory.nextSubdirectoryName())
        result.names.append(QFile::decodeName(name));
    result.error = directory.error();
    return result;
}

} // namespace culler
