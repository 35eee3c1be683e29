#pragma once

// The start-up window: the program's name, maker, platform and version for a few seconds, after
// which it brings up the program. It does not know the main window: what bringing up the program
// means is handed to it, so it can be shown, and tested, on its own.

#include <QWidget>
#include <functional>

class QCloseEvent;
class QEvent;
class QFrame;
class QKeyEvent;
class QLabel;
class QShowEvent;
class QTimer;

namespace culler {

class frmSplash final : public QWidget {
    Q_OBJECT

public:
    // bringUpProgram runs exactly once, while the splash still shows: on the first key press, on
    // a click on the frame, three seconds after the splash first appears, or when the window
    // system closes the splash. The splash closes when it returns. Closing hides the window; who
    // made it decides when it is destroyed (Qt::WA_DeleteOnClose suits one made with new).
    explicit frmSplash(std::function<void()> bringUpProgram, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_KeyPress();
    void Frame1_Click();
    void Timer1_Timer();

    void closeSequence();
    void paintLogoForPalette();
    bool bringUpOnce();

    std::function<void()> m_bringUpProgram;
    // Set as the program starts coming up, so nothing brings it up a second time.
    bool m_handedOver = false;

    // Each control is named as the program has always named it, Timer1 and Frame1 too: the object
    // names are part of the program, which tests and accessibility tools find them by, so they are
    // not renamed for readability.
    QTimer *Timer1 = nullptr;
    QFrame *Frame1 = nullptr;
    QLabel *imgLogo = nullptr;
    QLabel *lblProductName = nullptr;
    QLabel *lblCompanyProduct = nullptr;
    QLabel *lblPlatform = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *lblCompany = nullptr;
    QLabel *lblWarning = nullptr;
};

} // namespace culler
