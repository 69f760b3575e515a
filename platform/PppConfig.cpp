// Reading pppd's options files, the shell command of `connect` and chat's scripts as
// pppd and chat read them (PppConfig.h); pure functions over text.

#include "platform/PppConfig.h"

#include "platform/HexDigit.h"

#include <cctype>

namespace nuvex::platform::ppp {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

char Upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void Put(Word& word, char c, std::size_t offset)
{
    word.text.push_back(c);
    word.offsets.push_back(offset);
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

std::optional<std::size_t> Word::RawOffset() const
{
    if (text.empty() || offsets.size() != text.size() || offsets.front() == kNoOffset)
        return std::nullopt;
    for (std::size_t i = 1; i < offsets.size(); ++i)
        if (offsets[i] != offsets.front() + i)
            return std::nullopt;
    return offsets.front();
}

std::vector<Word> SplitPppdOptions(std::string_view text)
{
    std::vector<Word> words;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        // Blanks and comments between words; backslash-newline is nothing.
        const char c = text[i];
        if (IsBlank(c)) {
            ++i;
            continue;
        }
        if (c == '#') {
            while (i < n && text[i] != '\n')
                ++i;
            continue;
        }
        if (c == '\\' && i + 1 < n && text[i + 1] == '\n') {
            i += 2;
            continue;
        }
        Word word;
        char quote = 0;
        bool started = false;
        while (i < n) {
            const char ch = text[i];
            if (ch == '\\') {
                if (i + 1 >= n) {
                    ++i;
                    break;
                }
                const char e = text[i + 1];
                i += 2;
                started = true;
                switch (e) {
                case '\n':
                    break;
                case 'a':
                    Put(word, '\a', kNoOffset);
                    break;
                case 'b':
                    Put(word, '\b', kNoOffset);
                    break;
                case 'f':
                    Put(word, '\f', kNoOffset);
                    break;
                case 'n':
                    Put(word, '\n', kNoOffset);
                    break;
                case 'r':
                    Put(word, '\r', kNoOffset);
                    break;
                case 's':
                    Put(word, ' ', kNoOffset);
                    break;
                case 't':
                    Put(word, '\t', kNoOffset);
                    break;
                case 'x': {
                    int value = 0;
                    int digits = 0;
                    while (digits < 2 && i < n && HexDigitValue(text[i]) >= 0) {
                        value = value * 16 + HexDigitValue(text[i]);
                        ++i;
                        ++digits;
                    }
                    if (digits == 0)
                        Put(word, 'x', i - 1);
                    else
                        Put(word, static_cast<char>(value), kNoOffset);
                    break;
                }
                case '^':
                    if (i < n) {
                        Put(word, static_cast<char>(text[i] & 0x1f), kNoOffset);
                        ++i;
                    }
                    break;
                default:
                    if (e >= '0' && e <= '7') {
                        int value = e - '0';
                        int digits = 1;
                        while (digits < 3 && i < n && text[i] >= '0' && text[i] <= '7') {
                            value = value * 8 + (text[i] - '0');
                            ++i;
                            ++digits;
                        }
                        Put(word, static_cast<char>(value), kNoOffset);
                    } else {
                        Put(word, e, i - 1); // the byte itself, in its place
                    }
                }
                continue;
            }
            if (quote) {
                if (ch == quote)
                    quote = 0;
                else
                    Put(word, ch, i);
                ++i;
                continue;
            }
            if (IsBlank(ch) || ch == '#')
                break;
            if (ch == '"' || ch == '\'') {
                quote = ch;
                started = true;
                ++i;
                continue;
            }
            Put(word, ch, i);
            started = true;
            ++i;
        }
        if (started)
            words.push_back(std::move(word));
    }
    return words;
}

std::vector<Word> SplitShellWords(std::string_view command)
{
    std::vector<Word> words;
    const std::size_t n = command.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = command[i];
        if (IsBlank(c)) {
            ++i;
            continue;
        }
        if (c == '#') { // a comment at the start of a word
            while (i < n && command[i] != '\n')
                ++i;
            continue;
        }
        if (c == ';' || c == '&' || c == '|') {
            Word op;
            Put(op, c, kNoOffset);
            if (c != ';' && i + 1 < n && command[i + 1] == c)
                Put(op, command[++i], kNoOffset);
            ++i;
            words.push_back(std::move(op));
            continue;
        }
        Word word;
        while (i < n) {
            const char ch = command[i];
            if (IsBlank(ch) || ch == ';' || ch == '&' || ch == '|')
                break;
            if (ch == '\\') {
                if (i + 1 < n && command[i + 1] != '\n')
                    Put(word, command[i + 1], i + 1);
                i += 2;
                continue;
            }
            if (ch == '\'') {
                ++i;
                while (i < n && command[i] != '\'') {
                    Put(word, command[i], i);
                    ++i;
                }
                ++i;
                continue;
            }
            if (ch == '"') {
                ++i;
                while (i < n && command[i] != '"') {
                    if (command[i] == '\\' && i + 1 < n &&
                        (command[i + 1] == '"' || command[i + 1] == '\\' || command[i + 1] == '$' ||
                         command[i + 1] == '`')) {
                        Put(word, command[i + 1], i + 1);
                        i += 2;
                        continue;
                    }
                    Put(word, command[i], i);
                    ++i;
                }
                ++i;
                continue;
            }
            Put(word, ch, i);
            ++i;
        }
        words.push_back(std::move(word));
    }
    return words;
}

