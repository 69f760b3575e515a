#pragma once

// A main window on its own emulated machine, with its own options and program folder,
// and the message boxes answered by the test.

#include "app/Frm_Main.h"
#include "platform/EmulatedMachine.h"
#include "platform/SystemPaths.h"
#include "settings/uOptions.h"
#include "support/MessageBoxRecorder.h"
#include "support/Sandbox.h"
#include "ui/AppDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace nuvex::test {

class MainWindowFixture : public ::testing::Test
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
        window.reset();
        DestroyOptions();
        SetAppDirForTesting(QString());
    }

    static void Authorise(const QString& name, const QString& number)
    {
        platform::MakeDirs(platform::WindowsDir());
        QFile file(QString::fromStdString(platform::WindowsDir()) + QStringLiteral("/Nuvex.val"));
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write((u'[' + name + QStringLiteral("]\r\nTn=") + number + QStringLiteral("\r\n")).toUtf8());
    }

    // Replaces "Nuvex.val" with these bytes; returns its path.
    static QString WriteStore(const QByteArray& bytes)
    {
        platform::MakeDirs(platform::WindowsDir());
        const QString path = QString::fromStdString(platform::WindowsDir()) + QStringLiteral("/Nuvex.val");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    // The window's log without the times.
    QStringList LogTexts() const
    {
        QStringList texts;
        for (const QString& line : window->LogMemo->toPlainText().split(u'\n', Qt::SkipEmptyParts))
            texts.append(line.section(u':', 3));
        return texts;
    }
    QString Cell(int row, int column) const { return window->ListView->topLevelItem(row)->text(column); }
    int SelectedRow() const
    {
        const auto selected = window->ListView->selectedItems();
        return selected.isEmpty() ? -1 : window->ListView->indexOfTopLevelItem(selected.first());
    }
    void Select(int row) { window->ListView->setCurrentItem(window->ListView->topLevelItem(row)); }
    void Tick() { window->Phonebook->Refresh(); }
    // Runs the event loop (timers, an awaited hang-up) until done() or the deadline.
    static bool WaitFor(const std::function<bool()>& done, int milliseconds)
    {
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.elapsed() > milliseconds)
                return false;
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }
    void MakeWindow() { window = std::make_unique<TFrmNuvex>(); }

    Sandbox sandbox;
    MessageBoxRecorder boxes;
    std::unique_ptr<TFrmNuvex> window;
};

} // namespace nuvex::test
