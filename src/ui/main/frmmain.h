#pragma once

// The working window: the directory, the pattern and the cut-off the user picks, and the
// commands that act on them. Its controls are the request; nothing is copied out of them between
// events.

#include "purge/purgerequest.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace culler {

class Calendar;
class DirectoryList;
class DriveList;
class Drives;
class MessageBoxes;
class VolumeSource;
class frmSummary;

class frmMain final : public QWidget {
    Q_OBJECT

public:
    // A window on the volumes mounted on this machine.
    frmMain(const Calendar &calendar, MessageBoxes &messages, QWidget *parent = nullptr);
    // A window on the volumes the source names.
    frmMain(const Calendar &calendar, MessageBoxes &messages, const VolumeSource &volumes,
            QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs once, before the window is first shown: the current directory into the directory
    // box and the lists, the default date from the days box, the summary window loaded hidden.
    void Form_Load();

    // Adds each pattern to the file-type list in its sorted place; the edit text stays.
    void addPatterns(const QStringList &patterns);

    // The request as the controls show it now.
    PurgeRequest purgeRequest() const;
    void clearDirectoryText();

    // The summary window once the load step has run, else nullptr.
    frmSummary *summaryWindow() const { return m_summary.get(); }

private:
    frmMain(const Calendar &calendar, MessageBoxes &messages, std::unique_ptr<VolumeSource> volumes,
            QWidget *parent);

    void createControls();
    void arrangeTabOrder();
    void addPattern(const QString &pattern);

    const Calendar &m_calendar;
    MessageBoxes &m_messages;
    std::unique_ptr<VolumeSource> m_ownVolumes;
    std::unique_ptr<Drives> m_drives;
    std::unique_ptr<frmSummary> m_summary;

    QLineEdit *txtDirectory = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdClear = nullptr;
    QProgressBar *progLeft = nullptr;
    QLineEdit *txtDaysOld = nullptr;
    QLineEdit *txtBeforeDate = nullptr;
    QLabel *lblDirectory = nullptr;
    QLabel *lblDaysOld1 = nullptr;
    QPushButton *cmdExit = nullptr;
    DirectoryList *Dir1 = nullptr;
    QLabel *lblSelected = nullptr;
    QLabel *lblFinished = nullptr;
    QCheckBox *chkTimer = nullptr;
    DriveList *Drive1 = nullptr;
    QRadioButton *optDaysOld = nullptr;
    QRadioButton *optBeforeDate = nullptr;
    QComboBox *cboFileType = nullptr;
    QLabel *lblFileType = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *cmdAdd = nullptr;
};

} // namespace culler
