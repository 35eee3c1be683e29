#include "runtime/applicationinfo.h"

namespace culler {

QString applicationTitle() {
    return QStringLiteral(CULLER_TITLE);
}

QString applicationVersion() {
    return QStringLiteral("%1.%2.%3")
        .arg(CULLER_VERSION_MAJOR)
        .arg(CULLER_VERSION_MINOR)
        .arg(CULLER_VERSION_REVISION);
}

} // namespace culler
