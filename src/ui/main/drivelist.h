#pragma once

// The drive list: one entry per volume, showing its root and its name. It asks for a fresh list
// each time it opens, so a volume mounted since shows up.

#include "runtime/drives.h"

#include <QComboBox>

namespace culler {

class DriveList final : public QComboBox {
    Q_OBJECT

public:
    explicit DriveList(QWidget *parent = nullptr);

    // Replaces the entries, keeping the chosen drive when it is still there, without raising a
    // change.
    void setVolumes(const QList<Volume> &volumes);
    // The root of the chosen volume.
    QString drive() const;
    // Chooses the volume mounted at root without raising a change.
    void showDrive(const QString &root);

    void showPopup() override;

Q_SIGNALS:
    void aboutToShowPopup();
};

} // namespace culler
