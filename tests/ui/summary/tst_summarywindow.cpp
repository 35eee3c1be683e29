#include "../windowtestsupport.h"
#include "runtime/calendar.h"
#include "testsupport.h"
#include "ui/summary/backgroundcount.h"
#include "ui/summary/frmsummary.h"
#include "ui/summary/printpanel.h"
#include "ui/summary/purgepreview.h"
#include "ui/summary/requestsource.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <mutex>

using namespace culler;

namespace {

const QString indent = QStringLiteral("     ");

// The five lines every report opens with, on 6 December 1999 at 10:15.
QStringList reportHead() {
    return {"Deletion Request was made on:", "     12/6/99 at 10:15:00 AM",
            "-----------------------------", "Request Details:", "Directory:"};
}

int darkPixels(const QImage &image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qGray(image.pixel(x, y)) < 96 ? 1 : 0;
    }
    return count;
}

// A count that stands for a slow directory: each one waits, whatever it is told, until the test
// lets it go, and then says whether it had been told to stop. Counts are let go in the order they
// started, so a test knows which one it is finishing.
class HeldCounter final : public RequestCounter {
public:
    RequestCount count(const PurgeRequest &, const QDateTime &, const QLocale &,
                       const std::atomic<bool> &stop) const override {
        std::unique_lock lock(m_mutex);
        const int ticket = m_started++;
        mostAtOnce = std::max(mostAtOnce.load(), ++m_running);
        started.release();
        m_letGoChanged.wait(lock, [&] { return m_letGo > ticket; });
        stopped = stop.load();
        const RequestCount count = m_result;
        --m_running;
        finished.release();
        return count;
    }

    // Lets the oldest waiting count go with the given result and waits until it has returned it.
    void finishOne(const RequestCount &count) {
        {
            const std::lock_guard lock(m_mutex);
            m_result = count;
            ++m_letGo;
        }
        m_letGoChanged.notify_all();
        QVERIFY(finished.tryAcquire(1, 10000));
    }

    // Lets every count go, those waiting and those still to come.
    void releaseAll() {
        {
            const std::lock_guard lock(m_mutex);
            m_letGo = std::numeric_limits<int>::max();
        }
        m_letGoChanged.notify_all();
    }

    mutable QSemaphore started;
    mutable QSemaphore finished;
    mutable std::atomic<bool> stopped = false;
    // How many counts ever ran at the same time; read once they are let go.
    mutable std::atomic<int> mostAtOnce = 0;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_letGoChanged;
    mutable int m_started = 0;
    mutable int m_running = 0;
    int m_letGo = 0;
    RequestCount m_result;
};

// The line after the eight of the first report, with what it wraps onto joined back; each part
// must fit the panel.
QString countLineOf(const frmSummary &summary) {
    const PrintPanel &panel = *summary.panel();
    const qsizetype at =
        std::max<qsizetype>(8, panel.lines().indexOf(QRegularExpression("Files .*")));
    QString line = panel.lines().value(at);
    for (qsizetype i = at; i < panel.lines().size(); ++i) {
        const QString part = panel.lines().at(i);
        if (panel.fontMetrics().horizontalAdvance(part) > panel.contentsRect().width())
            return QStringLiteral("wider than the panel: ") + part;
        if (i > at)
            line += QLatin1Char(' ') + part.mid(indent.size());
    }
    return line;
}

// The request as a main window's controls would hold it.
class TypedRequest final : public RequestSource {
public:
    PurgeRequest purgeRequest() const override { return request; }
    void clearDirectoryText() override { request.directory.clear(); }

    PurgeRequest request;
};

void writeSized(const QString &path, qint64 size, const QDateTime &modified) {
    test::writeBytes(path, QByteArray(size, 'x'));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

} // namespace

class tst_SummaryWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void windowAndTexts();
    void reportOnActivation_data();
    void reportOnActivation();
    void reportsAddUpOnEachActivation();
    void comingBackFromAnotherProgramPrintsNothing();
    void okAndCancelReturnToTheMainWindow_data();
    void okAndCancelReturnToTheMainWindow();
    void panelDrawsWhatItHolds();
    void countOfARequest_data();
    void countOfARequest();
    void reactivationDropsTheEarlierCount();
    void okAndCancelDoNotWaitForTheCount_data();
    void okAndCancelDoNotWaitForTheCount();
    void closingDoesNotWaitForAHeldCount();
    void screenshot();

private:
    void setRequest(const QString &directory, const QString &pattern, PurgeMode mode,
                    const QString &daysOld, const QString &beforeDate);
    void showSummary();
    void useCounter(std::shared_ptr<const RequestCounter> counter);

    test::WindowEnvironment m_env;
    TypedRequest m_request;
    // Stands for the main window, which OK and Cancel bring back.
    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<frmSummary> m_summary;
    std::shared_ptr<HeldCounter> m_held;
};

