#pragma once

// The process's current drive and directory. Mounted volumes stand for drives, and each keeps its
// own current directory, so going back to a volume returns to where the user left it. Knows no
// widgets; the volumes come from a source that tests replace.

#include "runtime/systemerror.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace culler {

struct Volume {
    // Where the volume is mounted, e.g. "/" or "/media/usb".
    QString root;
    // Its name, often empty.
    QString label;
    // False while it cannot be read, e.g. a drive without its medium.
    bool ready = true;

    bool operator==(const Volume &) const = default;
};

class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    virtual QList<Volume> volumes() const = 0;
};

// The volumes mounted on this machine that can hold the user's files.
class MountedVolumes final : public VolumeSource {
public:
    QList<Volume> volumes() const override;
};

// Kernel and run-time file systems: they hold no files a user would purge.
bool isPseudoFileSystem(const QString &root, const QByteArray &type);

// Reads the volumes when made and when asked to refresh, never while navigating: asking the
// system about every mount can wait on a stalled network share, and a click in the directory
// list must not.
class Drives {
public:
    // The volume holding the current directory starts there; every other one at its root.
    explicit Drives(const VolumeSource &source);

    // Reads the volumes from the source again.
    void refreshVolumes();
    // As last read, in order of their roots, so "/", which is always there, comes first.
    const QList<Volume> &volumes() const { return m_volumes; }
    // The root of the volume a path lies on: the longest root that contains it.
    QString driveOf(const QString &path) const;

    // The full path of the process's current directory.
    QString currentDirectory() const;
    // Makes path the current directory and its volume's own current directory.
    SystemError changeDirectory(const QString &path);
    // Makes the volume mounted at root current, at the directory it was left in, or at its root
    // when it was never visited or that directory has gone. A volume that is not ready, or no
    // longer mounted, gives ENOMEDIUM and changes nothing.
    SystemError changeDrive(const QString &root);

private:
    void remember(const QString &directory);

    const VolumeSource &m_source;
    QList<Volume> m_volumes;
    QHash<QString, QString> m_directories;
};

} // namespace culler
