#include "ui/startup/frmsplash.h"

#include "ui/accessibility.h"
#include "ui/fonts.h"
#include "ui/logo.h"
#include "runtime/applicationinfo.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QSysInfo>
#include <QTimer>

namespace culler {

namespace {

constexpr int splashDelayMilliseconds = 3000;

QFont arial(qreal points, QFont::Weight weight) {
    QFont font = sansFont(points);
    font.setWeight(weight);
    return font;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QRect &box, const QFont &font) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(box);
    label->setFont(font);
    return label;
}

enum class Anchor {
    Left,
    Right,
};

// Fits the label to its text, keeping the edge its text is aligned to where it was.
void sizeToText(QLabel *label, Anchor anchor) {
    const QRect box = label->geometry();
    const QSize size = label->sizeHint();
    const int left = anchor == Anchor::Right ? box.x() + box.width() - size.width() : box.x();
    label->setGeometry(left, box.y(), size.width(), size.height());
}

// The operating system the program runs on, by the name its users know it by.
QString platformText() {
    const QString kernel = QSysInfo::kernelType();
    if (kernel == QLatin1String("linux"))
        return QStringLiteral("Linux");
    if (kernel == QLatin1String("winnt"))
        return QStringLiteral("Windows");
    if (kernel == QLatin1String("darwin"))
        return QStringLiteral("macOS");
    if (kernel == QLatin1String("freebsd"))
        return QStringLiteral("FreeBSD");
    return QSysInfo::prettyProductName();
}

} // namespace

frmSplash::frmSplash(std::function<void()> bringUpProgram, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
    , m_bringUpProgram(std::move(bringUpProgram)) {
    // A tool window without a frame has no title bar and no task bar button, and unlike a
    // splash screen type the window manager still gives it the keyboard.
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(applicationTitle());
    setFixedSize(twipsSize(7380, 4245));
    setFocusPolicy(Qt::StrongFocus);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(splashDelayMilliseconds);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setGeometry(twipsRect(120, 60, 7080, 4050));

    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(twipsRect(240, 795, 1815, 2385));
    imgLogo->setScaledContents(true);
    paintLogoForPalette();

    lblProductName = makeLabel(Frame1, QStringLiteral("lblProductName"),
                               twipsRect(2400, 1140, 2430, 765), arial(32.25, QFont::Bold));

    lblCompanyProduct = makeLabel(Frame1, QStringLiteral("lblCompanyProduct"),
                                  twipsRect(2160, 705, 2550, 435), arial(18, QFont::Bold));
    lblCompanyProduct->setText(QStringLiteral("Culler Project"));
    sizeToText(lblCompanyProduct, Anchor::Left);

    lblPlatform = makeLabel(Frame1, QStringLiteral("lblPlatform"), twipsRect(4710, 2340, 2145, 360),
                            arial(15.75, QFont::Bold));
    lblPlatform->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblPlatform->setText(platformText());
    sizeToText(lblPlatform, Anchor::Right);

    lblVersion = makeLabel(Frame1, QStringLiteral("lblVersion"), twipsRect(5970, 2700, 885, 285),
                           arial(12, QFont::Bold));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignTop);

    lblCopyright = makeLabel(Frame1, QStringLiteral("lblCopyright"),
                             twipsRect(4560, 3060, 2415, 255), arial(8.25, QFont::Normal));
    lblCopyright->setText(QStringLiteral("Copyright \u00a9 The Culler authors"));

    lblCompany = makeLabel(Frame1, QStringLiteral("lblCompany"), twipsRect(4560, 3270, 2415, 255),
                           arial(8.25, QFont::Normal));
    lblCompany->setText(QStringLiteral("Culler Project"));

    lblWarning = makeLabel(Frame1, QStringLiteral("lblWarning"), twipsRect(150, 3600, 6855, 435),
                           arial(8.25, QFont::Normal));
    lblWarning->setWordWrap(true);
    lblWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblWarning->setText(
        QStringLiteral("Pass this program on only whole and unchanged, with this notice. It comes "
                       "without any warranty: the files it deletes are gone for good."));

    // Keys go to whichever control has the focus; the window sees them first.
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);

    Form_Load();
    describeControls(*this, {{QStringLiteral("Frame1"), applicationTitle()},
                             {QStringLiteral("imgLogo"), QStringLiteral("Logo")}});

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmSplash::paintLogoForPalette() {
    // Drawn at twice the box so that it stays sharp on a screen that doubles it.
    imgLogo->setPixmap(paintLogo(imgLogo->size() * 2, palette()));
}

void frmSplash::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && imgLogo != nullptr)
        paintLogoForPalette();
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        Form_KeyPress();
        return true;
    }
    // A click is a release of the left button over the frame it was pressed on; a click on a
    // label or the logo reaches the frame as well, since they do not take clicks themselves.
    if (watched == Frame1 && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            Frame1->rect().contains(mouse->position().toPoint())) {
            Frame1_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmSplash::keyPressEvent(QKeyEvent *event) {
    event->accept();
    Form_KeyPress();
}

void frmSplash::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // The three seconds count from when the splash can be seen, however long it took to make.
    if (!m_handedOver && !Timer1->isActive())
        Timer1->start();
    activateWindow();
}

void frmSplash::closeEvent(QCloseEvent *event) {
    // Closed by the window system before anything else happened: the user dismissed the splash
    // and still expects the program, which would otherwise run on with no window at all.
    bringUpOnce();
    QWidget::closeEvent(event);
}

void frmSplash::Form_Load() {
    lblVersion->setText(QStringLiteral("Version ") + applicationVersion());
    sizeToText(lblVersion, Anchor::Right);
    lblProductName->setText(applicationTitle());
    sizeToText(lblProductName, Anchor::Left);
}

void frmSplash::Form_KeyPress() {
    closeSequence();
}

void frmSplash::Frame1_Click() {
    closeSequence();
}

void frmSplash::Timer1_Timer() {
    closeSequence();
}

void frmSplash::closeSequence() {
    if (!bringUpOnce())
        return;
    close();
}

bool frmSplash::bringUpOnce() {
    if (m_handedOver)
        return false;
    m_handedOver = true;
    // Stopped before the program comes up: a message box shown meanwhile runs an event loop of
    // its own, in which the tick would otherwise still arrive.
    Timer1->stop();
    if (m_bringUpProgram)
        m_bringUpProgram();
    return true;
}

} // namespace culler
