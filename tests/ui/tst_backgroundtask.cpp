#include "ui/backgroundtask.h"

#include <QSignalSpy>
#include <QTest>

using namespace culler;
using Task = BackgroundTask<int, int>;

// Works started one after the other while the first is in hand. Each reports progress, then waits
// until the test opens the gate or, for work that stops promptly, until it is told to stop.
class tst_BackgroundTask : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWhileTheFirstRuns_data() {
        QTest::addColumn<WhenBusy>("whenBusy");
        QTest::addColumn<int>("starts");
        QTest::addColumn<bool>("stopsPromptly");
        QTest::addColumn<int>("patienceMs"); // < 0: the end waits as long as the work takes
        QTest::addColumn<QList<int>>("ran");
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<long>("holdersAtEnd"); // > 0: the task ends while its work runs

        QTest::newRow("refused while busy")
            << WhenBusy::Refuse << 3 << false << -1 << QList<int>{1} << QList<int>{1} << 0L;
        QTest::newRow("the newest stops the one in hand and replaces the waiting one")
            << WhenBusy::Replace << 3 << true << 200 << QList<int>{1, 3} << QList<int>{3} << 0L;
        QTest::newRow("an end waits for work that stops promptly")
            << WhenBusy::Replace << 1 << true << 600000 << QList<int>{1} << QList<int>{} << 1L;
        QTest::newRow("an end lets go of held work, which lets go of all it holds once it returns")
            << WhenBusy::Replace << 3 << false << 0 << QList<int>{1} << QList<int>{} << 2L;
    }

    void startsWhileTheFirstRuns() {
        QFETCH(WhenBusy, whenBusy);
        QFETCH(int, starts);
        QFETCH(bool, stopsPromptly);
        QFETCH(int, patienceMs);
        QFETCH(QList<int>, ran);
        QFETCH(QList<int>, results);
        QFETCH(long, holdersAtEnd);
        const bool endWhileRunning = holdersAtEnd > 0;
        m_open = false;
        m_ran.clear();
        auto task = std::make_unique<Task>(
            whenBusy,
            patienceMs < 0 ? std::nullopt : std::optional(std::chrono::milliseconds(patienceMs)));
        task->setProgressInterval(std::chrono::milliseconds(0));
        QSignalSpy progressed(task.get(), &TaskSignals::progressed);
        QList<int> taken;
        connect(task.get(), &TaskSignals::finished, this, [&] { taken << *task->takeResult(); });
        const auto token = std::make_shared<int>();
        const auto ranSoFar = [this] {
            const std::lock_guard lock(m_mutex);
            return m_ran;
        };
        const auto work = [this, &token, stopsPromptly](int number) {
            return [this, token, number, stopsPromptly](Task::Context &context) {
                for (int step = 1; step <= 3; ++step)
                    context.report([step](int &progress) { progress = step; });
                std::unique_lock lock(m_mutex);
                m_ran << number;
                while (!m_open && !(stopsPromptly && context.stopRequested()))
                    m_opened.wait_for(lock, std::chrono::milliseconds(1));
                return number;
            };
        };
        task->start(work(1));
        QTRY_VERIFY(!ranSoFar().isEmpty());
        {
            // Held here, the first cannot return before the last start is made.
            const std::lock_guard lock(m_mutex);
            for (int number = 2; number <= starts; ++number)
                task->start(work(number));
        }
        if (endWhileRunning) {
            task.reset();
            QCOMPARE(token.use_count(), holdersAtEnd);
        } else {
            // The gate is still shut: only work told to stop can have made room for the next.
            QTRY_COMPARE(ranSoFar(), ran);
        }
        m_open = true;
        m_opened.notify_all();
        QTRY_COMPARE(token.use_count(), 1L);
        QCOMPARE(ranSoFar(), ran);
        if (endWhileRunning)
            return;
        QTRY_COMPARE(taken, results);
        // Never taken, the first announcement is the only one.
        QCOMPARE(progressed.count(), 1);
        QCOMPARE(task->takeProgress(), 3);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    std::atomic<bool> m_open = false;
    QList<int> m_ran;
};

QTEST_GUILESS_MAIN(tst_BackgroundTask)
#include "tst_backgroundtask.moc"
