#include "benchsupport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

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
        else if (arguments[i] == QStringLiteral("--only"))
            options.only = arguments[i + 1];
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

std::optional<std::vector<double>> timeInTurns(
    QTextStream &out, int rounds, const std::vector<const char *> &labels,
    const std::function<std::optional<QString>(int contender, const QString &name, ProcessRun &run)>
        &runOne) {
    const int contenders = int(labels.size());
    std::vector<std::vector<double>> seconds(labels.size());
    for (int round = 0; round < rounds; ++round) {
        out << "  round " << round + 1 << ':';
        for (int turn = 0; turn < contenders; ++turn) {
            const int contender = (turn + round) % contenders;
            ProcessRun run;
            const QString name = QStringLiteral("%1-%2").arg(round).arg(contender);
            if (const std::optional<QString> failure = runOne(contender, name, run)) {
                out << '\n' << labels[std::size_t(contender)] << ' ' << *failure << '\n';
                return std::nullopt;
            }
            seconds[std::size_t(contender)].push_back(run.seconds);
            out << ' ' << labels[std::size_t(contender)] << ' ' << run.seconds << " s;";
            out.flush();
        }
        out << '\n';
    }
    std::vector<double> medians;
    for (std::size_t contender = 0; contender < labels.size(); ++contender) {
        medians.push_back(median(seconds[contender]));
        out << "  " << QString::fromLatin1(labels[contender]).leftJustified(20) << ": median "
            << medians.back() << " s\n";
    }
    return medians;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long peakMemoryKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

ProcessRun runProcess(const QStringList &arguments) {
    std::vector<QByteArray> bytes;
    for (const QString &argument : arguments)
        bytes.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // What the process prints is not part of the measurement.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::perror(argv[0]);
        std::exit(2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {elapsed.count(), status};
}

ProcessRun findRun(const QString &directory, FindAction action) {
    const QDate limitDay = QDate::currentDate().addDays(-daysOld);
    const QString limit = limitDay.toString(Qt::ISODate) + QStringLiteral(" 23:59:59");
    QStringList arguments = {QStringLiteral("find"),
                             directory,
                             QStringLiteral("-maxdepth"),
                             QStringLiteral("1"),
                             QStringLiteral("-type"),
                             QStringLiteral("f"),
                             QStringLiteral("-name"),
                             QStringLiteral("*.tmp"),
                             QStringLiteral("!"),
                             QStringLiteral("-newermt"),
                             limit};
    if (action == FindAction::Delete)
        arguments << QStringLiteral("-delete");
    else if (action == FindAction::Print)
        arguments << QStringLiteral("-print");
    else
        arguments << QStringLiteral("-exec") << QStringLiteral("gio") << QStringLiteral("trash")
                  << QStringLiteral("{}") << QStringLiteral("+");
    return runProcess(arguments);
}

PurgeJob benchJob(const QString &directory) {
    PurgeJob job;
    job.directory = QFile::encodeName(directory);
    job.patterns = {QByteArrayLiteral("*.tmp")};
    job.cutOff = dateValueOf(QDate::currentDate()) - daysOld;
    return job;
}

} // namespace culler::bench
