#include "ui/startup/frmsplash.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using namespace culler;

namespace {

// The ways the splash can be told to go.
enum class Dismissal {
    KeyOnWindow,
    KeyOnLabel,
    ClickOnFrame,
    ClickOnLogo,
    Tick,
    WindowSystemClose,
};

const QList<Dismissal> everyDismissal = {
    Dismissal::KeyOnWindow, Dismissal::KeyOnLabel, Dismissal::ClickOnFrame,
    Dismissal::ClickOnLogo, Dismissal::Tick,       Dismissal::WindowSystemClose,
};

// A splash whose "bring up the program" counts how often it ran and what it saw.
struct Startup {
    Startup() {
        splash = std::make_unique<frmSplash>([this] {
            ++broughtUp;
            splashVisibleMeanwhile = splash->isVisible();
            if (meanwhile)
                meanwhile();
        });
    }

    template <typename T> T *child(const char *name) const {
        return splash->findChild<T *>(QLatin1String(name));
    }
    QTimer *timer() const { return child<QTimer>("Timer1"); }

    void dismiss(Dismissal how) const {
        switch (how) {
        case Dismissal::KeyOnWindow:
            QTest::keyClick(splash.get(), Qt::Key_Space);
            return;
        case Dismissal::KeyOnLabel:
            QTest::keyClick(child<QLabel>("lblWarning"), Qt::Key_Escape);
            return;
        case Dismissal::ClickOnFrame:
            // A bare spot of the frame, above the labels and right of the logo.
            QTest::mouseClick(child<QFrame>("Frame1"), Qt::LeftButton, {}, QPoint(400, 20));
            return;
        case Dismissal::ClickOnLogo:
            QTest::mouseClick(child<QLabel>("imgLogo"), Qt::LeftButton);
            return;
        case Dismissal::Tick:
            // What the timer does when it runs out, without waiting for it.
            QVERIFY(QMetaObject::invokeMethod(timer(), "timeout"));
            return;
        case Dismissal::WindowSystemClose:
            splash->close();
            return;
        }
    }

    int broughtUp = 0;
    bool splashVisibleMeanwhile = false;
    std::function<void()> meanwhile;
    std::unique_ptr<frmSplash> splash;
};

} // namespace

Q_DECLARE_METATYPE(Dismissal)

class SplashTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bringsUpTheProgramOnce_data();
    void bringsUpTheProgramOnce();
    void waitsForAClickOnTheFrameItself_data();
    void waitsForAClickOnTheFrameItself();
    void ticksThreeSecondsAfterShowing();
    void showsTitleVersionAndPlatform();
    void isAFixedCentredWindowWithoutTitleBar();
    void everyTextFitsItsBox();
};

void SplashTest::bringsUpTheProgramOnce_data() {
    QTest::addColumn<Dismissal>("first");
    QTest::newRow("key on the window") << Dismissal::KeyOnWindow;
    QTest::newRow("key sent to a label") << Dismissal::KeyOnLabel;
    QTest::newRow("click on the frame") << Dismissal::ClickOnFrame;
    QTest::newRow("click on the logo in the frame") << Dismissal::ClickOnLogo;
    QTest::newRow("timer tick") << Dismissal::Tick;
    QTest::newRow("closed by the window system") << Dismissal::WindowSystemClose;
}

void SplashTest::bringsUpTheProgramOnce() {
    QFETCH(Dismissal, first);
    Startup startup;
    // Everything else arrives while the program is still coming up, as it does when a message
    // box runs its own event loop then. Only the first time round, so that a splash that does
    // bring the program up again fails here rather than recursing without end.
    startup.meanwhile = [&startup] {
        if (startup.broughtUp > 1)
            return;
        for (Dismissal other : everyDismissal)
            startup.dismiss(other);
    };
    startup.splash->show();
    QVERIFY(startup.timer()->isActive());

    startup.dismiss(first);

    QCOMPARE(startup.broughtUp, 1);
    QVERIFY(startup.splashVisibleMeanwhile);
    QVERIFY(!startup.splash->isVisible());
    QVERIFY(!startup.timer()->isActive());

    // And after the splash has gone.
    startup.meanwhile = nullptr;
    for (Dismissal other : everyDismissal)
        startup.dismiss(other);
    QCOMPARE(startup.broughtUp, 1);
    QVERIFY(!startup.timer()->isActive());
}

