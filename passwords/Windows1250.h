#pragma once

// Text of the password records is Windows-1250, whatever the system's code page, so that
// files exchanged with other installations read the same everywhere. The table is our
// own: Qt offers this code page only through ICU, which a build may lack.
//
// The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) read as the
// control characters of the same number, as Windows reads them, so that any byte a file
// holds comes back unchanged when the record is written again.

#include "platform/Error.h"

#include <QByteArray>
#include <QString>

namespace nuvex {

// A text that Windows-1250 cannot hold. The message never quotes the text: it may be a
// password. what() is UTF-8.
class EWindows1250Error : public Error
{
public:
    explicit EWindows1250Error(qsizetype position);
    // Index (UTF-16 unit) of the first character the code page cannot hold.
    const qsizetype Position;
};

// The character a byte stands for.
QChar FromWindows1250(uchar byte);
QString FromWindows1250(QByteArrayView bytes);

// True when the code page holds the character (every character it holds is one UTF-16
// unit, so a text's length is its length in bytes).
bool IsWindows1250(QChar c);
// Index of the first character the code page cannot hold, or -1.
qsizetype FindNonWindows1250(QStringView text);

// One byte per character; throws EWindows1250Error rather than putting "?" in place of a
// character, which would silently change the text.
QByteArray ToWindows1250(QStringView text);

} // namespace nuvex
