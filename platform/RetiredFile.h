#pragma once

// A file about to be replaced by a new one under its name, held open so that its old
// content can be overwritten once no name refers to it any more: a plain-text-equivalent
// file replaced by an encrypted one should not linger in free blocks nobody sees.

#include "platform/AtomicFile.h"

#include <string>

namespace nuvex::platform {

class RetiredFile
{
public:
    // Opens the file (through a symbolic link, as the replacement goes) for writing; a
    // file that is missing or cannot be written is simply not wiped later.
    explicit RetiredFile(const std::string& path);

    // Overwrites the old content with zeros and flushes it, when the file has no name
    // left (another hard link keeps its content, and it is not ours to destroy). Returns
    // true when it wiped. Never throws: the replacement has already succeeded.
    bool WipeIfUnlinked();

private:
    UniqueFd fd_;
};

} // namespace nuvex::platform
