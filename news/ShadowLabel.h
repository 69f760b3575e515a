#pragma once

// A label whose text casts a shadow: the text is drawn once more, offset down and to the
// right, in the shadow colour behind it.

#include <QColor>
#include <QLabel>

namespace nuvex {

class TShadowLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TShadowLabel(const QString& text, QWidget* parent = nullptr);

    void SetShadow(const QColor& color, int size);
    QColor ShadowColor() const { return shadowColor_; }
    int ShadowSize() const { return shadowSize_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor shadowColor_;
    int shadowSize_ = 0;
};

} // namespace nuvex
