#include "ui/qnDialogButtons.h"

#include "ui/ContextHelp.h"
#include "ui/HelpEngine.h"

#include <QDialog>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <array>

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr int kStepX = 80;
constexpr int kStepY = 30;
constexpr int kMargin = 5;
constexpr int kHorizontalHeight = 32;
constexpr int kVerticalWidth = 82;
constexpr int kSeparatorThickness = 2;
constexpr QSize kButtonSize(75, 25);

enum class Role
{
    None,
    Default,
    Cancel,
    Help,
    Close
};

struct KindInfo
{
    TBitBtnKind kind;
    QStringView caption;
    QStyle::StandardPixmap glyph;
    QStyle::StandardPixmap fallback; // for styles that draw no glyph of the kind's own
    TModalResult result;
    Role role;
};

// In creation order: the order the buttons appear in, whatever the kinds' values.
constexpr std::array<KindInfo, 10> kKinds{{
    {bkAll, u"Vše", QStyle::SP_DialogYesToAllButton, QStyle::SP_DialogApplyButton, mrAll, Role::None},
    {bkOK, u"OK", QStyle::SP_DialogOkButton, QStyle::SP_DialogOkButton, mrOk, Role::Default},
    {bkYes, u"Ano", QStyle::SP_DialogYesButton, QStyle::SP_DialogOkButton, mrYes, Role::Default},
    {bkNo, u"Ne", QStyle::SP_DialogNoButton, QStyle::SP_DialogCancelButton, mrNo, Role::Cancel},
    {bkClose, u"Zavřít", QStyle::SP_DialogCloseButton, QStyle::SP_DialogCloseButton, mrNone, Role::Close},
    {bkAbort, u"Přerušit", QStyle::SP_DialogAbortButton, QStyle::SP_BrowserStop, mrAbort, Role::None},
    {bkRetry, u"Znovu", QStyle::SP_DialogRetryButton, QStyle::SP_BrowserReload, mrRetry, Role::None},
    {bkIgnore, u"Ignorovat", QStyle::SP_DialogIgnoreButton, QStyle::SP_DialogDiscardButton, mrIgnore,
     Role::None},
    {bkCancel, u"Storno", QStyle::SP_DialogCancelButton, QStyle::SP_DialogCancelButton, mrCancel,
     Role::Cancel},
    {bkHelp, u"Pomoc", QStyle::SP_DialogHelpButton, QStyle::SP_DialogHelpButton, mrNone, Role::Help},
}};

const KindInfo* InfoOf(TBitBtnKind kind)
{
    for (const KindInfo& info : kKinds)
        if (info.kind == kind)
            return &info;
    return nullptr;
}

bool IsHorizontal(TqnDBOrientation orientation)
{
    return orientation == dboHorizontalRight || orientation == dboHorizontalLeft;
}

} // namespace

struct TqnDialogButtons::Private
{
    TqndbButtons buttons = 0;
    TqnDBOrientation orientation = dboHorizontalRight;
    bool showSeparator = false;
    std::vector<QPushButton*> list;
    std::vector<TBitBtnKind> kinds; // the kind of each button in list
    QFrame* separator = nullptr;
    QPointer<QWidget> watchedParent;
    QPointer<QWidget> watchedWindow;
    int lastThickness = -1;
};

TqnDialogButtons::TqnDialogButtons(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>())
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    resize(parent ? parent->width() : width(), kHorizontalHeight);
    SetButtons(ButtonSet({bkOK, bkCancel, bkHelp}));

    d->separator = new QFrame(this);
    d->separator->setFrameShape(QFrame::HLine);
    d->separator->setFrameShadow(QFrame::Sunken);
    d->separator->setGeometry(0, 0, width(), kSeparatorThickness);
    d->separator->hide();
    SetShowSeparator(false);

    WatchSurroundings();
    AlignInParent();
}

