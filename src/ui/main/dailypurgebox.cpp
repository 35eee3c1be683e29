#include "dailypurgebox.h"

#include "purge/readrequest.h"
#include "runtime/messages.h"
#include "runtime/number.h"
#include "ui/main/rundisplay.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>

namespace culler {

namespace {

// The window waits no longer for systemctl; a manager that takes longer is reported as failing.
constexpr std::chrono::seconds systemctlTimeout{5};

Message question(const QString &prompt) {
    return Message{prompt, MessageStyle::Question, QStringLiteral("Once a Day")};
}

} // namespace

DailyPurgeBox::DailyPurgeBox(QCheckBox &box, MessageBoxes &messages, const Calendar &calendar,
                             RunDisplay &display, std::function<PurgeRequest()> request)
    : m_box(box)
    , m_messages(messages)
    , m_calendar(calendar)
    , m_display(display)
    , m_request(std::move(request))
    , m_purges(QFile::encodeName(QCoreApplication::applicationFilePath()), systemctlTimeout) {
    m_available = !m_purges.whyUnavailable();
    m_box.setToolTip(m_available ? QStringLiteral("Delete the old files of this request every "
                                                  "day, also when Culler is closed")
                                 : QStringLiteral("Daily purges need a systemd user session"));
    m_box.setAccessibleDescription(m_box.toolTip());
    setLocked(false);
    connect(&m_box, &QCheckBox::clicked, this, &DailyPurgeBox::clicked);
    refresh();
}

QString DailyPurgeBox::nameOf(const PurgeRequest &form) const {
    return unitName(absoluteDirectory(QFile::encodeName(form.directory)),
                    QFile::encodeName(form.pattern));
}

void DailyPurgeBox::refresh() {
    const PurgeRequest form = m_request();
    m_box.setChecked(!form.directory.isEmpty() && !form.pattern.isEmpty() &&
                     m_purges.exists(nameOf(form)));
}

void DailyPurgeBox::setLocked(bool locked) {
    m_box.setEnabled(m_available && !locked);
}

void DailyPurgeBox::clicked(bool checked) {
    if (checked)
        setUp();
    else
        takeDown();
    // Whatever was answered or failed, the box shows what is there.
    refresh();
}

void DailyPurgeBox::setUp() {
    const PurgeRequest form = m_request();
    if (form.mode == PurgeMode::Date) {
        m_messages.show(errorMessage(QStringLiteral(
            "A daily purge needs a number of days: a fixed date would delete the same files every "
            "day. Choose \"Delete Files over\" and a number of days.")));
        return;
    }
    PurgeJob job;
    job.directory = QFile::encodeName(form.directory);
    job.patterns = {QFile::encodeName(form.pattern)};
    const Expected<PurgeJob, Refusal> checked = checkDailyJob(job, form.daysOld, m_calendar);
    if (!checked) {
        m_display.refuse(checked.error());
        return;
    }
    const DailyPurge purge{absoluteDirectory(checked->directory), checked->patterns.front(),
                           leadingNumber(form.daysOld).value_or(0), form.removal};
    if (!m_messages.confirm(question(dailyPurgeText(purge))))
        return;
    if (const CommandFailure failure = m_purges.add(purge))
        m_messages.show(errorMessage(*failure));
}

void DailyPurgeBox::takeDown() {
    const QString name = nameOf(m_request());
    const std::optional<DailyPurge> purge = m_purges.read(name);
    const QString what = purge ? dailyPurgeText(*purge) : QStringLiteral("(%1)").arg(name);
    if (!m_messages.confirm(question(QStringLiteral("Stop this daily purge?\n%1").arg(what))))
        return;
    if (const CommandFailure failure = m_purges.remove(name))
        m_messages.show(errorMessage(*failure));
}

} // namespace culler
