#include "ui/qnForms.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace nuvex {

namespace {

TMessageBoxAnswerer& Answerer()
{
    static TMessageBoxAnswerer answerer;
    return answerer;
}

// The arrow keys walk the menu bar and its right-hand corner bar as one bar: Right from
// the last item of the bar goes to the corner, Left from the corner comes back, Right
// from the corner starts over at the first item. Escape and Enter in the corner give the
// focus back to the control that had it before the bar took it.
class TCornerKeys : public QObject
{
public:
    TCornerKeys(QMenuBar* bar, QMenuBar* corner) : QObject(corner), bar_(bar), corner_(corner)
    {
        bar->installEventFilter(this);
        corner->installEventFilter(this);
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            if ((now == bar_ || now == corner_) && old != bar_ && old != corner_)
                returnFocus_ = old;
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == bar_ && key == Qt::Key_Right && bar_->activeAction() &&
            bar_->activeAction() == LastItem(bar_)) {
            Enter(corner_, FirstItem(corner_), bar_);
            return true;
        }
        if (watched == corner_ && corner_->activeAction()) {
            if (key == Qt::Key_Left) {
                Enter(bar_, LastItem(bar_), corner_);
                return true;
            }
            if (key == Qt::Key_Right) {
                Enter(bar_, FirstItem(bar_), corner_);
                return true;
            }
            if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
                QAction* item = corner_->activeAction();
                corner_->setActiveAction(nullptr);
                if (returnFocus_)
                    returnFocus_->setFocus(Qt::MenuBarFocusReason);
                else
                    corner_->clearFocus();
                if (key != Qt::Key_Escape && item && !item->menu())
                    item->trigger();
                return true;
            }
        }
        return false;
    }

private:
    static QList<QAction*> Items(const QMenuBar* bar)
    {
        QList<QAction*> items;
        for (QAction* action : bar->actions())
            if (action->isVisible() && !action->isSeparator())
                items.append(action);
        return items;
    }
    static QAction* FirstItem(const QMenuBar* bar)
    {
        const QList<QAction*> items = Items(bar);
        return items.isEmpty() ? nullptr : items.first();
    }
    static QAction* LastItem(const QMenuBar* bar)
    {
        const QList<QAction*> items = Items(bar);
        return items.isEmpty() ? nullptr : items.last();
    }
    static void Enter(QMenuBar* to, QAction* item, QMenuBar* from)
    {
        if (!item)
            return;
        // Open menus close, as they do when the highlight moves along one bar.
        for (QWidget* open = QApplication::activePopupWidget(); open;
             open = QApplication::activePopupWidget())
            if (!open->close())
                break;
        from->setActiveAction(nullptr);
        to->setFocus(Qt::MenuBarFocusReason);
        to->setActiveAction(item);
    }

    QMenuBar* bar_;
    QMenuBar* corner_;
    QPointer<QWidget> returnFocus_;
};

} // namespace

void SetMessageBoxAnswerer(TMessageBoxAnswerer answerer)
{
    Answerer() = std::move(answerer);
}

void ShowInformation(const QString& text)
{
    ShowCaptionedInformation(QStringLiteral("Informace..."), text);
}

void ShowCaptionedInformation(const QString& caption, const QString& text)
{
    if (Answerer()) {
        Answerer()({TMessageBoxCall::Kind::Information, caption, text, false});
        return;
    }
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool AskYesNo(const QString& text, bool defaultNo)
{
    const QString caption = QStringLiteral("Otázka...");
    if (Answerer())
        return Answerer()({TMessageBoxCall::Kind::YesNo, caption, text, defaultNo});
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void RightJustifyMenuItem(QMenuBar* menu, QAction* item)
{
    if (!menu || !item || !menu->actions().contains(item))
        return;
    // The menu bar lays its items out from the left; a second bar in its right corner
    // carries the item to the right edge and keeps its shortcut and hint.
    auto* corner = new QMenuBar(menu);
    corner->setObjectName(QStringLiteral("RightJustifiedMenu"));
    corner->setNativeMenuBar(false);
    menu->removeAction(item);
    corner->addAction(item);
    menu->setCornerWidget(corner, Qt::TopRightCorner);
    new TCornerKeys(menu, corner);
}

} // namespace nuvex
