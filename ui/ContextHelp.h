#pragma once

// TContextHelp: dropped on a dialog, it answers the dialog's help request (F1, or a click
// with the title bar's help button where the window manager offers one) with the help
// topic named after the control concerned, in the help window or as a pop-up.
//
// A control has help when it, or a parent up to the dialog, carries a non-zero help
// context (SetHelpContext); the number only marks it, the topic is the control's name.

#include "platform/Error.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QWidget;

namespace nuvex {

// Raised when a TContextHelp is given an owner that is not a form.
class EOwnerError : public Error
{
public:
    using Error::Error;
};

enum TShowType
{
    stDefault, // a pop-up exactly when the owner has the title bar's help button
    stMain,    // always the help window
    stPopup,   // always a pop-up
};

// A widget's or menu item's help context, kept as its dynamic property "helpContext".
void SetHelpContext(QObject* object, int context);
int HelpContextOf(const QObject* object);

class TContextHelp : public QObject
{
    Q_OBJECT

public:
    // owner: the dialog or main window; throws EOwnerError for anything else.
    explicit TContextHelp(QWidget* owner);

    const QString& NoHelpTopic() const { return noHelpTopic_; }
    void SetNoHelpTopic(const QString& topic) { noHelpTopic_ = topic; }
    const QString& Helpfile() const { return helpfile_; }
    void SetHelpfile(const QString& file) { helpfile_ = file; }
    const QString& HelpWindow() const { return helpWindow_; }
    void SetHelpWindow(const QString& window) { helpWindow_ = window; }
    const QString& Prefix() const { return prefix_; }
    void SetPrefix(const QString& prefix) { prefix_ = prefix; }
    TShowType ShowType() const { return showType_; }
    void SetShowType(TShowType type) { showType_ = type; }
    bool TestMode() const { return testMode_; }
    void SetTestMode(bool on) { testMode_ = on; }
    bool UsePrefix() const { return usePrefix_; }
    void SetUsePrefix(bool on) { usePrefix_ = on; }
    // On: F1 and the menus' help open the topic the help file has for the control or its
    // window, else the contents (FormHelp.h); the help contexts and the other settings
    // are not used.
    bool FileTopics() const { return fileTopics_; }
    void SetFileTopics(bool on) { fileTopics_ = on; }

    // The help request for a control of the owner (what F1 on the focused control and the
    // title bar's help button lead to) and for a menu item.
    void ControlHelpRequest(QWidget* control);
    void MenuHelpRequest(const QAction* item);
    // The decimal help context of a menu item, "0" for none.
    static QString MenuTopic(const QAction* item);

    // Builds the help macro for the topic and sends it to the help engine. position is the
    // screen point for a pop-up, x in the low and y in the high 16 bits; 0 for none.
    void ShowHelp(QString topic, QString window, bool popup, quint32 position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HasHelpButton() const;
    void WatchMenus();

    QWidget* owner_;
    QString noHelpTopic_;
    QString helpfile_;
    QString helpWindow_;
    QString prefix_;
    TShowType showType_ = stDefault;
    bool testMode_ = false;
    bool usePrefix_ = true;
    bool fileTopics_ = false;
};

} // namespace nuvex
