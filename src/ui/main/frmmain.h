#pragma once

// The working window: the directory, the pattern and the cut-off the user picks, and the
// commands that act on them. Its controls are the request; nothing is copied out of them between
// events. It shows a purge run's progress, status and messages as the run reports them.

#include "filetypes/filetypeslocation.h"
#include "purge/purge.h"
#include "purge/purgerequest.h"

#include <QElapsedTimer>
#include <QWidget>
#include <chrono>
#include <memory>
#include <optional>

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
class FileTypesFile;
class MessageBoxes;
class PatternBox;
class PatternListModel;
class VolumeSource;
class frmSummary;

class frmMain final : public QWidget, public PurgeDisplay {
    Q_OBJECT

public:
    // A window on the volumes mounted on this machine, keeping its pattern list where this copy
    // of the program keeps it.
    frmMain(const Calendar &calendar, MessageBoxes &messages, QWidget *parent = nullptr);
    // A window on the volumes the source names, keeping its pattern list in fileTypesPath.
    frmMain(const Calendar &calendar, MessageBoxes &messages, const VolumeSource &volumes,
            const QString &fileTypesPath, QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs once, before the window is first shown: the current directory into the directory
    // box and the lists, the default date from the days box, the summary window loaded hidden.
    void Form_Load();

    // Reads the pattern list file into the file-type list; a file that cannot be read is
    // reported and then left alone at Exit.
    void loadPatternList();
    // Adds each pattern to the file-type list in its sorted place; the edit text stays.
    void addPatterns(const QStringList &patterns);

    // The request as the controls show it now.
    PurgeRequest purgeRequest() const;
    void clearDirectoryText();

    // How long a running purge goes between chances for the window to paint; 50 ms unless set.
    void setPaintInterval(std::chrono::milliseconds interval) { m_paintInterval = interval; }

    // The summary window from the load step until Exit, else nullptr.
    frmSummary *summaryWindow() const { return m_summary.get(); }

    void setProgressMaximum(qint64 maximum) override;
    void setProgressValue(qint64 value) override;
    void setStatusText(const QString &text) override;
    void showMessage(const Message &message, RequestField focus) override;

protected:
    // A close request from the window manager ends the program the way Exit does.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    frmMain(const Calendar &calendar, MessageBoxes &messages, std::unique_ptr<VolumeSource> volumes,
            FileTypesLocation fileTypes, QWidget *parent);

    void createControls();
    void arrangeTabOrder();
    void connectHandlers();

    void cmdAdd_Click();
    void Command1_Click();
    void cmdClear_Click();
    void cmdDelete_Click();
    void cmdExit_Click();
    void Drive1_Change();
    void Dir1_Change();
    void optBeforeDate_Click();
    void optDaysOld_Click();
    void txtBeforeDate_GotFocus();

    void reportUnreadableDirectory(const QString &path, SystemError error);
    void addPattern(const QString &pattern);
    void refreshDrives();
    void showProgress();
    void showOutcome(const QString &text);
    void keepPainting();
    QWidget *controlFor(RequestField field) const;

    const Calendar &m_calendar;
    MessageBoxes &m_messages;
    std::unique_ptr<VolumeSource> m_ownVolumes;
    std::unique_ptr<Drives> m_drives;
    std::unique_ptr<FileTypesFile> m_fileTypes;
    // Why the list could not start where it should, told with the list's loading at start.
    std::optional<Message> m_fileTypesProblem;
    PatternListModel *m_patterns = nullptr;
    std::unique_ptr<frmSummary> m_summary;

    // A purge is running: no other command starts until it ends.
    bool m_running = false;
    // The window was asked to close while a purge ran; it does once the run is over.
    bool m_closeAfterRun = false;
    bool m_ended = false;
    // The progress as the run reports it. The bar is brought up to date when the window gets
    // its next chance to paint, rather than on each of a large directory's files.
    qint64 m_progressMaximum = 100;
    qint64 m_progressValue = 0;
    QElapsedTimer m_sincePainted;
    std::chrono::milliseconds m_paintInterval{50};

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
    PatternBox *cboFileType = nullptr;
    QLabel *lblFileType = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *cmdAdd = nullptr;
};

} // namespace culler
