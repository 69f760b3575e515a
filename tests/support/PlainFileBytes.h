#pragma once

// A file's bytes, read and written whole past the program's own file layer, with the
// standard library only (the platform layer's tests link no Qt). The one reader of whole
// files for every test; support/FileBytes.h gives it to Qt's types.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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

} // namespace nuvex::test
