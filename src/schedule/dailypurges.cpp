#include "schedule/dailypurges.h"

#include "purge/purge.h"
#include "purge/readrequest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QStandardPaths>

namespace culler {

namespace {

QString unitPath(const QString &name, const char *kind) {
    return userUnitDirectory() + QLatin1Char('/') + name + QLatin1String(kind);
}

QString commandText(const QStringList &arguments) {
    return QStringLiteral("systemctl --user ") + arguments.join(QLatin1Char(' '));
}

CommandFailure writeUnit(const QString &path, const QByteArray &text) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return std::nullopt;
    return QStringLiteral("Cannot write \"%1\": %2.").arg(path, file.errorString());
}

// Ends a run before its first file.
class StopAtOnce final : public PurgeDisplay {
public:
    void setProgressMaximum(qint64) override {}
    void setProgressValue(qint64) override {}
    bool stopRequested() const override { return true; }
};

} // namespace

Expected<DailyPurge, Refusal> checkDailyPurge(const PurgeArguments &arguments,
                                              const Calendar &calendar) {
    const Expected<PurgeJob, Refusal> checked =
        checkJob(jobOf(arguments), {PurgeMode::Days, arguments.days.value_or(QString())}, calendar);
    if (!checked)
        return unexpected(checked.error());
    // A value the timer's run would refuse is refused now, while someone reads the answer.
    if (arguments.trashDays) {
        if (const Expected<DateValue, Refusal> emptied =
                trashDaysCutOff(*arguments.trashDays, calendar);
            !emptied)
            return unexpected(emptied.error());
    }
    PurgeJob listing = *checked;
    listing.action = PurgeAction::List;
    StopAtOnce display;
    if (const PurgeResult opened = runPurge(listing, display, RemovalMode::Inline); !opened)
        return unexpected(opened.error());
    return asDailyPurge(arguments);
}

CommandFailure Systemctl::run(const QStringList &arguments) const {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("systemctl"));
    if (program.isEmpty())
        return QStringLiteral("systemctl cannot be found: is systemd installed?");
    QProcess process;
    process.start(program, QStringList{QStringLiteral("--user")} + arguments);
    if (!process.waitForFinished(int(m_timeout.count()))) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("%1 did not answer within %2 seconds.")
            .arg(commandText(arguments))
            .arg(double(m_timeout.count()) / 1000.0);
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return std::nullopt;
    QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (said.isEmpty())
        said = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    if (said.isEmpty())
        said = QStringLiteral("exit status %1").arg(process.exitCode());
    return QStringLiteral("%1 failed: %2").arg(commandText(arguments), said);
}

QString userUnitDirectory() {
    QString config =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_CONFIG_HOME"));
    // XDG base directories must be absolute; a relative one is ignored.
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/systemd/user");
}

DailyPurges::DailyPurges(QByteArray program, std::chrono::milliseconds timeout)
    : m_program(std::move(program))
    , m_systemctl(timeout) {}

CommandFailure DailyPurges::whyUnavailable() const {
    return m_systemctl.run({QStringLiteral("show-environment")});
}

QStringList DailyPurges::names() const {
    QStringList names;
    const QStringList services =
        QDir(userUnitDirectory())
            .entryList({QStringLiteral("culler-*.service")}, QDir::Files, QDir::Name);
    for (const QString &service : services) {
        const QString name = service.chopped(int(sizeof ".service") - 1);
        if (exists(name))
            names << name;
    }
    return names;
}

bool DailyPurges::exists(const QString &name) const {
    return QFile::exists(unitPath(name, ".service")) && QFile::exists(unitPath(name, ".timer"));
}

std::optional<DailyPurge> DailyPurges::read(const QString &name) const {
    QFile service(unitPath(name, ".service"));
    // A unit file is a few hundred bytes; anything far larger is not one of ours.
    if (!service.open(QIODevice::ReadOnly) || service.size() > 64 * 1024)
        return std::nullopt;
    return dailyPurgeOfService(service.readAll());
}

CommandFailure DailyPurges::add(const DailyPurge &purge) const {
    // systemd refuses a program path holding these, and would expand a "$" in it.
    for (const char c : m_program) {
        if (c == '"' || c == '\'' || c == '\\' || c == '$' || static_cast<unsigned char>(c) < 0x20)
            return QStringLiteral("systemd cannot run Culler from \"%1\": move it elsewhere.")
                .arg(QFile::decodeName(m_program));
    }
    const QString name = unitName(purge.directory, purge.patterns);
    if (!QDir().mkpath(userUnitDirectory()))
        return QStringLiteral("Cannot make the directory \"%1\".").arg(userUnitDirectory());
    // A daily purge set up again over one already there gets its old units back if this fails.
    const std::optional<UnitTexts> before = unitTexts(name);
    CommandFailure failure = writeUnits(name, {serviceText(m_program, purge), timerText(purge)});
    if (!failure)
        failure = m_systemctl.run({QStringLiteral("daemon-reload")});
    if (!failure)
        failure = m_systemctl.run(
            {QStringLiteral("enable"), QStringLiteral("--now"), name + QStringLiteral(".timer")});
    if (failure) {
        // Nothing half made stays: no unit the manager could find later.
        if (!before || writeUnits(name, *before))
            removeFiles(name);
        m_systemctl.run({QStringLiteral("daemon-reload")});
    }
    return failure;
}

std::optional<DailyPurges::UnitTexts> DailyPurges::unitTexts(const QString &name) const {
    QFile service(unitPath(name, ".service"));
    QFile timer(unitPath(name, ".timer"));
    if (!service.open(QIODevice::ReadOnly) || !timer.open(QIODevice::ReadOnly))
        return std::nullopt;
    return UnitTexts{service.readAll(), timer.readAll()};
}

CommandFailure DailyPurges::writeUnits(const QString &name, const UnitTexts &texts) const {
    if (CommandFailure failure = writeUnit(unitPath(name, ".service"), texts.service))
        return failure;
    return writeUnit(unitPath(name, ".timer"), texts.timer);
}

CommandFailure DailyPurges::remove(const QString &name) const {
    if (const CommandFailure failure = m_systemctl.run(
            {QStringLiteral("disable"), QStringLiteral("--now"), name + QStringLiteral(".timer")}))
        return failure;
    if (const CommandFailure failure = removeFiles(name))
        return failure;
    return m_systemctl.run({QStringLiteral("daemon-reload")});
}

CommandFailure DailyPurges::removeFiles(const QString &name) const {
    for (const char *kind : {".timer", ".service"}) {
        QFile unit(unitPath(name, kind));
        if (unit.exists() && !unit.remove())
            return QStringLiteral("Cannot remove \"%1\": %2.")
                .arg(unit.fileName(), unit.errorString());
    }
    return std::nullopt;
}

} // namespace culler
