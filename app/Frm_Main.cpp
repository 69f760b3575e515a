#include "app/Frm_Main.h"

#include "app/MainImages.h"
#include "ui/ExceptionReport.h"
#include "ui/TimeFormat.h"
#include "watch/NumberWatch.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>

namespace nuvex {

namespace {

constexpr int kImageRole = Qt::UserRole;

} // namespace

TFrmNuvex::TFrmNuvex(QWidget* parent) : QMainWindow(parent)
{
    CreateControls();
    FormCreate();
}

TFrmNuvex::~TFrmNuvex() = default;

void TFrmNuvex::CreateControls()
{
    setObjectName(QStringLiteral("FrmNuvex"));
    setWindowTitle(QStringLiteral("NUVEX - hlídač telefonického připojení sítě"));
    ImageList1 = MakeMainImageList();
    setWindowIcon(ImageList1[imgInOrder]);

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);

    ListView = new QTreeWidget(client);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setColumnCount(3);
    ListView->setHeaderLabels(
        {QStringLiteral("Připojení"), QStringLiteral("Aktivní číslo"), QStringLiteral("Kontrolní číslo")});
    for (int column = 0; column < 3; ++column)
        ListView->setColumnWidth(column, 140);
    ListView->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    ListView->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    ListView->setRootIsDecorated(false);
    ListView->setItemsExpandable(false);
    ListView->setUniformRowHeights(true);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setAllColumnsShowFocus(true);
    ListView->setFixedSize(430, 121);
    // Keep the selected row visibly marked while another control has the focus.
    QPalette palette = ListView->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    ListView->setPalette(palette);
    layout->addWidget(ListView);

    LogMemo = new QPlainTextEdit(client);
    LogMemo->setObjectName(QStringLiteral("LogMemo"));
    LogMemo->setReadOnly(true);
    LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogMemo->setFixedSize(430, 129);
    layout->addWidget(LogMemo);

    setCentralWidget(client);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TFrmNuvex::Timer1Timer);
}

void TFrmNuvex::FormCreate()
{
    AlarmRaised = false;
    ForceClose = false;
    BytesAtStart = 0;
    ConnName.clear();

    // The watch needs both lists before the timer runs; when the service fails right
    // now, keep an empty list, report the error, and let the first tick try again.
    try {
        Connections = std::make_unique<TRasConnectionsList>();
    } catch (const std::exception& error) {
        Connections = std::make_unique<TRasConnectionsList>(TNoInitialRefresh{});
        ShowException(this, error);
    }
    try {
        Phonebook = std::make_unique<TRasPhonebook>();
    } catch (const std::exception& error) {
        Phonebook = std::make_unique<TRasPhonebook>(TNoInitialRefresh{});
        ShowException(this, error);
    }
    Phonebook->OnChange = [this](TRasBaseList& sender) {
        PhonebookChange(sender);
    };
}

void TFrmNuvex::Timer1Timer()
{
    try {
        Connections->Refresh();
        Phonebook->Refresh();
    } catch (const std::exception& error) {
        ShowException(this, error);
    }
}

void TFrmNuvex::PhonebookChange(TRasBaseList&)
{
    const QTreeWidgetItem* current = ListView->currentItem();
    TWatchPass pass(current && current->isSelected() ? current->text(0) : QString(), ConnName);

    ListView->setUpdatesEnabled(false);
    const auto resume = qScopeGuard([this] { ListView->setUpdatesEnabled(true); });
    ListView->clear();

    TRowSelector selector;
    int selected = -1;
    for (int i = 0; i < Phonebook->Count(); ++i) {
        const TRasPhonebookEntry& entry = Phonebook->Items(i);
        auto* item = new QTreeWidgetItem(ListView, QStringList{entry.Name});
        const QString active = GetEntryNumber(entry);
        const TWatchRow row = pass.Evaluate(entry.Name, active);
        item->setText(1, row.ActiveNumber);
        item->setText(2, row.CheckNumber);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setIcon(0, ImageList1.at(static_cast<std::size_t>(row.ImageIndex)));
        item->setData(0, kImageRole, row.ImageIndex);
        const int nowSelected = selector.AddRow(entry.Name, pass.NameToSelect());
        if (nowSelected != selected) {
            selected = nowSelected;
            SelectRow(selected);
        }
    }

    const TAlarmOutcome outcome = DecideAlarm(pass.Decision(), AlarmRaised);
    if (!outcome.LogLine.isEmpty())
        AddLogLine(outcome.LogLine);
    if (outcome.ShowWindow)
        UkazAppExecute();
    AlarmRaised = outcome.AlarmRaised;
}

void TFrmNuvex::SelectRow(int row)
{
    QTreeWidgetItem* item = row >= 0 ? ListView->topLevelItem(row) : nullptr;
    if (item) {
        ListView->setCurrentItem(item);
    } else {
        ListView->clearSelection();
        ListView->setCurrentItem(nullptr);
    }
}

int TFrmNuvex::RowImage(int row) const
{
    const QTreeWidgetItem* item = ListView->topLevelItem(row);
    return item ? item->data(0, kImageRole).toInt() : -1;
}

void TFrmNuvex::AddLogLine(const QString& text)
{
    if (text == LastLogText)
        return;
    const QString line = FormatLongTime(QTime::currentTime()) + u':' + text;
    LogMemo->appendPlainText(line);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    LastLogText = text;
}

void TFrmNuvex::UkazAppExecute()
{
    if (isMinimized() || !isVisible())
        showNormal();
    raise();
    activateWindow();
}

} // namespace nuvex
