#include "watch/RasError.h"

#include "platform/RasService.h"
#include "platform/SysError.h"
#include "ui/SysText.h"

#include <array>

namespace nuvex {

namespace ras = platform::ras;

ERasError::ERasError(const QString& message, unsigned errorCode)
    : Error(message.toStdString()), ErrorCode(errorCode)
{}

QString RasErrorText(unsigned code)
{
    if (code >= ras::RASBASE && code <= ras::RASBASEEND) {
        std::array<char, 256> buffer{};
        if (ras::RasGetErrorStringA(code, buffer.data(), static_cast<ras::DWORD>(buffer.size())) != 0)
            return QString();
        buffer.back() = '\0';
        return FromSys(buffer.data());
    }
    return FromSys(platform::SystemErrorMessage(static_cast<int>(code)));
}

ras::DWORD RasCheck(ras::DWORD code)
{
    const std::string detail = ras::TakeLastErrorDetail();
    if (code == 0)
        return code;
    QString message = QStringLiteral("RAS Error code: %1.\n\"%2\"").arg(code).arg(RasErrorText(code));
    // What the service adds (the file, the command that would do it) follows on its own line.
    if (!detail.empty())
        message += u'\n' + FromSys(detail);
    throw ERasError(message, code);
}

} // namespace nuvex
