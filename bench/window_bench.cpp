// Times a purge run through the main window, drawn off screen, against the engine alone on an
// identical directory, and times the directory list opening a directory of that many files.
//
//   window_bench [--files N] [--rounds R] [--dir BASE]
//
// Both purges run in this process, one after the other, alternating which goes first; each works
// on a directory built just before it. The window's run includes its progress bar, its repaints
// and the events it lets through while it works.

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
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace culler;

class SilentDisplay final : public PurgeDisplay {
public:
    void setProgressMaximum(qint64) override {}
    void setProgressValue(qint64) override {}
    void setStatusText(const QString &) override {}
    void showMessage(const Message &message, RequestField) override {
        QTextStream(stderr) << message.prompt << '\n';
    }
};

class PrintedMessages final : public MessageBoxes {
public:
    void show(const Message &message) override {
        QTextStream(stderr) << message.title << ": " << message.prompt << '\n';
        ++count;
    }
    int count = 0;
};

// N files, every fifth not matching *.tmp; the even ones thirty days old, the odd ones a day old.
void buildDirectory(const QString &path, int files) {
    QDir().mkpath(path);
    const time_t now = time(nullptr);
    const timespec oldTime{now - 30 * 86400, 0};
    const timespec newTime{now - 86400, 0};
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/f%07d.%s", i, i % 5 == 4 ? "log" : "tmp");
        const QByteArray filePath = QFile::encodeName(path) + name;
        const int fd = ::open(filePath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(filePath.constData());
            std::exit(2);
        }
        const timespec times[2] = {oldTime, i % 2 == 0 ? oldTime : newTime};
        ::futimens(fd, times);
        ::close(fd);
    }
}

qsizetype countFiles(const QString &path) {
    return QDir(path).entryList(QDir::Files | QDir::Hidden).size();
}

double secondsOf(const std::function<void()> &work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    int files = 100000;
    int rounds = 3;
    QString base = QDir::tempPath();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QStringLiteral("--files"))
            files = arguments[i + 1].toInt();
        else if (arguments[i] == QStringLiteral("--rounds"))
            rounds = arguments[i + 1].toInt();
        else if (arguments[i] == QStringLiteral("--dir"))
            base = arguments[i + 1];
    }
    if (files <= 0 || rounds <= 0) {
        QTextStream(stderr) << "usage: window_bench [--files N] [--rounds R] [--dir BASE]\n";
        return 2;
    }

    QTemporaryDir work(base + QStringLiteral("/culler-window-bench-XXXXXX"));
    QTextStream out(stdout);
    out << "Purging " << files << " files (*.tmp older than 20 days), " << rounds << " rounds, in "
        << work.path() << " on the " << QApplication::platformName() << " platform\n";

    const SystemClock clock;
    const Calendar calendar(clock, QLocale::system());
    PrintedMessages messages;
    const MountedVolumes volumes;
    frmMain window(calendar, messages, volumes, work.filePath(QStringLiteral("filetypes.dat")));
    window.Form_Load();
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
            const PurgeRequest request{engineDir, QStringLiteral("*.tmp"), PurgeMode::Days,
                                       QStringLiteral("20"), QString()};
            return secondsOf([&] { runPurge(request, calendar, display); });
        };
        const auto windowRun = [&] {
            buildDirectory(windowDir, files);
            ::sync();
            directoryBox->setText(windowDir);
            return secondsOf([&] { deleteButton->click(); });
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
