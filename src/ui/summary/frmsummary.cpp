#include "frmsummary.h"

#include "purge/outcomewords.h"
#include "purge/purgerequest.h"
#include "purge/readrequest.h"
#include "runtime/calendar.h"
#include "ui/accessibility.h"
#include "ui/fonts.h"
#include "ui/summary/backgroundcount.h"
#include "ui/summary/printpanel.h"
#include "ui/summary/requestsource.h"
#include "ui/twips.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace culler {

namespace {

// Five print positions, as blanks: the panel's font is fixed-pitch.
const QString indent = QStringLiteral("     ");

QPushButton *button(QWidget *window, const QString &name, const QString &text,
                    const QRect &geometry) {
    auto *control = new QPushButton(text, window);
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->setAutoDefault(false);
    control->setDefault(false);
    return control;
}

// The count line's start, as the request removes files.
QString countPrefix(RemovalKind removal) {
    return removal == RemovalKind::Trash ? QStringLiteral("Files to move to the Trash: ")
                                         : QStringLiteral("Files to delete: ");
}

QString countLine(const QString &prefix, const RequestCount &count, Subfolders subfolders,
                  const QLocale &locale) {
    if (!count.refusal.isEmpty())
        return prefix + count.refusal;
    const QString where =
        subfolders == Subfolders::Included ? QStringLiteral(", subfolders included") : QString();
    const QString forCap =
        count.removedForSpace > 0
            ? QStringLiteral(", %1 for the size cap").arg(locale.toString(count.removedForSpace))
            : QString();
    return prefix +
           QStringLiteral("%1 of %2 matching%3 (%4)%5")
               .arg(locale.toString(count.toRemove), locale.toString(count.matching), where,
                    locale.formattedDataSize(count.bytesToRemove, 1, QLocale::DataSizeSIFormat),
                    forCap);
}

// The space rules and the Trash's emptying, each as typed, when the request has them.
QStringList spaceLines(const PurgeRequest &request) {
    QStringList lines;
    if (!request.maxSize.trimmed().isEmpty())
        lines << QStringLiteral("Keep under: ") + request.maxSize.trimmed();
    if (!request.keepFree.trimmed().isEmpty())
        lines << QStringLiteral("Keep free: ") + request.keepFree.trimmed();
    if (request.removal == RemovalKind::Trash && !request.trashDays.trimmed().isEmpty())
        lines << QStringLiteral("Trash emptied after: ") + request.trashDays.trimmed() +
                     QStringLiteral(" days");
    return lines;
}

QString purgeDateLine(const PurgeRequest &request, const Calendar &calendar) {
    const QString prefix = QStringLiteral("Purge Date: ");
    if (request.mode == PurgeMode::Date)
        return prefix + request.beforeDate;
    // The same cut-off the purge would take, or why there is none.
    const Expected<DateValue, Refusal> limit = daysCutOff(request.daysOld, calendar);
    const QString date = limit ? calendar.dateText(*limit) : cutOffInBrief(limit.error());
    return prefix + date + QStringLiteral("  (") + request.daysOld + QStringLiteral(" days old)");
}

} // namespace

frmSummary::frmSummary(const Calendar &calendar, RequestSource &request, QWidget &returnTo,
                       std::shared_ptr<const RequestCounter> counter, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
    , m_calendar(calendar)
    , m_request(request)
    , m_returnTo(returnTo)
    , m_count(new BackgroundCount(std::move(counter), this)) {
    connect(m_count, &BackgroundCount::counted, this, &frmSummary::showCount);
    setObjectName(QStringLiteral("frmSummary"));
    setWindowTitle(QStringLiteral("Pre-Deletion Summary"));
    setFont(sansFont(8.0));
    setFixedSize(twipsSize(7440, 3195));
    move(twipsPoint(4425, 3000));

    // Made in their keyboard order.
    Label1 = new QLabel(QStringLiteral("Please carefully review the details below, as changes "
                                       "cannot be made after this stage.  ALL Specified Files "
                                       "will be lost WITHOUT possibility or return. "),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 120, 2535, 1095));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Picture1 = new PrintPanel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(2880, 120, 4455, 3015));
    Picture1->setFont(fixedFont(8.25));
    // It takes the focus first, so a key pressed on arrival presses no button.
    Picture1->setFocusPolicy(Qt::StrongFocus);

    cmdCancel = button(this, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"),
                       twipsRect(1680, 1680, 1095, 375));
    cmdOK = button(this, QStringLiteral("cmdOK"), QStringLiteral("&OK"),
                   twipsRect(120, 1680, 1335, 375));

    Label2 = new QLabel(QStringLiteral("Make Sure Information is Correct!!!"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 1200, 2655, 375));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QWidget::setTabOrder(Picture1, cmdCancel);
    QWidget::setTabOrder(cmdCancel, cmdOK);
    describeControls(*this, {{QStringLiteral("Picture1"), QStringLiteral("Deletion request")}});

    connect(cmdOK, &QPushButton::clicked, this, &frmSummary::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSummary::cmdCancel_Click);
    connect(qApp, &QApplication::focusChanged, this, &frmSummary::focusMoved);
}

