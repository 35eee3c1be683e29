#pragma once

// Message boxes as the program asks for them, behind an interface: the windows show real
// modal boxes, tests record what would have been shown.

#include <QString>

namespace culler {

enum class MessageStyle {
    Critical,    // the critical-stop icon
    Exclamation, // the warning icon
};

struct Message {
    QString prompt;
    MessageStyle style = MessageStyle::Critical;
    QString title;

    bool operator==(const Message &) const = default;
};

inline QString errorTitle() {
    return QStringLiteral("Error!!");
}

// A message about a request the user got wrong or a failure to carry it out.
inline Message errorMessage(const QString &prompt) {
    return Message{prompt, MessageStyle::Critical, errorTitle()};
}

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box with one OK button and returns when it is closed.
    virtual void show(const Message &message) = 0;
    // Shows a modal box with OK, the default button, and Cancel; true when OK closed it.
    virtual bool ask(const Message &message) = 0;
};

} // namespace culler
