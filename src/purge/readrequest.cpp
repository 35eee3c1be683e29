#include "purge/readrequest.h"

#include "purge/purgearguments.h"
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

// The size a form's box gives, nothing for an empty box, or why its text gives none.
Expected<std::optional<SpaceAmount>, Refusal> spaceOf(const QString &text, RequestField field) {
    if (text.trimmed().isEmpty())
        return std::optional<SpaceAmount>();
    const bool sharesAllowed = field == RequestField::KeepFree;
    if (const std::optional<SpaceAmount> space = spaceFromText(text.toUtf8(), sharesAllowed))
        return space;
    Refusal refusal{field, Problem::NotASize};
    refusal.text = text.trimmed();
    return unexpected(std::move(refusal));
}

// The size cap or free-space goal of the form, into the job.
std::optional<Refusal> readSpaceRule(const PurgeRequest &form, PurgeJob &job) {
    const auto cap = spaceOf(form.maxSize, RequestField::MaxSize);
    if (!cap)
        return cap.error();
    const auto free = spaceOf(form.keepFree, RequestField::KeepFree);
    if (!free)
        return free.error();
    if (*cap && *free)
        return Refusal{RequestField::KeepFree, Problem::TwoSpaceRules};
    if (*cap) {
        job.spaceRule = SpaceRule::SizeCap;
        job.space = **cap;
    } else if (*free) {
        // The run would refuse it too, but only once it has opened the directory.
        if (job.removal == RemovalKind::Trash)
            return Refusal{RequestField::KeepFree, Problem::TrashFreesNoSpace};
        job.spaceRule = SpaceRule::KeepFree;
        job.space = **free;
    }
    return std::nullopt;
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

Expected<DateValue, Refusal> trashDaysCutOff(const QString &trashDays, const Calendar &calendar) {
    const Expected<DateValue, Refusal> cutOff = daysCutOff(trashDays, calendar);
    if (cutOff)
        return cutOff;
    Refusal refusal = cutOff.error();
    refusal.field = RequestField::TrashDays;
    return unexpected(std::move(refusal));
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
    Expected<PurgeJob, Refusal> checked =
        checkJob(std::move(job), {form.mode, days ? form.daysOld : form.beforeDate}, calendar);
    if (!checked)
        return checked;
    if (std::optional<Refusal> refusal = readSpaceRule(form, *checked))
        return unexpected(*std::move(refusal));
    // Without the Trash the box is not in use, whatever it still holds.
    if (form.removal != RemovalKind::Trash || form.trashDays.trimmed().isEmpty())
        return checked;
    const Expected<DateValue, Refusal> emptied = trashDaysCutOff(form.trashDays, calendar);
    if (!emptied)
        return unexpected(emptied.error());
    checked->trashEmptying = TrashEmptying{*emptied, calendar.today()};
    return checked;
}

} // namespace culler
