#include "ui/HelpViewer.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

static void InitHelpPictures()
{
    // The help file shows the program's pictures (qrc:/images/...), which live in a
    // static library; naming them here keeps the linker from dropping them.
    Q_INIT_RESOURCE(nuvex);
}

namespace nuvex {

using namespace Qt::StringLiterals;

namespace {

const QString kProductHelp = u"Nápověda Nuvex"_s;

QPushButton* MakeButton(QWidget* parent, const QString& caption, QStyle::StandardPixmap icon,
                        const QString& name)
{
    auto* button = new QPushButton(parent->style()->standardIcon(icon), caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QString MissingTopic(const THelpFile& file, const QString& what)
{
    return u"Nápověda „"_s + file.Path() + u"“ neobsahuje "_s + what +
           u". Téma mohlo být přejmenováno nebo soubor nápovědy nepatří k této verzi programu."_s;
}

} // namespace

THelpViewer::THelpViewer(const QString& windowName, QWidget* parent)
    : QWidget(parent, Qt::Window), windowName_(windowName)
{
    InitHelpPictures();
    setObjectName(windowName.isEmpty() ? u"HelpViewer"_s : u"HelpViewer_"_s + windowName);
    // A help window never ends the program, even when it is the last window shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(kProductHelp);

    contents_ = MakeButton(this, u"&Obsah"_s, QStyle::SP_FileDialogContentsView, u"ContentsButton"_s);
    back_ = MakeButton(this, u"&Zpět"_s, QStyle::SP_ArrowBack, u"BackButton"_s);
    forward_ = MakeButton(this, u"&Vpřed"_s, QStyle::SP_ArrowForward, u"ForwardButton"_s);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(u"Browser"_s);
    // Links are followed here: "#Topic" inside the help file, web and mail addresses outside.
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents_);
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(600, 500);

    connect(contents_, &QPushButton::clicked, this, &THelpViewer::ShowContentsOfCurrentFile);
    connect(back_, &QPushButton::clicked, this, &THelpViewer::Back);
    connect(forward_, &QPushButton::clicked, this, &THelpViewer::Forward);
    connect(browser_, &QTextBrowser::anchorClicked, this, &THelpViewer::OpenLink);
    Display();
}

THelpViewer::~THelpViewer() = default;

void THelpViewer::ShowContents(std::shared_ptr<const THelpFile> file)
{
    const QString topic = file->Contents().contextString;
    Visit({std::move(file), topic, {}});
}

bool THelpViewer::ShowTopic(std::shared_ptr<const THelpFile> file, const QString& contextString)
{
    const THelpTopic* topic = file->FindTopic(contextString);
    if (!topic) {
        ShowMessage(MissingTopic(*file, u"téma „"_s + contextString + u"“"_s));
        return false;
    }
    const QString found = topic->contextString;
    Visit({std::move(file), found, {}});
    return true;
}

bool THelpViewer::ShowContext(std::shared_ptr<const THelpFile> file, qint64 contextNumber)
{
    const THelpTopic* topic = file->FindContext(contextNumber);
    if (!topic) {
        ShowMessage(MissingTopic(*file, u"téma s číslem kontextu "_s + QString::number(contextNumber)));
        return false;
    }
    const QString found = topic->contextString;
    Visit({std::move(file), found, {}});
    return true;
}

void THelpViewer::ShowMessage(const QString& text)
{
    Visit({CurrentFile(), {}, text});
}

void THelpViewer::Back()
{
    if (CanGoBack()) {
        --current_;
        Display();
    }
}

void THelpViewer::Forward()
{
    if (CanGoForward()) {
        ++current_;
        Display();
    }
}

bool THelpViewer::CanGoBack() const
{
    return !history_.empty() && current_ > 0;
}

bool THelpViewer::CanGoForward() const
{
    return !history_.empty() && current_ + 1 < history_.size();
}

QString THelpViewer::CurrentTopic() const
{
    return history_.empty() ? QString() : history_[current_].topic;
}

QString THelpViewer::CurrentText() const
{
    return browser_->toPlainText();
}

void THelpViewer::Visit(TPage page)
{
    if (!history_.empty())
        history_.erase(history_.begin() + static_cast<std::ptrdiff_t>(current_) + 1, history_.end());
    history_.push_back(std::move(page));
    current_ = history_.size() - 1;
    Display();
}

void THelpViewer::Display()
{
    back_->setEnabled(CanGoBack());
    forward_->setEnabled(CanGoForward());
    if (history_.empty()) {
        browser_->clear();
        return;
    }
    const TPage& page = history_[current_];
    const THelpTopic* topic = page.file && !page.topic.isEmpty() ? page.file->FindTopic(page.topic) : nullptr;
    QString title = kProductHelp;
    if (topic) {
        browser_->document()->setDefaultStyleSheet(page.file->StyleSheet());
        browser_->setHtml(topic->html);
        title = topic->title + u" – "_s + kProductHelp;
    } else {
        browser_->document()->setDefaultStyleSheet(page.file ? page.file->StyleSheet() : QString());
        browser_->setHtml(u"<h1>Nápovědu nelze zobrazit</h1><p>"_s + page.message.toHtmlEscaped() +
                          u"</p>"_s);
    }
    setWindowTitle(windowName_.isEmpty() ? title : title + u" ["_s + windowName_ + u']');
}

void THelpViewer::OpenLink(const QUrl& url)
{
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        if (const auto file = CurrentFile())
            ShowTopic(file, url.fragment());
        return;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http"_s || scheme == u"https"_s || scheme == u"mailto"_s)
        QDesktopServices::openUrl(url);
}

void THelpViewer::ShowContentsOfCurrentFile()
{
    if (const auto file = CurrentFile())
        ShowContents(file);
    else
        ShowMessage(u"Není otevřen žádný soubor nápovědy, a tak nelze ukázat jeho obsah."_s);
}

std::shared_ptr<const THelpFile> THelpViewer::CurrentFile() const
{
    return history_.empty() ? nullptr : history_[current_].file;
}

} // namespace nuvex
