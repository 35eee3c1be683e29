#include "cli/commandline.h"
#include "filetypes/filetypeslocation.h"
#include "runtime/applicationinfo.h"
#include "runtime/calendar.h"
#include "runtime/clock.h"
#include "runtime/drives.h"
#include "runtime/runlog.h"
#include "ui/main/frmmain.h"
#include "ui/qtmessageboxes.h"
#include "ui/startup/frmsplash.h"
#include "ui/startup/sessionend.h"
#include "ui/startup/startup.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char *argv[]) {
    // With arguments the program is a command: it must run where there is no display, so no
    // QApplication may exist, not even for a moment.
    if (argc > 1)
        return culler::runCommandLine(argc, argv);

    QApplication app(argc, argv);
    // The name decides where the pattern list is kept when the program's own directory is not
    // writable, so it is set before any window looks for the list.
    QApplication::setApplicationName(culler::applicationTitle());
    QApplication::setApplicationVersion(culler::applicationVersion());
    QApplication::setDesktopFileName(QStringLiteral("culler"));

    const culler::SystemClock clock;
    const culler::Calendar calendar(clock, QLocale::system());
    culler::QtMessageBoxes messageBoxes;

    const culler::MountedVolumes volumes;
    const culler::FileTypesLocation fileTypes = culler::fileTypesLocationOfThisProgram();
    // ~/.config/Culler/Culler.conf, where the window remembers the user's choices.
    const QString settings = QSettings(QSettings::IniFormat, QSettings::UserScope,
                                       culler::applicationTitle(), culler::applicationTitle())
                                 .fileName();
    culler::frmMain mainWindow({calendar, messageBoxes, volumes, fileTypes.path, fileTypes.problem,
                                settings, culler::runsDirectoryOfThisUser()});
    culler::closeOnSessionEnd(mainWindow);
    culler::frmSplash splash(culler::bringUpMainWindow(mainWindow));
    splash.show();
    return QApplication::exec();
}
