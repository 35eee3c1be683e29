#pragma once

// The daily purges of this user: their unit files in $XDG_CONFIG_HOME/systemd/user (else
// ~/.config/systemd/user) and the `systemctl --user` commands that start and stop them. Every
// step is one a user can repeat by hand. Calls wait for systemctl at most the timeout given, so a
// manager that does not answer costs a window that long and no more.

#include "purge/purgejob.h"
#include "purge/refusal.h"
#include "runtime/expected.h"
#include "schedule/dailypurge.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

namespace culler {

// What a command said when it failed: its own message, else its exit status; nothing when it
// succeeded.
using CommandFailure = std::optional<QString>;

// Runs `systemctl --user ARGUMENTS` with the systemctl found on PATH when called.
class Calendar;

class Systemctl {
public:
    explicit Systemctl(std::chrono::milliseconds timeout)
        : m_timeout(timeout) {}
    CommandFailure run(const QStringList &arguments) const;

private:
    std::chrono::milliseconds m_timeout;
};

// The daily purge of arguments that carry nothing a daily purge cannot (see notCarriedDaily), as
// a run of them now would be checked: the same refusals and words, the directory opened as a run
// opens it, without looking at any file.
Expected<DailyPurge, Refusal> checkDailyPurge(const PurgeArguments &arguments,
                                              const Calendar &calendar);

// Where this user's own units are.
QString userUnitDirectory();

class DailyPurges {
public:
    // program: the culler the services run, an absolute path.
    DailyPurges(QByteArray program, std::chrono::milliseconds timeout);

    // Why no daily purge can be set up here: no systemctl, or no user manager answering it.
    CommandFailure whyUnavailable() const;

    // The names of the daily purges whose service and timer are both there, sorted.
    QStringList names() const;
    bool exists(const QString &name) const;
    // The purge the named service runs, when it is one this program can read.
    std::optional<DailyPurge> read(const QString &name) const;

    // Writes the units, reloads the manager and starts the timer; on any failure removes what it
    // wrote and says why.
    CommandFailure add(const DailyPurge &purge) const;
    // Stops the timer and removes both units; on failure leaves them, and says why.
    CommandFailure remove(const QString &name) const;

private:
    struct UnitTexts {
        QByteArray service;
        QByteArray timer;
    };
    // The texts of both units of the daily purge called name, when both are there.
    std::optional<UnitTexts> unitTexts(const QString &name) const;
    CommandFailure writeUnits(const QString &name, const UnitTexts &texts) const;
    CommandFailure removeFiles(const QString &name) const;

    QByteArray m_program;
    Systemctl m_systemctl;
};

} // namespace culler
