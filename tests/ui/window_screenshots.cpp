// Draws the three windows into PNGs, the way they look with the fonts and the display of this
// machine, for the documentation. With --dark they wear Fusion and a dark palette, as on a dark
// desktop. Not a test; run it on a real display, at any scale:
//   QT_SCALE_FACTOR=2 xvfb-run -a build/tests/ui/window_screenshots docs [--dark]

#include "windowtestsupport.h"

#include "ui/main/frmmain.h"
#include "ui/startup/frmsplash.h"
#include "ui/summary/frmsummary.h"
#include "ui/summary/printpanel.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

QPalette darkPalette() {
    QPalette dark;
    const QColor window(0x2b, 0x2b, 0x2b);
    const QColor base(0x1e, 0x1e, 0x1e);
    const QColor text(0xe6, 0xe6, 0xe6);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    dark.setColor(QPalette::Mid, QColor(0x25, 0x25, 0x25));
    dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    dark.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, QColor(0x7f, 0x7f, 0x7f));
    }
    return dark;
}

// Shows the window and, given a path, saves its picture there.
bool save(QWidget &window, const QString &path) {
    window.show();
    window.activateWindow();
    // The summary prints its report as it is activated.
    if (!QTest::qWaitForWindowActive(&window))
        return false;
    return path.isEmpty() || window.grab().save(path);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    const bool dark = arguments.removeAll(QStringLiteral("--dark")) > 0;
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: window_screenshots DIRECTORY [--dark]\n";
        return 2;
    }
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    const QDir out(QDir(arguments.at(1)).absolutePath());
    const QString suffix = dark ? QStringLiteral("-dark.png") : QStringLiteral(".png");

    // A window on a directory of its own, with a few patterns, on the tests' fixed day.
    QTemporaryDir temp;
    QDir(temp.path()).mkpath(QStringLiteral("photos/2024"));
    QDir(temp.path()).mkpath(QStringLiteral("downloads"));
    // A few files for the summary to count: older and newer than its twenty days.
    for (int day = 1; day <= 40; ++day) {
        QFile file(temp.filePath(QStringLiteral("scan%1.tmp").arg(day, 2, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.resize(day * 37000);
        file.setFileTime(QDateTime(QDate(1999, 12, 6).addDays(-day), QTime(9, 30)),
                         QFileDevice::FileModificationTime);
    }
    QDir::setCurrent(temp.path());
    culler::test::WindowEnvironment env;
    env.volumes.list = {culler::Volume{temp.path(), QStringLiteral("DATA"), true}};

    culler::frmSplash splash([] {});
    culler::frmMain main(
        {env.calendar, env.messages, env.volumes, temp.filePath(QStringLiteral("filetypes.dat"))});
    main.addPatterns({QStringLiteral("*.bak"), QStringLiteral("*.log"), QStringLiteral("*.tmp")});
    bool saved = save(splash, out.filePath(QStringLiteral("splash") + suffix));
    splash.hide();
    saved = saved && save(main, out.filePath(QStringLiteral("main-window") + suffix));
    main.findChild<QComboBox *>(QStringLiteral("cboFileType"))
        ->setEditText(QStringLiteral("*.tmp"));
    culler::frmSummary &summary = *main.summaryWindow();
    summary.clearReport();
    saved = saved && save(summary, QString());
    // Drawn once the count is in.
    saved = saved && QTest::qWaitFor([&summary] {
                return !summary.panel()->lines().value(8).endsWith(QStringLiteral("counting..."));
            });
    saved = saved && summary.grab().save(out.filePath(QStringLiteral("summary") + suffix));
    if (!saved) {
        QTextStream(stderr) << "could not write the screenshots into " << out.path() << '\n';
        return 1;
    }
    return 0;
}
