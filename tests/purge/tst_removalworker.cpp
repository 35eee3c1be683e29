#include "purge/removalworker.h"

#include <QTest>
#include <condition_variable>
#include <map>
#include <mutex>
#include <sched.h>
#include <string>
#include <vector>

using namespace culler;

// The worker alone, with a removal step that touches no file: it records what it is handed, says
// "kept" for names beginning with "k" and "failed" for names beginning with "f", and can be held
// on its first call until the test lets it go. The purge tests run the real step in both modes.

namespace {

struct Handed {
    std::string name;
    qint64 judgedSize = 0;
};

// Written by whichever thread removes, under the gate's lock; read by the test once the worker has
// finished.
std::vector<Handed> handed;

// Holds the first call of the step until the test opens it.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
    bool reached = false;
} gate;

RemovalOutcome recordingStep(const char *name, const FileStamp &judged, TreeFolder *) {
    {
        std::unique_lock lock(gate.mutex);
        if (!gate.reached) {
            gate.reached = true;
            gate.changed.notify_all();
            gate.changed.wait(lock, [] { return !gate.closed; });
        }
        handed.push_back({name, judged.size});
    }
    if (name[0] == 'k')
        return {Removal::Kept, {}};
    if (name[0] == 'f')
        return {Removal::Failed, SystemError{EPERM}};
    return {Removal::Removed, {}};
}

// Names of many lengths, so that each must be found where it lies among the others in a batch.
std::string nameOf(int i) {
    const char first = i % 7 == 3 ? 'f' : i % 11 == 5 ? 'k' : 'd';
    return first + std::string(std::size_t(i % 13), 'x') + std::to_string(i);
}

} // namespace

Q_DECLARE_METATYPE(RemovalMode)

class tst_RemovalWorker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void everyNameOnceInOrderWithItsReport_data();
    void everyNameOnceInOrderWithItsReport();
    void stopRemovesNothingMoreThanTheFileInHand_data();
    void stopRemovesNothingMoreThanTheFileInHand();
    void fullQueueIsRemovedHereInOrder();
    void oneProcessorRemovesInline();
};

void tst_RemovalWorker::init() {
    handed.clear();
    gate.closed = false;
    gate.reached = false;
}

void tst_RemovalWorker::everyNameOnceInOrderWithItsReport_data() {
    QTest::addColumn<RemovalMode>("mode");
    QTest::addColumn<int>("batchNames");
    QTest::addColumn<int>("batches");
    QTest::addColumn<int>("files");

    for (const RemovalMode mode : {RemovalMode::Pipelined, RemovalMode::Inline}) {
        const char *modeName = mode == RemovalMode::Pipelined ? "pipelined" : "inline";
        QTest::addRow("%s, nothing handed in", modeName) << mode << 128 << 32 << 0;
        QTest::addRow("%s, one name", modeName) << mode << 128 << 32 << 1;
        QTest::addRow("%s, part of a batch left at the end", modeName) << mode << 128 << 32 << 1000;
        QTest::addRow("%s, whole batches", modeName) << mode << 10 << 4 << 1000;
        // The handing thread keeps waiting for room.
        QTest::addRow("%s, a queue of one name", modeName) << mode << 1 << 1 << 3000;
    }
}

void tst_RemovalWorker::everyNameOnceInOrderWithItsReport() {
    QFETCH(RemovalMode, mode);
    QFETCH(int, batchNames);
    QFETCH(int, batches);
    QFETCH(int, files);

    RemovalWorker worker(&recordingStep, mode, {std::size_t(batchNames), std::size_t(batches)});
    QCOMPARE(worker.mode(), mode);
    std::vector<RemovalReport> reports;
    for (int i = 0; i < files; ++i) {
        FileStamp judged;
        judged.size = i;
        worker.add(nameOf(i).c_str(), judged);
        for (RemovalReport &report : worker.takeReports())
            reports.push_back(std::move(report));
    }
    worker.finish();
    for (RemovalReport &report : worker.takeReports())
        reports.push_back(std::move(report));

    // Two threads may remove at once, so the step sees the names in any order, each once; the
    // reports come back in the order handed in.
    std::map<std::string, qint64> judgedSizes;
    for (const Handed &file : handed)
        judgedSizes.emplace(file.name, file.judgedSize);
    QCOMPARE(int(handed.size()), files);
    QCOMPARE(int(judgedSizes.size()), files);
    QCOMPARE(int(reports.size()), files);
    for (int i = 0; i < files; ++i) {
        const std::size_t at = std::size_t(i);
        QCOMPARE(judgedSizes[nameOf(i)], qint64(i));
        QCOMPARE(reports[at].name, nameOf(i));
        const char kind = nameOf(i)[0];
        QCOMPARE(reports[at].outcome.removal, kind == 'f'   ? Removal::Failed
                                              : kind == 'k' ? Removal::Kept
                                                            : Removal::Removed);
        QCOMPARE(reports[at].outcome.error.code, kind == 'f' ? EPERM : 0);
    }
}

