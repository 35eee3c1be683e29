#pragma once

// Today, now, and dates as text: the clock and the locale's short date format together, so that
// every window and the purge read and write dates the same way.

#include "datevalue.h"

#include <QLocale>
#include <QString>
#include <optional>

namespace culler {

class Clock;

class Calendar {
public:
    Calendar(const Clock &clock, const QLocale &locale);

    // Today's date, at midnight.
    DateValue today() const;
    // Today's date with the time of day.
    DateValue now() const;

    // A date in the short date format, e.g. "11/16/99"; a year that two digits would not name when
    // read back is written in full, e.g. "12/30/1899".
    QString dateText(DateValue value) const;
    // The time of day with seconds and without a time zone, e.g. "10:15:00 AM".
    QString timeText(DateValue value) const;
    // A date read in the short date format; a two-digit year names 1950 to 2049.
    // Four-digit years are accepted too. Nothing when the text names no date, or one outside the
    // dates the program can name.
    std::optional<DateValue> dateFromText(const QString &text) const;

    // The form dateFromText reads, as a person writes it down: "mm/dd/yy" for United States
    // English, "dd.mm.yy" for German, "dd/mm/yyyy" for British English.
    QString dateForm() const;

    const QLocale &locale() const { return m_locale; }

private:
    const Clock &m_clock;
    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
};

} // namespace culler
