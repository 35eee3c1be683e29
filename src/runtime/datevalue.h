#pragma once

// Dates as the program counts them: days since 30 December 1899 on the local wall clock, the
// fraction being the time of day. Subtracting n from a date gives the date n days earlier.

#include <QDate>
#include <QDateTime>
#include <ctime>
#include <optional>

namespace culler {

using DateValue = double;

// The dates the program can name: 1 January 100 to 31 December 9999.
inline constexpr DateValue earliestDate = -657434.0;
inline constexpr DateValue latestDate = 2958465.0;

bool isInDateRange(DateValue value);

// The value of a calendar day at midnight, and of a wall-clock date and time.
DateValue dateValueOf(QDate date);
DateValue dateValueOf(const QDateTime &localDateTime);

// The value of a file time stamp, read on the local wall clock; nothing when the local calendar
// cannot name its day (a stamp billions of years away, as some file systems will store).
std::optional<DateValue> dateValueOfStamp(const timespec &stamp);

// The calendar day of a value, at midnight: the time of day dropped.
DateValue datePart(DateValue value);

QDate calendarDayOf(DateValue value);
QDateTime localDateTimeOf(DateValue value);

} // namespace culler
