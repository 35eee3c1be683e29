#include "systemerror.h"

#include <cstring>

namespace culler {

QString SystemError::reason() const {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace culler
