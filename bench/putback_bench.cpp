// Times putting a Trash run back: the old files of a directory (three in eight of 100,000, so
// 37,500) moved to the Trash by Culler's run, then put back by Culler's put back, against a plain
// loop of renames putting the same files back, the floor any put back stands on.
//
//   putback_bench [--files N] [--rounds R] [--dir BASE]
//
// Each put back is a whole process: this program runs itself with --put-back-only RUNS for
// Culler's and --rename-only TRASH DIR for the loop. The Trash runs before them are not timed; each
// has a home Trash and a folder of lists of its own in the work directory, on the same mount as
// the files. Nothing is removed until the end, as in the Trash benchmark: ext4 makes a file slowly
// for some seconds after many were removed.

#include "benchsupport.h"
#include "purge/purge.h"
#include "purge/putback.h"
#include "runtime/uniquefd.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace culler;
using namespace culler::bench;

int runPutBack(const QString &runs) {
    const PutBackResult result = putBackRun({QFile::encodeName(runs)});
    return result && !result->fellShort() && result->putBack > 0 ? 0 : 1;
}

// What a put back cannot do with less: each file renamed home, never over another, and its info
// file removed. The loop knows where the files came from; it reads no list and checks nothing.
int runRenameLoop(const QString &trash, const QString &directory) {
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    const UniqueFd files{::open(QFile::encodeName(trash + QStringLiteral("/files")), flags)};
    const UniqueFd info{::open(QFile::encodeName(trash + QStringLiteral("/info")), flags)};
    const UniqueFd home{::open(QFile::encodeName(directory), flags)};
    if (!files.isOpen() || !info.isOpen() || !home.isOpen())
        return 1;
    const QStringList names = QDir(trash + QStringLiteral("/files")).entryList(QDir::Files);
    for (const QString &name : names) {
        const QByteArray bytes = QFile::encodeName(name);
        if (::renameat2(files.get(), bytes.constData(), home.get(), bytes.constData(),
                        RENAME_NOREPLACE) != 0 ||
            ::unlinkat(info.get(), (bytes + ".trashinfo").constData(), 0) != 0)
            return 1;
    }
    return 0;
}

// Moves the due files of a new directory to a Trash of its own, keeping the run's list: what each
// contender then puts back. False when the run did not move them all.
bool trashRun(const QString &directory, const QString &share, const QString &runs, int files) {
    buildDirectory(directory, files);
    QDir().mkpath(share);
    qputenv("XDG_DATA_HOME", QFile::encodeName(share));
    PurgeJob job = benchJob(directory);
    job.removal = RemovalKind::Trash;
    job.runsDirectory = QFile::encodeName(runs);
    SilentDisplay display;
    const PurgeResult result = runPurge(job, display);
    ::sync();
    return result && !result->fellShort() && result->removed == (files + 7) / 8 * 3;
}

enum Contender { PutBack, RenameLoop, Contenders };
const char *const labels[Contenders] = {"Culler's put back", "rename loop"};

// Every contender on a run of its own, each going first in turn; false when one fails or leaves
// a file in the Trash.
bool compare(QTextStream &out, const QTemporaryDir &work, const bench::Options &options) {
    const QString self = QCoreApplication::applicationFilePath();
    const auto runOne = [&](int contender, const QString &name,
                            ProcessRun &result) -> std::optional<QString> {
        const QString directory = work.filePath(QStringLiteral("purge") + name);
        const QString share = work.filePath(QStringLiteral("share") + name);
        const QString runs = work.filePath(QStringLiteral("runs") + name);
        if (!trashRun(directory, share, runs, options.files))
            return QStringLiteral("had no Trash run to put back: it failed.");
        const QString trash = share + QStringLiteral("/Trash");
        result = contender == PutBack
                     ? runProcess({self, QStringLiteral("--put-back-only"), runs})
                     : runProcess({self, QStringLiteral("--rename-only"), trash, directory});
        if (result.status != 0 || countFiles(directory) != options.files ||
            countFiles(trash + QStringLiteral("/files")) != 0)
            return QStringLiteral("failed, or left files in the Trash.");
        return std::nullopt;
    };
    const std::optional<std::vector<double>> medians =
        timeInTurns(out, options.rounds, {labels, labels + Contenders}, runOne);
    if (!medians)
        return false;
    out << "put back/rename loop ratio: " << (*medians)[PutBack] / (*medians)[RenameLoop]
        << " (target: 1.5 or less)\n";
    return true;
}

// trash-restore puts back one file a run, chosen by its number at a prompt after listing the
// whole Trash: a run of thousands cannot be handed to it at once, so it is not timed.
void tellTrashRestore(QTextStream &out) {
    QProcess process;
    process.start(QStringLiteral("trash-restore"), {QStringLiteral("--version")});
    const bool found = process.waitForFinished(10000) && process.exitCode() == 0;
    const QString version = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    out << "put back/trash-restore ratio: not measured: "
        << (found ? version : QStringLiteral("trash-restore is not installed"))
        << (found ? QStringLiteral(" restores one file per run, picked by number at a prompt "
                                   "after listing the whole Trash, so it cannot put back a run "
                                   "in bulk")
                  : QString())
        << '\n';
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("--put-back-only"))
        return runPutBack(arguments[2]);
    if (arguments.size() == 4 && arguments[1] == QStringLiteral("--rename-only"))
        return runRenameLoop(arguments[2], arguments[3]);

    const std::optional<bench::Options> options = bench::parseOptions(arguments);
    if (!options) {
        QTextStream(stderr) << "usage: putback_bench [--files N] [--rounds R] [--dir BASE]\n";
        return 2;
    }
    QTemporaryDir work(options->base + QStringLiteral("/culler-putback-bench-XXXXXX"));
    QTextStream out(stdout);
    out << "Putting back the " << (options->files + 7) / 8 * 3 << " files a Trash run moved of "
        << options->files << " (3/8 due), " << options->rounds << " rounds, in " << work.path()
        << '\n';
    if (!compare(out, work, *options))
        return 1;
    tellTrashRestore(out);
    return 0;
}
