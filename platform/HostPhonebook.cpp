#include "platform/HostPhonebook.h"

#include "platform/AtomicFile.h"
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
const std::string kWvdialPrefix = "wvdial ";

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

// Reads the phonebook's files, notes every source, and reports each unreadable one.
class Reader
{
public:
    explicit Reader(Phonebook* book) : book_(book) {}

    std::map<std::string, std::string> overrides; // path -> text that stands in for the file

    std::optional<std::string> Read(const std::string& path)
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
    std::vector<std::string> List(const std::string& folder)
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

private:
    void Note(const std::string& path)
    {
        if (book_ && std::find(book_->sources.begin(), book_->sources.end(), path) == book_->sources.end())
            book_->sources.push_back(path);
    }
    void Problem(std::string text)
    {
        if (book_ && std::find(book_->problems.begin(), book_->problems.end(), text) == book_->problems.end())
            book_->problems.push_back(std::move(text));
    }

    Phonebook* book_;
    std::map<std::string, std::optional<std::string>> read_;
};

// A system path named inside a configuration file, on this computer.
std::string ConfigPath(const std::string& named)
{
    if (named.starts_with("/etc/") || named.starts_with("/run/"))
        return HostPath(named);
    return named;
}

struct PeerReading
{
    Entry entry;
    std::optional<ppp::DialNumber> dial;
    std::string pieceFile; // the file the number piece stands in
};

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

std::string AdministratorHint(const std::string& path, const std::string& name, const std::string& number)
{
    return "Soubor " + path +
           " může změnit jen správce počítače; Nuvex do něj nic nezapsal. Jako správce: sudo nuvex-ras "
           "--host set " +
           ShellQuoted(name) + " " + ShellQuoted(number);
}

// Replaces the file (through a symbolic link, its target) with text: a temporary file
// beside it with the same mode, owner and group, flushed, renamed over it.
void ReplaceKeepingOwner(const std::string& path, const std::string& text, const std::string& name,
                         const std::string& number)
{
    char resolved[PATH_MAX];
    const std::string target = ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    const std::string folder = ParentDir(target);
    if (::access(target.c_str(), W_OK) != 0 || ::access(folder.c_str(), W_OK) != 0)
        throw HostError(AdministratorHint(path, name, number));
    struct stat status
    {};
    if (::stat(target.c_str(), &status) != 0)
        throw HostError("Soubor " + path + " nelze přečíst.");

    std::string temp = folder + "/." + BaseName(target) + ".nuvex-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw HostError(AdministratorHint(path, name, number));
    UniqueFd file(fd);
    bool ok = true;
    std::string_view rest = text;
    while (ok && !rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ok = ok && ::fchmod(fd, status.st_mode & 07777) == 0;
    // Only the administrator can give a file away; anyone else writes only their own.
    if (ok && (status.st_uid != ::geteuid() || status.st_gid != ::getegid()))
        ok = ::fchown(fd, status.st_uid, status.st_gid) == 0 || geteuid() != 0;
    ok = ok && ::fsync(fd) == 0 && file.Close() == 0;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        const int code = errno;
        ::unlink(temp.c_str());
        throw HostError("Soubor " + path + " se nepodařilo zapsat: " + std::generic_category().message(code) +
                        ".");
    }
    if (const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

struct Plan
{
    std::map<std::string, std::string> texts; // file -> its new text
};

std::optional<Plan> PlanPeer(const std::string& name, const std::string& number, Reader& reader,
                             std::string* why)
{
    const PeerReading reading = ReadPeer(name, reader);
    if (!reading.dial) {
        *why = "Položka " + name + " nevytáčí žádné číslo (v jejím skriptu chat není příkaz ATD).";
        return std::nullopt;
    }
    const ppp::DialNumber& dial = *reading.dial;
    const auto offset = dial.piece.RawOffset();
    if (!offset || !number.starts_with(dial.before) || !number.ends_with(dial.after) ||
        number.size() < dial.before.size() + dial.after.size()) {
        *why = "Číslo položky " + name + " je v souboru " + reading.pieceFile +
               " zapsáno tak, že je Nuvex neumí přepsat; upravte je ručně.";
        return std::nullopt;
    }
    const std::string middle =
        number.substr(dial.before.size(), number.size() - dial.before.size() - dial.after.size());
    const auto text = reader.Read(reading.pieceFile);
    if (!text || *offset + dial.piece.text.size() > text->size()) {
        *why = "Soubor " + reading.pieceFile + " nelze přečíst.";
        return std::nullopt;
    }
    Plan plan;
    plan.texts[reading.pieceFile] = ppp::ReplaceRange(*text, *offset, dial.piece.text.size(), middle);
    return plan;
}

std::optional<Plan> PlanWvdial(const std::string& dialer, const std::string& number, Reader& reader,
                               std::string* why)
{
    const wvdial::Config config = ReadWvdial(reader);
    const auto edits = config.EditsFor(dialer, number);
    if (!edits && !number.starts_with(config.NumberHead(dialer))) {
        *why = "Číslo " + number + " nelze zapsat do voliče wvdial " + dialer +
               ": musí začínat jeho předvolbou a kódem oblasti (" + config.NumberHead(dialer) +
               "), které Nuvex nemění, a mít nejvýše pět čísel oddělených „; “.";
        return std::nullopt;
    }
    if (!edits) {
        *why = "Číslo " + number + " nelze do voliče wvdial " + dialer +
               " zapsat tak, aby je wvdial četl stejně: nejvýše pět čísel oddělených „; “, bez mezer na "
               "okrajích, a prázdné číslo wvdial nahradí zděděným; upravte je ručně.";
        return std::nullopt;
    }
    std::map<std::size_t, std::vector<wvdial::Config::Edit>> byFile;
    for (const auto& edit : *edits)
        byFile[edit.file].push_back(edit);
    Plan plan;
    for (auto& [file, fileEdits] : byFile)
        plan.texts[config.Files()[file].path] = wvdial::ApplyEdits(config.Files()[file].text, fileEdits);
    return plan;
}

} // namespace

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
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        length = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4)
        length = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
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

