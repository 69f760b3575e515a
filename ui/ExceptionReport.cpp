#include "ui/ExceptionReport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <cstdio>
#include <typeinfo>

namespace nuvex {

namespace {

QPointer<QMessageBox> openBox;
int suppressed = 0;

void WriteToStandardError(const QString& message)
{
    std::fprintf(stderr, "Nuvex: chyba: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

// True when the open box took the error in: counted, not stacked.
bool CountedInOpenBox(const QString& message)
{
    WriteToStandardError(message);
    if (!openBox)
        return false;
    ++suppressed;
    openBox->setInformativeText(QStringLiteral("Od zobrazení této zprávy nastaly další chyby (%1), "
                                               "podrobnosti jsou ve standardním chybovém výstupu.")
                                    .arg(suppressed));
    return true;
}

// An exception that is none of the program's errors is a fault to find: its type helps.
void WriteForeignType(const std::exception& error)
{
    if (!dynamic_cast<const Error*>(&error)) {
        std::fprintf(stderr, "Nuvex: výjimka typu %s\n", typeid(error).name());
        std::fflush(stderr);
    }
}

} // namespace

void ShowException(QWidget* parent, const QString& message)
{
    if (CountedInOpenBox(message))
        return;
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message, QMessageBox::Ok, parent);
    openBox = &box;
    suppressed = 0;
    box.exec();
    openBox = nullptr;
    suppressed = 0;
}

void ShowException(QWidget* parent, const Error& error)
{
    ShowException(parent, QString::fromUtf8(error.what()));
}

void ShowException(QWidget* parent, const std::exception& error)
{
    WriteForeignType(error);
    ShowException(parent, QString::fromUtf8(error.what()));
}

void ReportException(QWidget* parent, const QString& message)
{
    if (CountedInOpenBox(message))
        return;
    // Shown without a loop of its own: the caller's handler returns, and timers go on
    // while the box is open.
    auto* box = new QMessageBox(QMessageBox::Critical, QApplication::applicationName(), message,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    openBox = box;
    suppressed = 0;
    // Closed is over: the next error opens a box of its own, even before this one is deleted.
    QObject::connect(box, &QMessageBox::finished, box, [box] {
        if (openBox == box) {
            openBox = nullptr;
            suppressed = 0;
        }
    });
    box->show();
}

void ReportException(QWidget* parent, const Error& error)
{
    ReportException(parent, QString::fromUtf8(error.what()));
}

void ReportException(QWidget* parent, const std::exception& error)
{
    WriteForeignType(error);
    ReportException(parent, QString::fromUtf8(error.what()));
}

int SuppressedExceptionCount()
{
    return openBox ? suppressed : 0;
}

} // namespace nuvex
