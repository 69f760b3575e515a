// pppd options, the shell command of `connect`, chat's command line and scripts, and the
// dial command, read from text.

#include "platform/PppConfig.h"
#include "support/PppWords.h"

#include <gtest/gtest.h>

using namespace nuvex::platform::ppp;
using nuvex::test::Texts;
using nuvex::test::WordAt;

namespace {

// The source bytes a word says it came from, for a word that came unescaped.
std::string Source(std::string_view text, const Word& word)
{
    const auto offset = word.RawOffset();
    return offset ? std::string(text.substr(*offset, word.text.size())) : std::string("<escaped>");
}

} // namespace

TEST(PppdOptions, QuotesEscapesAndCommentsAsPppdReadsThem)
{
    const std::string text = "# comment\n"
                             "user \"my user\"  # trailing comment\n"
                             "connect '/usr/sbin/chat -v -f /etc/chatscripts/pap -T 123'\n"
                             "name a\\sb word#comment\n"
                             "join\\\nlines \"it's\" \\x41\\101\n";
    const auto words = SplitPppdOptions(text);
    EXPECT_EQ(Texts(words), (std::vector<std::string>{"user", "my user", "connect",
                                                      "/usr/sbin/chat -v -f /etc/chatscripts/pap -T 123",
                                                      "name", "a b", "word", "joinlines", "it's", "AA"}));
    // Quoted text keeps its place in the file; an escape does not.
    EXPECT_EQ(Source(text, words[3]), words[3].text);
    EXPECT_FALSE(words[5].RawOffset());
}

TEST(PppdOptions, OptionsInFileOrderWithSpeedDeviceAndIncludes)
{
    const auto options = ReadPppdOptions(SplitPppdOptions(
        "/dev/ttyS0 115200 user 12345 connect \"chat a\" file /etc/ppp/more call other mtu 1500 connect x"));
    std::vector<std::string> seen;
    for (const PppdOption& o : options)
        seen.push_back(std::to_string(static_cast<int>(o.kind)) + ":" + o.value.text);
    // A value of another option (user 12345, mtu 1500) is no speed.
    EXPECT_EQ(seen, (std::vector<std::string>{"4:/dev/ttyS0", "3:115200", "0:chat a", "1:/etc/ppp/more",
                                              "2:other", "0:x"}));
}

TEST(ShellWords, QuotesEscapesAndOperatorsAsShSplitsThem)
{
    const std::string command = R"(exec /usr/sbin/chat -v "" 'AT Z' "say \"hi\"" a\ b; echo done)";
    const auto words = SplitShellWords(command);
    EXPECT_EQ(Texts(words), (std::vector<std::string>{"exec", "/usr/sbin/chat", "-v", "", "AT Z",
                                                      "say \"hi\"", "a b", ";", "echo", "done"}));
    EXPECT_EQ(Source(command, words[4]), "AT Z");
}

TEST(ChatCommand, ScriptFilePhoneNumberAndInlineScript)
{
    const auto fromFile =
        FindChatCommand(SplitShellWords("/usr/sbin/chat -v -f /etc/chatscripts/pap -T 5551234"));
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->scriptFile->text, "/etc/chatscripts/pap");
    EXPECT_EQ(fromFile->phone->text, "5551234");
    EXPECT_TRUE(fromFile->script.empty());

    const auto joined = FindChatCommand(SplitShellWords("chat -s -f/etc/chatscripts/x -T99 -U 77"));
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->scriptFile->text, "/etc/chatscripts/x");
    EXPECT_EQ(joined->phone->text, "99");
    EXPECT_EQ(joined->phone2->text, "77");

    const auto inlined =
        FindChatCommand(SplitShellWords("chat -v -t 30 '' ATZ OK ATDT555 CONNECT '' && true"));
    ASSERT_TRUE(inlined);
    EXPECT_FALSE(inlined->scriptFile);
    EXPECT_EQ(Texts(inlined->script), (std::vector<std::string>{"", "ATZ", "OK", "ATDT555", "CONNECT", ""}));

    EXPECT_FALSE(FindChatCommand(SplitShellWords("/usr/bin/pppd-connect-helper 555")));
}

TEST(ChatScript, KeywordsTakeTheirArgumentAndQuotesGroup)
{
    const std::string text = "# dial out\n"
                             "ABORT\tBUSY\nABORT \"NO CARRIER\"\nTIMEOUT 12\n"
                             "''  ATZ\n"
                             "OK  'ATDT 12 34\\' 5'\n"
                             "CONNECT \"\"\n";
    const auto script = SplitChatScript(text);
    const auto sends = ChatSendStrings(script);
    EXPECT_EQ(Texts(sends), (std::vector<std::string>{"ATZ", "ATDT 12 34\\' 5", ""}));
    EXPECT_EQ(Source(text, sends[1]), sends[1].text);
}

TEST(DialCommand, FirstDialCommandInAnyCaseAfterOtherCommands)
{
    const auto dial = [](std::vector<std::string> sends) -> std::string {
        std::vector<Word> words;
        for (const std::string& send : sends)
            words.push_back(WordAt(send, 0));
        const auto found = FindDialString(words);
        return found ? found->text : "<none>";
    };
    EXPECT_EQ(dial({"ATZ", "ATDT\\T"}), "\\T");
    EXPECT_EQ(dial({"AT", "ATH", "AT+CGDCONT=1,\"IP\",\"\\T\",\"\",0,0", "ATD*99#"}), "*99#");
    EXPECT_EQ(dial({"ATE1V1S7=60&C1M0L1DT0212345678"}), "0212345678");
    EXPECT_EQ(dial({"atdp 555 12"}), "555 12");
    EXPECT_EQ(dial({"ATX3D9,,555"}), "9,,555");
    EXPECT_EQ(dial({"ATZW2", "AT&F"}), "<none>");
    EXPECT_EQ(dial({"DATDT123"}), "<none>"); // not an AT command line
}

TEST(DialCommand, ChatsNumberReplacesBackslashT)
{
    const Word dial = WordAt("9,\\T;", 100);
    const Word phone = WordAt("5551234", 7);

    const auto withPhone = ResolveDialNumber(dial, phone, std::nullopt);
    ASSERT_TRUE(withPhone);
    EXPECT_EQ(withPhone->text, "9,5551234;");
    EXPECT_TRUE(withPhone->pieceIsPhoneArg);
    EXPECT_EQ(withPhone->before, "9,");
    EXPECT_EQ(withPhone->after, ";");
    EXPECT_EQ(withPhone->piece.RawOffset(), 7u);

    const auto plain = ResolveDialNumber(WordAt("0212345678", 40), phone, std::nullopt);
    EXPECT_EQ(plain->text, "0212345678");
    EXPECT_FALSE(plain->pieceIsPhoneArg);
    EXPECT_EQ(plain->piece.RawOffset(), 40u);
}

TEST(DialCommand, DialTextAndRangeReplacement)
{
    EXPECT_TRUE(IsDialText("*99# 0,W123;P@!T"));
    EXPECT_FALSE(IsDialText("123\n"));
    EXPECT_FALSE(IsDialText("12\"3"));
    EXPECT_EQ(ReplaceRange("abc123def", 3, 3, "98765"), "abc98765def");
}
