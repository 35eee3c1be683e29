#pragma once

// The review of the request before anything is deleted. Loaded hidden with the main window.

#include <QWidget>

namespace culler {

class Calendar;
class frmMain;

class frmSummary final : public QWidget {
    Q_OBJECT

public:
    frmSummary(const Calendar &calendar, frmMain &mainWindow, QWidget *parent = nullptr);

private:
    const Calendar &m_calendar;
    frmMain &m_main;
};

} // namespace culler
