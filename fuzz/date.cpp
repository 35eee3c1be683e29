// Date text parsing, on a fixed clock and in United States English (short dates M/d/yy): any text
// is read without a fault, a date read is a whole day within the dates the program can name, and
// the text the program writes for that date reads back as the same date.

#include "property.h"
#include "runtime/calendar.h"
#include "runtime/clock.h"

#include <QLocale>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

class FixedClock final : public culler::Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(1999, 12, 6), QTime(10, 15)); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const FixedClock clock;
    static const culler::Calendar calendar(clock, QLocale(QLocale::English, QLocale::UnitedStates));

    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::optional<culler::DateValue> value =
        calendar.dateFromText(QString::fromUtf8(input.data(), qsizetype(input.size())));
    if (!value)
        return 0;

    using culler::fuzz::require;
    require(*value == std::floor(*value), "a date read is a whole day", input);
    require(culler::isInDateRange(*value), "a date read is one the program can name", input);
    const std::optional<culler::DateValue> again = calendar.dateFromText(calendar.dateText(*value));
    require(again.has_value(), "the date written reads back", input);
    require(*again == *value, "the date written reads back as the same date", input);
    return 0;
}
