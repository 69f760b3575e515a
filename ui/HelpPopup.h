#pragma once

// A help topic shown as a small pop-up: a frameless window with the topic's text at a
// screen position, closed by a click or Esc.

#include <QFrame>

class QLabel;

namespace nuvex {

class THelpPopup : public QFrame
{
    Q_OBJECT

public:
    explicit THelpPopup(QWidget* parent = nullptr);

    // html is shown as rich text; the pop-up stays on the screen that holds position.
    void ShowAt(const QString& html, const QPoint& position);
    QString Text() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* label_ = nullptr;
};

} // namespace nuvex
