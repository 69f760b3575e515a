#pragma once

// An emulated machine with its own options and program folder, and the message boxes
// answered by the test; and a main window on it.

#include "app/Frm_Main.h"
#include "platform/EmulatedMachine.h"
#include "platform/SystemPaths.h"
#include "settings/uOptions.h"
#include "support/FileBytes.h"
#include "support/FrmNuvexTestAccess.h"
#include "support/MessageBoxRecorder.h"
#include "support/Sandbox.h"
#include "support/WaitUntil.h"
#include "ui/AppDir.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace nuvex::test {

class MachineFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(sandbox.dir() / "program");
        SetAppDirForTesting(QString::fromStdString((sandbox.dir() / "program").string()));
        ASSERT_TRUE(CreateOptions().isEmpty());
    }
    void TearDown() override
    {
        DestroyOptions();
        SetAppDirForTesting(QString());
    }

    Sandbox sandbox;
    MessageBoxRecorder boxes;
};

class MainWindowFixture : public MachineFixture
{
protected:
    void TearDown() override
    {
        window.reset();
        TFrmNuvex::SetTrayAvailableForTesting(std::nullopt);
        MachineFixture::TearDown();
    }

    static void Authorise(const QString& name, const QString& number)
    {
        platform::MakeDirs(platform::WindowsDir());
        QFile file(StorePath());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write((u'[' + name + QStringLiteral("]\r\nTn=") + number + QStringLiteral("\r\n")).toUtf8());
    }
    // A phonebook entry and the check number that trusts it as it is.
    static void AddTrusted(const std::string& name, const platform::rasstandin::EntryNumber& number)
    {
        platform::rasstandin::AddEntry(name, number);
        Authorise(QString::fromStdString(name), QStringLiteral("%1-(%2)-%3")
                                                    .arg(number.countryCode)
                                                    .arg(QString::fromStdString(number.areaCode),
                                                         QString::fromStdString(number.localNumber)));
    }
    static QString StorePath()
    {
        return QString::fromStdString(platform::WindowsDir()) + QStringLiteral("/Nuvex.val");
    }
    // Replaces "Nuvex.val" with these bytes; returns its path.
    static QString WriteStore(const QByteArray& bytes)
    {
        platform::MakeDirs(platform::WindowsDir());
        WriteBytes(StorePath(), bytes);
        return StorePath();
    }

    // The window's log without the times.
    QStringList LogTexts() const
    {
        QStringList texts;
        for (const QString& line : Access().LogMemo()->toPlainText().split(u'\n', Qt::SkipEmptyParts))
            texts.append(line.section(u':', 3));
        return texts;
    }
    QString Cell(int row, int column) const { return Access().ListView()->topLevelItem(row)->text(column); }
    int SelectedRow() const
    {
        const auto selected = Access().ListView()->selectedItems();
        return selected.isEmpty() ? -1 : Access().ListView()->indexOfTopLevelItem(selected.first());
    }
    void Select(int row) { Access().ListView()->setCurrentItem(Access().ListView()->topLevelItem(row)); }
    void Tick() { Access().Phonebook().Refresh(); }
    // Runs the event loop (timers, an awaited hang-up) until done() or the deadline.
    static bool WaitFor(const std::function<bool()>& done, int milliseconds)
    {
        return WaitUntil(done, std::chrono::milliseconds(milliseconds),
                         [] { QApplication::processEvents(QEventLoop::AllEvents, 20); });
    }
    void MakeWindow() { window = std::make_unique<TFrmNuvex>(); }
    TFrmNuvexTestAccess Access() const { return TFrmNuvexTestAccess(*window); }

    std::unique_ptr<TFrmNuvex> window;
};

} // namespace nuvex::test
