// Draws the splash window into a PNG, the way it looks with the fonts of this machine.
// Run it off screen: QT_QPA_PLATFORM=offscreen splash_screenshot splash.png

#include "ui/startup/frmsplash.h"

#include <QApplication>
#include <QPixmap>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: splash_screenshot FILE.png\n";
        return 2;
    }

    culler::frmSplash splash([] {});
    splash.show();
    const QPixmap picture = splash.grab();
    if (!picture.save(arguments.at(1))) {
        QTextStream(stderr) << "could not write " << arguments.at(1) << '\n';
        return 1;
    }
    return 0;
}
