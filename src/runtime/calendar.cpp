#include "calendar.h"

#include "clock.h"

namespace culler {

namespace {

// The locale's time format, made to show seconds and stripped of any time zone.
QString timeFormatWithSeconds(const QLocale &locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QLatin1Char('t'));
    if (!format.contains(QLatin1Char('s'))) {
        const qsizetype minutes = format.lastIndexOf(QLatin1String("mm"));
        if (minutes >= 0)
            format.insert(minutes + 2, QLatin1String(":ss"));
    }
    return format.trimmed();
}

bool hasTwoDigitYear(const QString &format) {
    return format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
}

} // namespace

Calendar::Calendar(const Clock &clock, QLocale locale)
    : m_clock(clock)
    , m_locale(std::move(locale))
    , m_dateFormat(m_locale.dateFormat(QLocale::ShortFormat))
    , m_timeFormat(timeFormatWithSeconds(m_locale)) {}

DateValue Calendar::today() const {
    return dateValueOf(m_clock.now().date());
}

DateValue Calendar::now() const {
    return dateValueOf(m_clock.now());
}

QString Calendar::dateText(DateValue value) const {
    return m_locale.toString(calendarDayOf(value), m_dateFormat);
}

QString Calendar::timeText(DateValue value) const {
    return m_locale.toString(localDateTimeOf(value).time(), m_timeFormat);
}

std::optional<DateValue> Calendar::dateFromText(const QString &text) const {
    const QString trimmed = text.trimmed();
    QDate date = m_locale.toDate(trimmed, m_dateFormat);
    if (date.isValid() && hasTwoDigitYear(m_dateFormat) && date.year() < 1950)
        date = date.addYears(100);
    if (!date.isValid() && hasTwoDigitYear(m_dateFormat)) {
        QString fourDigits = m_dateFormat;
        fourDigits.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        date = m_locale.toDate(trimmed, fourDigits);
    }
    if (!date.isValid())
        return std::nullopt;
    return dateValueOf(date);
}

} // namespace culler
