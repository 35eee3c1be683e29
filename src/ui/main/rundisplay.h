#pragma once

// Shows a running purge in the main window: the progress bar, the status label and the message
// boxes. A large directory reports progress for every file, so while a run lasts the bar is
// brought up to date, and the window given a chance to paint, at most once an interval. It runs
// nothing itself and knows no other control of the window.

#include "purge/purge.h"

#include <QElapsedTimer>
#include <chrono>
#include <functional>

class QLabel;
class QProgressBar;
class QWidget;

namespace culler {

class MessageBoxes;

class RunDisplay final : public PurgeDisplay {
public:
    // controlFor names the control a message is about, or nullptr.
    RunDisplay(QProgressBar &bar, QLabel &status, MessageBoxes &messages,
               std::function<QWidget *(RequestField)> controlFor);

    // How long a run goes between chances for the window to paint; 50 ms unless set.
    void setPaintInterval(std::chrono::milliseconds interval) { m_paintInterval = interval; }

    // A run starts: from now on the window paints at most once an interval, and what the last
    // run did is no longer told.
    void beginRun();
    // The run is over: the bar shows where it ended. The status label keeps its one word; how
    // many files went and stayed is in its tool tip and accessible description, for whoever asks.
    void endRun(const PurgeOutcome &outcome);

    void setProgressMaximum(qint64 maximum) override;
    void setProgressValue(qint64 value) override;
    void setStatusText(const QString &text) override;
    void showMessage(const Message &message, RequestField focus) override;

private:
    void showProgress();
    void tellOutcome(const QString &text);
    // Brings the bar up to date and lets the window paint, unless a run did so within the
    // interval. Paints and timers only: clicks and keys wait until the run is over.
    void paintWhenDue();

    QProgressBar &m_bar;
    QLabel &m_status;
    MessageBoxes &m_messages;
    std::function<QWidget *(RequestField)> m_controlFor;

    bool m_running = false;
    // The progress as the run reports it, shown when the window next gets to paint.
    qint64 m_progressMaximum = 100;
    qint64 m_progressValue = 0;
    QElapsedTimer m_sincePainted;
    std::chrono::milliseconds m_paintInterval{50};
};

} // namespace culler
