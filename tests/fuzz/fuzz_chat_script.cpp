// chat scripts: the text before the first NUL byte is a script; after it come chat's -T
// and -U numbers and a new number. The words keep their places and read back the same
// written out again; the send strings, the dial string and the number dialled are where
// and what chat makes of them; a dial string written in place with digits reads back as
// those digits, every other byte kept.

#include "platform/PppConfig.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/PppWords.h"

#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace nuvex::fuzz;
using namespace nuvex::test;
namespace ppp = nuvex::platform::ppp;

namespace {

// Whether text, put between two quote bytes, reads back as itself: no line break, the
// quote only after a backslash, and no backslash left to swallow the closing quote.
bool Quotable(std::string_view text, char quote)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == quote)
            return false;
        if (text[i] == '\\') {
            if (i + 1 == text.size())
                return false;
            ++i;
            if (text[i] == '\n')
                return false;
        }
    }
    return true;
}

// The script written again, each word bare when it can stand bare, else quoted; nothing
// when a word can be written neither way.
std::optional<std::string> Rewritten(const std::vector<ppp::Word>& words)
{
    std::string text;
    for (const ppp::Word& word : words) {
        const std::string& t = word.text;
        bool bare = !t.empty() && t.front() != '"' && t.front() != '\'' && t.front() != '#';
        for (const char c : t)
            bare = bare && !std::isspace(static_cast<unsigned char>(c));
        if (bare)
            text += t;
        else if (Quotable(t, '"'))
            text += '"' + t + '"';
        else if (Quotable(t, '\''))
            text += '\'' + t + '\'';
        else
            return std::nullopt;
        text += '\n';
    }
    return text;
}

// chat's substitution, byte by byte: \T is the -T number, \U the -U number.
std::string Substituted(std::string_view dial, const std::optional<ppp::Word>& phone,
                        const std::optional<ppp::Word>& phone2)
{
    std::string text;
    for (std::size_t i = 0; i < dial.size(); ++i) {
        if (dial[i] == '\\' && i + 1 < dial.size() && (dial[i + 1] == 'T' || dial[i + 1] == 'U')) {
            const auto& number = dial[i + 1] == 'T' ? phone : phone2;
            text += number ? number->text : std::string();
            ++i;
        } else {
            text += dial[i];
        }
    }
    return text;
}

std::optional<ppp::DialNumber> Dialled(std::string_view script, const std::optional<ppp::Word>& phone,
                                       const std::optional<ppp::Word>& phone2)
{
    const auto dial = ppp::FindDialString(ppp::ChatSendStrings(ppp::SplitChatScript(script)));
    if (!dial)
        return std::nullopt;
    return ppp::ResolveDialNumber(*dial, phone, phone2);
}

std::optional<ppp::Word> Argument(FuzzInput& in, std::size_t base)
{
    if (in.Byte() % 4 == 0)
        return std::nullopt;
    return WordAt(in.Text(20), base);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::string_view script = in.UpToNul();
    // The -T and -U words come from another file (the peer's connect option).
    const std::optional<ppp::Word> phone = Argument(in, 1000000);
    const std::optional<ppp::Word> phone2 = Argument(in, 2000000);
    std::string digits;
    for (const char c : in.Text(24))
        digits += static_cast<char>('0' + static_cast<unsigned char>(c) % 10);

    const std::vector<ppp::Word> words = ppp::SplitChatScript(script);
    std::size_t last = 0;
    for (const ppp::Word& word : words) {
        FUZZ_CHECK(word.offsets.size() == word.text.size());
        for (std::size_t k = 0; k < word.text.size(); ++k) {
            FUZZ_CHECK(word.offsets[k] < script.size() && script[word.offsets[k]] == word.text[k]);
            FUZZ_CHECK(word.offsets[k] >= last);
            last = word.offsets[k] + 1;
        }
    }
    if (const auto again = Rewritten(words))
        FUZZ_CHECK(Texts(ppp::SplitChatScript(*again)) == Texts(words));

    // Send strings are the second word of each expect-send pair that is no keyword's.
    const std::vector<ppp::Word> sends = ppp::ChatSendStrings(words);
    std::size_t next = 1;
    for (const ppp::Word& send : sends) {
        while (next < words.size() && !SameWord(words[next], send))
            next += 2;
        FUZZ_CHECK(next < words.size());
        next += 2;
    }

    const auto dial = ppp::FindDialString(sends);
    if (!dial)
        return 0;
    // The end of a send string that has an AT command before it.
    bool inSend = false;
    for (const ppp::Word& send : sends) {
        if (send.text.size() < dial->text.size() + 3 || !EndsWithWord(send, *dial))
            continue;
        const std::string head = send.text.substr(0, send.text.size() - dial->text.size());
        std::string upper;
        for (const char c : head)
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        inSend = inSend || (upper.find("AT") != std::string::npos && upper.find('D') != std::string::npos);
    }
    FUZZ_CHECK(inSend);

    const auto number = ppp::ResolveDialNumber(*dial, phone, phone2);
    FUZZ_CHECK(number.has_value());
    FUZZ_CHECK(number->text == Substituted(dial->text, phone, phone2));
    if (number->pieceIsPhoneArg) {
        FUZZ_CHECK(phone && SameWord(number->piece, *phone));
        FUZZ_CHECK(number->before + number->piece.text + number->after == number->text);
    } else if (!number->piece.text.empty()) {
        FUZZ_CHECK(SameWord(number->piece, *dial) && number->text == dial->text);
    }

    // The number written where the dial string stands.
    const auto raw = number->piece.RawOffset();
    if (number->pieceIsPhoneArg || !raw || digits.empty())
        return 0;
    const std::string written = ppp::ReplaceRange(script, *raw, number->piece.text.size(), digits);
    FUZZ_CHECK(written.substr(0, *raw) == script.substr(0, *raw));
    FUZZ_CHECK(written.substr(*raw + digits.size()) == script.substr(*raw + number->piece.text.size()));
    const auto after = Dialled(written, phone, phone2);
    FUZZ_CHECK(after && after->text == digits);
    return 0;
}
