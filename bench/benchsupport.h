#pragma once

// What the benchmarks share: their options, the directory they purge and the job that purges it,
// timed processes, find doing the same purge, and a display that keeps quiet.

#include "purge/purge.h"

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>
#include <vector>

namespace culler::bench {

// The age the benchmarks purge: files older than this many days go.
inline constexpr int daysOld = 20;

struct Options {
    int files = 100000;
    int rounds = 3;
    QString base;
    // The one part of a benchmark to run, by the name it gives; empty for all of them.
    QString only;

    bool runs(const char *part) const { return only.isEmpty() || only == QLatin1String(part); }
};

// --files N, --rounds R, --dir BASE and --only PART; nothing when the arguments make no sense.
std::optional<Options> parseOptions(const QStringList &arguments);

// Which files of a benchmark directory are due: thirty days old and matching *.tmp.
enum class DueShare {
    ThreeEighths, // the others a day old, or not matching, or both
    All,
};

// N empty files, named in the order they are made, the due ones spread evenly among the others.
void buildDirectory(const QString &path, int files, DueShare share = DueShare::ThreeEighths);

qsizetype countFiles(const QString &path);

double median(std::vector<double> values);

// *.tmp files of directory older than daysOld days, deleted.
PurgeJob benchJob(const QString &directory);

// This process's own peak resident memory, in KiB. The peak that wait4 reports for a child is no
// use here: it counts the memory of the parent the child was spawned from, before exec.
long peakMemoryKiB();

struct ProcessRun {
    double seconds = 0;
    int status = 0;
};

// Runs a program to its end, its output thrown away, and times it.
ProcessRun runProcess(const QStringList &arguments);

// What find does with the files a benchmark purges: *.tmp dated daysOld days ago or earlier.
enum class FindAction {
    Delete,
    Print,
    Trash, // passes them to gio trash
};

ProcessRun findRun(const QString &directory, FindAction action = FindAction::Delete);

// Runs every contender once a round, each going first in turn, printing each time and then each
// median. runOne runs a contender, given a name for the round's files, and says why when it
// failed. The medians in the order of labels, or nothing once a run failed.
std::optional<std::vector<double>> timeInTurns(
    QTextStream &out, int rounds, const std::vector<const char *> &labels,
    const std::function<std::optional<QString>(int contender, const QString &name, ProcessRun &run)>
        &runOne);

class SilentDisplay final : public PurgeDisplay {
public:
    void setProgressMaximum(qint64) override {}
    void setProgressValue(qint64) override {}
};

} // namespace culler::bench
