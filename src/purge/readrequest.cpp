#include "purge/readrequest.h"

#include "runtime/calendar.h"
#include "runtime/number.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace culler {

namespace {

// A date written YYYY-MM-DD, read with no help from the locale, whose digits it may not even
// write this way; nothing for any other text.
std::optional<DateValue> isoDate(const QString &text) {
    static const QRegularExpression iso(
        QStringLiteral("^\\s*([0-9]{4})-([0-9]{2})-([0-9]{2})\\s*$"));
    const QRegularExpressionMatch match = iso.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    if (!date.isValid() || !isInDateRange(dateValueOf(date)))
        return std::nullopt;
    return dateValueOf(date);
}

} // namespace

Expected<DateValue, Refusal> daysCutOff(const QString &daysOld, const Calendar &calendar) {
    const std::optional<double> days = leadingNumber(daysOld);
    if (!days || *days < 0.0)
        return unexpected(Refusal{RequestField::DaysOld, Problem::NotANumber});
    const DateValue value = calendar.today() - *days;
    if (!isInDateRange(value)) {
        Refusal refusal{RequestField::DaysOld, Problem::BeyondCalendar};
        refusal.text = daysOld.trimmed();
        return unexpected(std::move(refusal));
    }
    return value;
}

Expected<DateValue, Refusal> dateCutOff(const QString &beforeDate, const Calendar &calendar,
                                        DateForms forms) {
    std::optional<DateValue> value;
    if (forms == DateForms::IsoShortDate)
        value = isoDate(beforeDate);
    if (!value)
        value = calendar.dateFromText(beforeDate);
    if (value)
        return *value;
    Refusal refusal{RequestField::BeforeDate, Problem::NotADate};
    refusal.text = beforeDate;
    refusal.example = calendar.dateText(calendar.today());
    return unexpected(std::move(refusal));
}

Expected<PurgeJob, Refusal> checkJob(PurgeJob job, const CutOffText &cutOff,
                                     const Calendar &calendar) {
    const std::vector<QByteArray> &patterns = job.patterns;
    if (job.directory.isEmpty())
        return unexpected(Refusal{RequestField::Directory, Problem::Missing});
    if (patterns.empty() ||
        std::find(patterns.begin(), patterns.end(), QByteArray()) != patterns.end())
        return unexpected(Refusal{RequestField::Pattern, Problem::Missing});
    const Expected<DateValue, Refusal> day = cutOff.mode == PurgeMode::Days
                                                 ? daysCutOff(cutOff.text, calendar)
                                                 : dateCutOff(cutOff.text, calendar, cutOff.forms);
    if (!day)
        return unexpected(day.error());
    job.cutOff = *day;
    return job;
}

Expected<PurgeJob, Refusal> readJob(const PurgeRequest &form, const Calendar &calendar) {
    PurgeJob job;
    job.directory = QFile::encodeName(form.directory);
    job.patterns = {QFile::encodeName(form.pattern)};
    job.removal = form.removal;
    job.subfolders = form.subfolders;
    const bool days = form.mode == PurgeMode::Days;
    return checkJob(std::move(job), {form.mode, days ? form.daysOld : form.beforeDate}, calendar);
}

} // namespace culler
