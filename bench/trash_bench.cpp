// Times a purge that moves the old files to the Trash against the ways others do the same, on
// identical directories in the same rounds: find(1) deleting them, find passing them to
// `gio trash`, and a plain loop of QFile::moveToTrash; and measures the Trash run's peak memory at
// two directory sizes, to show it does not grow with them.
//
//   trash_bench [--files N] [--rounds R] [--dir BASE]
//
// Each run is a whole process: this program runs itself with --engine-only DIR for Culler's
// engine and --move-to-trash-only DIR for the loop. Each run has a home Trash of its own in the
// work directory ($XDG_DATA_HOME), on the same mount as the files. Nothing is removed until the
// end: ext4 makes a file slowly for some seconds after many were removed (its inode allocator
// skips the inodes freed last), which would charge one contender for the removals of another.

#include "benchsupport.h"
#include "purge/purge.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <vector>

namespace {

using namespace culler;
using namespace culler::bench;

int runEngine(const QString &directory) {
    PurgeJob job = benchJob(directory);
    job.removal = RemovalKind::Trash;
    SilentDisplay display;
    const PurgeResult result = runPurge(job, display);
    QTextStream(stdout) << peakMemoryKiB() << '\n';
    return result && result->status == PurgeStatus::Finished && !result->fellShort() ? 0 : 1;
}

// The loop a program written with Qt alone would run: each file by its path.
int runMoveToTrash(const QString &directory) {
    const QDate limit = QDate::currentDate().addDays(-daysOld);
    QDirIterator files(directory, {QStringLiteral("*.tmp")}, QDir::Files | QDir::NoSymLinks);
    while (files.hasNext()) {
        files.next();
        if (files.fileInfo().lastModified().date() <= limit &&
            !QFile::moveToTrash(files.filePath()))
            return 1;
    }
    return 0;
}

enum Contender { Engine, Gio, MoveToTrash, Find, Contenders };
const char *const labels[Contenders] = {"engine to the Trash", "gio trash", "QFile::moveToTrash",
                                        "find -delete"};

ProcessRun run(Contender contender, const QString &directory) {
    const QString self = QCoreApplication::applicationFilePath();
    switch (contender) {
    case Engine:
        return runProcess({self, QStringLiteral("--engine-only"), directory});
    case Gio:
        return findRun(directory, FindAction::Trash);
    case MoveToTrash:
        return runProcess({self, QStringLiteral("--move-to-trash-only"), directory});
    case Find:
    case Contenders:
        break;
    }
    return findRun(directory);
}

// Every contender on a directory of its own, each going first in turn; false when one fails or
// leaves other files than the rest.
bool compare(QTextStream &out, const QTemporaryDir &work, const bench::Options &options) {
    const auto runOne = [&](int contender, const QString &name,
                            ProcessRun &result) -> std::optional<QString> {
        const QString directory = work.filePath(QStringLiteral("purge") + name);
        const QString share = work.filePath(QStringLiteral("share") + name);
        QDir().mkpath(share);
        qputenv("XDG_DATA_HOME", QFile::encodeName(share));
        buildDirectory(directory, options.files);
        ::sync();
        result = run(Contender(contender), directory);
        // Three in eight due: the other five stay.
        if (result.status != 0 ||
            countFiles(directory) != options.files - (options.files + 7) / 8 * 3)
            return QStringLiteral("failed, or left %1 files.").arg(countFiles(directory));
        return std::nullopt;
    };
    const std::optional<std::vector<double>> medians =
        timeInTurns(out, options.rounds, {labels, labels + Contenders}, runOne);
    if (!medians)
        return false;
    const std::vector<double> &m = *medians;
    out << "trash/gio ratio: " << m[Engine] / m[Gio] << '\n';
    out << "trash/moveToTrash ratio: " << m[Engine] / m[MoveToTrash] << '\n';
    out << "trash/find ratio: " << m[Engine] / m[Find] << '\n';
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("--engine-only"))
        return runEngine(arguments[2]);
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("--move-to-trash-only"))
        return runMoveToTrash(arguments[2]);

    const std::optional<bench::Options> options = bench::parseOptions(arguments);
    if (!options) {
        QTextStream(stderr) << "usage: trash_bench [--files N] [--rounds R] [--dir BASE]\n";
        return 2;
    }
    QTemporaryDir work(options->base + QStringLiteral("/culler-trash-bench-XXXXXX"));
    QTextStream out(stdout);
    out << "Moving to the Trash the old files of " << options->files << " (3/8 due), "
        << options->rounds << " rounds, in " << work.path() << '\n';
    if (!compare(out, work, *options))
        return 1;

    for (const int size : {1000, options->files}) {
        const QString directory = work.filePath(QStringLiteral("memory%1").arg(size));
        qputenv("XDG_DATA_HOME", QFile::encodeName(directory + QStringLiteral("-share")));
        buildDirectory(directory, size);
        QProcess process;
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--engine-only"), directory});
        process.waitForFinished(-1);
        out << "engine to the Trash, peak memory for " << size
            << " files: " << QString::fromLatin1(process.readAllStandardOutput()).trimmed()
            << " KiB\n";
    }
    return 0;
}
