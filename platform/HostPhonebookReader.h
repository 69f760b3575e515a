#pragma once

// Reading this computer's dial-up phonebook (HostPhonebook.h) file by file: shared by the
// reading of the phonebook (HostPhonebook.cpp) and the writing of a number, which plans
// on the files as read and checks its plan by reading again (HostPhonebookWrite.cpp).

#include "platform/HostPhonebook.h"
#include "platform/PppConfig.h"
#include "platform/WvdialConfig.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace nuvex::platform::host {

inline const std::string kWvdialPrefix = "wvdial ";

// Reads the phonebook's files, notes every source, and reports each unreadable one.
class Reader
{
public:
    explicit Reader(Phonebook* book) : book_(book) {}

    std::map<std::string, std::string> overrides; // path -> text that stands in for the file

    std::optional<std::string> Read(const std::string& path);
    // The regular files of a folder, sorted; reported once when it cannot be listed.
    std::vector<std::string> List(const std::string& folder);

private:
    void Note(const std::string& path);
    void Problem(std::string text);

    Phonebook* book_;
    std::map<std::string, std::optional<std::string>> read_;
};

struct PeerReading
{
    Entry entry;
    std::optional<ppp::DialNumber> dial;
    std::string pieceFile; // the file the number piece stands in
};

// An entry of /etc/ppp/peers/ with its dial number as chat would send it.
PeerReading ReadPeer(const std::string& name, Reader& reader);
wvdial::Config ReadWvdial(Reader& reader);
// Fills book (which the reader notes its sources and problems in).
void Read(Reader& reader, Phonebook& book);

} // namespace nuvex::platform::host
