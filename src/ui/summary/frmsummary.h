#pragma once

// The review of the request before anything is deleted: each time the window becomes the
// program's active window it prints the request, as the main window's controls hold it then,
// below what its panel already shows, and then how many files the request would take. It
// deletes nothing, and knows the main window only as the source of the request and the window to
// return to. The count runs off the window's thread, so the window answers while a large or slow
// directory is counted; its line reads "counting..." until the count is in.

#include "purge/purgejob.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;

namespace culler {

class BackgroundCount;
class Calendar;
class PrintPanel;
class RequestCounter;
class RequestSource;
struct RequestCount;

class frmSummary final : public QWidget {
    Q_OBJECT

public:
    // OK and Cancel bring returnTo back to the front; Cancel empties the request's directory.
    // counter says how many files a request would take.
    frmSummary(const Calendar &calendar, RequestSource &request, QWidget &returnTo,
               std::shared_ptr<const RequestCounter> counter, QWidget *parent = nullptr);
    ~frmSummary() override;

    // Prints the report at the panel's print position.
    void Form_Activate();
    // Empties the panel, the print position back at the top, and stops a count in progress.
    void clearReport();

    PrintPanel *panel() const { return Picture1; }

protected:
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();
    void returnToMainWindow();
    void focusMoved(QWidget *old, QWidget *now);
    void showCount(const RequestCount &count);
    void stopCounting();

    const Calendar &m_calendar;
    RequestSource &m_request;
    QWidget &m_returnTo;
    // Whether this window is the program's active one. It stays so while the user works in
    // another program, so coming back from there is not a new activation.
    bool m_activeInProgram = false;
    BackgroundCount *m_count = nullptr;
    // The panel line that waits for the count in progress, or -1, how it starts and whether the
    // count takes in subfolders.
    qsizetype m_countLine = -1;
    QString m_countPrefix;
    Subfolders m_countSubfolders = Subfolders::Excluded;

    // Each control is named as the program has always named it, Label1 and Picture1 too: the object
    // names are part of the program, which tests and accessibility tools find them by, so they are
    // not renamed for readability.
    QLabel *Label1 = nullptr;
    PrintPanel *Picture1 = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdOK = nullptr;
    QLabel *Label2 = nullptr;
};

} // namespace culler
