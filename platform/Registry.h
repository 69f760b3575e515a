#pragma once

// The registry: a hierarchical store of typed values under two roots. On Windows this is
// the real registry; on Linux each root is a text file in the registry export format
// ("Windows Registry Editor Version 5.00"), readable and editable by a person.
//
// Files (Linux): the per-user root in UserConfigDir()/user.reg (mode 0600: it may hold a
// clear-text password), the machine-wide root in RegistryDir()/machine.reg. A missing file
// is an empty root; an existing one without even its header is damaged (RegistryError).

#include "platform/Error.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nuvex::platform::registry {

enum class Root
{
    CurrentUser,
    LocalMachine
};

enum class ValueType : std::uint32_t
{
    String = 1,
    Binary = 3,
    DWord = 4
}; // REG_SZ, REG_BINARY, REG_DWORD

struct Value
{
    ValueType type = ValueType::String;
    std::vector<std::uint8_t> data; // DWORD: 4 bytes little-endian; SZ: the text's bytes, no terminator

    static Value FromDWord(std::uint32_t value);
    static Value FromString(const std::string& text);
    static Value FromBinary(std::vector<std::uint8_t> bytes);
    std::uint32_t AsDWord() const; // requires type DWord and 4 bytes
    std::string AsString() const;  // requires type String

    bool operator==(const Value&) const = default;
};

// A damaged file, a refused write, or a value read with the wrong type. The message is
// for the user and names the file (and line) where it applies.
class RegistryError : public Error
{
public:
    using Error::Error;
};

enum class Access
{
    Read,
    ReadWrite
};

// One open key: opened, used and closed within one operation.
class Key
{
public:
    // Opens root\path ("Software\Quorin Software\Nuvex\"; a trailing backslash adds no
    // level). With create, a missing key is created (written at once). Returns nothing
    // when the key is missing and create is false, or when access is ReadWrite and the
    // user may not write the root's file. Throws RegistryError for a damaged file.
    static std::optional<Key> Open(Root root, const std::string& path, Access access, bool create);

    // The value, or nothing when it is missing. Names match ignoring letter case.
    // Throws RegistryError when the file is damaged or cannot be read.
    std::optional<Value> Read(const std::string& name) const;
    // Creates or replaces the value; throws RegistryError when the write fails.
    void Write(const std::string& name, const Value& value);
    // Creates or replaces several values in one update of the file: a reader, or a
    // process killed meanwhile, sees all of them or none.
    void Write(const std::vector<std::pair<std::string, Value>>& values);

    Root root() const { return root_; }
    const std::string& path() const { return path_; }

private:
    Key(Root root, std::string path) : root_(root), path_(std::move(path)) {}
    Root root_;
    std::string path_;
};

// Where a root is kept (its file on Linux).
std::string RootFile(Root root);

// The export text itself, without a file: what the tools and the robustness checks use.
struct TextValue
{
    std::string key;  // path below the root, components as the text spells them
    std::string name; // empty for the default value "@"
    Value value;
};
// The values the text defines, in the order of their first definition; a later definition
// of the same key and name (ignoring letter case) replaces the value, as an import would.
// Throws RegistryError naming `file` and the line for a damaged text.
std::vector<TextValue> ParseText(Root root, std::string_view bytes, const std::string& file);
// A new text holding the values, as the writes would create it.
std::string RenderText(Root root, const std::vector<TextValue>& values);
// The text after writing one value, as Key::Write leaves the file; throws RegistryError
// for a damaged text or a value that could not be read back as written.
std::string WriteText(Root root, std::string_view bytes, const std::string& file, const TextValue& value);

} // namespace nuvex::platform::registry
