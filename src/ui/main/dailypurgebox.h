#pragma once

// The "Once a Day" box of the main window. Checked while a daily purge exists for the directory
// and pattern the window shows; checking it sets one up for the request, after the checks of
// Delete Old Files and one question, and unchecking it removes it, after one question. Enabled
// only where a systemd user manager answers, and not while a purge runs.

#include "purge/purgerequest.h"
#include "schedule/dailypurges.h"

#include <QObject>
#include <functional>

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
    void clicked(bool checked);
    void setUp();
    void takeDown();
    QString nameOf(const PurgeRequest &form) const;

    QCheckBox &m_box;
    MessageBoxes &m_messages;
    const Calendar &m_calendar;
    RunDisplay &m_display;
    std::function<PurgeRequest()> m_request;
    DailyPurges m_purges;
    bool m_available = false;
};

} // namespace culler
