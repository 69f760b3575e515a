// The private-profile functions (Profile.h) over INI files: bare names resolve to the
// Windows directory, reads never fail, writes throw.

#include "platform/IniFileAccess.h"
#include "platform/Profile.h"
#include "platform/SystemPaths.h"

namespace nuvex::platform {

namespace {

// Reads never fail: a file that cannot be read is treated like a missing one.
std::shared_ptr<const IniDocument> LoadQuietly(const std::string& fileName)
{
    try {
        return LoadIniFile(ResolveProfilePath(fileName));
    } catch (const ProfileError&) {
        return std::make_shared<const IniDocument>();
    }
}

} // namespace

std::string ResolveProfilePath(const std::string& fileName)
{
    if (fileName.find('/') == std::string::npos)
        return WindowsDir() + "/" + fileName;
    return fileName;
}

std::shared_ptr<const IniDocument> ReadProfileDocument(const std::string& fileName)
{
    return LoadQuietly(fileName);
}

std::vector<std::string> ReadProfileSectionNames(const std::string& fileName)
{
    return LoadQuietly(fileName)->SectionNames();
}

std::string ReadProfileString(const std::string& fileName, const std::string& section, const std::string& key,
                              const std::string& defaultValue)
{
    return LoadQuietly(fileName)->Value(section, key).value_or(defaultValue);
}

std::vector<std::pair<std::string, std::string>> ReadProfileSection(const std::string& fileName,
                                                                    const std::string& section)
{
    return LoadQuietly(fileName)->Entries(section);
}

void WriteProfileString(const std::string& fileName, const std::string& section, const std::string& key,
                        const std::string& value)
{
    // Refused before the file is locked or its folder created.
    IniDocument::ValidateWrite(section, key, value);
    UpdateIniFile(ResolveProfilePath(fileName), [&](IniDocument& doc) { doc.SetValue(section, key, value); });
}

std::string AddProfileString(const std::string& fileName, const std::string& section,
                             const std::function<std::string(int)>& key, const std::string& value)
{
    std::string used;
    UpdateIniFile(ResolveProfilePath(fileName), [&](IniDocument& doc) {
        for (int k = 0;; ++k) {
            used = key(k);
            const auto existing = doc.Value(section, used);
            if (existing && *existing == value)
                return;
            if (!existing) {
                doc.SetValue(section, used, value);
                return;
            }
        }
    });
    return used;
}

} // namespace nuvex::platform
