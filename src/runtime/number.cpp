#include "number.h"

#include <charconv>
#include <limits>
#include <string>

namespace culler {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
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
    if (error == std::errc::result_out_of_range) {
        const auto exponent = number.find_first_of("eE");
        const bool tiny = exponent != std::string::npos && number[exponent + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

} // namespace culler