void tst_SummaryWindow::init() {
    m_request.request = PurgeRequest{};
    m_main = std::make_unique<QWidget>();
    m_main->setWindowTitle(QStringLiteral("Delete Old Files"));
    // Like the real one, it takes the focus when it is activated.
    m_main->setFocusPolicy(Qt::StrongFocus);
    m_held = std::make_shared<HeldCounter>();
    // Its counts wait until a test lets them go, so the report's own lines can be read alone.
    m_summary = std::make_unique<frmSummary>(m_env.calendar, m_request, *m_main, m_held);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void tst_SummaryWindow::cleanup() {
    // No count is left waiting on a test that is over.
    m_held->releaseAll();
    m_summary.reset();
    m_main.reset();
}

void tst_SummaryWindow::setRequest(const QString &directory, const QString &pattern, PurgeMode mode,
                                   const QString &daysOld, const QString &beforeDate) {
    m_request.request = PurgeRequest{directory, pattern, mode, daysOld, beforeDate};
}

void tst_SummaryWindow::useCounter(std::shared_ptr<const RequestCounter> counter) {
    m_summary =
        std::make_unique<frmSummary>(m_env.calendar, m_request, *m_main, std::move(counter));
}

void tst_SummaryWindow::showSummary() {
    m_summary->show();
    QVERIFY(QTest::qWaitForWindowActive(m_summary.get()));
}

void tst_SummaryWindow::windowAndTexts() {
    QCOMPARE(m_summary->windowTitle(), QStringLiteral("Pre-Deletion Summary"));
    QCOMPARE(m_summary->size(), QSize(496, 213));
    QCOMPARE(m_summary->minimumSize(), m_summary->maximumSize());
    QCOMPARE(m_summary->pos(), QPoint(295, 200));
    QVERIFY(!m_summary->isVisible());

    QCOMPARE(m_summary->findChild<QLabel *>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Please carefully review the details below, as changes cannot be "
                            "made after this stage.  ALL Specified Files will be lost WITHOUT "
                            "possibility or return. "));
    QCOMPARE(m_summary->findChild<QLabel *>(QStringLiteral("Label2"))->text(),
             QStringLiteral("Make Sure Information is Correct!!!"));
    const auto *panel = m_summary->findChild<PrintPanel *>(QStringLiteral("Picture1"));
    QCOMPARE(panel->geometry(), QRect(192, 8, 297, 201));
    QVERIFY(QFontInfo(panel->font()).fixedPitch());
    const auto *ok = m_summary->findChild<QPushButton *>(QStringLiteral("cmdOK"));
    const auto *cancel = m_summary->findChild<QPushButton *>(QStringLiteral("cmdCancel"));
    QCOMPARE(ok->text(), QStringLiteral("&OK"));
    QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));
    QCOMPARE(panel->nextInFocusChain(), cancel);
    QCOMPARE(cancel->nextInFocusChain(), ok);
}

void tst_SummaryWindow::reportOnActivation_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<PurgeMode>("mode");
    QTest::addColumn<QString>("daysOld");
    QTest::addColumn<QString>("beforeDate");
    QTest::addColumn<QStringList>("tail");
    QTest::addColumn<QString>("lineAfter");

    const QString dir = QStringLiteral("/home/user/temp");
    QTest::newRow("twenty days") << dir << "*.tmp" << PurgeMode::Days << "20"
                                 << "##/##/##"
                                 << QStringList{indent + dir, "File Type:  *.tmp",
                                                "Purge Date: 11/16/99  (20 days old)"}
                                 << indent;
    QTest::newRow("nothing chosen") << ""
                                    << "" << PurgeMode::Days << "20"
                                    << ""
                                    << QStringList{"     ### NO DIRECTORY SELECTED ###",
                                                   "File Type:  ### NO FILE TYPE SELECTED ###",
                                                   "Purge Date: 11/16/99  (20 days old)"}
                                    << indent;
    QTest::newRow("date mode shows the date as typed")
        << dir << "*.bak" << PurgeMode::Date << "20"
        << "12/25/98" << QStringList{indent + dir, "File Type:  *.bak", "Purge Date: 12/25/98"}
        << "";
    QTest::newRow("date mode with no date in the box")
        << dir << "*.bak" << PurgeMode::Date << "20"
        << "soon" << QStringList{indent + dir, "File Type:  *.bak", "Purge Date: soon"} << "";
    QTest::newRow("days text with no number")
        << dir << "*" << PurgeMode::Days << "abc"
        << ""
        << QStringList{indent + dir, "File Type:  *", "Purge Date: not a number  (abc days old)"}
        << indent;
    QTest::newRow("negative days")
        << dir << "*" << PurgeMode::Days << "-5"
        << ""
        << QStringList{indent + dir, "File Type:  *", "Purge Date: not a number  (-5 days old)"}
        << indent;
    QTest::newRow("number glued to letters")
        << dir << "*" << PurgeMode::Days << "20abc"
        << ""
        << QStringList{indent + dir, "File Type:  *", "Purge Date: 11/16/99  (20abc days old)"}
        << indent;
    QTest::newRow("a day and a half")
        << dir << "*" << PurgeMode::Days << "1.5"
        << "" << QStringList{indent + dir, "File Type:  *", "Purge Date: 12/4/99  (1.5 days old)"}
        << indent;
    QTest::newRow("days beyond the calendar")
        << dir << "*" << PurgeMode::Days << "99999999"
        << ""
        << QStringList{indent + dir, "File Type:  *", "Purge Date: not a date  (99999999 days old)"}
        << indent;
}

