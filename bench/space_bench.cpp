// Times a purge with a size cap against a plain purge removing as many files, on directories of
// files of one byte: for the plain purge four in eight are due by the cut-off, for the capped one
// three in eight, and the cap takes another one in eight; then
// measures the peak memory of a size cap holding 1,000,000 candidates, which is the most it
// remembers (every candidate the cut-off leaves fits under the cap), against the same process
// holding none.
//
//   space_bench [--files N] [--rounds R] [--dir BASE]
//
// Each run is a process of its own: this program runs itself with --engine-only DIR [--cap BYTES]
// or --memory N.

#include "benchsupport.h"
#include "purge/purge.h"
#include "purge/spacegoal.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace culler;
using namespace culler::bench;

// Files of one byte, each a second older than the one before, dueEighths in eight due.
void buildSizedDirectory(const QString &path, int files, int dueEighths) {
    QDir().mkpath(path);
    const time_t now = ::time(nullptr);
    for (int i = 0; i < files; ++i) {
        const QByteArray name = QFile::encodeName(path) + "/f" + QByteArray::number(i) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, "x", 1) != 1)
            qFatal("cannot make %s", name.constData());
        const bool due = i % 8 < dueEighths;
        const timespec stamp{(due ? now - 30 * 86400 : now - 86400) - i, 0};
        const timespec times[2] = {stamp, stamp};
        ::futimens(fd, times);
        ::close(fd);
    }
}

int runEngine(const QString &directory, qint64 cap) {
    SilentDisplay display;
    PurgeJob job = benchJob(directory);
    if (cap >= 0) {
        job.spaceRule = SpaceRule::SizeCap;
        job.space.bytes = cap;
    }
    const PurgeResult result = runPurge(job, display);
    return result && result->status == PurgeStatus::Finished ? 0 : 1;
}

// Offers count candidates to a cap they all fit under, and prints the peak memory.
int holdCandidates(qint64 count) {
    std::vector<HeldFile> going;
    std::optional<SpaceGoal> goal;
    if (count > 0)
        goal.emplace(SpaceGoal::sizeCap(std::numeric_limits<qint64>::max()));
    for (qint64 i = 0; i < count; ++i) {
        // Names as a purge meets them: "f123456.tmp", held in the string itself.
        HeldFile file{
            "f" + std::to_string(i) + ".tmp", {0, ino_t(i), {time_t(i), 0}}, 1, 4096, nullptr};
        goal->offer(std::move(file), going);
    }
    QTextStream(stdout) << peakMemoryKiB() << '\n';
    return 0;
}

QString peakOf(qint64 count) {
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--memory"), QString::number(count)});
    process.waitForFinished(-1);
    return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 3 && arguments[1] == QStringLiteral("--engine-only"))
        return runEngine(arguments[2],
                         arguments.size() == 5 ? arguments[4].toLongLong() : qint64(-1));
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("--memory"))
        return holdCandidates(arguments[2].toLongLong());

    QTextStream out(stdout);
    const std::optional<Options> options = parseOptions(arguments);
    if (!options) {
        out << "usage: space_bench [--files N] [--rounds R] [--dir BASE]\n";
        return 2;
    }
    QTemporaryDir base(options->base + QStringLiteral("/space_bench-XXXXXX"));
    // The cut-off leaves five in eight; the cap keeps four in eight of the files, one byte each.
    const qint64 cap = qint64(options->files) / 2;
    out << "size cap on " << options->files << " files (cap " << cap << " bytes):\n";
    const std::optional<std::vector<double>> medians = timeInTurns(
        out, options->rounds, {"plain purge", "with a size cap"},
        [&](int contender, const QString &name, ProcessRun &run) -> std::optional<QString> {
            const QString directory = base.filePath(name);
            buildSizedDirectory(directory, options->files, contender == 1 ? 3 : 4);
            QStringList command = {QCoreApplication::applicationFilePath(),
                                   QStringLiteral("--engine-only"), directory};
            if (contender == 1)
                command << QStringLiteral("--cap") << QString::number(cap);
            run = runProcess(command);
            const qsizetype left = countFiles(directory);
            QDir(directory).removeRecursively();
            const qsizetype expected =
                contender == 1 ? cap : options->files - (options->files * 4 + 7) / 8;
            if (run.status != 0 || left != expected)
                return QStringLiteral("left %1 files, not %2").arg(left).arg(expected);
            return std::nullopt;
        });
    if (!medians)
        return 1;
    out << "  cap/plain ratio: " << (*medians)[1] / (*medians)[0] << " (target: 1.2 or less)\n";
    out << "peak memory holding 1,000,000 candidates under a cap: " << peakOf(1000000)
        << " KiB, holding none: " << peakOf(0) << " KiB\n";
    return 0;
}
