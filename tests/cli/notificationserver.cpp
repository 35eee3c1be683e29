// Stands in for the desktop's notification server on a private session bus: records every
// notification to the file given, runs the command given, and ends with its exit status.
//   notificationserver RECORD COMMAND [ARGUMENT...]

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QVariantMap>

class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit Notifications(QString record)
        : m_record(std::move(record)) {}

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int) {
        QFile record(m_record);
        if (record.open(QIODevice::Append))
            record.write((summary + QLatin1Char('\n') + body + QLatin1Char('\n')).toUtf8());
        return ++m_sent;
    }

private:
    QString m_record;
    uint m_sent = 0;
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3)
        return 125;
    Notifications server(arguments.at(1));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 126;
    QProcess command;
    command.setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(&command, &QProcess::finished, &app, &QCoreApplication::exit);
    QObject::connect(&command, &QProcess::errorOccurred, &app, [] { QCoreApplication::exit(127); });
    command.start(arguments.at(2), arguments.mid(3));
    return QCoreApplication::exec();
}

#include "notificationserver.moc"