void tst_SummaryWindow::reportOnActivation() {
    QFETCH(QString, directory);
    QFETCH(QString, pattern);
    QFETCH(PurgeMode, mode);
    QFETCH(QString, daysOld);
    QFETCH(QString, beforeDate);
    QFETCH(QStringList, tail);
    QFETCH(QString, lineAfter);
    setRequest(directory, pattern, mode, daysOld, beforeDate);

    showSummary();

    QCOMPARE(m_summary->panel()->lines(),
             reportHead() + tail + QStringList{"Files to delete: counting..."});
    QCOMPARE(m_summary->panel()->currentLine(), lineAfter);
}

void tst_SummaryWindow::reportsAddUpOnEachActivation() {
    setRequest(QStringLiteral("/first"), QStringLiteral("*.tmp"), PurgeMode::Days,
               QStringLiteral("20"), QString());
    showSummary();
    QCOMPARE(m_summary->panel()->lines().size(), 9);

    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    setRequest(QStringLiteral("/second"), QStringLiteral("*.tmp"), PurgeMode::Days,
               QStringLiteral("20"), QString());
    m_summary->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_summary.get()));

    const QStringList lines = m_summary->panel()->lines();
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines.at(5), QStringLiteral("     /first"));
    // The indent left after the days line starts the next report.
    QCOMPARE(lines.at(9), QStringLiteral("     Deletion Request was made on:"));
    QCOMPARE(lines.at(14), QStringLiteral("     /second"));

    m_summary->clearReport();
    QVERIFY(m_summary->panel()->lines().isEmpty());
    QVERIFY(m_summary->panel()->currentLine().isEmpty());
}

void tst_SummaryWindow::comingBackFromAnotherProgramPrintsNothing() {
    showSummary();
    QCOMPARE(m_summary->panel()->lines().size(), 9);

    QApplication::setActiveWindow(nullptr);
    QTRY_VERIFY(!m_summary->isActiveWindow());
    QApplication::setActiveWindow(m_summary.get());
    QTRY_VERIFY(m_summary->isActiveWindow());
    QCOMPARE(m_summary->panel()->lines().size(), 9);

    // Through the main window, even by way of another program, it is a new activation.
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(m_main.get());
    QTRY_VERIFY(m_main->isActiveWindow());
    QApplication::setActiveWindow(m_summary.get());
    QTRY_VERIFY(m_summary->isActiveWindow());
    QCOMPARE(m_summary->panel()->lines().size(), 18);
}

void tst_SummaryWindow::okAndCancelReturnToTheMainWindow_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("directoryAfter");

    QTest::newRow("OK") << "cmdOK"
                        << "/home/user/temp";
    QTest::newRow("Cancel empties the directory box") << "cmdCancel"
                                                      << "";
}

void tst_SummaryWindow::okAndCancelReturnToTheMainWindow() {
    QFETCH(QString, button);
    QFETCH(QString, directoryAfter);
    setRequest(QStringLiteral("/home/user/temp"), QStringLiteral("*.tmp"), PurgeMode::Days,
               QStringLiteral("20"), QString());
    showSummary();

    QTest::mouseClick(m_summary->findChild<QPushButton *>(button), Qt::LeftButton);

    QVERIFY(!m_summary->isVisible());
    QTRY_VERIFY(m_main->isActiveWindow());
    QCOMPARE(m_request.request.directory, directoryAfter);
    QCOMPARE(m_request.request.pattern, QStringLiteral("*.tmp"));
}

