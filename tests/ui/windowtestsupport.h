#pragma once

// What every window in a test is made with: chosen volumes, a fixed clock and calendar, and
// message boxes that record.

#include "runtime/calendar.h"
#include "testsupport.h"

namespace culler::test {

struct WindowEnvironment {
    FixedVolumes volumes;
    FixedClock clock{exampleNow()};
    Calendar calendar{clock, testLocale()};
    RecordingMessageBoxes messages;
};

} // namespace culler::test
