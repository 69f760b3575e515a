#pragma once

// This computer's dial-up phonebook, as Debian's own tools dial it: every regular file
// of /etc/ppp/peers/ (its `connect` option, through chat's script and -T number, with
// /etc/ppp/options and `file`/`call` includes), and every [Dialer NAME] section of
// /etc/wvdial.conf and ~/.wvdialrc ("wvdial NAME"). Numbers are read afresh on every
// call and written back in place, every other byte of the file kept.
//
// NUVEX_HOST_ROOT (tests only) is put before /etc, /run and /sys/class/net.

#include "platform/Error.h"

#include <optional>
#include <string>
#include <vector>

namespace nuvex::platform::host {

// A refused or failed write; what() is Czech text for the user, naming the file. Names
// and paths taken from the files may hold any bytes: those that are no UTF-8 are put as
// U+FFFD, so that the text stays readable wherever it is shown.
class HostError : public Error
{
public:
    explicit HostError(const std::string& text);
};

// The path of a system file on this computer: NUVEX_HOST_ROOT + path while that is set.
std::string HostPath(const std::string& absolutePath);
// ~/.wvdialrc of the user.
std::string UserWvdialrc();

struct Entry
{
    std::string name;
    std::string number;     // the dial string, as written
    std::string sourceFile; // where the number stands (the entry's file when it has none)
    std::optional<unsigned long> speed;
    std::string device;
};

struct Phonebook
{
    std::vector<Entry> entries;
    // Files and folders that could not be read: Czech text naming the file and the group
    // that grants access.
    std::vector<std::string> problems;
    // Every file and folder the phonebook was read from (or would be, once it exists).
    std::vector<std::string> sources;
};

Phonebook ReadPhonebook();

// Rewrites an entry's dial string. Throws HostError when the entry is unknown, the
// number cannot be written so that it reads back the same, or the user may not write
// the file (then the text names the file and the administrator's command).
void WriteNumber(const std::string& name, const std::string& number);

// A command line argument quoted for sh when it needs it.
std::string ShellQuoted(const std::string& text);

} // namespace nuvex::platform::host
