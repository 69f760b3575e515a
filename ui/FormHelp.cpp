#include "ui/FormHelp.h"

#include "ui/ContextHelp.h"
#include "ui/HelpEngine.h"
#include "ui/HelpFile.h"
#include "ui/HelpMacro.h"
#include "ui/qnDialogButtons.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace nuvex {

using namespace Qt::StringLiterals;

namespace {

// The menus' common topic.
const QString kMenuTopic = u"Menu"_s;

bool IsMenu(const QWidget* widget)
{
    return qobject_cast<const QMenu*>(widget) || qobject_cast<const QMenuBar*>(widget);
}

// The window a menu belongs to: a pop-up menu is a window of its own.
QWidget* FormOf(QWidget* widget)
{
    QWidget* window = widget->window();
    while (window && qobject_cast<QMenu*>(window) && window->parentWidget())
        window = window->parentWidget()->window();
    return window;
}

} // namespace

QString FileTopicFor(const THelpFile& file, const QWidget* window, const QWidget* control)
{
    if (!window)
        return {};
    const QString form = window->objectName();
    if (control && IsMenu(control) && file.FindTopic(kMenuTopic))
        return kMenuTopic;
    if (!form.isEmpty()) {
        for (const QWidget* widget = control; widget && widget != window; widget = widget->parentWidget()) {
            if (widget->objectName().isEmpty())
                continue;
            const QString topic = form + u'.' + widget->objectName();
            if (file.FindTopic(topic))
                return topic;
        }
        if (file.FindTopic(form))
            return form;
    }
    // A window whose topic has another name is found by its "Pomoc" button's context.
    if (const auto* bar = window->findChild<const TqnDialogButtons*>()) {
        if (const int context = bar->HelpContext(); context != 0)
            if (const THelpTopic* topic = file.FindContext(context))
                return topic->contextString;
    }
    return {};
}

void ShowFileTopic(QWidget* window, const QWidget* control)
{
    const QString helpFile = ApplicationHelpFile();
    QString topic;
    try {
        topic = FileTopicFor(THelpFile::Load(ApplicationHelpFilePath()), window, control);
    } catch (const EHelpFileError&) {
        // The contents command explains in the viewer why the file cannot be shown.
    }
    if (topic.isEmpty())
        WinHelp({window, helpFile, HELP_CONTENTS, 0, {}});
    else
        WinHelp({window, helpFile, HELP_COMMAND, 0, JumpIdMacro(QFileInfo(helpFile).fileName(), topic)});
}

bool THelpKey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return QObject::eventFilter(watched, event);

    auto* target = static_cast<QWidget*>(watched);
    QWidget* window = FormOf(target);
    // A window with its own component answers itself, menus included.
    if (!window || window->findChild<TContextHelp*>(QString(), Qt::FindDirectChildrenOnly))
        return QObject::eventFilter(watched, event);

    const QWidget* control = target;
    if (qobject_cast<QMenu*>(target)) {
        // The help shows once the menus are gone.
        for (QWidget* open = QApplication::activePopupWidget(); open;
             open = QApplication::activePopupWidget())
            if (!open->close())
                break;
    } else if (QWidget* focus = window->focusWidget()) {
        control = focus;
    }
    ShowFileTopic(window, control);
    return true;
}

} // namespace nuvex