TqnDialogButtons::~TqnDialogButtons()
{
    if (d->watchedParent)
        d->watchedParent->removeEventFilter(this);
    if (d->watchedWindow)
        d->watchedWindow->removeEventFilter(this);
}

TqndbButtons TqnDialogButtons::Buttons() const
{
    return d->buttons;
}

void TqnDialogButtons::SetButtons(TqndbButtons buttons)
{
    if (buttons == d->buttons)
        return;
    d->buttons = buttons;
    // Later, not now: the set may change from a click handler of one of these buttons.
    for (QPushButton* button : d->list) {
        button->setDefault(false);
        button->hide();
        button->deleteLater();
    }
    d->list.clear();
    d->kinds.clear();

    bool defaultTaken = false;
    for (const KindInfo& info : kKinds) {
        if (!(buttons & (1u << info.kind)))
            continue;
        QIcon glyph = style()->standardIcon(info.glyph);
        if (glyph.isNull())
            glyph = style()->standardIcon(info.fallback);
        auto* button = new QPushButton(glyph, info.caption.toString(), this);
        button->setObjectName(u"Button"_s + info.caption.toString());
        button->setFixedSize(kButtonSize);
        button->move(button->x(), kMargin);
        // Only one button of a dialog can be its default; the first in order wins.
        if (info.role == Role::Default && !defaultTaken) {
            button->setDefault(true);
            defaultTaken = true;
        }
        const TModalResult result = info.result;
        const Role role = info.role;
        connect(button, &QPushButton::clicked, this, [this, result, role] {
            if (role == Role::Help) {
                if (HelpContext() != 0)
                    ApplicationHelpContext(HelpContext());
            } else if (role == Role::Close) {
                window()->close();
            } else if (result != mrNone) {
                if (auto* dialog = qobject_cast<QDialog*>(window()))
                    dialog->done(result);
            }
        });
        d->list.push_back(button);
        d->kinds.push_back(info.kind);
        button->show();
    }
    ArrangeButtons();
    updateGeometry();
}

TqnDBOrientation TqnDialogButtons::Orientation() const
{
    return d->orientation;
}

void TqnDialogButtons::SetOrientation(TqnDBOrientation orientation)
{
    d->orientation = orientation;
    if (IsHorizontal(orientation)) {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        resize(width(), kHorizontalHeight);
        d->separator->setFrameShape(QFrame::HLine);
    } else {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        resize(kVerticalWidth, height());
        d->separator->setFrameShape(QFrame::VLine);
    }
    PlaceSeparator();
    AlignInParent();
    ArrangeButtons();
    updateGeometry();
}

bool TqnDialogButtons::ShowSeparator() const
{
    return d->showSeparator;
}

void TqnDialogButtons::SetShowSeparator(bool show)
{
    d->showSeparator = show;
    d->separator->setVisible(show);
    PlaceSeparator();
}

// The widgets' shared help context: it also marks the bar for context help (F1).
int TqnDialogButtons::HelpContext() const
{
    return HelpContextOf(this);
}

void TqnDialogButtons::SetHelpContext(int context)
{
    nuvex::SetHelpContext(this, context);
}

const std::vector<QPushButton*>& TqnDialogButtons::ButtonList() const
{
    return d->list;
}

QPushButton* TqnDialogButtons::Button(TBitBtnKind kind) const
{
    for (std::size_t i = 0; i < d->list.size(); ++i)
        if (d->kinds[i] == kind)
            return d->list[i];
    return nullptr;
}

QFrame* TqnDialogButtons::Separator() const
{
    return d->separator;
}

TModalResult TqnDialogButtons::ModalResultOf(TBitBtnKind kind)
{
    const KindInfo* info = InfoOf(kind);
    return info ? info->result : mrNone;
}

