#include "number.h"

#include <cstdlib>
#include <locale.h>
#include <string>

namespace culler {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The "C" locale, so that "." is the decimal point whatever the user's locale says.
locale_t cLocale() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

} // namespace

std::optional<double> leadingNumber(const QString &text) {
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
    const qsizetype start = i;
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;

    const qsizetype integerStart = i;
    i = digitsFrom(i);
    bool hasDigits = i > integerStart;
    if (i < end && text[i] == QLatin1Char('.')) {
        const qsizetype fractionEnd = digitsFrom(i + 1);
        hasDigits = hasDigits || fractionEnd > i + 1;
        i = fractionEnd;
    }
    if (!hasDigits)
        return std::nullopt;

    // An exponent counts only when digits follow it: "2e" is 2.
    if (i < end && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < end && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            ++j;
        const qsizetype exponentEnd = digitsFrom(j);
        if (exponentEnd > j)
            i = exponentEnd;
    }

    // Only ASCII got through the scan, and strtod reads all of it: huge values come back
    // infinite and tiny ones as 0 or subnormal, never NaN.
    const std::string number = text.mid(start, i - start).toStdString();
    return ::strtod_l(number.c_str(), nullptr, cLocale());
}

} // namespace culler
