#include "ui/DeferredIconStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>

namespace nuvex {

namespace {

// Stands for the base style's icon until something needs its pictures.
class TDeferredIconEngine : public QIconEngine
{
public:
    TDeferredIconEngine(QStyle* style, QStyle::StandardPixmap which) : style_(style), which_(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return Icon().pixmap(size / scale, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new TDeferredIconEngine(*this); }
    QString key() const override { return QStringLiteral("TDeferredIconEngine"); }

private:
    const QIcon& Icon()
    {
        if (!loaded_ && style_) {
            icon_ = style_->standardIcon(which_);
            loaded_ = true;
        }
        return icon_;
    }

    QPointer<QStyle> style_;
    QStyle::StandardPixmap which_;
    QIcon icon_;
    bool loaded_ = false;
};

} // namespace

TDeferredIconStyle::TDeferredIconStyle(QStyle* base) : QProxyStyle(base) {}

QIcon TDeferredIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                       const QWidget* widget) const
{
    // Only the menu bar's: they depend on nothing but the layout direction, which the
    // base style reads from the application when it finally makes them.
    const bool menuBarExtension = standardIcon == SP_ToolBarHorizontalExtensionButton ||
                                  standardIcon == SP_ToolBarVerticalExtensionButton;
    if (menuBarExtension && !option)
        return QIcon(new TDeferredIconEngine(baseStyle(), standardIcon));
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

void DeferStandardIcons()
{
    if (QStyle* base = QStyleFactory::create(QApplication::style()->name()))
        QApplication::setStyle(new TDeferredIconStyle(base));
}

} // namespace nuvex
