#pragma once

// The help engine (WinHelp on Windows): one entry point that takes the owner window, the
// help file, a command and its data, and shows the help viewer. The program's help file
// is "Nuvex.hlp" beside the program file.

#include <QPoint>
#include <QString>
#include <functional>

class QWidget;

namespace nuvex {

class THelpPopup;
class THelpViewer;

// Context numbers of the help file's dialog topics.
inline constexpr int kHelpContextSetup = 1000;
inline constexpr int kHelpContextPwdManager = 1100;
inline constexpr int kHelpContextMasterPassword = 1110;
inline constexpr int kHelpContextPwdRecord = 1120;

enum THelpCommand : unsigned
{
    HELP_CONTEXT = 0x0001,      // data: the topic's context number
    HELP_CONTENTS = 0x0003,     // data: 0
    HELP_SETPOPUP_POS = 0x000D, // data: screen position, x in the low 16 bits, y in the high 16 bits
    HELP_COMMAND = 0x0102,      // macro: a help macro text such as JI("Nuvex.hlp","Topic")
};

struct THelpRequest
{
    QWidget* owner = nullptr;
    QString helpFile;
    unsigned command = HELP_CONTENTS;
    quint32 data = 0;
    QString macro; // for HELP_COMMAND
};

// Shows help as the request asks; false when the request itself was not understood.
// Unknown topics, macros it cannot parse and a missing help file are explained in the
// viewer, never a crash.
bool WinHelp(const THelpRequest& request);

// The application's help file (start-up sets "Nuvex.hlp"); a bare name resolves beside
// the program file.
void SetApplicationHelpFile(const QString& fileName);
QString ApplicationHelpFile();
// Where the application's help file lies.
QString ApplicationHelpFilePath();
// The application's help calls: a topic by context number, and a command with its data.
void ApplicationHelpContext(int context);
void ApplicationHelpCommand(unsigned command, quint32 data);

// While installed, requests go to the observer instead of the viewer. Tests only.
void SetHelpRequestObserver(std::function<void(const THelpRequest&)> observer);

// The help windows: the main viewer (empty name) or a named secondary one, and the
// pop-up; nullptr when there is none. A viewer the user closed stays, hidden, and shows
// the next topic asked of it.
THelpViewer* OpenHelpViewer(const QString& windowName = QString());
THelpPopup* OpenHelpPopup();
// Closes every help window (the end of the program, a test's end).
void CloseHelpWindows();

} // namespace nuvex
