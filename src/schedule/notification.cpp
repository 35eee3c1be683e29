#include "schedule/notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStringList>
#include <QVariantMap>

namespace culler {

namespace {

// Without an address, and without the bus a user manager keeps in the runtime directory, the bus
// library would try to start a bus of its own: not for a message nobody may see.
bool sessionBusMayExist() {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")).isEmpty())
        return true;
    const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

void notifyDesktop(const QString &summary, const QString &body) {
    if (!sessionBusMayExist())
        return;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    notify << QStringLiteral("Culler") << 0u << QStringLiteral("culler") << summary << body
           << QStringList() << QVariantMap() << -1;
    // The answer, or the bus's error for a server that is not there, is of no use to the run.
    bus.call(notify, QDBus::Block, 2000);
}

} // namespace culler
