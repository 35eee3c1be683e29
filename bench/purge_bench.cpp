// Times the purge engine, with its removals on a second thread and inline, against find(1) doing
// the same purge on identical directories, first with three files in eight due and then with all
// of them; times the command line, plain and with --recursive, against find deleting the same
// files, and its dry run against find listing them; times a run that keeps the 1,000 newest files
// against the same run without, with the peak memory of each; and measures the engine's peak
// memory at two directory sizes to show it does not grow with them.
//
//   purge_bench [--files N] [--rounds R] [--dir BASE] [--only
//   engine|command-line|keep-newest|memory]
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
#include <algorithm>
#include <functional>
#include <optional>
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

// How the command line is asked to purge a directory.
enum class CommandLineRun {
    Delete,
    DeleteRecursive, // --recursive, on a directory without subdirectories
    DryRun,
};

ProcessRun commandLineRun(const QString &directory, CommandLineRun how) {
    QStringList arguments = {
        QStringLiteral(CULLER_EXECUTABLE), QStringLiteral("--directory"), directory,
        QStringLiteral("--pattern"),       QStringLiteral("*.tmp"),       QStringLiteral("--days"),
        QString::number(daysOld)};
    if (how == CommandLineRun::DeleteRecursive)
        arguments << QStringLiteral("--recursive");
    else if (how == CommandLineRun::DryRun)
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

// The command line as a script starts it, plain and with --recursive, against find deleting the
// same files, then its dry run against find listing them, each in turns of their own. False when a
// run fails or they leave different files.
bool compareCommandLine(QTextStream &out, const QTemporaryDir &work,
                        const bench::Options &options) {
    const int files = options.files;
    out << "The command line, " << files << " files, 3/8 due:\n";
    enum Contender { Plain, Recursive, FindDelete, DryRun, FindPrint };
    const char *labels[] = {"command line", "command line --recursive", "find -delete", "dry run",
                            "find -print"};
    const auto runOne = [&](int contender, const QString &name, ProcessRun &run) {
        const QString directory = work.filePath(QStringLiteral("cli") + name);
        buildDirectory(directory, files);
        ::sync();
        if (contender == FindDelete || contender == FindPrint)
            run = findRun(directory,
                          contender == FindDelete ? FindAction::Delete : FindAction::Print);
        else
            run =
                commandLineRun(directory, contender == Plain       ? CommandLineRun::Delete
                                          : contender == Recursive ? CommandLineRun::DeleteRecursive
                                                                   : CommandLineRun::DryRun);
        // Three in every eight files are due, the first three of each eight made.
        const qsizetype left = countFiles(directory);
        const qsizetype due = (files / 8) * 3 + std::min(files % 8, 3);
        const qsizetype expected = contender >= DryRun ? files : files - due;
        QDir(directory).removeRecursively();
        if (run.status != 0 || left != expected)
            return std::optional<QString>(
                QStringLiteral("failed or left %1 files, not %2").arg(left).arg(expected));
        return std::optional<QString>();
    };
    const auto deleting = timeInTurns(out, options.rounds, {labels, labels + DryRun},
                                      [&](int contender, const QString &name, ProcessRun &run) {
                                          return runOne(contender, name, run);
                                      });
    if (!deleting)
        return false;
    out << "command line/find ratio: " << (*deleting)[Plain] / (*deleting)[FindDelete]
        << " (target: 0.65 or less)\n";
    out << "command line --recursive/find ratio: "
        << (*deleting)[Recursive] / (*deleting)[FindDelete] << '\n';
    const auto listing = timeInTurns(out, options.rounds, {labels + DryRun, labels + FindPrint + 1},
                                     [&](int contender, const QString &name, ProcessRun &run) {
                                         return runOne(DryRun + contender, name, run);
                                     });
    if (!listing)
        return false;
    out << "dry run/find -print ratio: " << (*listing)[0] / (*listing)[1] << '\n';
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
        QTextStream(stderr) << "usage: purge_bench [--files N] [--rounds R] [--dir BASE] [--only "
                               "engine|command-line|keep-newest|memory]\n";
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
        if (options->runs("engine") && !compareEngine(out, work, *options, share))
            return 1;
        out.flush();
    }

    if (options->runs("command-line") && !compareCommandLine(out, work, *options))
        return 1;
    if (options->runs("keep-newest") && !compareKeepNewest(out, work, *options))
        return 1;
    if (!options->runs("memory"))
        return 0;
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