frmSummary::~frmSummary() {
    // QWidget's destructor hides a visible window, which moves the focus; by then this is no longer
    // a frmSummary, so the slot must not be called any more.
    disconnect(qApp, &QApplication::focusChanged, this, &frmSummary::focusMoved);
}

void frmSummary::Form_Activate() {
    const PurgeRequest request = m_request.purgeRequest();
    const DateValue now = m_calendar.now();

    Picture1->print(QStringLiteral("Deletion Request was made on:"));
    Picture1->print(indent + m_calendar.dateText(now) + QStringLiteral(" at ") +
                    m_calendar.timeText(now));
    Picture1->print(QStringLiteral("-----------------------------"));
    Picture1->print(QStringLiteral("Request Details:"));
    Picture1->print(request.subfolders == Subfolders::Included
                        ? QStringLiteral("Directory, with its subfolders:")
                        : QStringLiteral("Directory:"));
    Picture1->print(indent + (request.directory.isEmpty()
                                  ? QStringLiteral("### NO DIRECTORY SELECTED ###")
                                  : request.directory));
    Picture1->print(QStringLiteral("File Type:  ") +
                    (request.pattern.isEmpty() ? QStringLiteral("### NO FILE TYPE SELECTED ###")
                                               : request.pattern));
    Picture1->print(purgeDateLine(request, m_calendar));
    for (const QString &line : spaceLines(request))
        Picture1->print(line);
    // A count still going is for a report the user has moved on from.
    stopCounting();
    m_countPrefix = countPrefix(request.removal);
    m_countSubfolders = request.subfolders;
    Picture1->print(m_countPrefix + QStringLiteral("counting..."));
    m_countLine = Picture1->lines().size() - 1;
    m_count->start(request, localDateTimeOf(now), m_calendar.locale());
    if (request.mode == PurgeMode::Days)
        Picture1->print(indent, PrintPanel::LineEnd::StayOnLine);
}

void frmSummary::clearReport() {
    stopCounting();
    Picture1->clear();
}

void frmSummary::showCount(const RequestCount &count) {
    if (m_countLine < 0)
        return;
    Picture1->replaceLine(m_countLine,
                          countLine(m_countPrefix, count, m_countSubfolders, m_calendar.locale()),
                          indent);
    m_countLine = -1;
}

void frmSummary::stopCounting() {
    m_count->stop();
    if (m_countLine >= 0)
        Picture1->replaceLine(m_countLine, m_countPrefix + QStringLiteral("not counted"), indent);
    m_countLine = -1;
}

void frmSummary::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || m_activeInProgram)
        return;
    m_activeInProgram = true;
    Form_Activate();
}

void frmSummary::focusMoved(QWidget *, QWidget *now) {
    // Only another window of this program takes the part; the focus leaving for another
    // program comes as nothing.
    if (now != nullptr && now->window() != this)
        m_activeInProgram = false;
}

void frmSummary::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    m_activeInProgram = false;
    stopCounting();
}

void frmSummary::cmdOK_Click() {
    returnToMainWindow();
}

void frmSummary::cmdCancel_Click() {
    m_request.clearDirectoryText();
    returnToMainWindow();
}

void frmSummary::returnToMainWindow() {
    m_returnTo.raise();
    m_returnTo.activateWindow();
    hide();
}

} // namespace culler