void tst_SummaryWindow::panelDrawsWhatItHolds() {
    PrintPanel *panel = m_summary->panel();
    showSummary();
    const auto inside = [panel] {
        return panel->grab().toImage().copy(panel->contentsRect());
    };
    QVERIFY(darkPixels(inside()) > 0);

    panel->clear();
    QCOMPARE(darkPixels(inside()), 0);
}

void tst_SummaryWindow::screenshot() {
    setRequest(QStringLiteral("/home/user/temp"), QStringLiteral("*.tmp"), PurgeMode::Days,
               QStringLiteral("20"), QString());
    showSummary();
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/frmSummary.png");
    QVERIFY(m_summary->grab().save(file));
}

void tst_SummaryWindow::reactivationDropsTheEarlierCount() {
    showSummary();
    QVERIFY(m_held->started.tryAcquire(1, 10000));
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    m_summary->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_summary.get()));

    const QStringList lines = m_summary->panel()->lines();
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines.at(8), QStringLiteral("Files to delete: not counted"));
    QCOMPARE(lines.at(17), QStringLiteral("Files to delete: counting..."));

    // The first count ends only now; what it found is for a report the user has left. Only then
    // does the second start: one count at a time, however often the window is activated.
    m_held->finishOne(RequestCount{QString(), 1, 1, 1});
    QVERIFY(m_held->stopped);
    QVERIFY(m_held->started.tryAcquire(1, 10000));
    QCOMPARE(m_held->mostAtOnce, 1);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_summary->panel()->lines().at(17), QStringLiteral("Files to delete: counting..."));
    m_held->finishOne(RequestCount{QString(), 3, 2, 0});
    QTRY_COMPARE(m_summary->panel()->lines().at(17),
                 QStringLiteral("Files to delete: 2 of 3 matching (0 bytes)"));
    QCOMPARE(m_summary->panel()->lines().at(8), QStringLiteral("Files to delete: not counted"));
}

void tst_SummaryWindow::okAndCancelDoNotWaitForTheCount_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("directoryAfter");

    QTest::newRow("OK") << "cmdOK"
                        << "/home/user/temp";
    QTest::newRow("Cancel") << "cmdCancel"
                            << "";
}

void tst_SummaryWindow::okAndCancelDoNotWaitForTheCount() {
    QFETCH(QString, button);
    QFETCH(QString, directoryAfter);
    setRequest(QStringLiteral("/home/user/temp"), QStringLiteral("*.tmp"), PurgeMode::Days,
               QStringLiteral("20"), QString());
    showSummary();
    QVERIFY(m_held->started.tryAcquire(1, 10000));

    // The count is held up and stays so: the button works all the same.
    QTest::mouseClick(m_summary->findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(!m_summary->isVisible());
    QTRY_VERIFY(m_main->isActiveWindow());
    QCOMPARE(m_request.request.directory, directoryAfter);

    // The count was told to stop, and what it finds once let go is never shown: by the time the
    // next count starts, the first one's result would be on its way.
    m_held->finishOne(RequestCount{QString(), 5, 5, 5});
    QVERIFY(m_held->stopped);
    showSummary();
    QVERIFY(m_held->started.tryAcquire(1, 10000));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_summary->panel()->lines().at(8), QStringLiteral("Files to delete: not counted"));
}

void tst_SummaryWindow::closingDoesNotWaitForAHeldCount() {
    // A count held up in a system call, as on a hung mount, must not hold up the program's end.
    // Its thread ends once the count returns, and lets go of everything it used.
    showSummary();
    QVERIFY(m_held->started.tryAcquire(1, 10000));
    m_summary.reset();
    QCOMPARE(m_held.use_count(), 2);
    m_held->finishOne(RequestCount{QString(), 1, 1, 1});
    QTRY_COMPARE(m_held.use_count(), 1);
}

