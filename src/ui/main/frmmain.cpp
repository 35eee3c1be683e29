#include "frmmain.h"

#include "runtime/calendar.h"
#include "runtime/drives.h"
#include "runtime/number.h"
#include "ui/fonts.h"
#include "ui/main/directorylist.h"
#include "ui/main/drivelist.h"
#include "ui/summary/frmsummary.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

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

// Enter and Esc trigger nothing by themselves in this window: no button is a default button.
QPushButton *button(QWidget *window, const QString &name, const QString &text,
                    const QRect &geometry, const QString &toolTip) {
    auto *control = placeWithText<QPushButton>(window, name, text, geometry, toolTip);
    control->setAutoDefault(false);
    control->setDefault(false);
    return control;
}

} // namespace

frmMain::frmMain(const Calendar &calendar, MessageBoxes &messages, QWidget *parent)
    : frmMain(calendar, messages, std::make_unique<MountedVolumes>(), parent) {}

frmMain::frmMain(const Calendar &calendar, MessageBoxes &messages,
                 std::unique_ptr<VolumeSource> volumes, QWidget *parent)
    : frmMain(calendar, messages, *volumes, parent) {
    m_ownVolumes = std::move(volumes);
}

frmMain::frmMain(const Calendar &calendar, MessageBoxes &messages, const VolumeSource &volumes,
                 QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_calendar(calendar)
    , m_messages(messages)
    , m_drives(std::make_unique<Drives>(volumes)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Delete Old Files"));
    setWindowIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    setFont(sansFont(8.0));
    setFixedSize(twipsSize(6705, 3060));
    move(twipsPoint(1500, 1545));
    createControls();
    arrangeTabOrder();
}

frmMain::~frmMain() = default;

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
    cboFileType =
        place<QComboBox>(this, QStringLiteral("cboFileType"), twipsRect(4080, 600, 735, 315),
                         QStringLiteral("Type of files to delete"));
    cboFileType->setEditable(true);
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
}

void frmMain::arrangeTabOrder() {
    QWidget *const order[] = {txtDirectory,  cmdDelete,   cmdClear, txtDaysOld, txtBeforeDate,
                              cmdExit,       Dir1,        chkTimer, Drive1,     optDaysOld,
                              optBeforeDate, cboFileType, Command1, cmdAdd};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmMain::Form_Load() {
    const QString current = m_drives->currentDirectory();
    txtDirectory->setText(current);
    txtBeforeDate->setText(
        m_calendar.dateText(m_calendar.today() - numberFromText(txtDaysOld->text())));

    Drive1->setVolumes(m_drives->volumes());
    Drive1->showDrive(m_drives->driveOf(current));
    {
        const QSignalBlocker quiet(Dir1);
        Dir1->setPath(current);
    }

    m_summary = std::make_unique<frmSummary>(m_calendar, *this);
}

void frmMain::addPatterns(const QStringList &patterns) {
    for (const QString &pattern : patterns)
        addPattern(pattern);
}

void frmMain::addPattern(const QString &pattern) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    int row = 0;
    while (row < cboFileType->count() && collator.compare(cboFileType->itemText(row), pattern) <= 0)
        ++row;
    const QString edited = cboFileType->currentText();
    cboFileType->insertItem(row, pattern);
    // The list changes under the edit field; what the user typed stays as typed.
    if (cboFileType->currentText() != edited) {
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
    return request;
}

void frmMain::clearDirectoryText() {
    txtDirectory->clear();
}

} // namespace culler
