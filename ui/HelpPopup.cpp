#include "ui/HelpPopup.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

namespace nuvex {

using namespace Qt::StringLiterals;

namespace {

constexpr int kTextWidth = 320;

} // namespace

THelpPopup::THelpPopup(QWidget* parent) : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(u"HelpPopup"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);

    label_ = new QLabel(this);
    label_->setObjectName(u"HelpPopupText"_s);
    label_->setTextFormat(Qt::RichText);
    label_->setWordWrap(true);
    label_->setFixedWidth(kTextWidth);
    label_->setForegroundRole(QPalette::ToolTipText);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(label_);
}

void THelpPopup::ShowAt(const QString& html, const QPoint& position)
{
    label_->setText(html);
    adjustSize();
    const QScreen* screen = QGuiApplication::screenAt(position);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QPoint place = position;
    if (screen) {
        const QRect area = screen->availableGeometry();
        place.setX(std::max(area.left(), std::min(position.x(), area.right() - width() + 1)));
        place.setY(std::max(area.top(), std::min(position.y(), area.bottom() - height() + 1)));
    }
    move(place);
    show();
    raise();
}

QString THelpPopup::Text() const
{
    QTextDocument document;
    document.setHtml(label_->text());
    return document.toPlainText();
}

void THelpPopup::mousePressEvent(QMouseEvent* event)
{
    QFrame::mousePressEvent(event);
    close();
}

} // namespace nuvex
