#pragma once

// The two help macros the program sends: JumpId and PopupId in their short forms,
// JI("file>window","topic") and PI("file","topic"). Built and parsed without a window.

#include <QString>
#include <optional>

namespace nuvex {

struct THelpMacro
{
    enum class Kind
    {
        Jump,  // show the topic in a help window
        Popup, // show the topic as a small pop-up
    };
    Kind kind = Kind::Jump;
    QString file;   // as written; empty means the file the request named
    QString window; // the text after ">", empty for the main help window
    QString topic;  // the context string
};

// JI("fileAndWindow","topic"): fileAndWindow is the file name, directly followed by
// ">window" for a secondary window. Nothing is shortened, however long the texts are.
QString JumpIdMacro(const QString& fileAndWindow, const QString& topic);
// PI("file","topic").
QString PopupIdMacro(const QString& file, const QString& topic);

// Accepts JI/JumpId and PI/PopupId (any letter case, blanks between the parts, arguments
// in "..." or `...'); anything else gives nullopt.
std::optional<THelpMacro> ParseHelpMacro(const QString& text);

} // namespace nuvex
