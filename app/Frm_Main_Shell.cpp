// The main window as a tray program: hidden into the notification area on minimise and
// close, shown again on request or alarm, quit only by the quit command or the end of the
// user's session; and the hint line of the status bar.

#include "app/Frm_Main.h"
#include "app/MainImages.h"
#include "app/TrayMenu.h"
#include "settings/uOptions.h"
#include "ui/qnForms.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QStatusTipEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace nuvex {

namespace {

std::optional<bool>& TrayOverride()
{
    static std::optional<bool> available;
    return available;
}

} // namespace

bool TFrmNuvex::TrayAvailable()
{
    return TrayOverride().value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void TFrmNuvex::SetTrayAvailableForTesting(std::optional<bool> available)
{
    TrayOverride() = available;
}

void TFrmNuvex::CreateTray()
{
    RxTrayIcon1 = new QSystemTrayIcon(MakeTrayIcon(), this);
    RxTrayIcon1->setObjectName(QStringLiteral("RxTrayIcon1"));
    RxTrayIcon1->setToolTip(QStringLiteral("Nuvex - hlídač telefonického připojení"));
    RxTrayIcon1->setContextMenu(PopupMenu);
    connect(RxTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            UkazAppExecute();
    });
    RxTrayIcon1->show();

    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { QueryEndSession(); });
}

void TFrmNuvex::UkazAppExecute()
{
    const bool wasHidden = isMinimized() || !isVisible();
    if (wasHidden) {
        showNormal();
        AppEvents1Restore();
    }
    raise();
    activateWindow();
    // Lifted above every other window by making it top-most for a moment.
    SetTopMost(true);
    SetTopMost(false);
}

void TFrmNuvex::SetTopMost(bool on)
{
    // On the native window, not the widget: changing the widget's flags would destroy and
    // re-create the window.
    QWindow* window = windowHandle();
    if (!window || window->flags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    window->setFlag(Qt::WindowStaysOnTopHint, on);
}

void TFrmNuvex::HideAtStart()
{
    if (!TrayAvailable()) {
        showMinimized();
        return;
    }
    // Straight into the tray, never through a minimised state: a window that the window
    // manager has not mapped yet keeps "iconic" as its initial state, so the first restore
    // from the tray would map it minimised again and it would go straight back.
    hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
}

void TFrmNuvex::AppEvents1Minimize()
{
    if (TrayAvailable()) {
        // Hidden from the task bar: only the tray icon remains.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
        return;
    }
    // Without a notification area a hidden window could never be brought back.
    if (!noTrayLogged_) {
        noTrayLogged_ = true;
        AddLogLine(QStringLiteral("Oznamovací oblast (tray) není k dispozici: okno se bude minimalizovat na "
                                  "hlavní panel místo do traye."));
    }
}

void TFrmNuvex::AppEvents1Restore()
{
    if (!isVisible())
        show();
}

void TFrmNuvex::AppEvents1Hint(const QString& hint)
{
    HintBarPanels[0]->setText(hint);
}

bool TFrmNuvex::event(QEvent* event)
{
    // Hints of the menu items and controls under the mouse go to panel 0, not over the
    // whole status bar.
    if (event->type() == QEvent::StatusTip) {
        AppEvents1Hint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TFrmNuvex::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        AppEvents1Minimize();
}

void TFrmNuvex::closeEvent(QCloseEvent* event)
{
    if (closeAllowed_) {
        event->accept();
        return;
    }
    // The close box only sends the window to the tray.
    event->ignore();
    showMinimized();
}

void TFrmNuvex::CloseAppExecute()
{
    if (!ForceClose) {
        // An option that cannot be read must not keep the program from ending: then ask.
        bool confirm = true;
        try {
            confirm = Options->ConfirmQuit();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "Nuvex: chyba: %s\n", error.what());
        }
        if (confirm && !AskYesNo(QStringLiteral("Opravdu chcete ukončit sledování ?")))
            return;
    }
    closeAllowed_ = true;
    Timer1->stop();
    HangUpPoll->stop();
    close();
    RxTrayIcon1->hide();
    emit QuitConfirmed();
    // A dialog still open (the news window during start-up) ends with the program, so that
    // the code waiting for it goes on to the end.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
    QCoreApplication::quit();
}

void TFrmNuvex::QueryEndSession()
{
    ForceClose = true;
    CloseAppExecute();
}

} // namespace nuvex
