#include "calendar.h"

#include "clock.h"

#include <QCalendar>

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

QString withFourDigitYear(QString format) {
    return format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
}

// The years a two-digit year names when it is read.
constexpr int firstTwoDigitYear = 1950;
constexpr int lastTwoDigitYear = 2049;

// Qt reads two digits as a year from 1900 to 1999, and 1900 had no 29 February while 2000 had.
// The Julian calendar gives every fourth year a leap day, as the years 1950 to 2049 have, so
// reading in it checks the day against the year meant; the day and month then carry over.
QDate readTwoDigitYear(const QLocale &locale, const QString &text, const QString &format) {
    const QCalendar julian(QCalendar::System::Julian);
    const QDate read = locale.toDate(text, format, julian);
    if (!read.isValid())
        return {};
    const QCalendar::YearMonthDay parts = julian.partsFromDate(read);
    const int year = parts.year < firstTwoDigitYear ? parts.year + 100 : parts.year;
    return QDate(year, parts.month, parts.day);
}

// A date in the format, a two-digit year naming 1950 to 2049, four digits read too.
QDate readDate(const QLocale &locale, const QString &text, const QString &format) {
    if (!hasTwoDigitYear(format))
        return locale.toDate(text, format);
    const QDate date = readTwoDigitYear(locale, text, format);
    return date.isValid() ? date : locale.toDate(text, withFourDigitYear(format));
}

// The text with the digits of scripts beyond Unicode's first plane (Adlam, Chakma...) as ASCII
// digits: Qt 6.4 writes dates in them but does not read them back.
QString withAsciiDigits(const QString &text) {
    QString ascii;
    for (const char32_t c : text.toUcs4()) {
        const int digit = QChar::digitValue(c);
        if (digit >= 0 && QChar::requiresSurrogates(c))
            ascii += QChar(u'0' + digit);
        else
            ascii += QString::fromUcs4(&c, 1);
    }
    return ascii;
}

// The letters a person writes for a field of `count` format letters `letter`: a day or a month
// is two digits at most, so "d" and "dd" are both "dd"; a year keeps its length.
QString writtenField(QChar letter, qsizetype count) {
    switch (letter.unicode()) {
    case u'd':
        return count <= 2 ? QStringLiteral("dd") : QString(count, u'd');
    case u'M':
        return count <= 2 ? QStringLiteral("mm") : QString(count, u'm');
    default:
        return QString(count, letter);
    }
}

} // namespace

Calendar::Calendar(const Clock &clock, const QLocale &locale)
    : m_clock(clock)
    , m_locale(locale)
    , m_dateFormat(m_locale.dateFormat(QLocale::ShortFormat))
    , m_timeFormat(timeFormatWithSeconds(m_locale)) {}

DateValue Calendar::today() const {
    return dateValueOf(m_clock.now().date());
}

DateValue Calendar::now() const {
    return dateValueOf(m_clock.now());
}

QString Calendar::dateText(DateValue value) const {
    const QDate date = calendarDayOf(value);
    // Two digits of any other year would read back as a day a century or more away, so such a
    // year is written in full.
    if (hasTwoDigitYear(m_dateFormat) &&
        (date.year() < firstTwoDigitYear || date.year() > lastTwoDigitYear))
        return m_locale.toString(date, withFourDigitYear(m_dateFormat));
    return m_locale.toString(date, m_dateFormat);
}

QString Calendar::dateForm() const {
    QString form;
    for (qsizetype at = 0; at < m_dateFormat.size();) {
        const QChar letter = m_dateFormat.at(at);
        if (letter == u'\'') {
            // Quoted text stands as it is; two quotes are one.
            const qsizetype end = m_dateFormat.indexOf(u'\'', at + 1);
            if (end == at + 1)
                form += letter;
            else
                form += m_dateFormat.mid(at + 1, end < 0 ? -1 : end - at - 1);
            at = end < 0 ? m_dateFormat.size() : end + 1;
            continue;
        }
        qsizetype count = 1;
        while (at + count < m_dateFormat.size() && m_dateFormat.at(at + count) == letter)
            ++count;
        form += letter.isLetter() ? writtenField(letter, count) : QString(count, letter);
        at += count;
    }
    return form;
}

QString Calendar::timeText(DateValue value) const {
    return m_locale.toString(localDateTimeOf(value).time(), m_timeFormat);
}

std::optional<DateValue> Calendar::dateFromText(const QString &text) const {
    const QString trimmed = text.trimmed();
    QDate date = readDate(m_locale, trimmed, m_dateFormat);
    const QString ascii = withAsciiDigits(trimmed);
    if (!date.isValid() && ascii != trimmed)
        date = readDate(QLocale::c(), ascii, m_dateFormat);
    if (!date.isValid())
        return std::nullopt;
    // Qt reads years before 100 too; the program names no date before 1 January 100.
    const DateValue value = dateValueOf(date);
    if (!isInDateRange(value))
        return std::nullopt;
    return value;
}

} // namespace culler
