#pragma once

// File-level access to INI files: a cached read that stays cheap while the file is
// unchanged, and an update that edits under an advisory lock and replaces the file
// atomically (temporary file, flush, rename), so that two writers never lose each
// other's lines and a crash never leaves half a file.

#include "platform/IniDocument.h"

#include <functional>
#include <memory>
#include <string>

namespace nuvex::platform {

// The parsed file. A missing file is an empty document. Throws ProfileError when the
// file exists but cannot be read. A later call on an unchanged file (same inode, size and
// modification time) returns the same document without reading the file again.
std::shared_ptr<const IniDocument> LoadIniFile(const std::string& path);

// Reads the file afresh under the lock, lets edit change it, and writes it back when the
// text changed. Creates the folder when missing. Throws ProfileError (from edit, or
// naming the file when it cannot be written).
void UpdateIniFile(const std::string& path, const std::function<void(IniDocument&)>& edit);

// What is wrong with the file, naming it, for one report; empty when nothing is (a
// missing file is no damage). `mustEndWithLineEnd`: a last line without its line end
// means the file was cut short (a file the program writes itself always ends a line).
std::string DescribeDamage(const std::string& path, bool mustEndWithLineEnd);

// Forgets every cached document (tests use it to measure an uncached read).
void ClearIniCache();

// While one lives on a thread, a file that was checked once in its span is taken from the
// cache without looking at the disk again: one pass over many entries of one file costs
// one stat() instead of one per entry. A write through UpdateIniFile (or any cache miss)
// makes the next read look again. Only for spans that do not wait for other programs to
// change a file.
class IniReadSpan
{
public:
    IniReadSpan();
    ~IniReadSpan();
    IniReadSpan(const IniReadSpan&) = delete;
    IniReadSpan& operator=(const IniReadSpan&) = delete;

private:
    unsigned long long outer_;
};

} // namespace nuvex::platform
