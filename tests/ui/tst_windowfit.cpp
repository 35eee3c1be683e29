#include "windowtestsupport.h"

#include "ui/logo.h"
#include "ui/main/frmmain.h"
#include "ui/startup/frmsplash.h"
#include "ui/summary/frmsummary.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

using namespace culler;

namespace {

// A dark desktop's colours: light text on dark windows.
QPalette darkPalette() {
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::ButtonText, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    return dark;
}

QString shownText(const QWidget *control) {
    QString text;
    if (const auto *label = qobject_cast<const QLabel *>(control))
        text = label->text();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        text = button->text();
    return text.remove(QLatin1Char('&'));
}

} // namespace

// The windows as a high-density screen shows them (run at QT_SCALE_FACTOR=2), on a light and on
// a dark desktop: every control lies inside its window, and no label's text is cut off.
class tst_WindowFit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void controlsFitTheirWindow_data();
    void controlsFitTheirWindow();
    void logoFollowsThePalette();

private:
    QTemporaryDir m_temp;
    test::WindowEnvironment m_env;
};

void tst_WindowFit::initTestCase() {
    QVERIFY(m_temp.isValid());
    QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("2"));
    m_env.volumes.list = {Volume{m_temp.path(), QStringLiteral("DATA"), true}};
    QVERIFY(QDir::setCurrent(m_temp.path()));
}

void tst_WindowFit::controlsFitTheirWindow_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("dark");

    for (const char *window : {"frmSplash", "frmMain", "frmSummary"}) {
        QTest::addRow("%s, light", window) << QString::fromLatin1(window) << false;
        QTest::addRow("%s, dark", window) << QString::fromLatin1(window) << true;
    }
}

void tst_WindowFit::controlsFitTheirWindow() {
    QFETCH(QString, window);
    QFETCH(bool, dark);
    const QPalette before = QApplication::palette();
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    frmSplash splash([] {});
    frmMain main({m_env.calendar, m_env.messages, m_env.volumes,
                  m_temp.filePath(QStringLiteral("filetypes.dat"))});
    QWidget *shown = window == QLatin1String("frmSplash") ? static_cast<QWidget *>(&splash)
                     : window == QLatin1String("frmMain") ? static_cast<QWidget *>(&main)
                                                          : main.summaryWindow();
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));

    const QPixmap grabbed = shown->grab();
    QCOMPARE(grabbed.devicePixelRatio(), 2.0);
    QCOMPARE(grabbed.size(), shown->size() * 2);
    const QRect inside = shown->rect();
    const QList<QWidget *> controls = shown->findChildren<QWidget *>();
    for (const QWidget *control : controls) {
        if (!control->isVisibleTo(shown) || control->isWindow())
            continue;
        const QRect box(control->mapTo(shown, QPoint(0, 0)), control->size());
        QVERIFY2(inside.contains(box), qPrintable(control->objectName()));
        const auto *label = qobject_cast<const QLabel *>(control);
        const QString text = shownText(control);
        if (const auto *check = qobject_cast<const QCheckBox *>(control)) {
            QStyleOptionButton option;
            option.initFrom(check);
            const QRect room =
                check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
            QVERIFY2(check->fontMetrics().horizontalAdvance(text) <= room.width(),
                     qPrintable(text));
            continue;
        }
        if (label == nullptr || text.isEmpty())
            continue;
        const int needed = label->wordWrap() ? label->heightForWidth(label->contentsRect().width())
                                             : label->fontMetrics().horizontalAdvance(text);
        const int room =
            label->wordWrap() ? label->contentsRect().height() : label->contentsRect().width();
        QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1: \"%2\" needs %3, has %4")
                                                .arg(control->objectName(), text)
                                                .arg(needed)
                                                .arg(room)));
    }
    if (dark) {
        QApplication::setPalette(before);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }
}

void tst_WindowFit::logoFollowsThePalette() {
    // The middle of the newer sheet's left edge, on a canvas of 120 by 160.
    const QPoint edge(30 * 2, 80 * 2);
    const QImage light = paintLogo(QSize(240, 320), QPalette(Qt::black, Qt::white)).toImage();
    const QImage dark = paintLogo(QSize(240, 320), darkPalette()).toImage();
    QVERIFY2(QColor(light.pixel(edge)).lightness() < 128, "a dark edge on a light window");
    QVERIFY2(QColor(dark.pixel(edge)).lightness() > 128, "a light edge on a dark window");
}

QTEST_MAIN(tst_WindowFit)
#include "tst_windowfit.moc"
