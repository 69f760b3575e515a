#include "app/Frm_Main.h"

#include "app/MainImages.h"
#include "news/NewsText.h"
#include "settings/uOptions.h"
#include "status/ConnectionStatus.h"
#include "ui/ExceptionReport.h"
#include "ui/TimeFormat.h"
#include "watch/NumberWatch.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>

namespace nuvex {

TFrmNuvex::TFrmNuvex(QWidget* parent) : QMainWindow(parent)
{
    CreateControls();
    CreateActions();
    CreateMenus();
    CreateTray();
    FormCreate();
}

TFrmNuvex::~TFrmNuvex()
{
    FormDestroy();
}

void TFrmNuvex::CreateControls()
{
    setObjectName(QStringLiteral("FrmNuvex"));
    setWindowTitle(QStringLiteral("NUVEX - hlídač telefonického připojení sítě"));
    ImageList1 = MakeMainImageList();
    setWindowIcon(MakeTrayIcon());
    News = LoadNewsLines();

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
    connect(ListView, &QTreeWidget::itemSelectionChanged, this, &TFrmNuvex::ListViewSelectItem);
    layout->addWidget(ListView);

    LogMemo = new QPlainTextEdit(client);
    LogMemo->setObjectName(QStringLiteral("LogMemo"));
    LogMemo->setReadOnly(true);
    // A program that runs for months must not grow with its log.
    LogMemo->setMaximumBlockCount(kLogViewLines);
    LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogMemo->setFixedSize(430, 129);
    layout->addWidget(LogMemo);

    setCentralWidget(client);

    HintBar = new QStatusBar(this);
    HintBar->setObjectName(QStringLiteral("HintBar"));
    HintBar->setSizeGripEnabled(false);
    HintBarPanels[0] = new QLabel(HintBar);
    HintBarPanels[0]->setFixedWidth(350);
    HintBarPanels[1] = new QLabel(HintBar);
    HintBarPanels[1]->setMinimumWidth(50);
    HintBarPanels[1]->setAlignment(Qt::AlignCenter);
    HintBar->addWidget(HintBarPanels[0]);
    HintBar->addWidget(HintBarPanels[1], 1);
    setStatusBar(HintBar);

    // Fixed size, with a minimise box and no maximise box, centred on the screen.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TFrmNuvex::Timer1Timer);

    HangUpPoll = new QTimer(this);
    HangUpPoll->setObjectName(QStringLiteral("HangUpPoll"));
    HangUpPoll->setInterval(static_cast<int>(kHangUpPollInterval.count()));
    connect(HangUpPoll, &QTimer::timeout, this, &TFrmNuvex::HangUpPollTimer);
}

void TFrmNuvex::FormCreate()
{
    AlarmRaised = false;
    ForceClose = false;
    session_ = TConnectionSession();

    // The watch needs both lists before the timer runs; when the service fails right
    // now, keep an empty list, report the error, and let the first tick try again.
    if (!ReportFailure(this, [this] { Connections = std::make_unique<TRasConnectionsList>(); }))
        Connections = std::make_unique<TRasConnectionsList>(TNoInitialRefresh{});
    Connections->OnChange = [this](TRasBaseList& sender) {
        ConnectionsChange(sender);
    };
    if (!ReportFailure(this, [this] { Phonebook = std::make_unique<TRasPhonebook>(); }))
        Phonebook = std::make_unique<TRasPhonebook>(TNoInitialRefresh{});
    Phonebook->OnChange = [this](TRasBaseList& sender) {
        PhonebookChange(sender);
    };

    UpdateWatchActions();
    HintBarPanels[1]->setText(kNotConnected);
    // Systems of the NT family publish no counters: no session log to list.
    VypisPripojeni->setEnabled(!IsWinNT());
    // A session that an earlier run left open is logged now.
    ReportFailure(this, [this] { session_.WriteLeftOpen(); });
}

void TFrmNuvex::FormDestroy()
{
    // The program ends during a session: log it. A failure keeps the session open, so the
    // next start logs it; there is no window left to show the error in.
    try {
        WriteSessionLog();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Nuvex: chyba: %s\n", error.what());
    }
    Phonebook.reset();
    Connections.reset();
}

void TFrmNuvex::Timer1Timer()
{
    // A failing guard must not blind the watch: the phonebook is checked either way.
    RefreshConnections();
    ReportFailure(this, [this] { Phonebook->Refresh(); });
}

void TFrmNuvex::RefreshConnections()
{
    ReportFailure(this, [this] { Connections->Refresh(); });
}

void TFrmNuvex::RunAction(void (TFrmNuvex::*handler)())
{
    ShowFailure(this, [this, handler] { (this->*handler)(); });
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

} // namespace nuvex
