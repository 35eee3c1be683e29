#pragma once

#include <QString>
#include <optional>

namespace culler {

// The number a text starts with, after leading blanks: an optional sign, digits with an optional
// "." fraction, and an optional exponent; "." whatever the locale. Nothing when the text does not
// start with a number, so "20 days" is 20, "1.5" is 1.5 and "abc" or "" is nothing. Values beyond
// a double are infinite, values too small for one are 0.
std::optional<double> leadingNumber(const QString &text);

} // namespace culler
