#pragma once

// The one exception type of the dial-up layer.

#include "platform/Error.h"
#include "platform/Ras.h"

#include <QString>

namespace nuvex {

class ERasError : public Error
{
public:
    // what() is UTF-8; ErrorCode is the RAS or system code (0 when none applies).
    ERasError(const QString& message, unsigned errorCode);
    QString Message() const { return QString::fromUtf8(what()); }
    const unsigned ErrorCode;
};

// The text for a code: the RAS message table for 600 to 798 (empty when even that
// fails), the system's message table for every other code.
QString RasErrorText(unsigned code);

// 0 passes; any other code raises ERasError with the message
// "RAS Error code: <code>." + LF + the text in double quotes.
platform::ras::DWORD RasCheck(platform::ras::DWORD code);

} // namespace nuvex
