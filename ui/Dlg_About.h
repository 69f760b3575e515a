#pragma once

// TAboutBox: who made the program and how to write to them.

#include "ui/FixedDialog.h"

class QLabel;
class QPushButton;

namespace nuvex {

inline const QString kHomePage = QStringLiteral("https://nuvex.example.org/");
inline const QString kMakerMail = QStringLiteral("nuvex@example.org");

class TAboutBox : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // Opens a new mail to the address the label shows.
    void RxLabel4Click();

    QLabel* Image1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* RxLabel1 = nullptr;
    QLabel* RxLabel2 = nullptr;
    QLabel* RxLabel3 = nullptr;
    QLabel* RxLabel4 = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Shows the About window modally, with no owner, and releases it.
void ShowAboutBox();

} // namespace nuvex
