// Number from text: never NaN whatever the text, and on plain ASCII text the same value as the C
// library's strtod, in the "C" locale, gives for the longest start of the text (after blanks) that
// is a number: an optional sign, digits with an optional "." fraction, an optional exponent.

#include "runtime/number.h"
#include "property.h"

#include <QString>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>
#include <string_view>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t digitsFrom(std::string_view text, std::size_t at) {
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at;
}

// The number the text starts with, written out for strtod; empty when there is none.
std::string leadingNumber(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    std::size_t at = start;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    const std::size_t integerEnd = digitsFrom(text, at);
    std::size_t end = integerEnd;
    bool hasDigits = integerEnd > at;
    if (end < text.size() && text[end] == '.') {
        const std::size_t fractionEnd = digitsFrom(text, end + 1);
        hasDigits = hasDigits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!hasDigits)
        return {};
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        const std::size_t exponentEnd = digitsFrom(text, exponent);
        if (exponentEnd > exponent)
            end = exponentEnd;
    }
    return std::string(text.substr(start, end - start));
}

double referenceValue(std::string_view text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const std::string number = leadingNumber(text);
    if (number.empty())
        return 0.0;
    return strtod_l(number.c_str(), nullptr, cLocale);
}

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const double value =
        culler::leadingNumber(QString::fromUtf8(input.data(), qsizetype(input.size())))
            .value_or(0.0);

    using culler::fuzz::require;
    require(!std::isnan(value), "the value is a number", input);
    if (isAscii(input))
        require(value == referenceValue(input), "the value is strtod's", input);
    return 0;
}
