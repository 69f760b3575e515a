// Writing a number into this computer's dial-up phonebook (HostPhonebook.h): planned on
// the files as read, checked by reading the planned texts, then written under the
// folders' locks, each file replaced keeping its owner, group and mode.

#include "platform/AtomicFile.h"
#include "platform/HostPhonebook.h"
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
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace nuvex::platform::host {

namespace {

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
