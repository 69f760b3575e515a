// This computer's dial-up phonebook gathered from pppd's peers and wvdial's dialers
// (HostPhonebook.h), and the numbers written back into them.

#include "platform/HostPhonebook.h"

#include "platform/AtomicFile.h"
#include "platform/HostPhonebookReader.h"
#include "platform/PppConfig.h"
#include "platform/WvdialConfig.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <map>
#include <memory>
#include <pwd.h>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace nuvex::platform::host {

namespace {

constexpr int kMaxIncludeDepth = 10;

std::string UserName()
{
    if (const passwd* pw = getpwuid(getuid()))
        return pw->pw_name;
    return "$USER";
}

// The group whose members may read path: the group of the path itself, or of the
// nearest folder on its way that this user can still look at.
std::string AccessGroup(std::string path)
{
    struct stat status
    {};
    while (!path.empty()) {
        if (::stat(path.c_str(), &status) == 0) {
            if (const group* g = getgrgid(status.st_gid))
                return g->gr_name;
            return std::to_string(status.st_gid);
        }
        const auto slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0)
            break;
        path.resize(slash);
    }
    return "root";
}

std::string Unreadable(const std::string& what, const std::string& path)
{
    const std::string group = AccessGroup(path);
    return what + " " + path + " nelze přečíst: přístup mají jen členové skupiny „" + group +
           "“. Nuvex hlídá jen to, co přečíst může; přidejte se do skupiny (sudo adduser " + UserName() +
           " " + group + ") a přihlaste se znovu.";
}

// A system path named inside a configuration file, on this computer.
std::string ConfigPath(const std::string& named)
{
    if (named.starts_with("/etc/") || named.starts_with("/run/"))
        return HostPath(named);
    return named;
}

struct OptionsState
{
    std::optional<ppp::Word> connect;
    std::string connectFile;
    std::optional<unsigned long> speed;
    std::string device;
    std::set<std::string> visiting;
};

void ReadOptionsFile(const std::string& path, Reader& reader, OptionsState& state, int depth)
{
    if (depth > kMaxIncludeDepth || state.visiting.count(path))
        return;
    const auto text = reader.Read(path);
    if (!text)
        return;
    state.visiting.insert(path);
    for (const ppp::PppdOption& option : ppp::ReadPppdOptions(ppp::SplitPppdOptions(*text))) {
        switch (option.kind) {
        case ppp::PppdOption::Kind::Connect:
            state.connect = option.value;
            state.connectFile = path;
            break;
        case ppp::PppdOption::Kind::File:
            ReadOptionsFile(ConfigPath(option.value.text), reader, state, depth + 1);
            break;
        case ppp::PppdOption::Kind::Call:
            if (option.value.text.find('/') == std::string::npos)
                ReadOptionsFile(HostPath("/etc/ppp/peers/" + option.value.text), reader, state, depth + 1);
            break;
        case ppp::PppdOption::Kind::Speed:
            state.speed = std::strtoul(option.value.text.c_str(), nullptr, 10);
            break;
        case ppp::PppdOption::Kind::Device:
            if (state.device.empty())
                state.device = option.value.text;
            break;
        }
    }
    state.visiting.erase(path);
}

} // namespace

std::optional<std::string> Reader::Read(const std::string& path)
{
    Note(path);
    Note(ParentDir(path));
    if (const auto found = overrides.find(path); found != overrides.end())
        return found->second;
    // Each file is read once per reader, so that what is planned on is one state of it
    // even while another program rewrites it.
    if (const auto found = read_.find(path); found != read_.end())
        return found->second;
    std::optional<std::string> text;
    try {
        if (auto data = ReadWholeFile(path))
            text = std::move(data->bytes);
    } catch (const std::system_error& error) {
        if (error.code().value() == EACCES || error.code().value() == EPERM)
            Problem(Unreadable("Soubor", path));
    }
    read_[path] = text;
    return text;
}

