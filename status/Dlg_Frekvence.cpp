#include "status/Dlg_Frekvence.h"

#include "ui/ExceptionReport.h"
#include "ui/Placement.h"
#include "ui/TimeFormat.h"
#include "ui/qnDialogButtons.h"

#include <QAbstractTableModel>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr QSize kClientSize(579, 319);

struct TColumn
{
    const char16_t* caption;
    int width;
};
constexpr std::array<TColumn, colCount> kColumns = {{
    {u"Připojení", 110},
    {u"Datum", 70},
    {u"Od", 70},
    {u"Do", 70},
    {u"Doba", 70},
    {u"Přeneseno", 80},
    {u"Rychlost", 75},
}};

Qt::Alignment ColumnAlignment(int column)
{
    return (column == colName ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
}

// The hourglass for as long as it lives, however the work ends.
class TWaitCursor
{
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

// The list's rows are only a count: each cell is asked of the window when it is drawn.
class TConListModel : public QAbstractTableModel
{
public:
    explicit TConListModel(const TDlgFrekvence& owner, QObject* parent)
        : QAbstractTableModel(parent), owner_(owner)
    {}

    void SetRowCount(int rows)
    {
        beginResetModel();
        rows_ = rows;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : colCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rows_)
            return {};
        if (role == Qt::DisplayRole)
            return owner_.ConListData(index.row(), index.column());
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(ColumnAlignment(index.column()));
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section >= colCount)
            return {};
        if (role == Qt::DisplayRole)
            return QString::fromUtf16(kColumns[static_cast<std::size_t>(section)].caption);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(ColumnAlignment(section));
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                               : Qt::NoItemFlags;
    }

private:
    const TDlgFrekvence& owner_;
    int rows_ = 0;
};

TDlgFrekvence::TDlgFrekvence(QWidget* parent) : TFixedDialog(parent)
{
    setObjectName(u"DlgFrekvence"_s);
    setWindowTitle(u"Statistika časů a frekvence"_s);
    FixWindowSize(this, kClientSize);

    CreateDateAndModes();
    CreateList();
    CreateTotalAndButtons();
}

TDlgFrekvence::~TDlgFrekvence()
{
    // A window destroyed while shown hides its list afterwards, and the list would ask
    // for rows that are already gone.
    model_->SetRowCount(0);
}

void TDlgFrekvence::CreateDateAndModes()
{
    Label1 = new QLabel(u"D&atum"_s, this);
    Label1->setObjectName(u"Label1"_s);
    // As wide as its text in the font in use, so that no letter is cut.
    const int labelWidth = Label1->fontMetrics().horizontalAdvance(u"Datum"_s) + 4;
    Label1->setGeometry(8, 12, labelWidth, 16);

    DateEdit = new QDateEdit(this);
    DateEdit->setObjectName(u"DateEdit"_s);
    DateEdit->setGeometry(Label1->geometry().right() + 5, 9, 110, 22);
    DateEdit->setCalendarPopup(true);
    // Czech like the rest of the program: month and day names, Monday first.
    DateEdit->setLocale(ProgramLocale());
    DateEdit->setDisplayFormat(ShortDateFormat(ProgramLocale()));
    Label1->setBuddy(DateEdit);
    connect(DateEdit, &QDateEdit::dateChanged, this, &TDlgFrekvence::Prepocitej);

    const struct
    {
        QRadioButton** button;
        QString name;
        QString caption;
        int left;
        int width;
    } modes[] = {
        {&RbDen, u"RbDen"_s, u"&Den"_s, 184, 56},
        {&RbMesic, u"RbMesic"_s, u"&Měsíc"_s, 248, 64},
        {&RbRok, u"RbRok"_s, u"&Rok"_s, 320, 56},
    };
    for (const auto& mode : modes) {
        auto* button = new QRadioButton(mode.caption, this);
        button->setObjectName(mode.name);
        button->setGeometry(mode.left, 11, mode.width, 18);
        connect(button, &QRadioButton::clicked, this, &TDlgFrekvence::Prepocitej);
        *mode.button = button;
    }
    RbDen->setChecked(true);
}

void TDlgFrekvence::CreateList()
{
    ConList = new QTreeView(this);
    ConList->setObjectName(u"ConList"_s);
    ConList->setGeometry(8, 38, kClientSize.width() - 16, 216);
    ConList->setRootIsDecorated(false);
    ConList->setItemsExpandable(false);
    ConList->setUniformRowHeights(true);
    ConList->setAllColumnsShowFocus(true);
    ConList->setSelectionBehavior(QAbstractItemView::SelectRows);
    ConList->setSelectionMode(QAbstractItemView::SingleSelection);
    ConList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ConList->setTextElideMode(Qt::ElideRight);

    model_ = new TConListModel(*this, this);
    ConList->setModel(model_);
    QHeaderView* header = ConList->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    for (int column = 0; column < colCount; ++column)
        header->resizeSection(column, kColumns[static_cast<std::size_t>(column)].width);
    // The date column holds a whole date in the font in use; the name column gives the room.
    const int dateWidth = ConList->fontMetrics().horizontalAdvance(u"00.00.0000"_s) + 16;
    const int extra = std::max(0, dateWidth - header->sectionSize(colDate));
    header->resizeSection(colDate, header->sectionSize(colDate) + extra);
    header->resizeSection(colName, header->sectionSize(colName) - extra);
}

void TDlgFrekvence::CreateTotalAndButtons()
{
    TimeLabel = new QLabel(this);
    TimeLabel->setObjectName(u"TimeLabel"_s);
    TimeLabel->setGeometry(8, 260, kClientSize.width() - 16, 24);
    TimeLabel->setFrameStyle(QFrame::Box | QFrame::Plain);
    TimeLabel->setAlignment(Qt::AlignCenter);
    TimeLabel->setAutoFillBackground(true);
    TimeLabel->setBackgroundRole(QPalette::Base);

    qnDialogButtons1 = AddButtonBar(ButtonSet({bkOK}), 0);
}

void TDlgFrekvence::SetDate(const QDate& date)
{
    if (DateEdit->date() == date)
        Prepocitej();
    else
        DateEdit->setDate(date);
}

TStatsPeriod TDlgFrekvence::Period() const
{
    if (RbRok->isChecked())
        return TStatsPeriod::Year;
    return RbDen->isChecked() ? TStatsPeriod::Day : TStatsPeriod::Month;
}

void TDlgFrekvence::Prepocitej()
{
    // The error box comes after the hourglass is gone.
    try {
        Recalculate();
    } catch (const std::exception& error) {
        ShowException(this, error);
    }
}

void TDlgFrekvence::Recalculate()
{
    const TWaitCursor wait;
    model_->SetRowCount(0);
    Sessions.clear();
    TSessionStats stats = CollectSessions(DateEdit->date(), Period());
    Sessions = std::move(stats.Sessions);
    model_->SetRowCount(static_cast<int>(Sessions.size()));
    TimeLabel->setText(u"Celková doba připojení "_s + FormatDuration(stats.Total));
}

QString TDlgFrekvence::ConListData(int index, int column) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= Sessions.size())
        return QString();
    return SessionColumnText(Sessions[static_cast<std::size_t>(index)], column);
}

void ShowFrekvence()
{
    TDlgFrekvence dialog;
    // The first recalculation (today, day mode) runs before the window shows.
    dialog.SetDate(QDate::currentDate());
    dialog.exec();
}

} // namespace nuvex
