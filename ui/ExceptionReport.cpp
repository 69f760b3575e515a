#include "ui/ExceptionReport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <cstdio>

namespace nuvex {

namespace {

QPointer<QMessageBox> openBox;
int suppressed = 0;

void WriteToStandardError(const QString& message)
{
    std::fprintf(stderr, "Nuvex: chyba: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

void ShowException(QWidget* parent, const QString& message)
{
    WriteToStandardError(message);
    if (openBox) {
        ++suppressed;
        openBox->setInformativeText(QStringLiteral("Od zobrazení této zprávy nastaly další chyby (%1), "
                                                   "podrobnosti jsou ve standardním chybovém výstupu.")
                                        .arg(suppressed));
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message, QMessageBox::Ok, parent);
    openBox = &box;
    suppressed = 0;
    box.exec();
    openBox = nullptr;
    suppressed = 0;
}

void ShowException(QWidget* parent, const std::exception& error)
{
    ShowException(parent, QString::fromUtf8(error.what()));
}

int SuppressedExceptionCount()
{
    return openBox ? suppressed : 0;
}

} // namespace nuvex
