#include "backgroundpurge.h"

#include <system_error>

namespace culler {

namespace {

using Progress = BackgroundPurge::Progress;
using PurgeTask = BackgroundTask<BackgroundPurge::Result, Progress>;

// The purge thread's side: keeps the progress where the window can take it and passes on the
// stop.
class TaskDisplay final : public PurgeDisplay {
public:
    explicit TaskDisplay(PurgeTask::Context &context)
        : m_context(context) {}

    void setProgressMaximum(qint64 maximum) override {
        m_context.report([maximum](Progress &progress) { progress.maximum = maximum; });
    }
    void setProgressValue(qint64 value) override {
        m_context.report([value](Progress &progress) { progress.value = value; });
    }
    bool stopRequested() const override { return m_context.stopRequested(); }

private:
    PurgeTask::Context &m_context;
};

} // namespace

BackgroundPurge::BackgroundPurge(QObject *parent)
    : QObject(parent) {
    connect(&m_task, &TaskSignals::progressed, this, &BackgroundPurge::progressed);
    connect(&m_task, &TaskSignals::finished, this, &BackgroundPurge::ended);
}

bool BackgroundPurge::start(const PurgeJob &job) {
    return startWork([job](PurgeTask::Context &context) {
        TaskDisplay display(context);
        PurgeRun run{runPurge(job, display)};
        // A run stopped by Exit leaves the Trash as it is: the program is ending.
        if (run.purge && job.trashEmptying && !context.stopRequested())
            run.trashExpiry = expireTrash(trashExpiryAfter(job, *job.trashEmptying));
        return Result{std::in_place_index<0>, std::move(run)};
    });
}

bool BackgroundPurge::start(const PutBackJob &job) {
    return startWork([job](PurgeTask::Context &context) {
        PutBackJob told = job;
        told.stop = &context.stopFlag();
        told.progress = [&context](qint64 done, qint64 files) {
            context.report([done, files](Progress &progress) {
                progress.value = done;
                progress.maximum = files;
            });
        };
        return Result{std::in_place_index<1>, putBackRun(told)};
    });
}

bool BackgroundPurge::startWork(const Task::Work &work) {
    try {
        return m_task.start(work);
    } catch (const std::system_error &) {
        // No thread to be had (a process limit): the window waits for the run, as it once did.
        m_task.runHere(work);
        return true;
    }
}

} // namespace culler
