#pragma once

// Why a request was not carried out, as a value: which input is at fault, what is wrong with it
// and, for a directory, the system's error. Each caller puts it into its own words; nothing was
// touched.

#include "purge/purgerequest.h"
#include "runtime/systemerror.h"

namespace culler {

enum class Problem {
    None,
    Missing,        // the input is empty
    NotANumber,     // a days text that starts with no number, or with a negative one
    BeyondCalendar, // so many days that today minus them names no date
    NotADate,       // a date text that names no date of the calendar
    Unreadable,     // the directory cannot be opened or listed; error says why
};

struct Refusal {
    RequestField field = RequestField::None;
    Problem problem = Problem::None;
    SystemError error;

    explicit operator bool() const { return problem != Problem::None; }
};

} // namespace culler
