#pragma once

// Why a request was not carried out, as a value: which input is at fault, what is wrong with it
// and, for a directory or the Trash, the system's error. Each caller puts it into its own words;
// nothing was touched.

#include "purge/purgerequest.h"
#include "runtime/systemerror.h"

#include <QByteArray>
#include <utility>

namespace culler {

enum class Problem {
    None,
    Missing,        // the input is empty
    NotANumber,     // a days text that starts with no number, or with a negative one
    BeyondCalendar, // so many days that today minus them names no date
    NotADate,       // a date text that names no date of the calendar
    Unreadable,     // the directory cannot be opened or listed; error says why
    NoTrash,        // no Trash can take the directory's files: none could be made, or found
    UnsafeTrash,    // the Trash found is a link, another user's, or on another mount
    ReadOnlyTrash,  // the Trash cannot be written to
    InsideTrash,    // the directory is a Trash or lies inside one, so its files cannot go there
    NoSafeMove,     // the Trash's mount can move a file only by risking another's place
};

struct Refusal {
    Refusal() = default;
    Refusal(RequestField field_, Problem problem_, SystemError error_ = {}, QByteArray place_ = {})
        : field(field_)
        , problem(problem_)
        , error(error_)
        , place(std::move(place_)) {}

    RequestField field = RequestField::None;
    Problem problem = Problem::None;
    SystemError error;
    // The directory a problem of the Trash is about; empty where none could be named.
    QByteArray place;

    // The directory could not be opened or listed.
    static Refusal unreadableDirectory(SystemError error) {
        return Refusal{RequestField::Directory, Problem::Unreadable, error};
    }

    explicit operator bool() const { return problem != Problem::None; }
};

} // namespace culler
