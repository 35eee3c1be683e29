#include "datevalue.h"

#include <cmath>

namespace culler {

namespace {

constexpr double secondsPerDay = 86400.0;

// Days from 1 January 1970 of a proleptic Gregorian date; exact for every year the program
// handles and much cheaper than going through QDate for each file of a large directory.
constexpr long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

constexpr long long epochDay = daysFromCivil(1899, 12, 30);
static_assert(daysFromCivil(1970, 1, 1) == 0);
static_assert(daysFromCivil(1999, 12, 6) - epochDay == 36500);

const QDate epochDate{1899, 12, 30};

} // namespace

bool isInDateRange(DateValue value) {
    return value >= earliestDate && value < latestDate + 1.0;
}

DateValue dateValueOf(QDate date) {
    return static_cast<DateValue>(epochDate.daysTo(date));
}

DateValue dateValueOf(const QDateTime &localDateTime) {
    const QTime time = localDateTime.time();
    const double seconds = time.msecsSinceStartOfDay() / 1000.0;
    return dateValueOf(localDateTime.date()) + seconds / secondsPerDay;
}

std::optional<DateValue> dateValueOfStamp(const timespec &stamp) {
    tm local{};
    if (localtime_r(&stamp.tv_sec, &local) == nullptr)
        return std::nullopt;
    const long long days =
        daysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) -
        epochDay;
    const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return static_cast<double>(days) + seconds / secondsPerDay;
}

DateValue datePart(DateValue value) {
    return std::floor(value);
}

QDate calendarDayOf(DateValue value) {
    return epochDate.addDays(static_cast<qint64>(std::floor(value)));
}

QDateTime localDateTimeOf(DateValue value) {
    const double fraction = value - std::floor(value);
    const auto msecs = static_cast<int>(std::lround(fraction * secondsPerDay * 1000.0));
    return QDateTime(calendarDayOf(value), QTime::fromMSecsSinceStartOfDay(msecs));
}

} // namespace culler
