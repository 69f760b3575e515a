#pragma once

// F1 in every window: the help topic that the help file offers for the focused control
// ("Window.Control", the control or its nearest parent with a topic), else the window's
// own topic (by the window's name, or by the context number of its "Pomoc" button), else
// the contents.

#include <QObject>
#include <QString>

class QWidget;

namespace nuvex {

class THelpFile;

// The context string of the topic for control in window; empty for the contents.
QString FileTopicFor(const THelpFile& file, const QWidget* window, const QWidget* control);

// Opens that topic of the application's help file in the help window.
void ShowFileTopic(QWidget* window, const QWidget* control);

// Installed once on the application: F1 in a window that has no context help component of
// its own (the main window, the About window, message boxes, the help viewer) and in
// their menus opens ShowFileTopic for the focused control.
class THelpKey : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace nuvex
