#pragma once

// A file's bytes, read and written whole with the standard library only, for the
// platform layer's tests, which link no Qt.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace nuvex::test {

inline std::string ReadPlainBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WritePlainBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace nuvex::test
