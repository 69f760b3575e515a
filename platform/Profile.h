#pragma once

// The private-profile functions the program relies on (GetPrivateProfileString and
// WritePrivateProfileString on Windows). A bare file name resolves to the Windows
// directory of the machine; a path is used as given. Reads never fail: a missing or
// unreadable file reads as empty. Writes report failure by throwing ProfileError.

#include "platform/IniDocument.h"

#include <string>
#include <utility>
#include <vector>

namespace nuvex::platform {

std::string ResolveProfilePath(const std::string& fileName);

std::vector<std::string> ReadProfileSectionNames(const std::string& fileName);
std::string ReadProfileString(const std::string& fileName, const std::string& section, const std::string& key,
                              const std::string& defaultValue);
std::vector<std::pair<std::string, std::string>> ReadProfileSection(const std::string& fileName,
                                                                    const std::string& section);
void WriteProfileString(const std::string& fileName, const std::string& section, const std::string& key,
                        const std::string& value);

} // namespace nuvex::platform
