#pragma once

// Why a request was not carried out, as a value: which input is at fault, what is wrong with it,
// the texts its message quotes and, for a directory or the Trash, the system's error. The words
// module tells it with nothing else; nothing was touched.

#include "purge/purgejob.h"
#include "runtime/systemerror.h"

#include <QByteArray>
#include <QString>

namespace culler {

enum class Problem {
    Missing,           // the input is empty
    NotANumber,        // a days text that starts with no number, or with a negative one
    BeyondCalendar,    // so many days that today minus them names no date
    NotADate,          // a date text that names no date of the calendar
    NotASize,          // a size text that names no size (or, for a size cap, a share)
    TwoSpaceRules,     // both a size cap and a free-space goal, where a run keeps to one
    Unreadable,        // the directory cannot be opened or listed; error says why
    NoTrash,           // no Trash can take the directory's files: none could be made, or found
    UnsafeTrash,       // the Trash found is a link, another user's, or on another mount
    ReadOnlyTrash,     // the Trash cannot be written to
    InsideTrash,       // the directory is a Trash or lies inside one, so its files cannot go there
    NoSafeMove,        // the Trash's mount can move a file only by risking another's place
    TrashFreesNoSpace, // a free-space goal with the Trash, which is on the directory's own mount
    NoMountSpace,      // the space of the directory's mount cannot be read; error says why
    UnlistableTop,     // a mount's top cannot be listed, so whether the directory is in a Trash
                       // is unknown
};

struct Refusal {
    Refusal(RequestField field_, Problem problem_)
        : field(field_)
        , problem(problem_) {}

    RequestField field;
    Problem problem;
    SystemError error;
    // The directory of the request, as given, for the problems of a directory or a Trash.
    QByteArray directory;
    // The days, date or size text at fault, as typed.
    QString text;
    // For a date that is not one: today's date written in a form that is read back.
    QString example;
    // The directory of the Trash a problem is about; empty where none could be named.
    QByteArray place;

    // No Trash can take the files of directory, as the problem says.
    static Refusal ofTrash(const TrashProblem &problem, const QByteArray &directory);

    // The directory could not be opened or listed.
    static Refusal unreadableDirectory(const QByteArray &directory, SystemError error) {
        Refusal refusal{RequestField::Directory, Problem::Unreadable};
        refusal.directory = directory;
        refusal.error = error;
        return refusal;
    }
};

} // namespace culler
