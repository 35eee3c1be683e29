#pragma once

// The "Once a Day" box of the main window. Checked while a daily purge exists for the directory
// and pattern the window shows; checking it sets one up for the request, with its subfolders and
// its Trash, after the checks of Delete Old Files and one question, and unchecking it removes it,
// after one question. Enabled only where a systemd user manager answers, and not while a purge
// runs. Every systemctl call runs off the window's thread, one at a time, the box locked until it
// has answered, so a manager that is slow to answer never leaves the window unpainted.

#include "purge/purgerequest.h"
#include "schedule/dailypurges.h"
#include "ui/backgroundtask.h"

#include <QObject>
#include <functional>
#include <optional>

class QCheckBox;

namespace culler {

class Calendar;
class MessageBoxes;
class RunDisplay;

class DailyPurgeBox final : public QObject {
public:
    // request reads the window's request; display says why one is refused, as a run does.
    DailyPurgeBox(QCheckBox &box, MessageBoxes &messages, const Calendar &calendar,
                  RunDisplay &display, std::function<PurgeRequest()> request);

    // Checks the box when a daily purge exists for the request now in the window.
    void refresh();
    // While a purge runs the request stays as it is, and so does its daily purge.
    void setLocked(bool locked);

private:
    // What the call in hand asks the manager.
    enum class Call {
        Probe,  // whether it answers at all
        Change, // sets up or removes a daily purge
    };

    void clicked(bool checked);
    void setUp();
    void takeDown();
    QString nameOf(const PurgeRequest &form) const;
    // Runs work with the daily purges off the window's thread; answered() takes its result.
    void ask(Call call, std::function<CommandFailure(const DailyPurges &)> work);
    void answered();
    void showAvailability();
    void enable();

    QCheckBox &m_box;
    MessageBoxes &m_messages;
    const Calendar &m_calendar;
    RunDisplay &m_display;
    std::function<PurgeRequest()> m_request;
    DailyPurges m_purges;
    bool m_available = false;
    bool m_locked = false;
    std::optional<Call> m_asking;
    // Waited for at the end, however long systemctl takes within its timeout: a call let go would
    // leave units written that no timer runs, or a timer that was to stop.
    BackgroundTask<CommandFailure> m_task{WhenBusy::Refuse, std::nullopt};
};

} // namespace culler
