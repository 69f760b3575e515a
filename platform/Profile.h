#pragma once

// The private-profile functions the program relies on (GetPrivateProfileString and
// WritePrivateProfileString on Windows). A bare file name resolves to the Windows
// directory of the machine; a path is used as given. Reads never fail: a missing or
// unreadable file reads as empty. Writes report failure by throwing ProfileError.

#include "platform/IniDocument.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace nuvex::platform {

std::string ResolveProfilePath(const std::string& fileName);

// The whole parsed file; the same object while the file is unchanged, so a caller may keep
// what it derived from it for as long as it gets the same document back.
std::shared_ptr<const IniDocument> ReadProfileDocument(const std::string& fileName);
std::vector<std::string> ReadProfileSectionNames(const std::string& fileName);
std::string ReadProfileString(const std::string& fileName, const std::string& section, const std::string& key,
                              const std::string& defaultValue);
std::vector<std::pair<std::string, std::string>> ReadProfileSection(const std::string& fileName,
                                                                    const std::string& section);
void WriteProfileString(const std::string& fileName, const std::string& section, const std::string& key,
                        const std::string& value);
// Writes the value under the first of the keys key(0), key(1) ... that is missing or
// already holds this value, in one locked update, and returns that key: two writers whose
// keys meet keep both entries instead of the later replacing the other.
std::string AddProfileString(const std::string& fileName, const std::string& section,
                             const std::function<std::string(int)>& key, const std::string& value);

} // namespace nuvex::platform
