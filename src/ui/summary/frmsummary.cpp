#include "frmsummary.h"

#include "ui/twips.h"

namespace culler {

frmSummary::frmSummary(const Calendar &calendar, frmMain &mainWindow, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_calendar(calendar)
    , m_main(mainWindow) {
    setObjectName(QStringLiteral("frmSummary"));
    setWindowTitle(QStringLiteral("Pre-Deletion Summary"));
    setFixedSize(twipsSize(7440, 3195));
    move(twipsPoint(4425, 3000));
}

} // namespace culler
