#include "accessibility.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace culler {

namespace {

QString captionOf(const QWidget &control) {
    QString caption;
    if (const auto *button = qobject_cast<const QAbstractButton *>(&control))
        caption = button->text();
    else if (const auto *label = qobject_cast<const QLabel *>(&control))
        caption = label->text();
    // "&&" stands for one "&"; a single "&" only marks the access key.
    caption.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QChar(1), QLatin1Char('&'));
    return caption.trimmed();
}

} // namespace

void describeControls(QWidget &window, const QHash<QString, QString> &namesWithoutCaption) {
    window.setAccessibleName(window.windowTitle());
    const QList<QWidget *> controls = window.findChildren<QWidget *>();
    for (QWidget *control : controls) {
        const QString objectName = control->objectName();
        if (objectName.isEmpty() || objectName.startsWith(QLatin1String("qt_")))
            continue;
        QString name = namesWithoutCaption.value(objectName);
        if (name.isEmpty())
            name = captionOf(*control);
        if (name.isEmpty())
            name = control->toolTip();
        control->setAccessibleName(name);
        control->setAccessibleDescription(control->toolTip());
    }
}

} // namespace culler
