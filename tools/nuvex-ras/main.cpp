// nuvex-ras: plays the user, the modem and a dialer on the emulated dial-up service, so
// that people trying the program and the black-box tests can drive what the watch sees.

#include "news/VersionInfo.h"
#include "platform/Decimal.h"
#include "platform/EmulatedMachine.h"
#include "platform/HostConnections.h"
#include "platform/HostPhonebook.h"
#include "watch/EntryNumber.h"

#include <QByteArray>
#include <QString>
#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace standin = nuvex::platform::rasstandin;
using nuvex::platform::ParseDecimal;

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

// A command line that does not say what to do; exit status 2.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

constexpr std::string_view kHelp =
    R"(Použití: nuvex-ras PŘÍKAZ [ARGUMENTY]

Ovládá emulovanou službu telefonického připojení, kterou hlídá Nuvex: telefonní
seznam, aktivní připojení a čítače adaptéru. Pracuje se soubory počítače
určeného proměnnou NUVEX_SYSTEM_ROOT (jinak výchozího umístění).

Telefonní seznam:
  list                    vypíše položky, na každém řádku název, tabulátor
                          a číslo
  add NÁZEV ČÍSLO         přidá položku
  set NÁZEV ČÍSLO         změní číslo existující položky
  remove NÁZEV            odebere položku

Připojení:
  dial NÁZEV [--hangup-delay MS] [--dialling]
                          vytočí položku a vypíše popisovač nového připojení;
                          --hangup-delay MS: připojení zmizí až MS milisekund
                          poté, co ho služba zavěsí (záporné číslo: nikdy,
                          linka se zasekne); --dialling: připojení zůstane ve
                          stavu vytáčení
  drop NÁZEV              připojení položky ohlásí stav odpojeno
  hangup NÁZEV            připojení položky okamžitě zanikne
  connections             vypíše připojení, na každém řádku popisovač, název
                          položky a stav (connected, disconnected, dialling)
                          oddělené tabulátorem

Adaptér:
  recv BAJTY              přičte přijaté bajty k čítači (ten přetéká po 2^32)
  speed BPS               nastaví rychlost připojení v bitech za sekundu
  stats                   vypíše řádky „bytes<TAB>N“ a „speed<TAB>N“

  help, -h, --help        vypíše tuto nápovědu
  --version               vypíše verzi programu

Tento počítač (pppd a wvdial), jak jej čte Nuvex:
  --host list             vypíše položky, na každém řádku název, tabulátor,
                          vytáčené číslo, tabulátor a soubor, odkud číslo je
  --host connections      vypíše běžící spojení pppd: popisovač (PID), název
                          položky, stav (connected, dialling) a rozhraní
  --host set NÁZEV ČÍSLO  přepíše vytáčené číslo v souboru, odkud pochází
                          (soubory v /etc smí měnit jen správce: sudo)

ČÍSLO se píše jako země-(předvolba)-místní číslo, např. 420-(2)-123456, nebo
jako samotné místní číslo, např. 555. Předvolba může mít nejvýše 10 bajtů,
místní číslo 1 až 128 bajtů.

Návratový kód: 0 úspěch, 1 příkaz byl odmítnut nebo selhal, 2 chybné použití.
)";

