#include "ui/ContextHelp.h"

#include "ui/FormHelp.h"
#include "ui/HelpEngine.h"
#include "ui/HelpMacro.h"
#include "ui/qnForms.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace nuvex {

using namespace Qt::StringLiterals;

namespace {

constexpr const char* kHelpContextProperty = "helpContext";

bool IsForm(const QWidget* owner)
{
    if (!owner || !owner->isWindow())
        return false;
    const Qt::WindowType type = owner->windowType();
    return type == Qt::Window || type == Qt::Dialog || type == Qt::Sheet || type == Qt::Tool;
}

bool IsHelpKey(const QEvent* event)
{
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_F1 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

quint32 PackPosition(const QPoint& point)
{
    return static_cast<quint32>(static_cast<quint16>(point.x())) |
           static_cast<quint32>(static_cast<quint16>(point.y())) << 16;
}

} // namespace

void SetHelpContext(QObject* object, int context)
{
    if (object)
        object->setProperty(kHelpContextProperty, context);
}

int HelpContextOf(const QObject* object)
{
    return object ? object->property(kHelpContextProperty).toInt() : 0;
}

TContextHelp::TContextHelp(QWidget* owner) : QObject(owner), owner_(owner)
{
    if (!IsForm(owner))
        throw EOwnerError("Class of the owner is not a TForm!");
    setObjectName(u"ContextHelp"_s);
    owner_->installEventFilter(this);
    WatchMenus();
}

void TContextHelp::ControlHelpRequest(QWidget* control)
{
    if (fileTopics_) {
        ShowFileTopic(owner_, control);
        return;
    }
    // The search stays inside the owner: beyond it lie other windows with other topics.
    for (QWidget* widget = control; widget; widget = widget->parentWidget()) {
        if (HelpContextOf(widget) != 0) {
            ShowHelp(widget->objectName(), {}, HasHelpButton(),
                     PackPosition(widget->mapToGlobal(QPoint(0, 0))));
            return;
        }
        if (widget == owner_ || widget->isWindow())
            break;
    }
    if (!noHelpTopic_.isEmpty())
        ShowHelp({}, {}, false, 0);
}

void TContextHelp::MenuHelpRequest(const QAction* item)
{
    ShowHelp(MenuTopic(item), {}, HasHelpButton(), PackPosition(owner_->mapToGlobal(QPoint(0, 0))));
}

QString TContextHelp::MenuTopic(const QAction* item)
{
    return QString::number(HelpContextOf(item));
}

void TContextHelp::ShowHelp(QString topic, QString window, bool popup, quint32 position)
{
    if (showType_ == stPopup)
        popup = true;
    else if (showType_ == stMain)
        popup = false;

    if (topic.isEmpty())
        topic = noHelpTopic_;
    else if (usePrefix_)
        topic = (prefix_.isEmpty() ? owner_->objectName() : prefix_) + u'.' + topic;

    if (!popup) {
        if (window.isEmpty())
            window = helpWindow_;
        if (!window.isEmpty())
            window = u'>' + window;
    }

    const QString file = helpfile_.isEmpty() ? ApplicationHelpFile() : helpfile_;
    const QString name = QFileInfo(file).fileName();
    QString macro;
    if (popup) {
        if (position != 0)
            WinHelp({owner_, file, HELP_SETPOPUP_POS, position, {}});
        macro = PopupIdMacro(name, topic);
    } else {
        macro = JumpIdMacro(name + window, topic);
    }
    // The macro goes whole to the engine: a cut one would name another topic.

    if (testMode_)
        ShowCaptionedInformation(u"Nuvex"_s, u"TEST MODE ... jump destination is: "_s + topic);
    // The help file's folder is not made the current directory: the engine finds the file by
    // its path, and a changed current directory would break every relative path of the program.
    WinHelp({owner_, file, HELP_COMMAND, 0, macro});
}

bool TContextHelp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_) {
        switch (event->type()) {
        case QEvent::KeyPress:
            // F1 reaches the form when the focused control leaves it unhandled.
            if (IsHelpKey(event)) {
                QWidget* focus = owner_->focusWidget();
                ControlHelpRequest(focus ? focus : owner_);
                return true;
            }
            break;
        case QEvent::WhatsThis: {
            // A click in "what's this" mode, passed up from the control under the mouse.
            QWidget* control = owner_->childAt(static_cast<QHelpEvent*>(event)->pos());
            ControlHelpRequest(control ? control : owner_);
            return true;
        }
        case QEvent::Show:
            WatchMenus();
            break;
        default:
            break;
        }
    } else if (event->type() == QEvent::KeyPress && IsHelpKey(event)) {
        if (auto* menu = qobject_cast<QMenu*>(watched)) {
            const QAction* item = menu->activeAction();
            // The help shows once the menu is gone, as it does for the menus of a form.
            for (QWidget* open = QApplication::activePopupWidget(); open;
                 open = QApplication::activePopupWidget()) {
                if (!open->close())
                    break;
            }
            if (fileTopics_)
                ShowFileTopic(owner_, menu);
            else
                MenuHelpRequest(item);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool TContextHelp::HasHelpButton() const
{
    return owner_->windowFlags().testFlag(Qt::WindowContextHelpButtonHint);
}

void TContextHelp::WatchMenus()
{
    // Menus made after the component are picked up when the form is shown.
    for (QMenu* menu : owner_->findChildren<QMenu*>())
        menu->installEventFilter(this);
}

} // namespace nuvex
