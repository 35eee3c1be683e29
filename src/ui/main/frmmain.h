#pragma once

// The working window: the directory, the pattern and the cut-off the user picks, and the
// commands that act on them. Its controls are the request; nothing is copied out of them between
// events. A purge, and a put back of the last run, run on a BackgroundPurge, off the window's
// thread, and are shown by the RunDisplay; while one runs the request stays as it is, and Exit
// stops it.

#include "purge/purge.h"
#include "purge/purgerequest.h"
#include "purge/putback.h"
#include "runtime/messages.h"
#include "runtime/systemerror.h"
#include "ui/main/backgroundpurge.h"
#include "ui/summary/requestsource.h"

#include <QPointer>
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

class DailyPurgeBox;
class Calendar;
class DirectoryList;
class DriveList;
class Drives;
class FileTypesFile;
class MessageBoxes;
class PatternBox;
class PatternListModel;
class RunDisplay;
class VolumeSource;
class frmSummary;

// What the main window works with. All of it belongs to the caller and outlives the window.
struct MainWindowServices {
    const Calendar &calendar;
    MessageBoxes &messages;
    // The program passes the volumes mounted on this machine, tests a fixed list.
    const VolumeSource &volumes;
    // Where the pattern list is kept, and why it could not start there if it could not: the
    // program passes fileTypesLocationOfThisProgram(), tests a list in a temporary directory.
    QString fileTypesPath;
    std::optional<Message> fileTypesProblem = std::nullopt;
    // The user's settings file, where the choices of the Trash and of subfolders are remembered;
    // empty, nothing is.
    QString settingsPath = QString();
    // Where a run to the Trash keeps the list it can be put back by; empty, none is kept.
    QByteArray runsDirectory = QByteArray();
};

class frmMain final : public QWidget, public RequestSource {
    Q_OBJECT

public:
    // Ready once made: the current directory in the directory box and the lists, the default
    // date from the days box, the summary window made and hidden. The pattern list is read
    // separately, by loadPatternList(), once the window is up.
    explicit frmMain(const MainWindowServices &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // Reads the pattern list file into the file-type list; a file that cannot be read is
    // reported and then left alone at Exit.
    void loadPatternList();
    // Adds each pattern to the file-type list in its sorted place; the edit text stays.
    void addPatterns(const QStringList &patterns);

    PurgeRequest purgeRequest() const override;
    void clearDirectoryText() override;

    // How often a running purge shows its progress at most; 50 ms unless set.
    void setProgressInterval(std::chrono::milliseconds interval);

    // The summary window until Exit, else nullptr.
    frmSummary *summaryWindow() const { return m_summary.get(); }

Q_SIGNALS:
    // A purge the Delete command started is over, and shown.
    void purgeEnded();
    // A put back Put Back started is over, and shown.
    void putBackEnded();

protected:
    // A close request from the window manager ends the program the way Exit does.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    // The row below the progress bar: a size to keep the files under or a space to keep free, and
    // when the Trash is emptied of them.
    void createSpaceRow();
    void arrangeTabOrder();
    void connectHandlers();
    void showCurrentDirectory();

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
    void chkTrash_Click();
    // The Trash days are in use only while the files go to the Trash.
    void showTrashDays();
    void cmdPutBack_Click();
    void chkSubfolders_Click();

    void showRunProgress();
    void runEnded();
    void showPurgeEnd(const BackgroundPurge::PurgeRun &run);
    void showPutBackEnd(const PutBackResult &result);
    // While a purge runs, the request it carries out stays as the window shows it, and no other
    // command starts; Exit and the summary stay at hand.
    void lockRequest(bool locked);
    void reportUnreadableDirectory(const QString &path, SystemError error);
    void addPattern(const QString &pattern);
    // Puts back the text the user was editing, which a change of the list may have replaced.
    void keepEditText(const QString &edited);
    void refreshDrives();
    QWidget *controlFor(RequestField field) const;

    const Calendar &m_calendar;
    MessageBoxes &m_messages;
    std::unique_ptr<Drives> m_drives;
    std::unique_ptr<FileTypesFile> m_fileTypes;
    // Why the list could not start where it should, told with the list's loading at start.
    std::optional<Message> m_fileTypesProblem;
    PatternListModel *m_patterns = nullptr;
    std::unique_ptr<RunDisplay> m_display;
    std::unique_ptr<DailyPurgeBox> m_dailyPurge;
    std::unique_ptr<frmSummary> m_summary;
    BackgroundPurge *m_purge = nullptr;
    // Where the focus was when the purge started, to go back to once it is over.
    QPointer<QWidget> m_focusBeforeRun;

    QString m_settingsPath;
    QByteArray m_runsDirectory;
    // The last run's list while its files can be put back, and how many it moved.
    QByteArray m_lastRunId;
    qint64 m_lastRunFiles = 0;
    QString m_lastRunDirectory;
    // The pattern list has been saved: the program is ending.
    bool m_listSaved = false;
    // The window was asked to close while a purge ran; it does once the run is over.
    bool m_closeAfterRun = false;
    // Exit has saved the pattern list and ended the program: a later close just closes.
    bool m_ended = false;

    // Each control is named as the program has always named it, Command1, Dir1 and Drive1 too: the
    // object names are part of the program, which tests and accessibility tools find them by, so
    // they are not renamed for readability.
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
    QCheckBox *chkTrash = nullptr;
    QPushButton *cmdPutBack = nullptr;
    QCheckBox *chkSubfolders = nullptr;
    QLabel *lblMaxSize = nullptr;
    QLineEdit *txtMaxSize = nullptr;
    QLabel *lblKeepFree = nullptr;
    QLineEdit *txtKeepFree = nullptr;
    QLabel *lblTrashDays = nullptr;
    QLineEdit *txtTrashDays = nullptr;
    QLabel *lblTrashDays2 = nullptr;
};

} // namespace culler
