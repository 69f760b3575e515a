#pragma once

// A file's bytes, read and written whole past the program's own file layer, with the
// standard library only (the platform layer's tests link no Qt). The one reader of whole
// files for every test; support/FileBytes.h gives it to Qt's types.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace nuvex::test {

// The whole file, or nothing when it cannot be read.
inline std::string ReadPlainBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces the file with these bytes, making its folders first.
inline void WritePlainBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The names in a folder, sorted.
inline std::vector<std::string> FolderNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The file's permission bits, or 0 when it cannot be reached.
inline unsigned FileMode(const std::filesystem::path& path)
{
    struct stat st
    {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace nuvex::test
