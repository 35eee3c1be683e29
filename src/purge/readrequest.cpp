#include "purge/readrequest.h"

#include "runtime/calendar.h"
#include "runtime/number.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace culler {

namespace {

CutOff refused(RequestField field, Problem problem) {
    return {std::nullopt, Refusal{field, problem, {}}};
}

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

CutOff daysCutOff(const QString &daysOld, const Calendar &calendar) {
    const std::optional<double> days = leadingNumber(daysOld);
    if (!days || *days < 0.0)
        return refused(RequestField::DaysOld, Problem::NotANumber);
    const DateValue value = calendar.today() - *days;
    if (!isInDateRange(value))
        return refused(RequestField::DaysOld, Problem::BeyondCalendar);
    return {value, {}};
}

CutOff dateCutOff(const QString &beforeDate, const Calendar &calendar, DateForms forms) {
    std::optional<DateValue> value;
    if (forms == DateForms::IsoShortDate)
        value = isoDate(beforeDate);
    if (!value)
        value = calendar.dateFromText(beforeDate);
    if (!value)
        return refused(RequestField::BeforeDate, Problem::NotADate);
    return {value, {}};
}

CutOff cutOffOf(const PurgeRequest &form, const Calendar &calendar, DateForms forms) {
    if (form.mode == PurgeMode::Days)
        return daysCutOff(form.daysOld, calendar);
    return dateCutOff(form.beforeDate, calendar, forms);
}

Refusal completeJob(PurgeJob &job, const PurgeRequest &form, const Calendar &calendar,
                    DateForms forms) {
    const std::vector<QByteArray> &patterns = job.patterns;
    if (job.directory.isEmpty())
        return Refusal{RequestField::Directory, Problem::Missing};
    if (std::find(patterns.begin(), patterns.end(), QByteArray()) != patterns.end())
        return Refusal{RequestField::Pattern, Problem::Missing};
    const CutOff cutOff = cutOffOf(form, calendar, forms);
    if (cutOff.value)
        job.cutOff = *cutOff.value;
    return cutOff.refusal;
}

JobReading readJob(const PurgeRequest &form, const Calendar &calendar, DateForms forms) {
    PurgeJob job;
    job.directory = QFile::encodeName(form.directory);
    job.patterns = {QFile::encodeName(form.pattern)};
    if (const Refusal refusal = completeJob(job, form, calendar, forms))
        return {std::nullopt, refusal};
    job.removal = form.removal;
    if (job.removal == RemovalKind::Trash)
        job.trash = TrashPlaces::ofThisUser();
    job.namedFiles = 10;
    return {job, {}};
}

} // namespace culler
