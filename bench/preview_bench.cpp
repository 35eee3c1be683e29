// Times the summary's count of a directory against find(1) listing the same files with their
// sizes, and times how long the summary window takes to show its first figure.
//
//   preview_bench [--files N] [--rounds R] [--dir BASE]
//
// The directory holds N files: three in eight are *.tmp files older than the cut-off (the files
// to delete), three in eight newer *.tmp files, two in eight *.log files, each of a few hundred
// bytes. The count goes the way the summary's does, through a thread of its own and back to this
// one's event loop; find runs as a process of its own. Both read the same directory, in turns.

#include "benchsupport.h"
#include "runtime/calendar.h"
#include "runtime/clock.h"
#include "ui/summary/backgroundcount.h"
#include "ui/summary/frmsummary.h"
#include "ui/summary/printpanel.h"
#include "ui/summary/purgepreview.h"
#include "ui/summary/requestsource.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using namespace culler;
using namespace culler::bench;

void buildPreviewDirectory(const QString &path, int files) {
    QDir().mkpath(path);
    const time_t now = time(nullptr);
    const timespec oldTime{now - 30 * 86400, 0};
    const timespec newTime{now - 86400, 0};
    for (int i = 0; i < files; ++i) {
        const int kind = i % 8;
        char name[32];
        std::snprintf(name, sizeof name, "/f%07d.%s", i, kind == 3 || kind == 7 ? "log" : "tmp");
        const QByteArray filePath = QFile::encodeName(path) + name;
        const int fd = ::open(filePath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::ftruncate(fd, 100 + i % 900) != 0) {
            std::perror(filePath.constData());
            std::exit(2);
        }
        const timespec times[2] = {oldTime, kind < 4 ? oldTime : newTime};
        ::futimens(fd, times);
        ::close(fd);
    }
}

PurgeRequest previewRequest(const QString &directory) {
    return PurgeRequest{directory, QStringLiteral("*.tmp"), PurgeMode::Days,
                        QString::number(daysOld), QString()};
}

// The count as the summary makes it: started here, counted on another thread, received back
// through this thread's event loop.
RequestCount previewCount(const QString &directory) {
    BackgroundCount count(std::make_shared<PurgePreview>());
    RequestCount result;
    QEventLoop loop;
    QObject::connect(&count, &BackgroundCount::counted, &loop, [&](const RequestCount &counted) {
        result = counted;
        loop.quit();
    });
    count.start(previewRequest(directory), QDateTime::currentDateTime(), QLocale::system());
    loop.exec();
    return result;
}

struct FindCount {
    qint64 files = 0;
    qint64 bytes = 0;
};

// find listing the sizes of the files to delete, its output going to a file read afterwards.
FindCount findCount(const QString &directory, const QString &output, double &seconds) {
    const QDate limitDay = QDate::currentDate().addDays(-daysOld);
    const QByteArray limit =
        (limitDay.toString(Qt::ISODate) + QStringLiteral(" 23:59:59")).toUtf8();
    const QByteArray dir = QFile::encodeName(directory);
    const char *argv[] = {
        "find", dir.constData(), "-maxdepth",       "1",       "-type", "f",    "-name", "*.tmp",
        "!",    "-newermt",      limit.constData(), "-printf", "%s\n",  nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, QFile::encodeName(output).constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char **>(argv), environ) != 0) {
        std::perror("find");
        std::exit(2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    seconds = double(timer.nsecsElapsed()) / 1e9;
    posix_spawn_file_actions_destroy(&actions);

    FindCount count;
    QFile sizes(output);
    if (!sizes.open(QIODevice::ReadOnly))
        return count;
    for (QByteArray line = sizes.readLine(); !line.isEmpty(); line = sizes.readLine()) {
        ++count.files;
        count.bytes += line.trimmed().toLongLong();
    }
    return count;
}

class FixedRequest final : public RequestSource {
public:
    explicit FixedRequest(PurgeRequest request)
        : m_request(std::move(request)) {}
    PurgeRequest purgeRequest() const override { return m_request; }
    void clearDirectoryText() override {}

private:
    PurgeRequest m_request;
};

// From the summary's activation to its count line showing the first figure.
double summarySeconds(const QString &directory, const Calendar &calendar) {
    FixedRequest request(previewRequest(directory));
    QWidget main;
    frmSummary summary(calendar, request, main, std::make_shared<PurgePreview>());
    const QString counting = QStringLiteral("Files to delete: counting...");
    QElapsedTimer timer;
    timer.start();
    // What the window's activation runs; the window itself need not be drawn for it.
    summary.Form_Activate();
    while (summary.panel()->lines().value(8, counting) == counting)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::optional<Options> options = parseOptions(app.arguments());
    if (!options) {
        QTextStream(stderr) << "usage: preview_bench [--files N] [--rounds R] [--dir BASE]\n";
        return 2;
    }
    QTemporaryDir work(options->base + QStringLiteral("/culler-preview-bench-XXXXXX"));
    const QString directory = work.filePath(QStringLiteral("files"));
    const QString output = work.filePath(QStringLiteral("find-output"));
    buildPreviewDirectory(directory, options->files);
    ::sync();

    QTextStream out(stdout);
    out << "Counting " << options->files << " files (*.tmp older than " << daysOld << " days), "
        << options->rounds << " rounds, in " << work.path() << '\n';
    std::vector<double> previewSeconds;
    std::vector<double> findSeconds;
    for (int round = 0; round < options->rounds; ++round) {
        RequestCount preview;
        FindCount find;
        double previewTime = 0;
        double findTime = 0;
        const auto timePreview = [&] {
            QElapsedTimer timer;
            timer.start();
            preview = previewCount(directory);
            previewTime = double(timer.nsecsElapsed()) / 1e9;
        };
        // Alternate which goes first, so neither always gets the warmer caches.
        if (round % 2 == 0) {
            timePreview();
            find = findCount(directory, output, findTime);
        } else {
            find = findCount(directory, output, findTime);
            timePreview();
        }
        if (!preview.refusal.isEmpty() || preview.toRemove != find.files ||
            preview.bytesToRemove != find.bytes) {
            out << "The preview and find disagree: " << preview.toRemove << " files of "
                << preview.bytesToRemove << " bytes, and " << find.files << " of " << find.bytes
                << preview.refusal << '\n';
            return 1;
        }
        previewSeconds.push_back(previewTime);
        findSeconds.push_back(findTime);
        out << "  round " << round + 1 << ": preview " << previewTime << " s (" << preview.toRemove
            << " of " << preview.matching << " to delete), find " << findTime << " s\n";
    }
    const double preview = median(previewSeconds);
    const double find = median(findSeconds);
    out << "preview: " << qRound64(options->files / preview) << " files/s (median " << preview
        << " s)\n";
    out << "find:    " << qRound64(options->files / find) << " files/s (median " << find << " s)\n";
    out << "preview/find ratio: " << preview / find << '\n';

    const SystemClock clock;
    const Calendar calendar(clock, QLocale::system());
    out << "summary's first figure after " << summarySeconds(directory, calendar) << " s\n";
    return 0;
}
