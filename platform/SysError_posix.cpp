// The system's message text for an error code (SysError.h): the Windows codes the dial-up
// services return, worded in Czech, and strerror for the rest.

#include "platform/SysError.h"

#include <cstring>
#include <string>

namespace nuvex::platform {

namespace {

// strerror_r comes in two shapes: the XSI one fills the buffer and returns a status, the
// GNU one returns the text (possibly a static string, not the buffer). Overloading on
// the result type picks the right reading for whichever the C library declares.
[[maybe_unused]] std::string StrerrorResult(int status, const char* buffer)
{
    return status == 0 ? std::string(buffer) : std::string();
}

[[maybe_unused]] std::string StrerrorResult(const char* text, const char* /*buffer*/)
{
    return text ? std::string(text) : std::string();
}

} // namespace

std::string SystemErrorMessage(int code)
{
    // The Windows codes that the dial-up stand-in itself returns, worded as a Czech
    // Windows words them.
    switch (code) {
    case 5:
        return "Přístup byl odepřen.";
    case 6:
        return "Neplatný popisovač.";
    case 8:
        return "Nedostatek paměti pro zpracování tohoto příkazu.";
    case 87:
        return "Parametr není správný.";
    default:
        break;
    }
    char buffer[256] = {};
    std::string text = StrerrorResult(strerror_r(code, buffer, sizeof(buffer)), buffer);
    if (text.empty())
        text = "Neznámá chyba " + std::to_string(code) + ".";
    return text;
}

} // namespace nuvex::platform
