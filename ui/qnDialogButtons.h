#pragma once

// TqnDialogButtons: the button bar of the program's dialogs. It creates its standard
// buttons from a set of kinds, in a fixed order, with Czech captions, the kinds' modal
// results and default/cancel roles, and places them by its orientation.
//
// Alignment: like the toolkit's Align, the bar keeps itself along its parent's bottom
// edge (horizontal orientations) or right edge (vertical ones), full length and with its
// own thickness, whenever the parent is resized. When the parent's layout holds the bar,
// the layout places it instead; the bar's size policy and size hint then keep its
// thickness (32 or 82 after an orientation change, or whatever the dialog resizes it to).
// Enter presses the default button through QDialog's own handling; Esc is caught on the
// owning dialog so that it ends with the cancel button's modal result.

#include <QWidget>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

class QFrame;
class QPushButton;

namespace nuvex {

enum TBitBtnKind : int
{
    bkCustom = 0,
    bkOK = 1,
    bkCancel = 2,
    bkHelp = 3,
    bkYes = 4,
    bkNo = 5,
    bkClose = 6,
    bkAbort = 7,
    bkRetry = 8,
    bkIgnore = 9,
    bkAll = 10,
};

// A set of kinds: bit k stands for kind k.
using TqndbButtons = std::uint16_t;
constexpr TqndbButtons ButtonSet(std::initializer_list<TBitBtnKind> kinds)
{
    TqndbButtons set = 0;
    for (TBitBtnKind kind : kinds)
        set = static_cast<TqndbButtons>(set | (1u << kind));
    return set;
}

enum TqnDBOrientation : std::uint8_t
{
    dboHorizontalRight = 0,
    dboVerticalTop = 1,
    dboHorizontalLeft = 2,
    dboVerticalBottom = 3,
};

// Modal results, as the dialogs return them.
enum TModalResult : int
{
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
};

class TqnDialogButtons : public QWidget
{
    Q_OBJECT

public:
    explicit TqnDialogButtons(QWidget* parent);
    ~TqnDialogButtons() override;

    TqndbButtons Buttons() const;
    void SetButtons(TqndbButtons buttons);
    TqnDBOrientation Orientation() const;
    void SetOrientation(TqnDBOrientation orientation);
    bool ShowSeparator() const;
    void SetShowSeparator(bool show);
    // The topic the help button opens (0: none); it also marks the bar for context help.
    int HelpContext() const;
    void SetHelpContext(int context);

    // The buttons in creation order, and the button of a kind (nullptr when absent).
    const std::vector<QPushButton*>& ButtonList() const;
    QPushButton* Button(TBitBtnKind kind) const;
    QFrame* Separator() const;
    // The modal result a button of the kind ends its dialog with (mrNone: it does not).
    static TModalResult ModalResultOf(TBitBtnKind kind);

    // Places the buttons for the bar's current size.
    void ArrangeButtons();
    // To be called once the owning dialog has set the bar's properties.
    void Loaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QSize sizeHint() const override;

private:
    void WatchSurroundings();
    bool ManagedByLayout() const;
    void AlignInParent();
    void PlaceSeparator();
    bool PressCancelButton();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace nuvex
