#pragma once

// The help viewer: a window with the topic text, a contents button and back and forward
// through the topics seen. The help engine opens one main viewer and one per named
// secondary window; a viewer explains in its text what it could not show.

#include "ui/HelpFile.h"

#include <QWidget>
#include <memory>
#include <vector>

class QPushButton;
class QTextBrowser;
class QUrl;

namespace nuvex {

class THelpViewer : public QWidget
{
    Q_OBJECT

public:
    // windowName: empty for the main help window, else the secondary window's name.
    explicit THelpViewer(const QString& windowName, QWidget* parent = nullptr);
    ~THelpViewer() override;

    const QString& WindowName() const { return windowName_; }

    void ShowContents(std::shared_ptr<const THelpFile> file);
    // Show the topic or, when the file has none such, say so. False when it was not found.
    bool ShowTopic(std::shared_ptr<const THelpFile> file, const QString& contextString);
    bool ShowContext(std::shared_ptr<const THelpFile> file, qint64 contextNumber);
    // An explanation in place of a topic (a missing file, a macro not understood...).
    void ShowMessage(const QString& text);

    void Back();
    void Forward();
    bool CanGoBack() const;
    bool CanGoForward() const;

    // The context string on display; empty while a message is shown.
    QString CurrentTopic() const;
    QString CurrentText() const;
    QTextBrowser* Browser() const { return browser_; }
    QPushButton* ContentsButton() const { return contents_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* ForwardButton() const { return forward_; }

private:
    struct TPage
    {
        std::shared_ptr<const THelpFile> file;
        QString topic;   // context string, empty for a message
        QString message; // plain text, shown when topic is empty
    };

    void Visit(TPage page);
    void Display();
    void OpenLink(const QUrl& url);
    void ShowContentsOfCurrentFile();
    std::shared_ptr<const THelpFile> CurrentFile() const;

    QString windowName_;
    QTextBrowser* browser_ = nullptr;
    QPushButton* contents_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
    std::vector<TPage> history_;
    size_t current_ = 0; // index into history_ when it is not empty
};

} // namespace nuvex
