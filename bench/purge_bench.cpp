// Times the purge engine, with its removals on a second thread and inline, and the command line,
// against find(1) doing the same purge on identical directories, first with three files in eight
// due and then with all of them; times the command line's dry run against find listing the same
// files; times a run that keeps the 1,000 newest files against the same run without, with the
// peak memory of each; and measures the engine's peak memory at two directory sizes to show it
// does not grow with them.
//
//   purge_bench [--files N] [--rounds R] [--dir BASE]
//
// Each measurement is a whole process, the engine's as much as find's: this program runs itself
// with --engine-only DIR [--inline] [--keep-newest N] for the engine, so start-up counts on both
// sides and the peak memory is the engine's alone.

#include "benchsupport.h"
#include "purge/purge.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

using namespace culler;
using namespace culler::bench;

// How many of the newest files the keep-newest run keeps.
constexpr qint64 newestKept = 1000;

int runEngine(const QString &directory, RemovalMode mode, qint64 keepNewest) {
    SilentDisplay display;
    PurgeJob job = benchJob(directory);
    job.keepNewest = keepNewest;
    const PurgeResult result = runPurge(job, display, mode);
    QTextStream(stdout) << peakMemoryKiB() << '\n';
    return result && result->status == PurgeStatus::Finished ? 0 : 1;
}

QStringList engineArguments(const QString &directory, RemovalMode mode, qint64 keepNewest = 0) {
    QStringList arguments = {QStringLiteral("--engine-only"), directory};
    if (mode == RemovalMode::Inline)
        arguments << QStringLiteral("--inline");
    if (keepNewest > 0)
        arguments << QStringLiteral("--keep-newest") << QString::number(keepNewest);
    return arguments;
}

ProcessRun engineRun(const QString &directory, RemovalMode mode, qint64 keepNewest = 0) {
    return runProcess(QStringList{QCoreApplication::applicationFilePath()} +
                      engineArguments(directory, mode, keepNewest));
}

// The engine's peak memory for a purge of size files, in KiB, as its process reports it.
QString enginePeakKiB(const QString &directory, int size, RemovalMode mode, qint64 keepNewest) {
    buildDirectory(directory, size);
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(),
                  engineArguments(directory, mode, keepNewest));
    process.waitForFinished(-1);
    QDir(directory).removeRecursively();
    return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
}

ProcessRun commandLineRun(const QString &directory, PurgeAction action) {
    QStringList arguments = {
        QStringLiteral(CULLER_EXECUTABLE), QStringLiteral("--directory"), directory,
        QStringLiteral("--pattern"),       QStringLiteral("*.tmp"),       QStringLiteral("--days"),
        QString::number(daysOld)};
    if (action == PurgeAction::List)
        arguments << QStringLiteral("--dry-run");
    return runProcess(arguments);
}

// Runs both, the one first in even rounds and the other in odd ones, so neither always gets the
// warmer caches.
std::pair<ProcessRun, ProcessRun> alternate(int round, const std::function<ProcessRun()> &ours,
                                            const std::function<ProcessRun()> &find) {
    if (round % 2 == 0) {
        const ProcessRun first = ours();
        return {first, find()};
    }
    const ProcessRun first = find();
    return {ours(), first};
}

struct Timings {
    std::vector<double> ours;
    std::vector<double> find;
};

void printComparison(QTextStream &out, const QString &name, const Timings &timings, int files) {
    const double ours = median(timings.ours);
    const double find = median(timings.find);
    out << name << ": " << qRound64(files / ours) << " files/s (median " << ours << " s), find "
        << qRound64(files / find) << " files/s (median " << find << " s)\n";
}

