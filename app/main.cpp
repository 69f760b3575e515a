#include "app/Frm_Main.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nuvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Nuvex"));

    nuvex::TFrmNuvex window;
    window.adjustSize();
    window.setFixedSize(window.size());
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();

    window.AddLogLine(QStringLiteral("Aplikace hlídá."));
    window.Timer1->start();
    return QApplication::exec();
}
