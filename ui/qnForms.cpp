#include "ui/qnForms.h"

#include <QAction>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

namespace nuvex {

namespace {

TMessageBoxAnswerer& Answerer()
{
    static TMessageBoxAnswerer answerer;
    return answerer;
}

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
}

} // namespace nuvex
