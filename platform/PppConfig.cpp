// Reading pppd's options files and the shell command of its `connect` option as pppd and
// sh read them (PppConfig.h); pure functions over text. chat's part is in ChatConfig.cpp.

#include "platform/PppConfig.h"

#include "platform/HexDigit.h"

namespace nuvex::platform::ppp {

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
        if (IsWordBlank(c)) {
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
                    AppendByte(word, '\a', kNoOffset);
                    break;
                case 'b':
                    AppendByte(word, '\b', kNoOffset);
                    break;
                case 'f':
                    AppendByte(word, '\f', kNoOffset);
                    break;
                case 'n':
                    AppendByte(word, '\n', kNoOffset);
                    break;
                case 'r':
                    AppendByte(word, '\r', kNoOffset);
                    break;
                case 's':
                    AppendByte(word, ' ', kNoOffset);
                    break;
                case 't':
                    AppendByte(word, '\t', kNoOffset);
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
                        AppendByte(word, 'x', i - 1);
                    else
                        AppendByte(word, static_cast<char>(value), kNoOffset);
                    break;
                }
                case '^':
                    if (i < n) {
                        AppendByte(word, static_cast<char>(text[i] & 0x1f), kNoOffset);
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
                        AppendByte(word, static_cast<char>(value), kNoOffset);
                    } else {
                        AppendByte(word, e, i - 1); // the byte itself, in its place
                    }
                }
                continue;
            }
            if (quote) {
                if (ch == quote)
                    quote = 0;
                else
                    AppendByte(word, ch, i);
                ++i;
                continue;
            }
            if (IsWordBlank(ch) || ch == '#')
                break;
            if (ch == '"' || ch == '\'') {
                quote = ch;
                started = true;
                ++i;
                continue;
            }
            AppendByte(word, ch, i);
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
        if (IsWordBlank(c)) {
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
            AppendByte(op, c, kNoOffset);
            if (c != ';' && i + 1 < n && command[i + 1] == c)
                AppendByte(op, command[++i], kNoOffset);
            ++i;
            words.push_back(std::move(op));
            continue;
        }
        Word word;
        while (i < n) {
            const char ch = command[i];
            if (IsWordBlank(ch) || ch == ';' || ch == '&' || ch == '|')
                break;
            if (ch == '\\') {
                if (i + 1 < n && command[i + 1] != '\n')
                    AppendByte(word, command[i + 1], i + 1);
                i += 2;
                continue;
            }
            if (ch == '\'') {
                ++i;
                while (i < n && command[i] != '\'') {
                    AppendByte(word, command[i], i);
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
                        AppendByte(word, command[i + 1], i + 1);
                        i += 2;
                        continue;
                    }
                    AppendByte(word, command[i], i);
                    ++i;
                }
                ++i;
                continue;
            }
            AppendByte(word, ch, i);
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

} // namespace nuvex::platform::ppp
