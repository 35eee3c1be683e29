#include "drivelist.h"

#include <QSignalBlocker>

namespace culler {

namespace {

QString entryText(const Volume &volume) {
    if (volume.label.isEmpty())
        return volume.root;
    return QStringLiteral("%1 [%2]").arg(volume.root, volume.label);
}

} // namespace

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent) {
    setEditable(false);
}

void DriveList::setVolumes(const QList<Volume> &volumes) {
    const QSignalBlocker quiet(this);
    const QString chosen = drive();
    clear();
    for (const Volume &volume : volumes)
        addItem(entryText(volume), volume.root);
    showDrive(chosen);
}

QString DriveList::drive() const {
    return currentData().toString();
}

void DriveList::showDrive(const QString &root) {
    const QSignalBlocker quiet(this);
    const int row = findData(root);
    if (row >= 0)
        setCurrentIndex(row);
}

void DriveList::showPopup() {
    Q_EMIT aboutToShowPopup();
    QComboBox::showPopup();
}

} // namespace culler