// The engine both ways and find on directories alike, timed in the same rounds, and the engine
// checked against find. False when they disagree.
bool compareEngine(QTextStream &out, const QTemporaryDir &work, const bench::Options &options,
                   DueShare share) {
    const int files = options.files;
    out << "With " << (share == DueShare::All ? "all" : "3/8") << " of the files due:\n";
    enum Contender { Pipelined, Inline, Find, Contenders };
    const char *labels[Contenders] = {"engine (pipelined)", "engine (inline)", "find -delete"};
    std::vector<double> seconds[Contenders];
    for (int round = 0; round < options.rounds; ++round) {
        QString directories[Contenders];
        for (int contender = 0; contender < Contenders; ++contender) {
            directories[contender] = work.filePath(QStringLiteral("purge%1").arg(contender));
            buildDirectory(directories[contender], files, share);
        }
        ::sync();
        // Each goes first in turn, so that none always gets the warmer caches.
        ProcessRun runs[Contenders];
        for (int turn = 0; turn < Contenders; ++turn) {
            const int contender = (turn + round) % Contenders;
            const QString &directory = directories[contender];
            if (contender == Find)
                runs[contender] = findRun(directory);
            else
                runs[contender] =
                    engineRun(directory, contender == Pipelined ? RemovalMode::Pipelined
                                                                : RemovalMode::Inline);
        }
        const qsizetype left = countFiles(directories[Find]);
        for (int contender = 0; contender < Contenders; ++contender) {
            if (runs[contender].status != 0 || countFiles(directories[contender]) != left) {
                out << "The engine and find disagree: " << countFiles(directories[Pipelined])
                    << ", " << countFiles(directories[Inline]) << " and " << left
                    << " files left.\n";
                return false;
            }
        }
        out << "  round " << round + 1 << ':';
        for (int contender = 0; contender < Contenders; ++contender) {
            seconds[contender].push_back(runs[contender].seconds);
            out << (contender == 0 ? " " : ", ") << labels[contender] << ' '
                << runs[contender].seconds << " s";
            QDir(directories[contender]).removeRecursively();
        }
        out << '\n';
    }

    double medians[Contenders];
    for (int contender = 0; contender < Contenders; ++contender) {
        medians[contender] = median(seconds[contender]);
        out << "  " << QString::fromLatin1(labels[contender]).leftJustified(18) << ": "
            << qRound64(files / medians[contender]) << " files/s (median " << medians[contender]
            << " s)\n";
    }
    out << "  engine/find ratio: " << medians[Pipelined] / medians[Find] << '\n';
    out << "  inline/find ratio: " << medians[Inline] / medians[Find] << '\n';
    return true;
}

