#include "ui/DeferredIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <memory>

namespace nuvex {

namespace {

// Forwards everything to the made icon, which every clone shares.
class TDeferredIconEngine : public QIconEngine
{
public:
    struct TState
    {
        std::function<QIcon()> make;
        QIcon icon;
    };

    explicit TDeferredIconEngine(std::shared_ptr<TState> state) : state_(std::move(state)) {}

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
    QIconEngine* clone() const override { return new TDeferredIconEngine(state_); }
    QString key() const override { return QStringLiteral("TDeferredIconEngine"); }

private:
    const QIcon& Icon()
    {
        if (state_->make) {
            state_->icon = state_->make();
            state_->make = nullptr;
        }
        return state_->icon;
    }

    std::shared_ptr<TState> state_;
};

} // namespace

QIcon DeferredIcon(std::function<QIcon()> make)
{
    return QIcon(
        new TDeferredIconEngine(std::make_shared<TDeferredIconEngine::TState>(std::move(make), QIcon())));
}

} // namespace nuvex
