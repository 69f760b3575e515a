#include "app/Frm_Main.h"
#include "settings/uOptions.h"
#include "ui/ExceptionReport.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nuvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Nuvex"));
    if (!nuvex::InstallCzechTranslation(application))
        std::fputs("Nuvex: Czech texts of Qt are not installed (qt6-translations-l10n).\n", stderr);

    // The options exist before any window, and until the program's very end.
    const QStringList optionProblems = nuvex::CreateOptions();
    const auto destroyOptions = qScopeGuard([] { nuvex::DestroyOptions(); });

    nuvex::TFrmNuvex window;
    window.adjustSize();
    window.setFixedSize(window.size());
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();

    window.AddLogLine(QStringLiteral("Aplikace hlídá."));
    window.Timer1->start();
    // Reported once the watch runs, so that a damaged value never holds it up.
    if (!optionProblems.isEmpty())
        QTimer::singleShot(0, &window, [&window, optionProblems] {
            nuvex::ShowException(&window,
                                 optionProblems.join(u'\n') +
                                     QStringLiteral("\n\nNuvex místo těchto hodnot použije výchozí."));
        });
    return QApplication::exec();
}