void SplashTest::waitsForAClickOnTheFrameItself_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("left click on the window's margin")
        << QStringLiteral("frmSplash") << Qt::LeftButton << QPoint(3, 140);
    QTest::newRow("right click on the frame")
        << QStringLiteral("Frame1") << Qt::RightButton << QPoint(400, 20);
}

void SplashTest::waitsForAClickOnTheFrameItself() {
    QFETCH(QString, target);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, position);
    Startup startup;
    startup.splash->show();
    QWidget *widget = target == startup.splash->objectName()
                          ? startup.splash.get()
                          : startup.splash->findChild<QWidget *>(target);
    QVERIFY(widget);

    QTest::mouseClick(widget, button, {}, position);

    QCOMPARE(startup.broughtUp, 0);
    QVERIFY(startup.splash->isVisible());
    QVERIFY(startup.timer()->isActive());
}

void SplashTest::ticksThreeSecondsAfterShowing() {
    Startup startup;
    QTimer *timer = startup.timer();
    QVERIFY(timer);
    QVERIFY(!timer->isActive());

    startup.splash->show();
    QVERIFY(timer->isActive());
    QVERIFY(timer->isSingleShot());
    QCOMPARE(timer->interval(), 3000);

    // A real tick, without the wait.
    timer->start(1);
    QTRY_COMPARE(startup.broughtUp, 1);
    QVERIFY(!startup.splash->isVisible());
    QVERIFY(!timer->isActive());
}

void SplashTest::showsTitleVersionAndPlatform() {
    Startup startup;
    QCOMPARE(startup.child<QLabel>("lblProductName")->text(), QStringLiteral("Culler"));
    QCOMPARE(startup.child<QLabel>("lblVersion")->text(),
             QStringLiteral("Version " CULLER_PROJECT_VERSION));
#ifdef Q_OS_LINUX
    QCOMPARE(startup.child<QLabel>("lblPlatform")->text(), QStringLiteral("Linux"));
#else
    QVERIFY(!startup.child<QLabel>("lblPlatform")->text().isEmpty());
#endif
}

void SplashTest::isAFixedCentredWindowWithoutTitleBar() {
    Startup startup;
    frmSplash &splash = *startup.splash;
    splash.show();

    QCOMPARE(splash.objectName(), QStringLiteral("frmSplash"));
    QVERIFY(splash.isWindow());
    QCOMPARE(splash.size(), QSize(492, 283));
    QCOMPARE(splash.minimumSize(), splash.maximumSize());
    // A frameless tool window: no title bar, no task bar button.
    QCOMPARE(splash.windowType(), Qt::Tool);
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint offCentre = splash.frameGeometry().center() - screen.center();
    QVERIFY2(
        offCentre.manhattanLength() <= 1,
        qPrintable(QStringLiteral("off centre by %1, %2").arg(offCentre.x()).arg(offCentre.y())));
}

void SplashTest::everyTextFitsItsBox() {
    Startup startup;
    const auto *frame = startup.child<QFrame>("Frame1");
    const QList<QLabel *> labels = frame->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 8);
    for (const QLabel *label : labels) {
        const QString name = label->objectName();
        QVERIFY2(frame->rect().contains(label->geometry()), qPrintable(name));
        if (label->text().isEmpty())
            continue;
        if (label->wordWrap()) {
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(name));
            continue;
        }
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(name));
        QVERIFY2(label->sizeHint().height() <= label->height(), qPrintable(name));
    }
}

QTEST_MAIN(SplashTest)
#include "tst_splash.moc"
