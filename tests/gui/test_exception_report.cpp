#include "passwords/PwdRecords.h"
#include "passwords/Windows1250.h"
#include "platform/IniDocument.h"
#include "platform/Registry.h"
#include "settings/qnOptions.h"
#include "support/MessageBoxRecorder.h"
#include "ui/ExceptionReport.h"
#include "watch/RasError.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

// What the code under test writes to standard error meanwhile.
class StandardErrorCapture
{
public:
    StandardErrorCapture()
    {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        file_ = std::tmpfile();
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~StandardErrorCapture()
    {
        Restore();
        std::fclose(file_);
    }
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    QString Text()
    {
        Restore();
        std::rewind(file_);
        QByteArray bytes;
        char chunk[512];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file_)) > 0;)
            bytes.append(chunk, static_cast<qsizetype>(n));
        return QString::fromUtf8(bytes);
    }

private:
    void Restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
    }
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

template <typename E> void Throw(const char* message)
{
    throw E(message);
}

} // namespace

TEST(ExceptionReport, TheProgramsErrorsAreReportedWithTheirOwnMessage)
{
    const std::vector<std::pair<QString, std::function<void()>>> errors = {
        {u"Soubor registru je poškozený (řádek 3)."_s,
         [] {
             Throw<platform::registry::RegistryError>("Soubor registru je poškozený (řádek 3).");
         }},
        {u"Zápis do souboru nelze provést."_s,
         [] {
             Throw<platform::ProfileError>("Zápis do souboru nelze provést.");
         }},
        {u"Hodnota „AskBeforeQuit“ má jiný typ."_s,
         [] {
             Throw<ERegistryException>("Hodnota „AskBeforeQuit“ má jiný typ.");
         }},
        {u"Soubor s hesly je poškozený."_s,
         [] {
             Throw<EPwdFileError>("Soubor s hesly je poškozený.");
         }},
        {u"RAS Error code: 621."_s,
         [] {
             throw ERasError(u"RAS Error code: 621."_s, 621);
         }},
        {u"Text obsahuje znak, který nelze zapsat v kódování Windows-1250."_s,
         [] {
             throw EWindows1250Error(3);
         }},
    };
    for (const auto& [message, work] : errors) {
        SCOPED_TRACE(message.toStdString());
        StandardErrorCapture capture;
        EXPECT_FALSE(ReportFailure(nullptr, work));
        EXPECT_EQ(test::TakeOpenMessageBox(), message);
        const QString written = capture.Text();
        EXPECT_TRUE(written.contains(message)) << written.toStdString();
        EXPECT_FALSE(written.contains(u"výjimka typu"_s)) << written.toStdString();
    }
}

TEST(ExceptionReport, AnyOtherExceptionIsTheLastResortShownWithItsTextAndItsType)
{
    StandardErrorCapture capture;
    EXPECT_FALSE(ReportFailure(nullptr, [] { throw std::out_of_range("Záznam 7 neexistuje."); }));
    EXPECT_EQ(test::TakeOpenMessageBox(), u"Záznam 7 neexistuje."_s);
    const QString written = capture.Text();
    EXPECT_TRUE(written.contains(u"Záznam 7 neexistuje."_s)) << written.toStdString();
    EXPECT_TRUE(written.contains(u"výjimka typu"_s) && written.contains(u"out_of_range"_s))
        << written.toStdString();
}

TEST(ExceptionReport, WorkThatRunsThroughOpensNoBox)
{
    int runs = 0;
    EXPECT_TRUE(ReportFailure(nullptr, [&runs] { ++runs; }));
    EXPECT_TRUE(ShowFailure(nullptr, [&runs] { ++runs; }));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ExceptionReport, ShowFailureWaitsForTheBoxToBeClosed)
{
    QString shown;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    closer.start();
    EXPECT_FALSE(
        ShowFailure(nullptr, [] { throw platform::registry::RegistryError("Do klíče nelze zapisovat."); }));
    EXPECT_EQ(shown, u"Do klíče nelze zapisovat."_s); // closed before ShowFailure returned
}
