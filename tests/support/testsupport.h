#pragma once

// What the tests share: a clock they set, the locale they read dates in, volumes they choose,
// message boxes and a purge display that record instead of showing, and files with chosen
// modification times.

#include "purge/purge.h"
#include "runtime/clock.h"
#include "runtime/drives.h"
#include "runtime/messages.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace culler::test {

class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime now)
        : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void set(QDateTime now) { m_now = std::move(now); }

private:
    QDateTime m_now;
};

// United States English: short dates as M/d/yy, e.g. 11/16/99.
QLocale testLocale();

// 6 December 1999 at 10:15, local time.
QDateTime exampleNow();

// Volumes a test sets, in place of the machine's mounted ones; counts how often they are read.
class FixedVolumes final : public VolumeSource {
public:
    QList<Volume> volumes() const override {
        ++reads;
        return list;
    }
    QList<Volume> list;
    mutable int reads = 0;
};

class RecordingMessageBoxes final : public MessageBoxes {
public:
    void show(const Message &message) override { shown.append(message); }
    // Recorded like the others, and answered from answers, OK once they run out.
    bool confirm(const Message &message) override {
        shown.append(message);
        return answers.isEmpty() || answers.takeFirst();
    }
    QList<Message> shown;
    QList<bool> answers;
};

class RecordingDisplay : public PurgeDisplay {
public:
    void setProgressMaximum(qint64 newMaximum) override { maximum = newMaximum; }
    void setProgressValue(qint64 newValue) override { value = newValue; }

    qint64 maximum = 100;
    qint64 value = 42;
};

// A file's bytes, or "(unreadable)" when it cannot be read (or is not there).
QByteArray readBytes(const QString &path);
// Creates or truncates a file and writes the bytes.
void writeBytes(const QString &path, const QByteArray &bytes);

// Creates (or rewrites) a file holding its own name and gives it the modification time.
void writeFile(const QString &path, const QDateTime &modified);

// The names in code-point order, for comparing listings that come in the file system's order.
QStringList sorted(QStringList names);

// `systemd-analyze verify --user` of the units in directory, where it also finds the manual page
// they point to: what it complained of, empty when nothing. Nothing at all when systemd-analyze
// is not installed.
std::optional<QByteArray> verifyUserUnits(const QString &directory, const QStringList &units);

} // namespace culler::test
