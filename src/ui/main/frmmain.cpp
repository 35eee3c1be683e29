#include "frmmain.h"

#include "filetypes/filetypesfile.h"
#include "filetypes/patternlistmodel.h"
#include "purge/outcomewords.h"
#include "purge/purge.h"
#include "purge/putback.h"
#include "purge/readrequest.h"
#include "runtime/calendar.h"
#include "runtime/drives.h"
#include "ui/accessibility.h"
#include "ui/fonts.h"
#include "ui/logo.h"
#include "ui/main/backgroundpurge.h"
#include "ui/main/dailypurgebox.h"
#include "ui/main/directorylist.h"
#include "ui/main/drivelist.h"
#include "ui/main/patternbox.h"
#include "ui/main/rundisplay.h"
#include "ui/summary/frmsummary.h"
#include "ui/summary/purgepreview.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFocusEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalBlocker>
#include <algorithm>
#include <utility>
#include <variant>

namespace culler {

namespace {

template <typename Control>
Control *place(QWidget *window, const QString &name, const QRect &geometry,
               const QString &toolTip = QString()) {
    auto *control = new Control(window);
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->setToolTip(toolTip);
    return control;
}

template <typename Control>
Control *placeWithText(QWidget *window, const QString &name, const QString &text,
                       const QRect &geometry, const QString &toolTip = QString()) {
    auto *control = place<Control>(window, name, geometry, toolTip);
    control->setText(text);
    return control;
}

// Where the choices of the Trash and of subfolders are remembered in the user's settings.
const QString trashKey = QStringLiteral("moveToTrash");
const QString subfoldersKey = QStringLiteral("includeSubfolders");

bool rememberedChoice(const QString &settingsPath, const QString &key) {
    return QSettings(settingsPath, QSettings::IniFormat).value(key, false).toBool();
}

// Enter and Esc trigger nothing by themselves in this window: no button is a default button.
QPushButton *button(QWidget *window, const QString &name, const QString &text,
                    const QRect &geometry, const QString &toolTip) {
    auto *control = placeWithText<QPushButton>(window, name, text, geometry, toolTip);
    control->setAutoDefault(false);
    control->setDefault(false);
    return control;
}

// What the end of a run may show: once the program is ending, nothing that waits for the user.
RunDisplay::Messages messagesAtEnd(bool ending) {
    return ending ? RunDisplay::Messages::Leave : RunDisplay::Messages::Show;
}

} // namespace

frmMain::frmMain(const MainWindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_calendar(services.calendar)
    , m_messages(services.messages)
    , m_drives(std::make_unique<Drives>(services.volumes))
    , m_fileTypes(std::make_unique<FileTypesFile>(services.fileTypesPath))
    , m_fileTypesProblem(services.fileTypesProblem)
    , m_patterns(new PatternListModel(services.calendar.locale(), this))
    , m_settingsPath(services.settingsPath)
    , m_runsDirectory(services.runsDirectory) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Delete Old Files"));
    setWindowIcon(QIcon(paintLogo(QSize(64, 64))));
    setFont(sansFont(8.0));
    // The window's first 3060 twips as they always were, and one row for the space rules below.
    setFixedSize(twipsSize(6705, 3480));
    move(twipsPoint(1500, 1545));
    createControls();
    arrangeTabOrder();
    connectHandlers();
    describeControls(*this,
                     {{QStringLiteral("txtDirectory"), QStringLiteral("Selected Directory")},
                      {QStringLiteral("txtDaysOld"), QStringLiteral("Days old")},
                      {QStringLiteral("txtBeforeDate"), QStringLiteral("Before date")},
                      {QStringLiteral("cboFileType"), QStringLiteral("Delete Files of type")},
                      {QStringLiteral("progLeft"), QStringLiteral("Progress")},
                      {QStringLiteral("txtMaxSize"), QStringLiteral("Keep under")},
                      {QStringLiteral("txtKeepFree"), QStringLiteral("Keep free")},
                      {QStringLiteral("txtTrashDays"), QStringLiteral("Empty Trash after days")},
                      {QStringLiteral("lblFinished"), QStringLiteral("Status")}});
    m_display =
        std::make_unique<RunDisplay>(*progLeft, *lblFinished, m_messages,
                                     [this](RequestField field) { return controlFor(field); });
    m_dailyPurge = std::make_unique<DailyPurgeBox>(*chkTimer, m_messages, m_calendar, *m_display,
                                                   [this] { return purgeRequest(); });
    connect(txtDirectory, &QLineEdit::textChanged, m_dailyPurge.get(), &DailyPurgeBox::refresh);
    connect(cboFileType, &QComboBox::editTextChanged, m_dailyPurge.get(), &DailyPurgeBox::refresh);
    m_purge = new BackgroundPurge(this);
    connect(m_purge, &BackgroundPurge::progressed, this, &frmMain::showRunProgress,
            Qt::QueuedConnection);
    connect(m_purge, &BackgroundPurge::ended, this, &frmMain::runEnded, Qt::QueuedConnection);
    showCurrentDirectory();
    m_summary =
        std::make_unique<frmSummary>(m_calendar, *this, *this, std::make_shared<PurgePreview>());
}

frmMain::~frmMain() {
    // A run still going ends, the file in hand and the removals decided done, while the window it
    // reports to is still whole.
    delete m_purge;
}

void frmMain::createControls() {
    // Made in their keyboard order, which is also the order setTabOrder restates.
    txtDirectory =
        placeWithText<QLineEdit>(this, QStringLiteral("txtDirectory"), QStringLiteral("c:\\temp"),
                                 twipsRect(2640, 240, 3975, 285),
                                 QStringLiteral("The selected Directory to Purge files from"));
    cmdDelete = button(this, QStringLiteral("cmdDelete"), QStringLiteral("&Delete Old Files"),
                       twipsRect(2640, 1080, 1575, 375),
                       QStringLiteral("Press to start Deleting selected files"));
    cmdClear = button(this, QStringLiteral("cmdClear"), QStringLiteral("&Clear Selection"),
                      twipsRect(5400, 600, 1215, 375),
                      QStringLiteral("Press to clear selected directory box"));
    progLeft =
        place<QProgressBar>(this, QStringLiteral("progLeft"), twipsRect(2640, 2760, 3975, 255));
    progLeft->setRange(0, 100);
    progLeft->setValue(0);
    progLeft->setTextVisible(false);
    txtDaysOld = placeWithText<QLineEdit>(this, QStringLiteral("txtDaysOld"), QStringLiteral("20"),
                                          twipsRect(4320, 1560, 375, 285));
    txtBeforeDate =
        placeWithText<QLineEdit>(this, QStringLiteral("txtBeforeDate"), QStringLiteral("##/##/##"),
                                 twipsRect(4800, 1920, 1215, 285));
    txtBeforeDate->setEnabled(false);
    lblDirectory =
        placeWithText<QLabel>(this, QStringLiteral("lblDirectory"),
                              QStringLiteral("Directory to Search:"), twipsRect(120, 0, 1815, 255));
    lblDaysOld1 =
        placeWithText<QLabel>(this, QStringLiteral("lblDaysOld1"), QStringLiteral("days old"),
                              twipsRect(4800, 1560, 615, 255));
    lblDaysOld1->adjustSize();
    cmdExit = button(this, QStringLiteral("cmdExit"), QStringLiteral("&Exit"),
                     twipsRect(2640, 2280, 1455, 375), QStringLiteral("Exit the program"));
    Dir1 = place<DirectoryList>(this, QStringLiteral("Dir1"), twipsRect(120, 600, 2415, 2340),
                                QStringLiteral("Select a directory to Purge files from"));
    lblSelected =
        placeWithText<QLabel>(this, QStringLiteral("lblSelected"),
                              QStringLiteral("Selected Directory:"), twipsRect(2640, 0, 1815, 255));
    lblFinished =
        place<QLabel>(this, QStringLiteral("lblFinished"), twipsRect(5160, 2520, 1455, 255));
    lblFinished->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    chkTimer =
        placeWithText<QCheckBox>(this, QStringLiteral("chkTimer"), QStringLiteral("Once a Day"),
                                 twipsRect(4320, 1080, 1215, 255));
    chkTimer->setEnabled(false);
    Drive1 = place<DriveList>(this, QStringLiteral("Drive1"), twipsRect(120, 240, 2415, 315),
                              QStringLiteral("Select a drive to look at"));
    optDaysOld = placeWithText<QRadioButton>(
        this, QStringLiteral("optDaysOld"), QStringLiteral("Delete Files over "),
        twipsRect(2640, 1560, 1695, 255),
        QStringLiteral("Delete files older than this number of days"));
    optDaysOld->setChecked(true);
    optBeforeDate = placeWithText<QRadioButton>(
        this, QStringLiteral("optBeforeDate"), QStringLiteral("Delet Files created before"),
        twipsRect(2640, 1920, 2175, 255), QStringLiteral("Delete files after this date"));
    cboFileType = new PatternBox(QStringLiteral("Type of files to delete"), this);
    cboFileType->setObjectName(QStringLiteral("cboFileType"));
    cboFileType->setGeometry(twipsRect(4080, 600, 735, 315));
    cboFileType->setEditable(true);
    cboFileType->setModel(m_patterns);
    cboFileType->setInsertPolicy(QComboBox::NoInsert);
    cboFileType->setDuplicatesEnabled(true);
    // What is typed is what is purged: no completion puts other characters into the box.
    cboFileType->setCompleter(nullptr);
    lblFileType = placeWithText<QLabel>(this, QStringLiteral("lblFileType"),
                                        QStringLiteral("Delete Files of type"),
                                        twipsRect(2640, 600, 1455, 255));
    Command1 =
        button(this, QStringLiteral("Command1"), QStringLiteral("&Summary"),
               twipsRect(4200, 2280, 975, 375), QStringLiteral("Bring up the summary window"));
    cmdAdd = button(this, QStringLiteral("cmdAdd"), QStringLiteral("&Add"),
                    twipsRect(4800, 600, 495, 255),
                    QStringLiteral("Press to Add this FileType to List"));
    // In the free strip beside Summary, above the status label; "Move to Trash" would not fit
    // there in the window's font, the tool tip says it in full.
    chkTrash = placeWithText<QCheckBox>(
        this, QStringLiteral("chkTrash"), QStringLiteral("To &Trash"),
        twipsRect(5280, 2280, 1335, 240),
        QStringLiteral("Move the old files to the Trash instead of deleting them"));
    chkSubfolders = placeWithText<QCheckBox>(
        this, QStringLiteral("chkSubfolders"), QStringLiteral("Sub&folders"),
        twipsRect(5550, 1080, 1140, 255),
        QStringLiteral("Delete the old files of every subfolder too, never through a link, into a "
                       "hidden folder or onto another drive"));
    if (!m_settingsPath.isEmpty()) {
        chkTrash->setChecked(rememberedChoice(m_settingsPath, trashKey));
        chkSubfolders->setChecked(rememberedChoice(m_settingsPath, subfoldersKey));
    }
    // In the free space right of the cut-off, below where Subfolders goes; only while there is a
    // run to put back.
    cmdPutBack = button(this, QStringLiteral("cmdPutBack"), QStringLiteral("Put &Back"),
                        twipsRect(5640, 1440, 975, 375),
                        QStringLiteral("Put the files the last run moved to the Trash back"));
    cmdPutBack->hide();
    createSpaceRow();
}

void frmMain::createSpaceRow() {
    // Never remembered in the settings: a size rule carried silently into a later session could
    // delete files the user no longer thinks of.
    const auto labelFor = [this](const QString &name, const QString &text, const QRect &geometry,
                                 QLineEdit *box) {
        auto *label = placeWithText<QLabel>(this, name, text, geometry);
        label->setBuddy(box);
        return label;
    };
    txtMaxSize =
        place<QLineEdit>(this, QStringLiteral("txtMaxSize"), twipsRect(1050, 3120, 735, 285),
                         QStringLiteral("Once the old files are gone, delete the oldest of the "
                                        "others too until the matching files take no more than "
                                        "this: bytes, or 500M, 10G"));
    txtMaxSize->setPlaceholderText(QStringLiteral("10G"));
    lblMaxSize = labelFor(QStringLiteral("lblMaxSize"), QStringLiteral("Keep &under:"),
                          twipsRect(120, 3135, 900, 255), txtMaxSize);
    txtKeepFree =
        place<QLineEdit>(this, QStringLiteral("txtKeepFree"), twipsRect(3450, 3120, 705, 285),
                         QStringLiteral("Delete the old files, the oldest first, only until the "
                                        "drive has this much free: 10G, or 15% of the drive"));
    txtKeepFree->setPlaceholderText(QStringLiteral("15%"));
    lblKeepFree = labelFor(QStringLiteral("lblKeepFree"), QStringLiteral("Keep f&ree:"),
                           twipsRect(2640, 3135, 780, 255), txtKeepFree);
    txtTrashDays =
        place<QLineEdit>(this, QStringLiteral("txtTrashDays"), twipsRect(5640, 3120, 375, 285),
                         QStringLiteral("After the run, remove for good what this request "
                                        "moved to the Trash this many days ago or more"));
    txtTrashDays->setPlaceholderText(QStringLiteral("30"));
    lblTrashDays = labelFor(QStringLiteral("lblTrashDays"), QStringLiteral("E&mpty Trash after"),
                            twipsRect(4230, 3135, 1380, 255), txtTrashDays);
    lblTrashDays2 = placeWithText<QLabel>(this, QStringLiteral("lblTrashDays2"),
                                          QStringLiteral("days"), twipsRect(6060, 3135, 555, 255));
    showTrashDays();
}

void frmMain::arrangeTabOrder() {
    QWidget *const order[] = {txtDirectory,  cmdDelete,   cmdClear,   txtDaysOld,  txtBeforeDate,
                              cmdExit,       Dir1,        chkTimer,   Drive1,      optDaysOld,
                              optBeforeDate, cboFileType, Command1,   cmdAdd,      chkTrash,
                              chkSubfolders, cmdPutBack,  txtMaxSize, txtKeepFree, txtTrashDays};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmMain::showCurrentDirectory() {
    const QString current = m_drives->currentDirectory();
    txtDirectory->setText(current);
    if (const Expected<DateValue, Refusal> limit = daysCutOff(txtDaysOld->text(), m_calendar))
        txtBeforeDate->setText(m_calendar.dateText(*limit));

    Drive1->setVolumes(m_drives->volumes());
    Drive1->showDrive(m_drives->driveOf(current));
    {
        const QSignalBlocker quiet(Dir1);
        Dir1->setPath(current);
    }
}

void frmMain::connectHandlers() {
    connect(cmdAdd, &QPushButton::clicked, this, &frmMain::cmdAdd_Click);
    connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmMain::cmdClear_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmMain::cmdDelete_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(Drive1, &QComboBox::currentIndexChanged, this, &frmMain::Drive1_Change);
    connect(Drive1, &DriveList::aboutToShowPopup, this, &frmMain::refreshDrives);
    connect(Dir1, &DirectoryList::changed, this, &frmMain::Dir1_Change);
    connect(Dir1, &DirectoryList::cannotOpen, this, &frmMain::reportUnreadableDirectory);
    connect(optBeforeDate, &QRadioButton::toggled, this, &frmMain::optBeforeDate_Click);
    connect(optDaysOld, &QRadioButton::toggled, this, &frmMain::optDaysOld_Click);
    connect(chkTrash, &QCheckBox::toggled, this, &frmMain::chkTrash_Click);
    connect(cmdPutBack, &QPushButton::clicked, this, &frmMain::cmdPutBack_Click);
    connect(chkSubfolders, &QCheckBox::toggled, this, &frmMain::chkSubfolders_Click);
    txtBeforeDate->installEventFilter(this);
}

void frmMain::loadPatternList() {
    if (m_fileTypesProblem)
        m_messages.show(*std::exchange(m_fileTypesProblem, std::nullopt));
    const FileTypesLoad loaded = m_fileTypes->load();
    if (loaded.error)
        m_messages.show(*loaded.error);
    addPatterns(loaded.patterns);
}

void frmMain::addPatterns(const QStringList &patterns) {
    const QString edited = cboFileType->currentText();
    m_patterns->addAll(patterns);
    keepEditText(edited);
}

void frmMain::addPattern(const QString &pattern) {
    const QString edited = cboFileType->currentText();
    m_patterns->add(pattern);
    keepEditText(edited);
}

void frmMain::keepEditText(const QString &edited) {
    // The box chooses the first entry of a list that was empty; what the user typed stays.
    if (cboFileType->currentText() != edited || cboFileType->currentIndex() >= 0) {
        cboFileType->setCurrentIndex(-1);
        cboFileType->setEditText(edited);
    }
}

PurgeRequest frmMain::purgeRequest() const {
    PurgeRequest request;
    request.directory = txtDirectory->text();
    request.pattern = cboFileType->currentText();
    request.mode = optDaysOld->isChecked() ? PurgeMode::Days : PurgeMode::Date;
    request.daysOld = txtDaysOld->text();
    request.beforeDate = txtBeforeDate->text();
    request.removal = chkTrash->isChecked() ? RemovalKind::Trash : RemovalKind::Delete;
    request.subfolders = chkSubfolders->isChecked() ? Subfolders::Included : Subfolders::Excluded;
    request.maxSize = txtMaxSize->text();
    request.keepFree = txtKeepFree->text();
    request.trashDays = txtTrashDays->text();
    return request;
}

void frmMain::clearDirectoryText() {
    txtDirectory->clear();
}

void frmMain::cmdAdd_Click() {
    addPattern(cboFileType->currentText());
}

void frmMain::Command1_Click() {
    if (!m_summary)
        return;
    m_summary->clearReport();
    m_summary->show();
    m_summary->raise();
    m_summary->activateWindow();
}

void frmMain::cmdClear_Click() {
    clearDirectoryText();
}

void frmMain::cmdDelete_Click() {
    // The button is disabled while a run or a put back is in hand; only a call from code lands
    // here then, and it must not reset the display of the run in hand.
    if (m_purge->isRunning())
        return;
    m_display->beginRun();
    m_lastRunId.clear();
    cmdPutBack->hide();
    Expected<PurgeJob, Refusal> job = readJob(purgeRequest(), m_calendar);
    if (!job) {
        m_display->refuse(job.error());
        Q_EMIT purgeEnded();
        return;
    }
    // A message box has room to name a few of the files kept against the request.
    job->namedFiles = 10;
    job->runsDirectory = m_runsDirectory;
    lockRequest(true);
    // Nothing else starts work on this thread between the check above and here.
    [[maybe_unused]] const bool started = m_purge->start(*job);
    Q_ASSERT(started);
}

void frmMain::showRunProgress() {
    const BackgroundPurge::Progress progress = m_purge->progress();
    m_display->showProgress(progress.value, progress.maximum);
}

void frmMain::runEnded() {
    const std::optional<BackgroundPurge::Result> result = m_purge->takeResult();
    if (!result)
        return;
    showRunProgress();
    // Before the focus goes back, so that it can go back to Put Back.
    cmdPutBack->setEnabled(true);
    lockRequest(false);
    if (const auto *purged = std::get_if<BackgroundPurge::PurgeRun>(&*result))
        showPurgeEnd(*purged);
    else
        showPutBackEnd(std::get<PutBackResult>(*result));
    if (m_closeAfterRun)
        close();
}

void frmMain::showPurgeEnd(const BackgroundPurge::PurgeRun &run) {
    const PurgeResult &result = run.purge;
    m_display->endRun(result, run.trashExpiry, messagesAtEnd(m_closeAfterRun));
    if (result && !result->runId.isEmpty()) {
        m_lastRunId = result->runId;
        m_lastRunFiles = result->removed;
        m_lastRunDirectory = QFile::decodeName(result->directory);
        cmdPutBack->show();
    }
    Q_EMIT purgeEnded();
}

void frmMain::showPutBackEnd(const PutBackResult &result) {
    m_display->endPutBack(result, messagesAtEnd(m_closeAfterRun));
    // Files left may go back later, once their way is clear; otherwise nothing is left to do.
    if (!result || !result->fellShort()) {
        m_lastRunId.clear();
        cmdPutBack->hide();
    }
    Q_EMIT putBackEnded();
}

void frmMain::lockRequest(bool locked) {
    if (locked) {
        // Out of the controls about to be disabled: a key pressed again must not land on Exit.
        m_focusBeforeRun = focusWidget();
        setFocus();
    }
    for (QWidget *control : std::initializer_list<QWidget *>{
             txtDirectory, cmdDelete, cmdClear, Dir1, Drive1, optDaysOld, optBeforeDate,
             cboFileType, cmdAdd, chkTrash, chkSubfolders, txtMaxSize, txtKeepFree})
        control->setEnabled(!locked);
    m_dailyPurge->setLocked(locked);
    txtDaysOld->setEnabled(!locked && optDaysOld->isChecked());
    txtBeforeDate->setEnabled(!locked && optBeforeDate->isChecked());
    showTrashDays();
    if (!locked && m_focusBeforeRun != nullptr && focusWidget() == this)
        m_focusBeforeRun->setFocus();
}

void frmMain::cmdExit_Click() {
    close();
}

void frmMain::closeEvent(QCloseEvent *event) {
    if (m_ended) {
        event->accept();
        return;
    }
    // The list is saved at the first request, so a run that takes its time to stop loses none of
    // it, whatever ends the program then.
    if (!m_listSaved) {
        m_listSaved = true;
        m_summary.reset();
        if (const std::optional<Message> failure = m_fileTypes->save(m_patterns->patterns()))
            m_messages.show(*failure);
    }
    if (m_purge->isRunning()) {
        m_purge->stop();
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    m_ended = true;
    event->accept();
    QCoreApplication::quit();
}

void frmMain::Drive1_Change() {
    const QString before = m_drives->currentDirectory();
    const QString drive = Drive1->drive();
    if (const SystemError error = m_drives->changeDrive(drive)) {
        m_messages.show(errorMessage(
            QStringLiteral("The drive \"%1\" is not ready: %2.").arg(drive, error.reason())));
        Drive1->showDrive(m_drives->driveOf(m_drives->currentDirectory()));
        return;
    }
    const QString current = m_drives->currentDirectory();
    if (const SystemError error = Dir1->open(current)) {
        // As for a drive that is not ready: said, and everything stays where it was.
        reportUnreadableDirectory(current, error);
        // The way back can fail too (the directory went meanwhile): said as well, and the list
        // of drives shows where the process now is.
        if (const SystemError back = m_drives->changeDirectory(before))
            reportUnreadableDirectory(before, back);
        Drive1->showDrive(m_drives->driveOf(m_drives->currentDirectory()));
        return;
    }
    txtDirectory->setText(current);
}

void frmMain::reportUnreadableDirectory(const QString &path, SystemError error) {
    m_messages.show(errorMessage(
        QStringLiteral("The directory \"%1\" cannot be opened: %2.").arg(path, error.reason())));
}

void frmMain::Dir1_Change() {
    const SystemError error = m_drives->changeDirectory(Dir1->path());
    if (error)
        reportUnreadableDirectory(Dir1->path(), error);
    // The list shows the directory as the system names it: the one it could not open is
    // replaced by the one still current, a link by what it leads to.
    const QString current = m_drives->currentDirectory();
    if (Dir1->path() != current) {
        const QSignalBlocker quiet(Dir1);
        Dir1->setPath(current);
    }
    if (error)
        return;
    Drive1->showDrive(m_drives->driveOf(current));
    txtDirectory->setText(current);
}

void frmMain::refreshDrives() {
    m_drives->refreshVolumes();
    Drive1->setVolumes(m_drives->volumes());
    Drive1->showDrive(m_drives->driveOf(m_drives->currentDirectory()));
}

void frmMain::optBeforeDate_Click() {
    if (!optBeforeDate->isChecked())
        return;
    txtDaysOld->setEnabled(false);
    txtBeforeDate->setEnabled(true);
}

void frmMain::optDaysOld_Click() {
    if (!optDaysOld->isChecked())
        return;
    txtDaysOld->setEnabled(true);
    txtBeforeDate->setEnabled(false);
}

void frmMain::showTrashDays() {
    const bool used = chkTrash->isChecked() && chkTrash->isEnabled();
    for (QWidget *control :
         std::initializer_list<QWidget *>{lblTrashDays, txtTrashDays, lblTrashDays2})
        control->setEnabled(used);
}

void frmMain::chkTrash_Click() {
    showTrashDays();
    if (!m_settingsPath.isEmpty())
        QSettings(m_settingsPath, QSettings::IniFormat).setValue(trashKey, chkTrash->isChecked());
}

void frmMain::cmdPutBack_Click() {
    if (m_lastRunId.isEmpty() || m_purge->isRunning())
        return;
    const Message question{putBackQuestion(m_lastRunFiles, m_lastRunDirectory),
                           MessageStyle::Exclamation, QStringLiteral("Put Back")};
    if (!m_messages.confirm(question))
        return;
    m_display->beginRun();
    lockRequest(true);
    cmdPutBack->setEnabled(false);
    // Ten files named at most, as a message box has room for.
    // Refused only while work is in hand, which the check above rules out: the question is asked
    // on this thread, and nothing else starts work here.
    [[maybe_unused]] const bool started =
        m_purge->start(PutBackJob{m_runsDirectory, m_lastRunId, PurgeAction::Remove, 10});
    Q_ASSERT(started);
}

void frmMain::chkSubfolders_Click() {
    if (!m_settingsPath.isEmpty())
        QSettings(m_settingsPath, QSettings::IniFormat)
            .setValue(subfoldersKey, chkSubfolders->isChecked());
}

void frmMain::txtBeforeDate_GotFocus() {
    // The form the box is read in, so the hint never describes one the purge then refuses.
    m_messages.show(
        Message{QStringLiteral("Dates must be of the form %1  (i.e. %2)")
                    .arg(m_calendar.dateForm(), m_calendar.dateText(m_calendar.today())),
                MessageStyle::Exclamation, QStringLiteral("Please Note")});
}

bool frmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched != txtBeforeDate || event->type() != QEvent::FocusIn)
        return QWidget::eventFilter(watched, event);
    // The hint is for the user arriving in the box. The focus coming back as the window is
    // activated again, for instance when the hint itself closes, is no arrival.
    switch (static_cast<QFocusEvent *>(event)->reason()) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        // Shown once the focus has settled, not from inside the event that moves it.
        QMetaObject::invokeMethod(this, &frmMain::txtBeforeDate_GotFocus, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::setProgressInterval(std::chrono::milliseconds interval) {
    m_purge->setProgressInterval(interval);
}

QWidget *frmMain::controlFor(RequestField field) const {
    switch (field) {
    case RequestField::Directory:
        return txtDirectory;
    case RequestField::Pattern:
        return cboFileType;
    case RequestField::DaysOld:
        return txtDaysOld;
    case RequestField::BeforeDate:
        return txtBeforeDate;
    case RequestField::MaxSize:
        return txtMaxSize;
    case RequestField::KeepFree:
        return txtKeepFree;
    case RequestField::TrashDays:
        return txtTrashDays;
    case RequestField::None:
        break;
    }
    return nullptr;
}

} // namespace culler
