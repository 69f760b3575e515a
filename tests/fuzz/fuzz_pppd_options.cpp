// pppd's options files: the text before the first NUL byte is an options file, the bytes
// after it the shell command of a `connect` option. Every word keeps the place each of its
// bytes came from; written out again in two other quotings, the words read back the same;
// the options found stand where the words say; a connect command's words, mapped through
// its option, still point at their own bytes of the file.

#include "platform/PppConfig.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/PppWords.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

using namespace nuvex::fuzz;
using namespace nuvex::test;
namespace ppp = nuvex::platform::ppp;

namespace {

// Every byte that names its place in source is the byte there, places grow from word to
// word, and a raw word is the source range it names.
void CheckPlaces(const std::vector<ppp::Word>& words, std::string_view source, bool ordered)
{
    bool any = false;
    std::size_t last = 0;
    for (const ppp::Word& word : words) {
        FUZZ_CHECK(word.offsets.size() == word.text.size());
        for (std::size_t k = 0; k < word.text.size(); ++k) {
            const std::size_t at = word.offsets[k];
            if (at == ppp::kNoOffset)
                continue;
            FUZZ_CHECK(at < source.size());
            FUZZ_CHECK(source[at] == word.text[k]);
            FUZZ_CHECK(!ordered || !any || at > last);
            any = true;
            last = at;
        }
        if (const auto raw = word.RawOffset()) {
            FUZZ_CHECK(*raw + word.text.size() <= source.size());
            FUZZ_CHECK(source.substr(*raw, word.text.size()) == word.text);
        }
    }
}

// Each word in double quotes, every byte but letters and digits as a three-digit octal
// escape.
std::string QuotedOctal(const std::vector<ppp::Word>& words)
{
    std::string text;
    for (const ppp::Word& word : words) {
        text += '"';
        for (const char c : word.text) {
            if (std::isalnum(static_cast<unsigned char>(c))) {
                text += c;
            } else {
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned char>(c));
                text += escape;
            }
        }
        text += "\" ";
    }
    return text;
}

// Each word bare, every byte but letters and digits after a backslash (a newline as \n,
// a caret and a NUL byte in octal), one word a line; an empty word as ''.
std::string BareEscaped(const std::vector<ppp::Word>& words)
{
    std::string text;
    for (const ppp::Word& word : words) {
        if (word.text.empty())
            text += "''";
        for (const char c : word.text) {
            if (std::isalnum(static_cast<unsigned char>(c)))
                text += c;
            else if (c == '\n')
                text += "\\n";
            else if (c == '^')
                text += "\\136";
            else if (c == '\0')
                text += "\\000";
            else
                text += std::string("\\") + c;
        }
        text += '\n';
    }
    return text;
}

// Where the options stand: each value is a word of the file, in order, and a connect,
// file or call value follows its option's name.
void CheckOptions(const std::vector<ppp::Word>& words, const std::vector<ppp::PppdOption>& options)
{
    const auto stands = [&](const ppp::PppdOption& option, std::size_t at) {
        const std::string& text = option.value.text;
        const auto after = [&](const char* name) {
            return at > 0 && words[at - 1].text == name;
        };
        switch (option.kind) {
        case ppp::PppdOption::Kind::Connect:
            return after("connect");
        case ppp::PppdOption::Kind::File:
            return after("file");
        case ppp::PppdOption::Kind::Call:
            return after("call");
        case ppp::PppdOption::Kind::Speed:
            return !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == text.npos;
        case ppp::PppdOption::Kind::Device:
            return text.starts_with("/dev/");
        }
        return false;
    };
    std::size_t next = 0;
    for (const ppp::PppdOption& option : options) {
        while (next < words.size() && !(SameWord(words[next], option.value) && stands(option, next)))
            ++next;
        FUZZ_CHECK(next < words.size());
        ++next;
    }
}

// The shell words of a command, quoted for sh: single quotes, a quote as '\''; operators
// bare.
std::string ShellQuoted(const std::vector<ppp::Word>& words)
{
    std::string text;
    for (const ppp::Word& word : words) {
        const bool isOperator = !word.offsets.empty() && word.offsets.front() == ppp::kNoOffset;
        if (isOperator) {
            text += word.text;
        } else {
            text += '\'';
            for (const char c : word.text)
                text += c == '\'' ? std::string("'\\''") : std::string(1, c);
            text += '\'';
        }
        text += ' ';
    }
    return text;
}

void CheckCommand(const ppp::Word& command, std::string_view file)
{
    const std::vector<ppp::Word> words = ppp::SplitShellWords(command.text);
    CheckPlaces(words, command.text, true);
    FUZZ_CHECK(Texts(ppp::SplitShellWords(ShellQuoted(words))) == Texts(words));

    std::vector<ppp::Word> mapped;
    for (const ppp::Word& word : words) {
        mapped.push_back(ppp::MapThrough(word, command));
        FUZZ_CHECK(mapped.back().text == word.text);
    }
    CheckPlaces(mapped, file, false);

    if (const auto chat = ppp::FindChatCommand(mapped)) {
        // Each value is a word of the command or the end of one (-fFILE).
        for (const auto& value : {chat->scriptFile, chat->phone, chat->phone2}) {
            if (!value)
                continue;
            bool found = value->text.empty();
            for (const ppp::Word& word : mapped)
                found = found || EndsWithWord(word, *value);
            FUZZ_CHECK(found);
        }
        FUZZ_CHECK(!chat->scriptFile || chat->script.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::string_view file = in.UpToNul();
    const std::string_view rest = in.Rest();

    const std::vector<ppp::Word> words = ppp::SplitPppdOptions(file);
    CheckPlaces(words, file, true);
    FUZZ_CHECK(Texts(ppp::SplitPppdOptions(QuotedOctal(words))) == Texts(words));
    FUZZ_CHECK(Texts(ppp::SplitPppdOptions(BareEscaped(words))) == Texts(words));

    const std::vector<ppp::PppdOption> options = ppp::ReadPppdOptions(words);
    CheckOptions(words, options);
    for (const ppp::PppdOption& option : options)
        if (option.kind == ppp::PppdOption::Kind::Connect)
            CheckCommand(option.value, file);

    // The bytes after the NUL as a command that stands alone.
    CheckCommand(WordAt(rest, 0), rest);
    return 0;
}
