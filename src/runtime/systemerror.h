#pragma once

// An operating-system error as a value: the errno of a failed call, kept with the result it
// spoils, and its reason in words for a message. Knows nothing of files or directories.

#include <QString>

namespace culler {

// An operating-system error number with its readable reason; 0 is success. A call that returns
// one must be looked at: an error dropped unread is a failure told as success.
struct [[nodiscard]] SystemError {
    int code = 0;

    explicit operator bool() const { return code != 0; }
    QString reason() const;
};

} // namespace culler
