#include "benchsupport.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace culler::bench {

std::optional<Options> parseOptions(const QStringList &arguments) {
    Options options;
    options.base = QDir::tempPath();
    if (arguments.size() % 2 == 0)
        return std::nullopt;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QStringLiteral("--files"))
            options.files = arguments[i + 1].toInt();
        else if (arguments[i] == QStringLiteral("--rounds"))
            options.rounds = arguments[i + 1].toInt();
        else if (arguments[i] == QStringLiteral("--dir"))
            options.base = arguments[i + 1];
        else
            return std::nullopt;
    }
    if (options.files <= 0 || options.rounds <= 0)
        return std::nullopt;
    return options;
}

void buildDirectory(const QString &path, int files, DueShare share) {
    QDir().mkpath(path);
    const time_t now = time(nullptr);
    const timespec oldTime{now - 30 * 86400, 0};
    const timespec newTime{now - 86400, 0};
    for (int i = 0; i < files; ++i) {
        // Of every eight: three due, three matching but new, one old but not matching, one
        // neither.
        const int place = share == DueShare::All ? 0 : i % 8;
        const bool old = place < 3 || place == 6;
        const bool matching = place < 6;
        char name[32];
        std::snprintf(name, sizeof name, "/f%07d.%s", i, matching ? "tmp" : "log");
        const QByteArray filePath = QFile::encodeName(path) + name;
        const int fd = ::open(filePath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(filePath.constData());
            std::exit(2);
        }
        const timespec times[2] = {oldTime, old ? oldTime : newTime};
        ::futimens(fd, times);
        ::close(fd);
    }
}

qsizetype countFiles(const QString &path) {
    return QDir(path).entryList(QDir::Files | QDir::Hidden).size();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

PurgeJob benchJob(const QString &directory) {
    PurgeJob job;
    job.directory = QFile::encodeName(directory);
    job.patterns = {QByteArrayLiteral("*.tmp")};
    job.cutOff = dateValueOf(QDate::currentDate()) - daysOld;
    return job;
}

} // namespace culler::bench
