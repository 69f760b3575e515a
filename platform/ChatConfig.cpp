// Reading chat's command line and scripts, and the dial command of a modem, as chat and
// the modem read them (PppConfig.h); pure functions over text.

#include "platform/PppConfig.h"

#include <algorithm>
#include <cctype>

namespace nuvex::platform::ppp {

namespace {

char Upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

Word Slice(const Word& word, std::size_t from, std::size_t to = std::string::npos)
{
    Word part;
    to = std::min(to, word.text.size());
    if (from >= to)
        return part;
    part.text = word.text.substr(from, to - from);
    part.offsets.assign(word.offsets.begin() + static_cast<std::ptrdiff_t>(from),
                        word.offsets.begin() + static_cast<std::ptrdiff_t>(to));
    return part;
}

std::string BaseNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsShellOperator(const Word& word)
{
    return !word.offsets.empty() && word.offsets.front() == kNoOffset &&
           (word.text == ";" || word.text == "&" || word.text == "|" || word.text == "&&" ||
            word.text == "||");
}

} // namespace

std::optional<ChatCommand> FindChatCommand(const std::vector<Word>& shellWords)
{
    std::size_t i = 0;
    for (; i < shellWords.size(); ++i)
        if (!IsShellOperator(shellWords[i]) && BaseNameOf(shellWords[i].text) == "chat")
            break;
    if (i == shellWords.size())
        return std::nullopt;
    ChatCommand chat;
    ++i;
    // Options, each possibly with its value in the same word (-fFILE) or the next.
    for (; i < shellWords.size() && !IsShellOperator(shellWords[i]); ++i) {
        const Word& word = shellWords[i];
        if (word.text.size() < 2 || word.text.front() != '-')
            break;
        bool done = false;
        for (std::size_t k = 1; k < word.text.size() && !done; ++k) {
            const char option = word.text[k];
            if (option == 'f' || option == 'T' || option == 'U' || option == 't' || option == 'r') {
                Word value;
                if (k + 1 < word.text.size()) {
                    value = Slice(word, k + 1);
                } else if (i + 1 < shellWords.size()) {
                    value = shellWords[++i];
                }
                if (option == 'f')
                    chat.scriptFile = value;
                else if (option == 'T')
                    chat.phone = value;
                else if (option == 'U')
                    chat.phone2 = value;
                done = true;
            }
        }
    }
    if (!chat.scriptFile)
        for (; i < shellWords.size() && !IsShellOperator(shellWords[i]); ++i)
            chat.script.push_back(shellWords[i]);
    return chat;
}

std::vector<Word> SplitChatScript(std::string_view text)
{
    std::vector<Word> words;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (IsWordBlank(c)) {
            ++i;
            continue;
        }
        if (c == '#') {
            while (i < n && text[i] != '\n')
                ++i;
            continue;
        }
        Word word;
        if (c == '"' || c == '\'') {
            ++i;
            while (i < n && text[i] != c && text[i] != '\n') {
                if (text[i] == '\\' && i + 1 < n && text[i + 1] != '\n') {
                    AppendByte(word, text[i], i);
                    ++i;
                }
                AppendByte(word, text[i], i);
                ++i;
            }
            if (i < n && text[i] == c)
                ++i;
        } else {
            while (i < n && !IsWordBlank(text[i])) {
                AppendByte(word, text[i], i);
                ++i;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<Word> ChatSendStrings(const std::vector<Word>& script)
{
    static constexpr std::string_view kKeywords[] = {"ABORT", "CLR_ABORT", "REPORT", "CLR_REPORT", "TIMEOUT",
                                                     "ECHO",  "HANGUP",    "SAY",    "TERMINAL"};
    std::vector<Word> sends;
    for (std::size_t i = 0; i + 1 < script.size(); i += 2) {
        bool keyword = false;
        for (const std::string_view k : kKeywords)
            keyword = keyword || script[i].text == k;
        if (!keyword)
            sends.push_back(script[i + 1]);
    }
    return sends;
}

namespace {

// The dial string of one AT command line starting at `at` (just after "AT").
std::optional<Word> DialAfterAt(const Word& send, std::size_t at)
{
    const std::string& t = send.text;
    std::size_t j = at;
    const auto digits = [&] {
        while (j < t.size() && IsDigit(t[j]))
            ++j;
    };
    while (j < t.size()) {
        const char c = Upper(t[j]);
        if (c == ' ') {
            ++j;
        } else if (c == 'D') {
            ++j;
            if (j < t.size() && (Upper(t[j]) == 'T' || Upper(t[j]) == 'P'))
                ++j;
            while (j < t.size() && t[j] == ' ') // the modem skips blanks
                ++j;
            return Slice(send, j);
        } else if (c == '+') {
            while (j < t.size() && t[j] != ';')
                ++j;
            if (j < t.size())
                ++j;
        } else if (c == '&' || c == '\\' || c == '%') {
            j += 2;
            digits();
        } else if (c == 'S') {
            ++j;
            digits();
            if (j < t.size() && t[j] == '?') {
                ++j;
            } else if (j < t.size() && t[j] == '=') {
                ++j;
                digits();
            }
        } else if (c >= 'A' && c <= 'Z') {
            ++j;
            digits();
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<Word> FindDialString(const std::vector<Word>& sendStrings)
{
    for (const Word& send : sendStrings) {
        const std::string& t = send.text;
        for (std::size_t i = 0; i + 1 < t.size(); ++i) {
            if (Upper(t[i]) != 'A' || Upper(t[i + 1]) != 'T')
                continue;
            if (i > 0 && !IsWordBlank(t[i - 1]))
                continue;
            if (auto dial = DialAfterAt(send, i + 2))
                return dial;
        }
    }
    return std::nullopt;
}

std::optional<DialNumber> ResolveDialNumber(const Word& dialString, const std::optional<Word>& phone,
                                            const std::optional<Word>& phone2)
{
    DialNumber number;
    number.pieceIsPhoneArg = false;
    const std::string& t = dialString.text;
    bool pieceSet = false;
    std::size_t literalFrom = 0;
    std::string* fixed = &number.before;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] != '\\' || i + 1 >= t.size() || (t[i + 1] != 'T' && t[i + 1] != 'U'))
            continue;
        const bool isT = t[i + 1] == 'T';
        const std::string replacement =
            isT ? (phone ? phone->text : std::string()) : (phone2 ? phone2->text : std::string());
        const std::string literal = t.substr(literalFrom, i - literalFrom);
        number.text += literal + replacement;
        *fixed += literal;
        if (isT && !pieceSet && phone) {
            number.piece = *phone;
            number.pieceIsPhoneArg = true;
            pieceSet = true;
            fixed = &number.after;
        } else {
            *fixed += replacement;
        }
        literalFrom = i + 2;
        ++i;
    }
    const std::string tail = t.substr(literalFrom);
    number.text += tail;
    *fixed += tail;
    if (!pieceSet) {
        // No -T number in it: the dial string itself is the number, rewritten where written.
        number.before.clear();
        number.after.clear();
        if (literalFrom == 0)
            number.piece = dialString;
        else
            number.piece = Word{}; // mixed with \U: not rewritable
    }
    return number;
}

bool IsDialText(std::string_view text)
{
    for (const char c : text)
        if (!IsDigit(c) && std::string_view("*#,;WPT@! ").find(c) == std::string_view::npos)
            return false;
    return true;
}

std::string ReplaceRange(std::string_view text, std::size_t offset, std::size_t length,
                         std::string_view replacement)
{
    std::string result;
    result.reserve(text.size() - length + replacement.size());
    result.append(text.substr(0, offset));
    result.append(replacement);
    result.append(text.substr(offset + length));
    return result;
}

} // namespace nuvex::platform::ppp