void Write(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

std::string Quoted(std::string_view text)
{
    return "„" + std::string(text) + "“";
}

std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// A number text is accepted only when it is exactly what the program itself would write
// for the parts it splits into; anything else would be stored as a different number.
standin::EntryNumber ParseNumberText(const std::string& text)
{
    const std::string malformed = "Chybné číslo " + Quoted(text) +
                                  ": očekává se země-(předvolba)-místní číslo, např. 420-(2)-123456, "
                                  "nebo místní číslo, např. 555.";
    const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (Utf8(qtext) != text) // not valid UTF-8
        throw UsageError(malformed);
    const nuvex::TEntryNumberParts parts = nuvex::SplitEntryNumber(qtext);
    const std::optional<quint32> country = nuvex::ParseCountryCode(parts.CountryCode);
    if (!country || parts.LocalNumber.isEmpty() ||
        nuvex::FormatEntryNumber(*country, parts.AreaCode, parts.LocalNumber) != qtext)
        throw UsageError(malformed);
    standin::EntryNumber number{*country, Utf8(parts.AreaCode), Utf8(parts.LocalNumber)};
    if (number.areaCode.size() > nuvex::platform::ras::RAS_MaxAreaCode)
        throw UsageError("Předvolba v čísle " + Quoted(text) + " je delší než 10 bajtů.");
    if (number.localNumber.size() > nuvex::platform::ras::RAS_MaxPhoneNumber)
        throw UsageError("Místní číslo v čísle " + Quoted(text) + " je delší než 128 bajtů.");
    return number;
}

class CommandLine
{
public:
    explicit CommandLine(std::vector<std::string> args) : args_(std::move(args)) {}

    const std::string& Command() const { return args_.front(); }

    // The command's arguments, which must be exactly count.
    const std::vector<std::string>& Expect(std::size_t count) const
    {
        const std::size_t given = args_.size() - 1;
        if (given < count)
            throw UsageError("Příkazu " + Quoted(Command()) + " chybí argument.");
        if (given > count)
            throw UsageError("Příkaz " + Quoted(Command()) + " má nadbytečný argument " +
                             Quoted(args_[count + 1]) + ".");
        return args_;
    }

    const std::vector<std::string>& All() const { return args_; }

private:
    std::vector<std::string> args_;
};

struct DialOptions
{
    std::string entryName;
    standin::ConnectionState state = standin::ConnectionState::Connected;
    int hangUpDelayMs = 0;
};

DialOptions ParseDial(const std::vector<std::string>& args)
{
    DialOptions options;
    std::optional<std::string> name;
    bool delaySeen = false;
    bool diallingSeen = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--hangup-delay") {
            if (delaySeen)
                throw UsageError("Volba --hangup-delay je uvedena dvakrát.");
            if (i + 1 >= args.size())
                throw UsageError("Za volbou --hangup-delay chybí počet milisekund.");
            const auto delay = ParseDecimal<int>(args[++i]);
            if (!delay)
                throw UsageError(Quoted(args[i]) + " není celý počet milisekund.");
            options.hangUpDelayMs = *delay;
            delaySeen = true;
        } else if (arg == "--dialling") {
            if (diallingSeen)
                throw UsageError("Volba --dialling je uvedena dvakrát.");
            options.state = standin::ConnectionState::Dialling;
            diallingSeen = true;
        } else if (arg.starts_with("--")) {
            throw UsageError("Neznámá volba " + Quoted(arg) + ".");
        } else if (!name) {
            name = arg;
        } else {
            throw UsageError("Příkaz „dial“ má nadbytečný argument " + Quoted(arg) + ".");
        }
    }
    if (!name)
        throw UsageError("Příkazu „dial“ chybí název položky.");
    options.entryName = *name;
    return options;
}

template <typename T> T ParseCount(const std::string& text, const char* what)
{
    const auto value = ParseDecimal<T>(text);
    if (!value)
        throw UsageError(Quoted(text) + " není " + what + ".");
    return *value;
}

namespace host = nuvex::platform::host;

int RunHost(const CommandLine& line)
{
    const std::string& command = line.Command();
    if (command == "list") {
        line.Expect(0);
        const host::Phonebook book = host::ReadPhonebook();
        std::string out;
        for (const host::Entry& entry : book.entries)
            out += entry.name + '\t' + entry.number + '\t' + entry.sourceFile + '\n';
        Write(stdout, out);
        for (const std::string& problem : book.problems)
            Write(stderr, "nuvex-ras: " + problem + '\n');
    } else if (command == "connections") {
        line.Expect(0);
        std::string out;
        for (const host::Link& link : host::RunningLinks())
            out += std::to_string(link.pid) + '\t' + link.entry + '\t' +
                   (link.interfaceUp ? "connected" : "dialling") + '\t' + link.interface + '\n';
        Write(stdout, out);
    } else if (command == "set") {
        const auto& args = line.Expect(2);
        host::WriteNumber(args[1], args[2]);
    } else {
        throw UsageError("Neznámý příkaz " + Quoted(command) + " pro tento počítač (--host).");
    }
    return 0;
}

