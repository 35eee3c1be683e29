#include "number.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>
#include <string_view>

namespace culler {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Whether a number written out as digits, an optional "." fraction and an optional exponent lies
// below 1 in size: the power of ten of its first significant digit, the exponent included, is
// negative. Neither the sign of the exponent nor the digits alone tell that: "0.<400 zeros>1e5" is
// tiny and "1<400 zeros>e-3" huge. Exponents saturate, so no text overflows the count.
bool isBelowOne(std::string_view number) {
    const std::size_t exponentAt = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, exponentAt);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos)
        return true;
    long long power = first < point ? static_cast<long long>(point - first) - 1
                                    : -static_cast<long long>(first - point);
    if (exponentAt == std::string_view::npos)
        return power < 0;

    constexpr long long saturated = 1'000'000'000'000LL;
    std::size_t at = exponentAt + 1;
    const bool negative = at < number.size() && number[at] == '-';
    if (at < number.size() && (number[at] == '-' || number[at] == '+'))
        ++at;
    long long exponent = 0;
    for (; at < number.size(); ++at)
        exponent = std::min(exponent * 10 + (number[at] - '0'), saturated);
    power += negative ? -exponent : exponent;
    return power < 0;
}

} // namespace

double numberFromText(const QString &text) {
    qsizetype i = 0;
    const qsizetype end = text.size();
    const auto digitsFrom = [&](qsizetype from) {
        qsizetype to = from;
        while (to < end && isDigit(text[to]))
            ++to;
        return to;
    };

    while (i < end && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }

    const qsizetype start = i;
    i = digitsFrom(i);
    bool hasDigits = i > start;
    if (i < end && text[i] == QLatin1Char('.')) {
        const qsizetype fractionEnd = digitsFrom(i + 1);
        hasDigits = hasDigits || fractionEnd > i + 1;
        i = fractionEnd;
    }
    if (!hasDigits)
        return 0.0;

    // An exponent counts only when digits follow it: "2e" is 2.
    if (i < end && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < end && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            ++j;
        const qsizetype exponentEnd = digitsFrom(j);
        if (exponentEnd > j)
            i = exponentEnd;
    }

    const std::string number = text.mid(start, i - start).toStdString();
    double value = 0.0;
    // The scan above only lets through what from_chars accepts; out-of-range values come back as
    // result_out_of_range with value untouched, so they saturate here instead.
    const auto [rest, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        value = isBelowOne(number) ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -value : value;
}

} // namespace culler
