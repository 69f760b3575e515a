#pragma once

// Reading pppd's and chat's configuration the way those programs read it, as pure
// functions over text: pppd options files, the shell command of pppd's `connect`
// option, chat's command line and chat scripts, and the dial command of a modem.
//
// Every word keeps, for each of its bytes, the offset in the source text that byte came
// from (kNoOffset when an escape or a quote produced it), so that a dial string found
// deep inside quotes can be rewritten in place.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvex::platform::ppp {

inline constexpr std::size_t kNoOffset = static_cast<std::size_t>(-1);

struct Word
{
    std::string text;
    std::vector<std::size_t> offsets; // one per byte of text

    // The source range [offset, offset + size) holding exactly this text, byte for byte
    // and unescaped; nothing when the text is empty or came through an escape.
    std::optional<std::size_t> RawOffset() const;
};

// The blanks that separate words for pppd, sh and chat.
inline bool IsWordBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Appends one byte to a word with the source offset it came from.
inline void AppendByte(Word& word, char c, std::size_t offset)
{
    word.text.push_back(c);
    word.offsets.push_back(offset);
}

// The words of a pppd options file: blanks separate words, `#` starts a comment, double
// and single quotes group, a backslash escapes (\n \r \t \b \f \s, \ooo, \xHH, \^C,
// backslash-newline joins lines).
std::vector<Word> SplitPppdOptions(std::string_view text);

// The words of a command as `sh -c` splits it: blanks separate, single quotes take
// everything literally, double quotes and a backslash escape the next byte. Offsets are
// those of the command text.
std::vector<Word> SplitShellWords(std::string_view command);

// Maps a word whose offsets point into outer.text onto the offsets outer points to.
Word MapThrough(const Word& inner, const Word& outer);

// The options of a pppd options file that matter to the phonebook, in file order (pppd
// reads an included file where its option stands, and a later `connect` wins).
struct PppdOption
{
    enum class Kind
    {
        Connect,
        File,
        Call,
        Speed,
        Device
    };
    Kind kind;
    Word value;
};
std::vector<PppdOption> ReadPppdOptions(const std::vector<Word>& words);

// chat's command line inside a `connect` command: the script file of -f, the phone
// number of -T (and -U), and the inline script otherwise.
struct ChatCommand
{
    std::optional<Word> scriptFile;
    std::optional<Word> phone;  // -T
    std::optional<Word> phone2; // -U
    std::vector<Word> script;   // inline expect-send words (when there is no -f)
};
// Nothing when the command runs no chat.
std::optional<ChatCommand> FindChatCommand(const std::vector<Word>& shellWords);

// The words of a chat script file: blanks separate, a word beginning with a quote runs
// to the same quote (a backslash keeps the next byte, both stay in the word), `#` at the
// start of a word comments out the rest of the line.
std::vector<Word> SplitChatScript(std::string_view text);

// The send strings of a script (keywords such as ABORT and TIMEOUT take their argument
// out of the expect-send alternation).
std::vector<Word> ChatSendStrings(const std::vector<Word>& script);

// The dial string of the first dial command (ATD, ATDT or ATDP in any letter case,
// possibly after other commands of the same AT line) among send strings: the rest of
// the send string after the command, offsets kept. Nothing when no send string dials.
std::optional<Word> FindDialString(const std::vector<Word>& sendStrings);

// A dial string as chat would send it, with \T replaced by the -T number (\U by -U):
// the pieces of the number in order. Exactly one piece is the rewritable "number
// piece": the -T argument when the dial string holds \T, else the dial string itself.
struct DialNumber
{
    std::string text;     // what is dialled
    std::string before;   // fixed text before the number piece
    Word piece;           // the number piece (offsets into its own source)
    bool pieceIsPhoneArg; // the piece is chat's -T argument, not the dial string
    std::string after;    // fixed text after it
};
std::optional<DialNumber> ResolveDialNumber(const Word& dialString, const std::optional<Word>& phone,
                                            const std::optional<Word>& phone2);

// Characters a dial string may hold besides digits: the dial characters and blanks.
bool IsDialText(std::string_view text);

// Text with [offset, offset + length) replaced; every other byte kept.
std::string ReplaceRange(std::string_view text, std::size_t offset, std::size_t length,
                         std::string_view replacement);

} // namespace nuvex::platform::ppp
