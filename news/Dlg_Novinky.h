#pragma once

// TDlgNovinky: the news window, and ShowNewsWindow, which opens it.

#include "news/NewsStrip.h"
#include "ui/FixedDialog.h"

#include <QString>
#include <QStringList>

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;

namespace nuvex {

class TShadowLabel;

// Shows the news window modally when show is true on entry; afterwards show is true
// unless the user checked "&Beru to na vědomí". With show false nothing is shown.
void ShowNewsWindow(bool& show, const QString& title, const QStringList& news);

// The window has no title bar; its client area is 391 × 236 pixels. The strip shows the
// title and the running program's build text; the memo shows the news lines as they are.
class TDlgNovinky : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TDlgNovinky(QWidget* parent = nullptr);
    ~TDlgNovinky() override;

    QString Title() const;
    void SetTitle(const QString& title);
    void SetNews(const QStringList& news);

    QFrame* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    TNewsStripBox* PaintBox1 = nullptr;
    QLabel* Image1 = nullptr;
    QWidget* Panel3 = nullptr;
    TShadowLabel* RxLabel1 = nullptr;
    QFrame* Shape1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    TqnDialogButtons* qnDialogButtons1 = nullptr;
    QCheckBox* ChxNoShow = nullptr;

protected:
    void FirstShown() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreatePanels();
    void CreateStrip();
    void CreateNewsArea();
    void CreateButtons();
};

} // namespace nuvex
