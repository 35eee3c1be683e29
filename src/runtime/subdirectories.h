#pragma once

// The directories inside one directory, for a directory list to show. Reads the type the listing
// gives each entry and asks the file system only about links and entries of unknown type, so a
// directory holding a hundred thousand files is read quickly.

#include "runtime/systemerror.h"

#include <QString>
#include <QStringList>

namespace culler {

struct Subdirectories {
    // In listing order. Links to directories are included; hidden names (a leading ".") are not.
    QStringList names;
    SystemError error;
};

Subdirectories subdirectoriesOf(const QString &path);

} // namespace culler
