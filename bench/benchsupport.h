#pragma once

// What the benchmarks share: their options, the directory they purge and the job that purges it,
// and a display that keeps quiet.

#include "purge/purge.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace culler::bench {

// The age the benchmarks purge: files older than this many days go.
inline constexpr int daysOld = 20;

struct Options {
    int files = 100000;
    int rounds = 3;
    QString base;
};

// --files N, --rounds R and --dir BASE; nothing when the arguments make no sense.
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

class SilentDisplay final : public PurgeDisplay {
public:
    void setProgressMaximum(qint64) override {}
    void setProgressValue(qint64) override {}
};

} // namespace culler::bench
