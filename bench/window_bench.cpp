// Times a purge run through the main window, drawn off screen, against the engine alone on an
// identical directory, and times the directory list opening a directory of that many files.
//
//   window_bench [--files N] [--rounds R] [--dir BASE]
//
// Both purges run in this process, one after the other, alternating which goes first; each works
// on a directory built just before it. The window's run includes starting its purge thread, the
// progress it shows and the repaints of its window while the run goes on.

#include "benchsupport.h"
#include "filetypes/filetypesfile.h"
#include "purge/purge.h"
#include "runtime/calendar.h"
#include "runtime/clock.h"
#include "runtime/drives.h"
#include "ui/main/directorylist.h"
#include "ui/main/frmmain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace culler;
using namespace culler::bench;

class PrintedMessages final : public MessageBoxes {
public:
    void show(const Message &message) override {
        QTextStream(stderr) << message.title << ": " << message.prompt << '\n';
        ++count;
    }
    bool ask(const Message &message) override {
        show(message);
        return true;
    }
    int count = 0;
};

double secondsOf(const std::function<void()> &work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const std::optional<bench::Options> options = bench::parseOptions(arguments);
    if (!options) {
        QTextStream(stderr) << "usage: window_bench [--files N] [--rounds R] [--dir BASE]\n";
        return 2;
    }
    const int files = options->files;
    const int rounds = options->rounds;
    const QString base = options->base;

    QTemporaryDir work(base + QStringLiteral("/culler-window-bench-XXXXXX"));
    QTextStream out(stdout);
    out << "Purging " << files << " files (*.tmp older than 20 days), " << rounds << " rounds, in "
        << work.path() << " on the " << QApplication::platformName() << " platform\n";

    const SystemClock clock;
    const Calendar calendar(clock, QLocale::system());
    PrintedMessages messages;
    const MountedVolumes volumes;
    frmMain window({calendar, messages, volumes, work.filePath(QStringLiteral("filetypes.dat"))});
    window.show();
    QApplication::processEvents();
    auto *directoryBox = window.findChild<QLineEdit *>(QStringLiteral("txtDirectory"));
    auto *deleteButton = window.findChild<QPushButton *>(QStringLiteral("cmdDelete"));
    window.findChild<QComboBox *>(QStringLiteral("cboFileType"))
        ->setEditText(QStringLiteral("*.tmp"));
    auto *status = window.findChild<QLabel *>(QStringLiteral("lblFinished"));

    std::vector<double> engineSeconds;
    std::vector<double> windowSeconds;
    for (int round = 0; round < rounds; ++round) {
        const QString engineDir = work.filePath(QStringLiteral("engine%1").arg(round));
        const QString windowDir = work.filePath(QStringLiteral("window%1").arg(round));
        const auto engineRun = [&] {
            buildDirectory(engineDir, files);
            ::sync();
            SilentDisplay display;
            return secondsOf([&] { runPurge(benchJob(engineDir), display); });
        };
        const auto windowRun = [&] {
            buildDirectory(windowDir, files);
            ::sync();
            directoryBox->setText(windowDir);
            // The run goes on off the window's thread; the window says when it is over.
            QEventLoop untilEnded;
            QObject::connect(&window, &frmMain::purgeEnded, &untilEnded, &QEventLoop::quit);
            return secondsOf([&] {
                deleteButton->click();
                untilEnded.exec();
            });
        };
        double engine = 0;
        double windowed = 0;
        if (round % 2 == 0) {
            engine = engineRun();
            windowed = windowRun();
        } else {
            windowed = windowRun();
            engine = engineRun();
        }
        if (messages.count != 0 || status->text() != finishedText() ||
            countFiles(engineDir) != countFiles(windowDir)) {
            out << "The window and the engine disagree: " << countFiles(windowDir) << " and "
                << countFiles(engineDir) << " files left.\n";
            return 1;
        }
        engineSeconds.push_back(engine);
        windowSeconds.push_back(windowed);
        out << "  round " << round + 1 << ": engine " << engine << " s, window " << windowed
            << " s\n";
        QDir(engineDir).removeRecursively();
        QDir(windowDir).removeRecursively();
    }
    const double engine = median(engineSeconds);
    const double windowed = median(windowSeconds);
    out << "engine alone: median " << engine << " s\n";
    out << "through the window: median " << windowed << " s\n";
    out << "ratio window/engine: " << windowed / engine << '\n';

    // The directory list beside a directory holding all those files and a few subdirectories.
    const QString crowded = work.filePath(QStringLiteral("crowded"));
    buildDirectory(crowded, files);
    for (const char *sub : {"/a", "/b", "/c"})
        QDir().mkpath(crowded + QLatin1String(sub));
    DirectoryList list;
    std::vector<double> listSeconds;
    for (int round = 0; round < rounds; ++round) {
        list.setPath(work.path());
        listSeconds.push_back(secondsOf([&] { list.setPath(crowded); }));
    }
    out << "directory list opening a directory of " << files << " files: median "
        << median(listSeconds) * 1000 << " ms\n";
    return 0;
}