void TqnDialogButtons::ArrangeButtons()
{
    const int n = static_cast<int>(d->list.size());
    for (int i = 0; i < n; ++i) {
        QPoint at;
        switch (d->orientation) {
        case dboHorizontalRight:
            at = {width() - kStepX * n + kStepX * i, kMargin};
            break;
        case dboHorizontalLeft:
            at = {kMargin + kStepX * i, kMargin};
            break;
        case dboVerticalTop:
            at = {kMargin, kMargin + kStepY * i};
            break;
        case dboVerticalBottom:
            at = {kMargin, height() - kStepY * n + kStepY * i};
            break;
        }
        d->list[static_cast<std::size_t>(i)]->move(at);
    }
}

void TqnDialogButtons::Loaded()
{
    PlaceSeparator();
    AlignInParent();
    ArrangeButtons();
}

void TqnDialogButtons::resizeEvent(QResizeEvent* event)
{
    ArrangeButtons();
    PlaceSeparator();
    // A layout that holds the bar asks the size hint for the bar's thickness.
    const int thickness = IsHorizontal(d->orientation) ? height() : width();
    if (thickness != d->lastThickness) {
        d->lastThickness = thickness;
        updateGeometry();
    }
    QWidget::resizeEvent(event);
}

bool TqnDialogButtons::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange) {
        WatchSurroundings();
        AlignInParent();
    }
    return QWidget::event(event);
}

bool TqnDialogButtons::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == d->watchedParent && event->type() == QEvent::Resize)
        AlignInParent();
    if (watched == d->watchedWindow && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel) && PressCancelButton())
        return true;
    return QWidget::eventFilter(watched, event);
}

QSize TqnDialogButtons::sizeHint() const
{
    const int n = static_cast<int>(d->list.size());
    if (IsHorizontal(d->orientation))
        return {kStepX * n + kMargin, height()};
    return {width(), kStepY * n + kMargin};
}

void TqnDialogButtons::WatchSurroundings()
{
    // The parent for its size, the window for Esc; often one widget, filtered once.
    QWidget* parent = parentWidget();
    QWidget* owner = parent ? window() : nullptr;
    if (d->watchedParent == parent && d->watchedWindow == owner)
        return;
    for (QWidget* old : {d->watchedParent.data(), d->watchedWindow.data()})
        if (old)
            old->removeEventFilter(this);
    d->watchedParent = parent;
    d->watchedWindow = owner;
    for (QWidget* now : {parent, owner})
        if (now)
            now->installEventFilter(this);
}

bool TqnDialogButtons::ManagedByLayout() const
{
    const QWidget* parent = parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(this) >= 0;
}

void TqnDialogButtons::AlignInParent()
{
    QWidget* parent = parentWidget();
    if (!parent || ManagedByLayout())
        return;
    const QRect area = parent->rect();
    if (IsHorizontal(d->orientation))
        setGeometry(area.left(), area.bottom() + 1 - height(), area.width(), height());
    else
        setGeometry(area.right() + 1 - width(), area.top(), width(), area.height());
    // A hidden bar gets its resize event only when shown; place the contents now.
    ArrangeButtons();
    PlaceSeparator();
}

void TqnDialogButtons::PlaceSeparator()
{
    const int thickness = d->showSeparator ? kSeparatorThickness : 0;
    if (IsHorizontal(d->orientation))
        d->separator->setGeometry(0, 0, width(), thickness);
    else
        d->separator->setGeometry(0, 0, thickness, height());
}

bool TqnDialogButtons::PressCancelButton()
{
    if (!qobject_cast<QDialog*>(d->watchedWindow.data()))
        return false;
    for (std::size_t i = 0; i < d->list.size(); ++i) {
        const KindInfo* info = InfoOf(d->kinds[i]);
        QPushButton* button = d->list[i];
        if (info->role != Role::Cancel || !button->isVisibleTo(d->watchedWindow))
            continue;
        // A disabled cancel button keeps the dialog open, as it would for a click.
        if (button->isEnabled())
            button->click();
        return true;
    }
    return false;
}

} // namespace nuvex
