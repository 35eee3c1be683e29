#pragma once

// Shows a purge in the main window: the progress bar, the status label and its tool tip, and the
// message boxes a run ends with, in the words the program has always used. It runs nothing
// itself and knows no other control of the window than the ones it is given.

#include "purge/purge.h"
#include "purge/putback.h"
#include "purge/trashexpiry.h"

#include <functional>

class QLabel;
class QProgressBar;
class QWidget;

namespace culler {

class MessageBoxes;

class RunDisplay final {
public:
    // controlFor names the control an input is typed into, or nullptr.
    RunDisplay(QProgressBar &bar, QLabel &status, MessageBoxes &messages,
               std::function<QWidget *(RequestField)> controlFor);

    // A run starts: the bar is emptied, the status label cleared, and what the last run did is no
    // longer told.
    void beginRun();
    void showProgress(qint64 value, qint64 maximum);
    // The request could not run: says why and moves the focus to the input at fault.
    void refuse(const Refusal &refusal);

    enum class Messages {
        Show,
        Leave, // the program is ending: nothing may wait for the user
    };
    // The run is over: "Finshed" when it examined every file it counted, how many files went and
    // stayed in the label's tool tip and accessible description, and a message naming the files
    // kept against the request; or why it could not run. With the emptying of the Trash that
    // followed it, what that removed is told after, and what it could not do in the same message.
    void endRun(const PurgeResult &result, const std::optional<TrashExpiryOutcome> &trashExpiry,
                Messages messages);

    // A put back is over: how many files went back in the status's tool tip, and a message naming
    // the files left in the Trash, or saying why nothing went back.
    void endPutBack(const PutBackResult &result, Messages messages);

private:
    void tellOutcome(const QString &text);
    void show(const QString &prompt, RequestField focus);

    QProgressBar &m_bar;
    QLabel &m_status;
    MessageBoxes &m_messages;
    std::function<QWidget *(RequestField)> m_controlFor;
};

} // namespace culler
