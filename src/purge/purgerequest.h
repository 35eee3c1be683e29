#pragma once

// What the user asks to purge, as the main window shows it: plain texts as typed, and the choice
// between deleting and the Trash, read afresh by every run and every summary.

#include <QString>

namespace culler {

enum class PurgeMode {
    Days, // older than a number of days before today
    Date, // on or before a given date
};

// What becomes of a file a purge removes.
enum class RemovalKind {
    Delete,
    Trash, // moved to the user's Trash, from where the desktop restores it
};

struct PurgeRequest {
    QString directory;
    QString pattern;
    PurgeMode mode = PurgeMode::Days;
    QString daysOld;
    QString beforeDate;
    RemovalKind removal = RemovalKind::Delete;
};

// The input a message is about, which gets the focus once it is read.
enum class RequestField {
    None,
    Directory,
    Pattern,
    DaysOld,
    BeforeDate,
};

} // namespace culler