Word MapThrough(const Word& inner, const Word& outer)
{
    Word mapped;
    mapped.text = inner.text;
    mapped.offsets.reserve(inner.offsets.size());
    for (const std::size_t offset : inner.offsets)
        mapped.offsets.push_back(offset < outer.offsets.size() ? outer.offsets[offset] : kNoOffset);
    return mapped;
}

std::vector<PppdOption> ReadPppdOptions(const std::vector<Word>& words)
{
    // Options whose value is one more word: their value is neither a speed nor a device.
    static constexpr std::string_view kWithValue[] = {"init",
                                                      "disconnect",
                                                      "welcome",
                                                      "user",
                                                      "password",
                                                      "remotename",
                                                      "name",
                                                      "linkname",
                                                      "ipparam",
                                                      "plugin",
                                                      "pty",
                                                      "socket",
                                                      "logfile",
                                                      "logfd",
                                                      "idle",
                                                      "holdoff",
                                                      "maxfail",
                                                      "unit",
                                                      "mtu",
                                                      "mru",
                                                      "asyncmap",
                                                      "escape",
                                                      "ms-dns",
                                                      "ms-wins",
                                                      "connect-delay",
                                                      "lcp-echo-interval",
                                                      "lcp-echo-failure",
                                                      "demand-time",
                                                      "active-filter",
                                                      "pass-filter",
                                                      "netmask",
                                                      "domain",
                                                      "record"};
    std::vector<PppdOption> options;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& name = words[i].text;
        const bool hasValue = i + 1 < words.size();
        if (name == "connect" && hasValue) {
            options.push_back({PppdOption::Kind::Connect, words[++i]});
        } else if (name == "file" && hasValue) {
            options.push_back({PppdOption::Kind::File, words[++i]});
        } else if (name == "call" && hasValue) {
            options.push_back({PppdOption::Kind::Call, words[++i]});
        } else if (!name.empty() && name.size() <= 9 &&
                   name.find_first_not_of("0123456789") == std::string::npos) {
            options.push_back({PppdOption::Kind::Speed, words[i]});
        } else if (name.starts_with("/dev/")) {
            options.push_back({PppdOption::Kind::Device, words[i]});
        } else if (hasValue) {
            for (const std::string_view option : kWithValue)
                if (name == option) {
                    ++i;
                    break;
                }
        }
    }
    return options;
}

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
        if (IsBlank(c)) {
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
                    Put(word, text[i], i);
                    ++i;
                }
                Put(word, text[i], i);
                ++i;
            }
            if (i < n && text[i] == c)
                ++i;
        } else {
            while (i < n && !IsBlank(text[i])) {
                Put(word, text[i], i);
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
            if (i > 0 && !IsBlank(t[i - 1]))
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
