#include "qtmessageboxes.h"

#include <QApplication>
#include <QMessageBox>

namespace culler {

namespace {

QMessageBox::Icon iconOf(MessageStyle style) {
    switch (style) {
    case MessageStyle::Critical:
        return QMessageBox::Critical;
    case MessageStyle::Exclamation:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void QtMessageBoxes::show(const Message &message) {
    QMessageBox box(iconOf(message.style), message.title, message.prompt, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtMessageBoxes::ask(const Message &message) {
    QMessageBox box(iconOf(message.style), message.title, message.prompt,
                    QMessageBox::Ok | QMessageBox::Cancel, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

} // namespace culler
