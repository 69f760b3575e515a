#include "ui/HelpEngine.h"

#include "ui/DataDir.h"
#include "ui/HelpFile.h"
#include "ui/HelpMacro.h"
#include "ui/HelpPopup.h"
#include "ui/HelpViewer.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QWindow>
#include <optional>

namespace nuvex {

using namespace Qt::StringLiterals;

namespace {

struct TEngine
{
    QString applicationHelpFile = u"Nuvex.hlp"_s;
    std::function<void(const THelpRequest&)> observer;
    QPointer<THelpViewer> mainViewer;
    QHash<QString, QPointer<THelpViewer>> secondaryViewers; // by case-folded window name
    QPointer<THelpPopup> popup;
    std::optional<QPoint> popupPosition; // from HELP_SETPOPUP_POS, for the next pop-up only
};

TEngine& Engine()
{
    static TEngine engine;
    return engine;
}

bool IsKnownCommand(unsigned command)
{
    return command == HELP_CONTEXT || command == HELP_CONTENTS || command == HELP_SETPOPUP_POS ||
           command == HELP_COMMAND;
}

QString Quoted(const QString& text)
{
    return u"„"_s + text + u"“"_s;
}

// A bare name lies beside the program file or in the installed shared folder; a path is
// taken as given.
QString ResolveHelpFile(const QString& file)
{
    const QString name = file.isEmpty() ? ApplicationHelpFile() : file;
    return name.contains(u'/') ? name : FindProgramFile(name);
}

// The file a macro names: the request's own file when it names none, else a bare name
// beside the request's file (the macro carries the name without its directory).
QString MacroFilePath(const QString& requestPath, const QString& macroFile)
{
    if (macroFile.isEmpty())
        return requestPath;
    if (macroFile.contains(u'/'))
        return macroFile;
    return QFileInfo(requestPath).dir().filePath(macroFile);
}

QPoint UnpackPosition(quint32 data)
{
    return {static_cast<qint16>(data & 0xFFFFu), static_cast<qint16>(data >> 16)};
}

std::shared_ptr<const THelpFile> LoadHelpFile(const QString& path, QString& error)
{
    try {
        return std::make_shared<const THelpFile>(THelpFile::Load(path));
    } catch (const EHelpFileError& failure) {
        error = QString::fromUtf8(failure.what());
        return nullptr;
    }
}

THelpViewer* Viewer(const QString& windowName)
{
    TEngine& engine = Engine();
    QPointer<THelpViewer>& slot =
        windowName.isEmpty() ? engine.mainViewer : engine.secondaryViewers[windowName.toCaseFolded()];
    if (!slot)
        slot = new THelpViewer(windowName);
    return slot;
}

void Present(QWidget* window)
{
    // Help asked for from a modal dialog stays usable while the dialog is open: a window
    // that belongs to the modal one is not blocked by it. Without a modal dialog the help
    // window belongs to no other window.
    QWidget* modal = QApplication::activeModalWidget();
    window->winId();
    if (QWindow* handle = window->windowHandle())
        handle->setTransientParent(modal && modal != window ? modal->windowHandle() : nullptr);
    window->show();
    window->raise();
    window->activateWindow();
}

void ShowInViewer(const QString& windowName, const std::function<void(THelpViewer&)>& show)
{
    THelpViewer* viewer = Viewer(windowName);
    show(*viewer);
    Present(viewer);
}

void ShowPopup(const QString& html)
{
    TEngine& engine = Engine();
    const QPoint position = engine.popupPosition.value_or(QCursor::pos());
    engine.popupPosition.reset();
    if (engine.popup)
        engine.popup->close();
    engine.popup = new THelpPopup;
    engine.popup->ShowAt(html, position);
}

void ShowFile(const QString& windowName, const QString& path,
              const std::function<void(THelpViewer&, std::shared_ptr<const THelpFile>)>& show)
{
    ShowInViewer(windowName, [&](THelpViewer& viewer) {
        QString error;
        if (auto file = LoadHelpFile(path, error))
            show(viewer, std::move(file));
        else
            viewer.ShowMessage(error);
    });
}

bool RunMacro(const THelpRequest& request, const QString& requestPath)
{
    const auto macro = ParseHelpMacro(request.macro);
    if (!macro) {
        ShowInViewer({}, [&](THelpViewer& viewer) {
            viewer.ShowMessage(u"Nápověda nerozumí příkazu "_s + Quoted(request.macro) +
                               u". Umí jen skok na téma JI(\"soubor>okno\",\"téma\") a téma v okénku "
                               u"PI(\"soubor\",\"téma\")."_s);
        });
        return false;
    }
    const QString path = MacroFilePath(requestPath, macro->file);
    if (macro->kind == THelpMacro::Kind::Popup) {
        QString error;
        const auto file = LoadHelpFile(path, error);
        const THelpTopic* topic = file ? file->FindTopic(macro->topic) : nullptr;
        if (topic)
            ShowPopup(topic->html);
        else if (!file)
            ShowPopup(u"<p>"_s + error.toHtmlEscaped() + u"</p>"_s);
        else
            ShowPopup(
                u"<p>"_s +
                QString(u"Nápověda "_s + Quoted(path) + u" neobsahuje téma "_s + Quoted(macro->topic) + u'.')
                    .toHtmlEscaped() +
                u"</p>"_s);
        return true;
    }
    ShowFile(macro->window, path, [&](THelpViewer& viewer, std::shared_ptr<const THelpFile> file) {
        viewer.ShowTopic(std::move(file), macro->topic);
    });
    return true;
}

bool Dispatch(const THelpRequest& request)
{
    TEngine& engine = Engine();
    if (engine.observer) {
        engine.observer(request);
        return IsKnownCommand(request.command);
    }
    const QString path = ResolveHelpFile(request.helpFile);
    switch (request.command) {
    case HELP_SETPOPUP_POS:
        engine.popupPosition = UnpackPosition(request.data);
        return true;
    case HELP_CONTENTS:
        ShowFile({}, path, [](THelpViewer& viewer, std::shared_ptr<const THelpFile> file) {
            viewer.ShowContents(std::move(file));
        });
        return true;
    case HELP_CONTEXT:
        ShowFile({}, path, [&](THelpViewer& viewer, std::shared_ptr<const THelpFile> file) {
            viewer.ShowContext(std::move(file), static_cast<qint64>(request.data));
        });
        return true;
    case HELP_COMMAND:
        return RunMacro(request, path);
    default:
        return false;
    }
}

void ReportFailure(const QString& what) noexcept
{
    try {
        ShowInViewer({}, [&](THelpViewer& viewer) {
            viewer.ShowMessage(u"Nápovědu se nepodařilo zobrazit: "_s + what);
        });
    } catch (...) {
        // Help is never worth ending the program over.
    }
}

} // namespace

bool WinHelp(const THelpRequest& request)
{
    try {
        return Dispatch(request);
    } catch (const std::exception& failure) {
        ReportFailure(QString::fromUtf8(failure.what()));
    } catch (...) {
        ReportFailure(u"neznámá chyba."_s);
    }
    return false;
}

void SetApplicationHelpFile(const QString& fileName)
{
    Engine().applicationHelpFile = fileName;
}

QString ApplicationHelpFile()
{
    return Engine().applicationHelpFile;
}

QString ApplicationHelpFilePath()
{
    return ResolveHelpFile(ApplicationHelpFile());
}

void ApplicationHelpContext(int context)
{
    WinHelp({QApplication::activeWindow(),
             ApplicationHelpFile(),
             HELP_CONTEXT,
             static_cast<quint32>(context),
             {}});
}

void ApplicationHelpCommand(unsigned command, quint32 data)
{
    WinHelp({QApplication::activeWindow(), ApplicationHelpFile(), command, data, {}});
}

void SetHelpRequestObserver(std::function<void(const THelpRequest&)> observer)
{
    Engine().observer = std::move(observer);
}

THelpViewer* OpenHelpViewer(const QString& windowName)
{
    TEngine& engine = Engine();
    if (windowName.isEmpty())
        return engine.mainViewer;
    return engine.secondaryViewers.value(windowName.toCaseFolded());
}

THelpPopup* OpenHelpPopup()
{
    return Engine().popup;
}

void CloseHelpWindows()
{
    TEngine& engine = Engine();
    delete engine.popup.data();
    delete engine.mainViewer.data();
    for (const QPointer<THelpViewer>& viewer : std::as_const(engine.secondaryViewers))
        delete viewer.data();
    engine.secondaryViewers.clear();
    engine.popupPosition.reset();
}

} // namespace nuvex