void tst_RemovalWorker::stopRemovesNothingMoreThanTheFileInHand_data() {
    QTest::addColumn<RemovalMode>("mode");

    QTest::newRow("pipelined") << RemovalMode::Pipelined;
    QTest::newRow("inline") << RemovalMode::Inline;
}

void tst_RemovalWorker::stopRemovesNothingMoreThanTheFileInHand() {
    QFETCH(RemovalMode, mode);

    RemovalWorker worker(&recordingStep, mode, {2, 8});
    gate.closed = mode == RemovalMode::Pipelined;
    for (int i = 0; i < 10; ++i)
        worker.add(nameOf(i).c_str(), FileStamp());
    if (mode == RemovalMode::Pipelined) {
        // The worker is on the first name, the others wait in the queue.
        std::unique_lock lock(gate.mutex);
        gate.changed.wait(lock, [] { return gate.reached; });
    }
    worker.stop();
    worker.add("dlate", FileStamp());
    {
        const std::lock_guard lock(gate.mutex);
        gate.closed = false;
    }
    gate.changed.notify_all();
    worker.finish();

    const std::size_t expected = mode == RemovalMode::Pipelined ? 1 : 10;
    QCOMPARE(handed.size(), expected);
    QCOMPARE(handed.back().name, nameOf(int(expected) - 1));
    QCOMPARE(worker.takeReports().size(), expected);
}

void tst_RemovalWorker::fullQueueIsRemovedHereInOrder() {
    // The worker is held on its first file; the queue of one fills, and the handing thread removes
    // the next batch itself. Its report must still come after those of the batches before it.
    RemovalWorker worker(&recordingStep, RemovalMode::Pipelined, {1, 1});
    gate.closed = true;
    worker.add("d0", FileStamp());
    {
        std::unique_lock lock(gate.mutex);
        gate.changed.wait(lock, [] { return gate.reached; });
    }
    worker.add("d1", FileStamp()); // fills the queue of one
    worker.add("d2", FileStamp()); // removed here, the worker being held
    {
        const std::lock_guard lock(gate.mutex);
        QCOMPARE(handed.size(), std::size_t(1));
        QCOMPARE(handed.front().name, std::string("d2"));
        QVERIFY(worker.takeReports().empty());
        gate.closed = false;
    }
    gate.changed.notify_all();
    worker.add("d3", FileStamp());
    worker.finish();

    std::vector<std::string> names;
    for (const RemovalReport &report : worker.takeReports())
        names.push_back(report.name);
    QCOMPARE(names, (std::vector<std::string>{"d0", "d1", "d2", "d3"}));
}

void tst_RemovalWorker::oneProcessorRemovesInline() {
    cpu_set_t before;
    QCOMPARE(::sched_getaffinity(0, sizeof before, &before), 0);
    if (CPU_COUNT(&before) < 2)
        QSKIP("This process runs on one processor only");
    QCOMPARE(removalModeForThisMachine(), RemovalMode::Pipelined);

    cpu_set_t one;
    CPU_ZERO(&one);
    for (std::size_t cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &before)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    QCOMPARE(::sched_setaffinity(0, sizeof one, &one), 0);
    const RemovalMode confined = removalModeForThisMachine();
    QCOMPARE(::sched_setaffinity(0, sizeof before, &before), 0);
    QCOMPARE(confined, RemovalMode::Inline);
}

QTEST_GUILESS_MAIN(tst_RemovalWorker)
#include "tst_removalworker.moc"
