#pragma once

// Where the program learns the date and time. Injected, so tests run on a clock they set.

#include <QDateTime>

namespace culler {

class Clock {
public:
    virtual ~Clock() = default;
    // The local wall-clock date and time.
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace culler