void tst_SummaryWindow::countOfARequest_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<PurgeMode>("mode");
    QTest::addColumn<QString>("cutOff");
    QTest::addColumn<QString>("line");

    QTest::newRow("twenty days") << "data"
                                 << "*.tmp" << PurgeMode::Days << "20"
                                 << "Files to delete: 2 of 3 matching (1.5 kB)";
    QTest::newRow("twenty days, to the Trash")
        << "data"
        << "*.tmp" << PurgeMode::Days << "20"
        << "Files to move to the Trash: 2 of 3 matching (1.5 kB)";
    QTest::newRow("twenty days, subfolders included")
        << "data"
        << "*.tmp" << PurgeMode::Days << "20"
        << "Files to delete: 3 of 4 matching, subfolders included (2.5 kB)";
    QTest::newRow("inside the Trash, to the Trash")
        << "Trash/files"
        << "*.tmp" << PurgeMode::Days << "20"
        << "Files to move to the Trash: inside the Trash";
    QTest::newRow("the same day as a date") << "data"
                                            << "*.tmp" << PurgeMode::Date << "11/16/99"
                                            << "Files to delete: 2 of 3 matching (1.5 kB)";
    QTest::newRow("nothing matches") << "data"
                                     << "*.none" << PurgeMode::Days << "20"
                                     << "Files to delete: 0 of 0 matching (0 bytes)";
    QTest::newRow("no directory") << ""
                                  << "*.tmp" << PurgeMode::Days << "20"
                                  << "Files to delete: no directory";
    QTest::newRow("no file type") << "data"
                                  << "" << PurgeMode::Days << "20"
                                  << "Files to delete: no file type";
    QTest::newRow("not a date") << "data"
                                << "*.tmp" << PurgeMode::Date << "soon"
                                << "Files to delete: not a date";
    QTest::newRow("days that are no number") << "data"
                                             << "*.tmp" << PurgeMode::Days << "-5"
                                             << "Files to delete: not a number of days";
    QTest::newRow("days beyond the calendar") << "data"
                                              << "*.tmp" << PurgeMode::Days << "99999999"
                                              << "Files to delete: not a date";
    QTest::newRow("thirty days, under 0.5K")
        << "data"
        << "*.tmp" << PurgeMode::Days << "30"
        << "Files to delete: 2 of 3 matching (1.5 kB), 1 for the size cap";
    QTest::newRow("twenty days, under ten") << "data"
                                            << "*.tmp" << PurgeMode::Days << "20"
                                            << "Files to delete: not a size: ten";
    QTest::newRow("a directory that is not there")
        << "missing"
        << "*.tmp" << PurgeMode::Days << "20"
        << "Files to delete: cannot read the directory: No such file or directory";
}

void tst_SummaryWindow::countOfARequest() {
    QFETCH(QString, directory);
    QFETCH(QString, pattern);
    QFETCH(PurgeMode, mode);
    QFETCH(QString, cutOff);
    QFETCH(QString, line);
    QTemporaryDir temp;
    const QString data = temp.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/sub.tmp")));
    const QDate today(1999, 12, 6);
    writeSized(data + QStringLiteral("/old.tmp"), 1000,
               QDateTime(today.addDays(-30), QTime(12, 0)));
    writeSized(data + QStringLiteral("/limit day.tmp"), 500,
               QDateTime(today.addDays(-20), QTime(23, 59)));
    writeSized(data + QStringLiteral("/newer.tmp"), 250,
               QDateTime(today.addDays(-19), QTime(0, 0)));
    writeSized(data + QStringLiteral("/sub.tmp/old.tmp"), 1000,
               QDateTime(today.addDays(-30), QTime(12, 0)));
    writeSized(data + QStringLiteral("/old.bak"), 2000,
               QDateTime(today.addDays(-30), QTime(12, 0)));
    writeSized(data + QStringLiteral("/.hidden.tmp"), 4000,
               QDateTime(today.addDays(-30), QTime(12, 0)));
    QVERIFY(QFile::link(data + QStringLiteral("/old.bak"), data + QStringLiteral("/link.tmp")));
    // The Trash is the test's own; only a row inside it has one.
    qputenv("XDG_DATA_HOME", QFile::encodeName(temp.path()));
    QVERIFY(!directory.startsWith(QLatin1String("Trash")) ||
            QDir().mkpath(temp.filePath(directory)));
    useCounter(std::make_shared<PurgePreview>());
    setRequest(directory.isEmpty() ? QString() : temp.filePath(directory), pattern, mode,
               mode == PurgeMode::Days ? cutOff : QStringLiteral("20"),
               mode == PurgeMode::Date ? cutOff : QString());

    m_request.request.removal =
        line.contains(QStringLiteral("Trash")) ? RemovalKind::Trash : RemovalKind::Delete;
    m_request.request.subfolders =
        line.contains(QStringLiteral("subfolders")) ? Subfolders::Included : Subfolders::Excluded;
    m_request.request.maxSize = QString(QTest::currentDataTag()).section(" under ", 1);
    showSummary();

    QTRY_COMPARE(countLineOf(*m_summary), line);
    // Counting removes nothing, and makes no Trash.
    QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
             7);
    QCOMPARE(QFileInfo::exists(temp.filePath(QStringLiteral("Trash"))),
             directory.startsWith(QLatin1String("Trash")));
}

QTEST_MAIN(tst_SummaryWindow)
#include "tst_summarywindow.moc"