// Keeping the newest files against the same purge without, timed in the same rounds, and the
// peak memory of both. False when a run fails or keeps the wrong number of files.
bool compareKeepNewest(QTextStream &out, const QTemporaryDir &work, const bench::Options &options) {
    out << "Keeping the " << newestKept << " newest:\n";
    Timings timings;
    for (int round = 0; round < options.rounds; ++round) {
        const QString plainDir = work.filePath(QStringLiteral("plain%1").arg(round));
        const QString keepDir = work.filePath(QStringLiteral("keep%1").arg(round));
        buildDirectory(plainDir, options.files);
        buildDirectory(keepDir, options.files);
        ::sync();
        const auto [keep, plain] = alternate(
            round, [&] { return engineRun(keepDir, RemovalMode::Pipelined, newestKept); },
            [&] { return engineRun(plainDir, RemovalMode::Pipelined); });
        // The newest are the files a day old, none of them due: the same files go either way.
        if (keep.status != 0 || plain.status != 0 || countFiles(keepDir) != countFiles(plainDir)) {
            out << "The runs disagree: " << countFiles(keepDir) << " and " << countFiles(plainDir)
                << " files left.\n";
            return false;
        }
        timings.ours.push_back(keep.seconds);
        timings.find.push_back(plain.seconds);
        out << "  round " << round + 1 << ": keep-newest " << keep.seconds << " s, plain "
            << plain.seconds << " s\n";
        QDir(plainDir).removeRecursively();
        QDir(keepDir).removeRecursively();
    }
    out << "keep-newest/plain ratio: " << median(timings.ours) / median(timings.find) << '\n';
    const QString directory = work.filePath(QStringLiteral("memory-keep"));
    const QString plain = enginePeakKiB(directory, options.files, RemovalMode::Pipelined, 0);
    const QString keep =
        enginePeakKiB(directory, options.files, RemovalMode::Pipelined, newestKept);
    out << "peak memory for " << options.files << " files: plain " << plain << " KiB, keep-newest "
        << keep << " KiB (" << keep.toLongLong() - plain.toLongLong() << " KiB more)\n";
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() >= 3 && arguments[1] == QStringLiteral("--engine-only")) {
        const bool inlineOnly = arguments.contains(QStringLiteral("--inline"));
        const qsizetype keep = arguments.indexOf(QStringLiteral("--keep-newest"));
        return runEngine(arguments[2], inlineOnly ? RemovalMode::Inline : RemovalMode::Pipelined,
                         keep > 0 ? arguments.value(keep + 1).toLongLong() : 0);
    }

    const std::optional<bench::Options> options = bench::parseOptions(arguments);
    if (!options) {
        QTextStream(stderr) << "usage: purge_bench [--files N] [--rounds R] [--dir BASE]\n";
        return 2;
    }
    const int files = options->files;
    const int rounds = options->rounds;
    const QString base = options->base;

    QTemporaryDir work(base + QStringLiteral("/culler-bench-XXXXXX"));
    QTextStream out(stdout);
    out << "Purging " << files << " files (*.tmp older than " << daysOld << " days), " << rounds
        << " rounds, in " << work.path() << '\n';

    for (const DueShare share : {DueShare::ThreeEighths, DueShare::All}) {
        if (!compareEngine(out, work, *options, share))
            return 1;
        out.flush();
    }

    // The command line as a script starts it, against find deleting, then listing, the same files.
    Timings deleting;
    Timings listing;
    for (int round = 0; round < rounds; ++round) {
        const QString cliDir = work.filePath(QStringLiteral("cli%1").arg(round));
        const QString findDir = work.filePath(QStringLiteral("clifind%1").arg(round));
        const QString listDir = work.filePath(QStringLiteral("list%1").arg(round));
        buildDirectory(cliDir, files);
        buildDirectory(findDir, files);
        buildDirectory(listDir, files);
        ::sync();
        const auto [cli, findDelete] = alternate(
            round, [&] { return commandLineRun(cliDir, PurgeAction::Remove); },
            [&] { return findRun(findDir); });
        const auto [dryRun, print] = alternate(
            round, [&] { return commandLineRun(listDir, PurgeAction::List); },
            [&] { return findRun(listDir, FindAction::Print); });
        if (cli.status != 0 || findDelete.status != 0 || dryRun.status != 0 || print.status != 0 ||
            countFiles(cliDir) != countFiles(findDir) || countFiles(listDir) != files) {
            out << "The command line and find disagree: " << countFiles(cliDir) << " and "
                << countFiles(findDir) << " files left.\n";
            return 1;
        }
        deleting.ours.push_back(cli.seconds);
        deleting.find.push_back(findDelete.seconds);
        listing.ours.push_back(dryRun.seconds);
        listing.find.push_back(print.seconds);
        out << "  round " << round + 1 << ": command line " << cli.seconds << " s, find -delete "
            << findDelete.seconds << " s; dry run " << dryRun.seconds << " s, find -print "
            << print.seconds << " s\n";
        for (const QString &dir : {cliDir, findDir, listDir})
            QDir(dir).removeRecursively();
    }
    printComparison(out, QStringLiteral("command line"), deleting, files);
    out << "command line/find ratio: " << median(deleting.ours) / median(deleting.find) << '\n';
    printComparison(out, QStringLiteral("dry run"), listing, files);
    out << "dry run/find -print ratio: " << median(listing.ours) / median(listing.find) << '\n';

    if (!compareKeepNewest(out, work, *options))
        return 1;
    for (const int size : {1000, files}) {
        const QString dir = work.filePath(QStringLiteral("memory%1").arg(size));
        for (const RemovalMode mode : {RemovalMode::Pipelined, RemovalMode::Inline}) {
            const QString peak = enginePeakKiB(dir, size, mode, 0);
            out << "engine (" << (mode == RemovalMode::Pipelined ? "pipelined" : "inline")
                << ") peak memory for " << size << " files: " << peak << " KiB\n";
            out.flush();
        }
    }
    return 0;
}