// The regular files of a folder, sorted; reported once when it cannot be listed.
std::vector<std::string> Reader::List(const std::string& folder)
{
    Note(folder);
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        if (errno == EACCES || errno == EPERM)
            Problem(Unreadable("Složku", folder));
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat status
        {};
        if (::stat((folder + "/" + name).c_str(), &status) == 0 && S_ISREG(status.st_mode))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void Reader::Note(const std::string& path)
{
    if (book_ && std::find(book_->sources.begin(), book_->sources.end(), path) == book_->sources.end())
        book_->sources.push_back(path);
}
void Reader::Problem(std::string text)
{
    if (book_ && std::find(book_->problems.begin(), book_->problems.end(), text) == book_->problems.end())
        book_->problems.push_back(std::move(text));
}

PeerReading ReadPeer(const std::string& name, Reader& reader)
{
    PeerReading reading;
    const std::string peerFile = HostPath("/etc/ppp/peers/" + name);
    reading.entry.name = name;
    reading.entry.sourceFile = peerFile;

    OptionsState state;
    ReadOptionsFile(HostPath("/etc/ppp/options"), reader, state, 0);
    ReadOptionsFile(peerFile, reader, state, 0);
    reading.entry.speed = state.speed;
    reading.entry.device = state.device;
    if (!state.connect)
        return reading;

    std::vector<ppp::Word> shellWords;
    for (const ppp::Word& word : ppp::SplitShellWords(state.connect->text))
        shellWords.push_back(ppp::MapThrough(word, *state.connect));
    const auto chat = ppp::FindChatCommand(shellWords);
    if (!chat)
        return reading;

    std::vector<ppp::Word> script = chat->script;
    std::string scriptFile = state.connectFile;
    if (chat->scriptFile) {
        scriptFile = ConfigPath(chat->scriptFile->text);
        const auto text = reader.Read(scriptFile);
        script = text ? ppp::SplitChatScript(*text) : std::vector<ppp::Word>{};
    }
    const auto dialString = ppp::FindDialString(ppp::ChatSendStrings(script));
    if (!dialString)
        return reading;
    reading.dial = ppp::ResolveDialNumber(*dialString, chat->phone, chat->phone2);
    if (!reading.dial)
        return reading;
    reading.entry.number = reading.dial->text;
    reading.pieceFile = reading.dial->pieceIsPhoneArg ? state.connectFile : scriptFile;
    reading.entry.sourceFile = reading.pieceFile;
    return reading;
}

wvdial::Config ReadWvdial(Reader& reader)
{
    std::vector<wvdial::File> files;
    for (const std::string& path : {HostPath("/etc/wvdial.conf"), UserWvdialrc()})
        if (auto text = reader.Read(path))
            files.push_back(wvdial::File{path, std::move(*text), {}});
    return wvdial::Config(std::move(files));
}

// Fills book (which the reader notes its sources and problems in).
void Read(Reader& reader, Phonebook& book)
{
    for (const std::string& name : reader.List(HostPath("/etc/ppp/peers")))
        book.entries.push_back(ReadPeer(name, reader).entry);
    const wvdial::Config config = ReadWvdial(reader);
    for (const std::string& dialer : config.Dialers()) {
        Entry entry;
        entry.name = kWvdialPrefix + dialer;
        entry.number = config.Number(dialer);
        const auto phone = config.Lookup(dialer, "Phone");
        entry.sourceFile = config.Files()[phone ? phone->file : config.Files().size() - 1].path;
        const std::string baud = config.Get(dialer, "Baud");
        if (!baud.empty() && baud.find_first_not_of("0123456789") == std::string::npos && baud.size() <= 9)
            entry.speed = std::strtoul(baud.c_str(), nullptr, 10);
        entry.device = config.Get(dialer, "Modem");
        const bool taken = std::any_of(book.entries.begin(), book.entries.end(),
                                       [&](const Entry& e) { return e.name == entry.name; });
        if (!taken)
            book.entries.push_back(std::move(entry));
    }
}

namespace {

// The length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t Utf8Length(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) {
        return static_cast<unsigned char>(text[k]);
    };
    const unsigned char c = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

std::string ReadableText(std::string_view text)
{
    std::string readable;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text, i);
        readable += length ? text.substr(i, length) : std::string_view("\xEF\xBF\xBD");
        i += length ? length : 1;
    }
    return readable;
}

} // namespace

HostError::HostError(const std::string& text) : Error(ReadableText(text)) {}

std::string HostPath(const std::string& absolutePath)
{
    const char* root = std::getenv("NUVEX_HOST_ROOT");
    if (!root || !*root)
        return absolutePath;
    std::string prefix = root;
    while (!prefix.empty() && prefix.back() == '/')
        prefix.pop_back();
    return prefix + absolutePath;
}

std::string UserWvdialrc()
{
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/root") + "/.wvdialrc";
}

Phonebook ReadPhonebook()
{
    Phonebook book;
    Reader reader(&book);
    Read(reader, book);
    return book;
}

} // namespace nuvex::platform::host
