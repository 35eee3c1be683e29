#include "dailypurgebox.h"

#include "purge/purgearguments.h"
#include "purge/readrequest.h"
#include "runtime/messages.h"
#include "ui/main/rundisplay.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <system_error>
#include <utility>

namespace culler {

namespace {

// A systemctl call gets no longer than this; a manager that takes longer is reported as failing.
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
    connect(&m_task, &TaskSignals::finished, this, &DailyPurgeBox::answered);
    connect(&m_box, &QCheckBox::clicked, this, &DailyPurgeBox::clicked);
    showAvailability();
    refresh();
    ask(Call::Probe, [](const DailyPurges &purges) { return purges.whyUnavailable(); });
}

QString DailyPurgeBox::nameOf(const PurgeRequest &form) const {
    return unitName(absoluteDirectory(QFile::encodeName(form.directory)),
                    {QFile::encodeName(form.pattern)});
}

void DailyPurgeBox::refresh() {
    const PurgeRequest form = m_request();
    m_box.setChecked(!form.directory.isEmpty() && !form.pattern.isEmpty() &&
                     m_purges.exists(nameOf(form)));
}

void DailyPurgeBox::setLocked(bool locked) {
    m_locked = locked;
    enable();
}

void DailyPurgeBox::enable() {
    m_box.setEnabled(m_available && !m_locked && !m_asking);
}

void DailyPurgeBox::showAvailability() {
    if (m_asking == Call::Probe)
        m_box.setToolTip(QStringLiteral("Asking whether a systemd user session can run daily "
                                        "purges"));
    else if (m_available)
        m_box.setToolTip(QStringLiteral("Delete the old files of this request every day, also "
                                        "when Culler is closed"));
    else
        m_box.setToolTip(QStringLiteral("Daily purges need a systemd user session"));
    m_box.setAccessibleDescription(m_box.toolTip());
}

void DailyPurgeBox::ask(Call call, std::function<CommandFailure(const DailyPurges &)> work) {
    m_asking = call;
    enable();
    showAvailability();
    // The work holds its own copy of everything it uses: nothing of the window's crosses over.
    auto task = [purges = m_purges,
                 work = std::move(work)](BackgroundTask<CommandFailure>::Context &) {
        return work(purges);
    };
    try {
        // Nothing else is asked while the box is locked, so the start cannot be refused.
        m_task.start(task);
    } catch (const std::system_error &) {
        // No thread to be had: the window waits this once rather than losing the change.
        m_task.runHere(task);
    }
}

void DailyPurgeBox::answered() {
    const std::optional<CommandFailure> failure = m_task.takeResult();
    if (!failure)
        return;
    const std::optional<Call> call = std::exchange(m_asking, std::nullopt);
    if (call == Call::Probe)
        m_available = !*failure;
    else if (*failure)
        m_messages.show(errorMessage(**failure));
    showAvailability();
    enable();
    // Whatever was answered or failed, the box shows what is there.
    refresh();
}

void DailyPurgeBox::clicked(bool checked) {
    if (checked)
        setUp();
    else
        takeDown();
    if (!m_asking)
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
    // A text Delete Old Files would refuse is refused here in the same words, before a unit that
    // leaves it out is written.
    if (const Expected<PurgeJob, Refusal> job = readJob(form, m_calendar); !job) {
        m_display.refuse(job.error());
        return;
    }
    const PurgeArguments arguments = argumentsOf(form);
    if (const OptionProblem problem = notCarriedDaily(arguments)) {
        m_messages.show(errorMessage(*problem));
        return;
    }
    const Expected<DailyPurge, Refusal> purge = checkDailyPurge(arguments, m_calendar);
    if (!purge) {
        m_display.refuse(purge.error());
        return;
    }
    if (!m_messages.confirm(question(dailyPurgeText(*purge))))
        return;
    ask(Call::Change, [purge = *purge](const DailyPurges &purges) { return purges.add(purge); });
}

void DailyPurgeBox::takeDown() {
    const QString name = nameOf(m_request());
    const std::optional<DailyPurge> purge = m_purges.read(name);
    const QString what = purge ? dailyPurgeText(*purge) : QStringLiteral("(%1)").arg(name);
    if (!m_messages.confirm(question(QStringLiteral("Stop this daily purge?\n%1").arg(what))))
        return;
    ask(Call::Change, [name](const DailyPurges &purges) { return purges.remove(name); });
}

} // namespace culler
