#pragma once

#include <QString>

namespace culler {

// The value of the number a text starts with, after leading blanks: an optional sign, digits with
// an optional "." fraction, and an optional exponent; "." whatever the locale. 0 when the text
// starts with no number, so "20 days" is 20, "1.5" is 1.5 and "abc" or "" is 0.
double numberFromText(const QString &text);

} // namespace culler