int Run(const CommandLine& line)
{
    const std::string& command = line.Command();
    if (command == "help" || command == "-h" || command == "--help") {
        line.Expect(0);
        Write(stdout, kHelp);
    } else if (command == "--version") {
        line.Expect(0);
        Write(stdout, "nuvex-ras " + nuvex::VersionText().toStdString() +
                          "\nOvládání emulované služby telefonického připojení pro Nuvex\n"
                          "Licence GPL-3.0-or-later: GNU GPL verze 3 nebo pozdější.\n");
    } else if (command == "list") {
        line.Expect(0);
        std::string out;
        for (const std::string& name : standin::EntryNames()) {
            const auto number = standin::GetEntry(name);
            if (!number)
                continue; // removed meanwhile
            out +=
                name + '\t' +
                Utf8(nuvex::FormatEntryNumber(number->countryCode, QString::fromStdString(number->areaCode),
                                              QString::fromStdString(number->localNumber))) +
                '\n';
        }
        Write(stdout, out);
    } else if (command == "add" || command == "set") {
        const auto& args = line.Expect(2);
        const standin::EntryNumber number = ParseNumberText(args[2]);
        if (command == "add")
            standin::AddEntry(args[1], number);
        else
            standin::SetEntry(args[1], number);
    } else if (command == "remove") {
        standin::RemoveEntry(line.Expect(1)[1]);
    } else if (command == "dial") {
        const DialOptions options = ParseDial(line.All());
        const auto handle = standin::Dial(options.entryName, options.state, options.hangUpDelayMs);
        Write(stdout, std::to_string(handle) + '\n');
    } else if (command == "drop") {
        standin::Drop(line.Expect(1)[1]);
    } else if (command == "hangup") {
        standin::HangUp(line.Expect(1)[1]);
    } else if (command == "connections") {
        line.Expect(0);
        std::string out;
        for (const standin::Connection& c : standin::Connections())
            out += std::to_string(c.handle) + '\t' + c.entryName + '\t' + standin::StateName(c.state) + '\n';
        Write(stdout, out);
    } else if (command == "recv") {
        standin::AddReceivedBytes(ParseCount<std::uint64_t>(line.Expect(1)[1], "nezáporný počet bajtů"));
    } else if (command == "speed") {
        standin::SetConnectSpeed(
            ParseCount<std::uint32_t>(line.Expect(1)[1], "rychlost v bitech za sekundu (0 až 4294967295)"));
    } else if (command == "stats") {
        line.Expect(0);
        const standin::AdapterStats stats = standin::ReadAdapterStats();
        Write(stdout, "bytes\t" + std::to_string(stats.bytesReceived) + "\nspeed\t" +
                          std::to_string(stats.connectSpeed) + '\n');
    } else {
        throw UsageError("Neznámý příkaz " + Quoted(command) + ".");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Arguments stay the bytes they came as: names and numbers are UTF-8 on this machine.
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = 0;
    try {
        const bool onHost = !args.empty() && args.front() == "--host";
        if (onHost)
            args.erase(args.begin());
        if (args.empty())
            throw UsageError("Chybí příkaz.");
        status = onHost ? RunHost(CommandLine(std::move(args))) : Run(CommandLine(std::move(args)));
    } catch (const UsageError& e) {
        Write(stderr, std::string("nuvex-ras: ") + e.what() + "\nNápovědu vypíše „nuvex-ras --help“.\n");
        return kExitUsage;
    } catch (const std::exception& e) {
        // StandinError and ProfileError: refused or failed, with a message for the user.
        Write(stderr, std::string("nuvex-ras: ") + e.what() + '\n');
        return kExitRefused;
    }
    if (std::fflush(stdout) != 0) {
        Write(stderr, "nuvex-ras: Výstup nelze zapsat.\n");
        return kExitRefused;
    }
    return status;
}
