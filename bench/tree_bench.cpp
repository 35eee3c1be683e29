// Times `culler --recursive` against find(1) purging the same trees, in the same rounds: a wide
// tree of 1,000 directories of 100 files each and a chain 50 directories deep of 2,000 files each,
// three files in eight due; then measures the engine's peak memory for a tree of 10,000
// directories against one of 100, to show it grows with the directories waiting, not with the
// files.
//
//   tree_bench [--rounds R] [--dir BASE]
//
// Each measurement is a whole process: this program runs itself with --engine-only DIR for the
// engine's memory, so the peak is the engine's alone.

#include "benchsupport.h"
#include "purge/purge.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <unistd.h>

namespace {

using namespace culler;
using namespace culler::bench;

enum class Shape {
    Wide,  // 10 directories of 100 directories, each of those with its files
    Chain, // one directory in the next, each with its files
};

// Builds a tree under path; returns how many files it holds.
qint64 buildTree(const QString &path, Shape shape, int directories, int filesEach) {
    QString level = path;
    for (int i = 0; i < directories; ++i) {
        const QString directory =
            shape == Shape::Chain
                ? (level += QStringLiteral("/l"))
                : path +
                      QStringLiteral("/d%1/e%2").arg(i / 100, 3, 10, QLatin1Char('0')).arg(i % 100);
        buildDirectory(directory, filesEach);
    }
    return qint64(directories) * filesEach;
}

qint64 filesIn(const QString &path) {
    qint64 count = 0;
    for (QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++count;
    return count;
}

ProcessRun cullerRun(const QString &directory) {
    return runProcess({QStringLiteral(CULLER_EXECUTABLE), QStringLiteral("--directory"), directory,
                       QStringLiteral("--pattern"), QStringLiteral("*.tmp"),
                       QStringLiteral("--days"), QString::number(daysOld),
                       QStringLiteral("--recursive")});
}

// find as a user writes it for a tree: every level, one core.
ProcessRun findTreeRun(const QString &directory) {
    return runProcess({QStringLiteral("find"), directory, QStringLiteral("-type"),
                       QStringLiteral("f"), QStringLiteral("-name"), QStringLiteral("*.tmp"),
                       QStringLiteral("-mtime"), QStringLiteral("+%1").arg(daysOld),
                       QStringLiteral("-delete")});
}

// Culler and find on trees alike, the one first in even rounds and the other in odd ones. False
// when they leave different numbers of files.
bool compare(const QString &name, Shape shape, int directories, int filesEach, double target,
             const Options &options, QTextStream &out) {
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int round = 0; round < options.rounds; ++round) {
        QTemporaryDir work(options.base + QStringLiteral("/culler-tree-XXXXXX"));
        const QString mine = work.filePath(QStringLiteral("culler"));
        const QString other = work.filePath(QStringLiteral("find"));
        buildTree(mine, shape, directories, filesEach);
        buildTree(other, shape, directories, filesEach);
        ::sync();
        const std::function<ProcessRun()> runs[2] = {[&] { return cullerRun(mine); },
                                                     [&] {
                                                         return findTreeRun(other);
                                                     }};
        const int first = round % 2;
        const ProcessRun a = runs[first]();
        const ProcessRun b = runs[1 - first]();
        ours.push_back((first == 0 ? a : b).seconds);
        theirs.push_back((first == 0 ? b : a).seconds);
        if (filesIn(mine) != filesIn(other)) {
            out << name << ": Culler and find disagree: " << filesIn(mine) << " files left against "
                << filesIn(other) << '\n';
            return false;
        }
    }
    const double files = double(directories) * filesEach;
    out << name << ": culler --recursive " << qRound64(files / median(ours)) << " files/s (median "
        << median(ours) << " s), find " << qRound64(files / median(theirs)) << " files/s (median "
        << median(theirs) << " s)\n  culler/find ratio: " << median(ours) / median(theirs)
        << " (target: " << target << " or less)\n";
    return true;
}

int runEngine(const QString &directory) {
    SilentDisplay display;
    PurgeJob job = benchJob(directory);
    job.subfolders = Subfolders::Included;
    const PurgeResult result = runPurge(job, display);
    QTextStream(stdout) << peakMemoryKiB() << '\n';
    return result && result->status == PurgeStatus::Finished ? 0 : 1;
}

// The engine's peak memory for a wide tree of the given number of directories, ten files each.
QString enginePeakKiB(const QString &base, int directories) {
    QTemporaryDir work(base + QStringLiteral("/culler-tree-XXXXXX"));
    buildTree(work.path(), Shape::Wide, directories, 10);
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--engine-only"), work.path()});
    process.waitForFinished(-1);
    return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
}

} // namespace

int main(int argc, char **argv) {
    const QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("--engine-only"))
        return runEngine(arguments[2]);
    const std::optional<Options> options = parseOptions(arguments);
    QTextStream out(stdout);
    if (!options) {
        QTextStream(stderr) << "usage: tree_bench [--rounds R] [--dir BASE]\n";
        return 2;
    }
    if (!compare(QStringLiteral("1,000 directories of 100 files"), Shape::Wide, 1000, 100, 0.55,
                 *options, out) ||
        !compare(QStringLiteral("a chain 50 deep of 2,000 files each"), Shape::Chain, 50, 2000,
                 0.75, *options, out))
        return 1;
    out << "peak memory: 100 directories " << enginePeakKiB(options->base, 100)
        << " KiB, 10,000 directories " << enginePeakKiB(options->base, 10000) << " KiB\n";
    return 0;
}
