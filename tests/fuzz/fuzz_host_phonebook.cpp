// This computer's phonebook in a host root of its own: the input, cut at NUL bytes, gives
// /etc/ppp/options, two peers, a chat script, /etc/wvdial.conf and ~/.wvdialrc; the rest
// picks an entry and a new number. Two readings agree; a write either reads back as the
// number asked for, changing no other entry's number but those that dial the same
// written number, or is refused with a readable message and every file as it was.

#include "platform/HostPhonebook.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/PlainFileBytes.h"
#include "tests/support/Sandbox.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

using nuvex::fuzz::FuzzInput;
namespace host = nuvex::platform::host;
namespace fs = std::filesystem;

namespace {

const char* const kFiles[] = {"etc/ppp/options",          "etc/ppp/peers/provider", "etc/ppp/peers/second",
                              "etc/chatscripts/provider", "etc/wvdial.conf",        "home/.wvdialrc"};

const fs::path& Root()
{
    static const std::unique_ptr<nuvex::test::Sandbox> sandbox = [] {
        auto made = std::make_unique<nuvex::test::Sandbox>();
        setenv("NUVEX_HOST_ROOT", made->dir().c_str(), 1);
        return made;
    }();
    return sandbox->dir();
}

// Every file under the root (the writers' lock files aside), with its bytes.
std::map<std::string, std::string> Snapshot()
{
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(Root()))
        if (item.is_regular_file() && item.path().filename() != ".nuvex-lock")
            files[item.path().string()] = nuvex::test::ReadPlainBytes(item.path());
    return files;
}

bool SameEntries(const host::Phonebook& a, const host::Phonebook& b)
{
    return std::equal(a.entries.begin(), a.entries.end(), b.entries.begin(), b.entries.end(),
                      [](const host::Entry& x, const host::Entry& y) {
                          return x.name == y.name && x.number == y.number && x.sourceFile == y.sourceFile &&
                                 x.speed == y.speed && x.device == y.device;
                      }) &&
           a.problems == b.problems && a.sources == b.sources;
}

const host::Entry* Find(const host::Phonebook& book, const std::string& name)
{
    for (const host::Entry& entry : book.entries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

bool ValidUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80         ? 1
                                   : (c >> 5) == 6  ? 2
                                   : (c >> 4) == 14 ? 3
                                   : (c >> 3) == 30 ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2)
                return false;
        i += length;
    }
    return true;
}

std::string NewNumber(FuzzInput& in)
{
    const std::string text = in.Text(32);
    if (in.Byte() % 8 == 0)
        return text; // anything at all, which the writer refuses unless it is dial text
    return nuvex::fuzz::DialText({}, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fs::path& root = Root();
    FuzzInput in(data, size);
    fs::remove_all(root / "etc");
    fs::create_directories(root / "etc/ppp/peers");
    fs::create_directories(root / "etc/chatscripts");
    fs::create_directories(root / "home");
    for (const char* name : kFiles)
        nuvex::test::WritePlainBytes(root / name, std::string(in.UpToNul()));

    const host::Phonebook book = host::ReadPhonebook();
    FUZZ_CHECK(SameEntries(book, host::ReadPhonebook()));
    FUZZ_CHECK(book.problems.empty());
    FUZZ_CHECK(Find(book, "provider") && Find(book, "second"));
    for (const host::Entry& entry : book.entries) {
        FUZZ_CHECK(std::count_if(book.entries.begin(), book.entries.end(),
                                 [&](const host::Entry& e) { return e.name == entry.name; }) == 1);
        FUZZ_CHECK(std::find(book.sources.begin(), book.sources.end(), entry.sourceFile) !=
                   book.sources.end());
    }
    // A file named in the input may lie outside the root: nothing is written then.
    for (const std::string& source : book.sources)
        if (!source.starts_with(root.string() + "/"))
            return 0;

    const host::Entry& entry = book.entries[in.Byte() % book.entries.size()];
    const std::string number = NewNumber(in);
    const auto before = Snapshot();
    try {
        host::WriteNumber(entry.name, number);
    } catch (const host::HostError& error) {
        const std::string message = error.what();
        FUZZ_CHECK(!message.empty() && ValidUtf8(message));
        FUZZ_CHECK(Snapshot() == before);
        return 0;
    }
    const host::Phonebook after = host::ReadPhonebook();
    FUZZ_CHECK(after.entries.size() == book.entries.size());
    for (const host::Entry& old : book.entries) {
        const host::Entry* now = Find(after, old.name);
        FUZZ_CHECK(now != nullptr);
        if (old.name == entry.name)
            FUZZ_CHECK(now->number == number);
        else
            FUZZ_CHECK(now->number == old.number || (old.number == entry.number && now->number == number));
    }
    const auto written = Snapshot();
    FUZZ_CHECK(written.size() == before.size()); // no temporary file left
    if (number == entry.number)
        FUZZ_CHECK(written == before);
    return 0;
}
