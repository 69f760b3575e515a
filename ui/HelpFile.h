#pragma once

// The program's help file: one UTF-8 HTML file whose topics are <section> elements with a
// context string (id) and an optional context number (data-context); the format is
// described at the top of help/Nuvex.hlp. Reading it needs no window.

#include "platform/Error.h"

#include <QHash>
#include <QString>
#include <vector>

namespace nuvex {

// A help file that cannot be read or is not a help file; what() is Czech text for the user.
class EHelpFileError : public Error
{
public:
    using Error::Error;
};

struct THelpTopic
{
    QString contextString;
    int contextNumber = 0; // 0: the topic is reached by its context string only
    QString title;         // plain text of the topic's first <h1>, else its context string
    QString html;          // the section's content
};

class THelpFile
{
public:
    // The topic that the contents command opens.
    static constexpr const char16_t* kContentsTopic = u"Contents";

    // Throws EHelpFileError when the file is missing, unreadable or malformed.
    static THelpFile Load(const QString& path);
    // fileName only names the file in error messages.
    static THelpFile Parse(const QString& text, const QString& fileName);

    const QString& Path() const { return path_; }
    const QString& StyleSheet() const { return styleSheet_; }
    const std::vector<THelpTopic>& Topics() const { return topics_; }

    // nullptr when there is no such topic. Context strings match ignoring letter case.
    const THelpTopic* FindTopic(const QString& contextString) const;
    const THelpTopic* FindContext(qint64 contextNumber) const;
    // The topic "Contents", or the first topic of a file without one.
    const THelpTopic& Contents() const;

private:
    THelpFile() = default;

    QString path_;
    QString styleSheet_;
    std::vector<THelpTopic> topics_;
    QHash<QString, int> byString_;
    QHash<int, int> byNumber_;
};

} // namespace nuvex