HostError::HostError(const std::string& text) : std::runtime_error(ReadableText(text)) {}

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

namespace {

// The new texts of the files that make the entry dial number; an empty plan when it does
// already. Throws HostError when that cannot be written so that it reads back the same.
Plan PlanWrite(const std::string& name, const std::string& number)
{
    Reader reader(nullptr);
    Phonebook book;
    Read(reader, book);
    const auto entry = std::find_if(book.entries.begin(), book.entries.end(),
                                    [&](const Entry& e) { return e.name == name; });
    if (entry == book.entries.end())
        throw HostError("Položka „" + name + "“ v telefonním seznamu tohoto počítače není.");
    if (entry->number == number)
        return {};

    std::string why;
    const bool isWvdial =
        name.starts_with(kWvdialPrefix) && !std::filesystem::exists(HostPath("/etc/ppp/peers/" + name));
    const auto plan = isWvdial ? PlanWvdial(name.substr(kWvdialPrefix.size()), number, reader, &why)
                               : PlanPeer(name, number, reader, &why);
    if (!plan)
        throw HostError(why);

    // What is written must read back as the number asked for, and change no other entry.
    Reader check = reader; // the same state of the files, with the new texts
    check.overrides = plan->texts;
    Phonebook after;
    Read(check, after);
    for (const Entry& e : after.entries) {
        const auto before = std::find_if(book.entries.begin(), book.entries.end(),
                                         [&](const Entry& b) { return b.name == e.name; });
        // Entries dialling the same written number (a shared script, an included file)
        // change with it; no other entry may.
        const bool shared =
            before != book.entries.end() && before->number == entry->number && e.number == number;
        const bool expected = e.name == name
                                  ? e.number == number
                                  : before == book.entries.end() || before->number == e.number || shared;
        if (!expected)
            throw HostError(e.name == name
                                ? "Číslo „" + number + "“ nelze do souboru " + entry->sourceFile +
                                      " zapsat tak, aby se četlo stejně; upravte je ručně."
                                : "Zápis čísla položky „" + name + "“ by změnil i číslo položky „" + e.name +
                                      "“, která sdílí stejný soubor; upravte je ručně.");
    }
    return *plan;
}

std::set<std::string> Folders(const Plan& plan)
{
    std::set<std::string> folders;
    for (const auto& [path, text] : plan.texts) {
        char resolved[PATH_MAX];
        folders.insert(ParentDir(::realpath(path.c_str(), resolved) ? std::string(resolved) : path));
    }
    return folders;
}

} // namespace

void WriteNumber(const std::string& name, const std::string& number)
{
    if (!ppp::IsDialText(number))
        throw HostError("Číslo „" + number + "“ smí obsahovat jen číslice, znaky *#,;WPT@! a mezery.");
    Plan plan = PlanWrite(name, number);
    if (plan.texts.empty())
        return;
    for (const auto& [path, text] : plan.texts)
        if (::access(path.c_str(), W_OK) != 0 || ::access(ParentDir(path).c_str(), W_OK) != 0)
            throw HostError(AdministratorHint(path, name, number));

    // Another writer (a second nuvex-ras, the program's Revert) may be at the same files:
    // hold their folders' locks (in one order), plan again on what is there now, write.
    const std::set<std::string> folders = Folders(plan);
    std::vector<std::unique_ptr<FolderLock>> locks;
    try {
        for (const std::string& folder : folders)
            locks.push_back(std::make_unique<FolderLock>(folder + "/.nuvex-lock"));
    } catch (const std::system_error& error) {
        throw HostError("Složku " + *folders.begin() +
                        " nelze zamknout pro zápis: " + error.code().message() + ".");
    }
    plan = PlanWrite(name, number);
    if (plan.texts.empty())
        return; // written meanwhile by the other writer
    if (Folders(plan) != folders)
        throw HostError("Soubory položky „" + name + "“ se právě změnily; zkuste to znovu.");
    for (const auto& [path, text] : plan.texts)
        ReplaceKeepingOwner(path, text, name, number);
}

std::string ShellQuoted(const std::string& text)
{
    if (!text.empty() &&
        text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                               "_-.,/+*#@=:") == std::string::npos)
        return text;
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace nuvex::platform::host
