#include "platform/IniDocument.h"
#include "platform/TextFold.h"

#include <gtest/gtest.h>
#include <string>

using nuvex::platform::EqualsIgnoreCase;
using nuvex::platform::FoldCase;
using nuvex::platform::IniDocument;
using nuvex::platform::ProfileError;
using namespace std::string_literals;

namespace {

std::string Set(std::string_view text, std::string_view section, std::string_view key, std::string_view value)
{
    IniDocument doc = IniDocument::Parse(text);
    doc.SetValue(section, key, value);
    return doc.Serialize();
}

} // namespace

TEST(TextFold, FoldsEveryScriptByUnicodeSimpleCaseFolding)
{
    EXPECT_EQ(FoldCase("Άlfa"), "άlfa");             // Greek with tonos
    EXPECT_EQ(FoldCase("\u212Aarel"), "karel");      // the Kelvin sign is a K
    EXPECT_EQ(FoldCase("ΣΊΣΥΦΟΣ"), "σίσυφοσ");       // final sigma folds like sigma
    EXPECT_EQ(FoldCase("ǅ"), "ǆ");                   // title-case digraph
    EXPECT_EQ(FoldCase("ՀԱՅ"), "հայ");               // Armenian
    EXPECT_EQ(FoldCase("\U00010400"), "\U00010428"); // Deseret, four bytes
    EXPECT_EQ(FoldCase("ẞ"), "ß");                   // simple folding: one letter stays one
    EXPECT_TRUE(EqualsIgnoreCase("ΆLFA", "άlfa"));
    // Bytes that are not UTF-8 are kept and never swallow the letters after them.
    EXPECT_EQ(FoldCase("\xC3(\xE2\x82"
                       "A\xF0\x9F\x98"),
              "\xC3(\xE2\x82"
              "a\xF0\x9F\x98");
    EXPECT_EQ(FoldCase("\xC0\xC1\xED\xA0\x80Z"), "\xC0\xC1\xED\xA0\x80z"); // overlong, surrogate
}

TEST(TextFold, FoldsEveryCzechLetter)
{
    EXPECT_EQ(FoldCase("ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ"), "áčďéěíňóřšťúůýž");
    EXPECT_EQ(FoldCase("áčďéěíňóřšťúůýž"), "áčďéěíňóřšťúůýž");
    EXPECT_TRUE(EqualsIgnoreCase("PŘIPOJENÍ", "připojení"));
    EXPECT_FALSE(EqualsIgnoreCase("připojení", "pripojeni"));
}

TEST(TextFold, FollowsTheIrregularRunsOfLatinExtendedA)
{
    EXPECT_EQ(FoldCase("ĀĮĲĶ"), "āįĳķ"); // even upper
    EXPECT_EQ(FoldCase("ĹĽŁŇ"), "ĺľłň"); // odd upper from U+0139
    EXPECT_EQ(FoldCase("ŊŒŠŶ"), "ŋœšŷ"); // even upper again from U+014A
    EXPECT_EQ(FoldCase("ŹŻŽ"), "źżž");   // odd upper from U+0179
    EXPECT_EQ(FoldCase("Ÿ"), "ÿ");
    // Capital I with dot has only a full folding (two code points), so it stays;
    // long s folds to s; lower-case and caseless letters stay.
    EXPECT_EQ(FoldCase("İ"), "İ");
    EXPECT_EQ(FoldCase("ıĸŉſ"), "ıĸŉs");
}

TEST(TextFold, FoldsLatin1GreekAndCyrillic)
{
    EXPECT_EQ(FoldCase("ÀÆÞ"), "àæþ");
    EXPECT_EQ(FoldCase("×"), "×"); // the multiplication sign is no letter
    EXPECT_EQ(FoldCase("ΑΒΓΩ"), "αβγω");
    EXPECT_EQ(FoldCase("АЖЯ"), "ажя");
    EXPECT_EQ(FoldCase("ЁЂЏ"), "ёђџ");
}

TEST(TextFold, PassesInvalidBytesThrough)
{
    const std::string broken = std::string("A\xC3") + "B\xFF\x80" + "\xC4";
    EXPECT_EQ(FoldCase(broken), std::string("a\xC3") + "b\xFF\x80" + "\xC4");
    EXPECT_EQ(FoldCase("€ Ω"), "€ ω"); // three-byte sequences are left alone
}

TEST(IniDocumentRead, MatchesCzechNamesWithoutRegardToCase)
{
    const auto doc = IniDocument::Parse("[PŘIPOJENÍ]\r\nČÍSLO=123\r\n");
    EXPECT_TRUE(doc.HasSection("připojení"));
    EXPECT_EQ(doc.SectionSpelling("připojení"), "PŘIPOJENÍ");
    EXPECT_EQ(doc.Value("připojení", "číslo"), "123");
    EXPECT_EQ(doc.Value("Připojení", "Číslo"), "123");
    EXPECT_FALSE(doc.Value("pripojeni", "cislo"));
}

TEST(IniDocumentRead, IgnoresHandEditedSpacingAndQuotes)
{
    const auto doc = IniDocument::Parse("  [ Internet ]  \n"
                                        "Tn = \"420-(2)-1\" \n"
                                        "\tUser\t=\t'jan novák'\n"
                                        "Mixed = \"abc'\n"
                                        "Inner = a \"b\" c\n"
                                        "Twice = \"\"x\"\"\n"
                                        "Empty =\n"
                                        "Lone = \"\n");
    EXPECT_EQ(doc.SectionNames(), std::vector<std::string>{"Internet"});
    EXPECT_EQ(doc.Value("Internet", "Tn"), "420-(2)-1");
    EXPECT_EQ(doc.Value("Internet", "User"), "jan novák");
    EXPECT_EQ(doc.Value("Internet", "Mixed"), "\"abc'");
    EXPECT_EQ(doc.Value("Internet", "Inner"), "a \"b\" c");
    EXPECT_EQ(doc.Value("Internet", "Twice"), "\"x\"");
    EXPECT_EQ(doc.Value("Internet", "Empty"), "");
    EXPECT_EQ(doc.Value("Internet", "Lone"), "\"");
}

TEST(IniDocumentRead, SkipsCommentsAndKeysBeforeAnySection)
{
    const auto doc = IniDocument::Parse("Orphan=before any section\n"
                                        "[A]\n"
                                        "; Hidden=comment\n"
                                        "   ;Indented=comment\n"
                                        "\n"
                                        "Real=1\n");
    EXPECT_EQ(doc.Entries("A"), (std::vector<std::pair<std::string, std::string>>{{"Real", "1"}}));
    EXPECT_FALSE(doc.Value("A", "Orphan"));
}

// A line without "=" holds its key, so a later "k=v" is a duplicate that is not read.
TEST(IniDocumentRead, ABareLineHoldsItsKey)
{
    const auto doc = IniDocument::Parse("[A]\n"
                                        "just words\n"
                                        "Tn\n"
                                        "tn=420-(906)-1\n"
                                        "Real=1\n");
    EXPECT_EQ(doc.Value("A", "Tn"), "");
    EXPECT_EQ(doc.Entries("A"), (std::vector<std::pair<std::string, std::string>>{
                                    {"just words", ""}, {"Tn", ""}, {"Real", "1"}}));
    // Writing the key fills the bare line instead of adding a second one.
    IniDocument edited = doc;
    edited.SetValue("a", "TN", "5");
    EXPECT_EQ(edited.Serialize(), "[A]\njust words\nTn=5\ntn=420-(906)-1\nReal=1\n");
}

TEST(IniDocumentRead, SectionNameRunsToTheLastBracket)
{
    const auto doc = IniDocument::Parse("[a]b] ; note\n"
                                        "K=1\n");
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"a]b"}));
    EXPECT_EQ(doc.Value("a]b", "K"), "1");
}

// "[Internet" is no header: the entry stays unauthorised, and a write of that section
// makes a proper one instead of writing under the broken line.
TEST(IniDocumentRead, AnOpenBracketWithoutItsCloseIsAnOrdinaryLine)
{
    const std::string text = "[A]\nK=1\n[Internet\nTn=420-(2)-1\n";
    const auto doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"A"}));
    EXPECT_FALSE(doc.HasSection("Internet"));
    EXPECT_EQ(doc.Value("A", "Tn"), "420-(2)-1"); // still the section before it
    EXPECT_EQ(Set(text, "Internet", "Tn", "5"), text + "[Internet]\r\nTn=5\r\n");
}

TEST(IniDocumentRead, TrimsEveryBlankTheProfileFunctionsSkip)
{
    const auto doc = IniDocument::Parse("\v[\f Internet\t]\x1A\r\n"
                                        "\fTn\v=\t420-123\x1A\r\n"
                                        "Dos=420-123\r\x1A");
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"Internet"}));
    EXPECT_EQ(doc.Value("Internet", "Tn"), "420-123");
    EXPECT_EQ(doc.Value("Internet", "Dos"), "420-123");
    // A value ending in one of them is quoted so that it reads back whole.
    EXPECT_EQ(IniDocument::Parse(Set("", "S", "k", "a\x1A")).Value("S", "k"), "a\x1A");
}

TEST(IniDocumentRead, AValueEndsAtItsFirstNulButTheBytesStay)
{
    const std::string text = "[S]\nk=420\0garbage\nq=\"12\0\"\nnext=1\n"s;
    IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.Value("S", "k"), "420");
    EXPECT_EQ(doc.Value("S", "q"), "12");
    EXPECT_EQ(doc.Value("S", "next"), "1");
    doc.SetValue("S", "next", "2");
    EXPECT_EQ(doc.Serialize(), "[S]\nk=420\0garbage\nq=\"12\0\"\nnext=2\n"s);
}

TEST(IniDocumentEncoding, AUtf8ByteOrderMarkIsSkippedAndKept)
{
    const std::string bom = "\xEF\xBB\xBF";
    const auto doc = IniDocument::Parse(bom + "[Internet]\r\nTn=1\r\n");
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"Internet"}));
    EXPECT_EQ(doc.Value("internet", "Tn"), "1");
    EXPECT_EQ(Set(bom + "[Internet]\r\nTn=1\r\n", "Internet", "Tn", "2"), bom + "[Internet]\r\nTn=2\r\n");
    EXPECT_EQ(Set(bom, "Nové", "Tn", "3"), bom + "[Nové]\r\nTn=3\r\n");
}

TEST(IniDocumentEncoding, UnicodeTextStaysUnicode)
{
    // "[Práce]\r\nTn=1\r\n" with a character beyond the basic plane in a comment.
    auto utf16 = [](std::u16string_view text) {
        std::string bytes = "\xFF\xFE";
        for (const char16_t u : text) {
            bytes += static_cast<char>(u & 0xFF);
            bytes += static_cast<char>(u >> 8);
        }
        return bytes;
    };
    const std::string file = utf16(u"[Práce]\r\n;\U0001F600\r\nTn=1\r\n");
    IniDocument doc = IniDocument::Parse(file);
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"Práce"}));
    EXPECT_EQ(doc.Value("PRÁCE", "tn"), "1");
    EXPECT_EQ(doc.Serialize(), file); // read and written back unchanged
    doc.SetValue("Práce", "Tn", "2");
    doc.SetValue("Domů", "Tn", "3");
    EXPECT_EQ(doc.Serialize(), utf16(u"[Práce]\r\n;\U0001F600\r\nTn=2\r\n[Domů]\r\nTn=3\r\n"));
    // A lone surrogate and an odd last byte survive a rewrite too.
    const std::string odd = utf16(u"[A]\r\nk=1\r\n") + "\x00\xD8"s + "x";
    IniDocument oddDoc = IniDocument::Parse(odd);
    EXPECT_EQ(oddDoc.Serialize(), odd);
    // Bytes that are no UTF-8 (a stray Windows-1250 letter, an overlong NUL) could only be
    // written as U+FFFD or another text: refused, and the document stays as it was.
    for (const std::string& bad : {"Se\xF1or"s, "\xC0\x80"s, "\xE0\x80\x80"s}) {
        EXPECT_THROW(doc.SetValue("Práce", "Tn", bad), ProfileError) << bad;
        EXPECT_THROW(doc.SetValue(bad, "Tn", "1"), ProfileError) << bad;
    }
    EXPECT_EQ(doc.Serialize(), utf16(u"[Práce]\r\n;\U0001F600\r\nTn=2\r\n[Domů]\r\nTn=3\r\n"));
    // The same bytes go into a plain file unchanged, as before.
    IniDocument plain = IniDocument::Parse("[A]\r\n");
    plain.SetValue("A", "k", "Se\xF1or");
    EXPECT_EQ(plain.Value("A", "k"), "Se\xF1or");
}

TEST(IniDocumentRead, AcceptsEveryKindOfLineEnd)
{
    const std::string text = "[A]\rx=1\n[B]\r\ny=2\r\r\nz=3";
    const auto doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.Value("A", "x"), "1");
    EXPECT_EQ(doc.Value("B", "y"), "2");
    EXPECT_EQ(doc.Value("B", "z"), "3");
    EXPECT_EQ(doc.Serialize(), text);
}

TEST(IniDocumentRead, FirstOfDuplicatesWins)
{
    const auto doc = IniDocument::Parse("[A]\nk=first\nK=second\n[B]\nb=1\n[a]\nk=third\nonly=later\n");
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(doc.Value("a", "k"), "first");
    EXPECT_FALSE(doc.Value("A", "only")); // the later duplicate section is ignored entirely
    EXPECT_EQ(doc.Entries("A"), (std::vector<std::pair<std::string, std::string>>{{"k", "first"}}));
}

TEST(IniDocumentRead, FindsEverySectionOfALargeFile)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "[Entry " + std::to_string(i) + "]\r\nTn=" + std::to_string(i * 7) + "\r\n";
    const auto doc = IniDocument::Parse(text);
    ASSERT_EQ(doc.SectionNames().size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(doc.Value("ENTRY " + std::to_string(i), "tn"), std::to_string(i * 7));
}

TEST(IniDocumentWrite, KeepsUntouchedLinesByteForByte)
{
    const std::string before = "; header comment\r\n"
                               "  [ Internet ]  \n"
                               "Tn = \"420\" \r"
                               "\t; tabbed comment\r\n"
                               "garbage line\n"
                               "[Other]\r\n"
                               "x=1";
    const std::string after = "; header comment\r\n"
                              "  [ Internet ]  \n"
                              "Tn=777\r"
                              "\t; tabbed comment\r\n"
                              "garbage line\n"
                              "[Other]\r\n"
                              "x=1";
    EXPECT_EQ(Set(before, "INTERNET", "tn", "777"), after);
}

TEST(IniDocumentWrite, ReplacesAnExistingKeyInPlace)
{
    const auto doc = [] {
        auto d = IniDocument::Parse("[Připojení]\nČíslo = 1 \nDalší=2\n");
        d.SetValue("PŘIPOJENÍ", "ČÍSLO", "3");
        return d;
    }();
    EXPECT_EQ(doc.Serialize(), "[Připojení]\nČíslo=3\nDalší=2\n");
    EXPECT_EQ(doc.Entries("připojení").size(), 2u);
}

TEST(IniDocumentWrite, AddsANewKeyAfterTheLastKeyOfItsSection)
{
    EXPECT_EQ(Set("[A]\na=1\n; about B\n\n[B]\nb=1\n", "a", "new", "2"),
              "[A]\na=1\nnew=2\r\n; about B\n\n[B]\nb=1\n");
    EXPECT_EQ(Set("[A]\n; no keys yet\n[B]\n", "A", "k", "v"), "[A]\nk=v\r\n; no keys yet\n[B]\n");
    EXPECT_EQ(Set("[A]\na=1", "A", "b", "2"), "[A]\na=1\r\nb=2\r\n");
    // The keys of a later duplicate section are not the section's keys.
    EXPECT_EQ(Set("[A]\na=1\n[A]\nb=1\n", "A", "b", "2"), "[A]\na=1\nb=2\r\n[A]\nb=1\n");
}

TEST(IniDocumentWrite, AppendsAMissingSectionAtTheEnd)
{
    EXPECT_EQ(Set("", "Nová", "k", "v"), "[Nová]\r\nk=v\r\n");
    EXPECT_EQ(Set("[A]\na=1\n", "B", "k", "v"), "[A]\na=1\n[B]\r\nk=v\r\n");
    EXPECT_EQ(Set("; only a comment", "B", "k", "v"), "; only a comment\r\n[B]\r\nk=v\r\n");
}

TEST(IniDocumentWrite, ValuesReadBackExactly)
{
    const std::vector<std::string> values = {
        "",     "plain", "  lead", "trail\t", " both ", "\"q\"",   "'q'",  "\"", "'",   "\"mixed'",
        "\"\"", "''",    "a=b=c",  ";semi",   "[br]",   "\" x \"", "ěščř", " ",  "\"a", "a\"",
    };
    for (const std::string& value : values) {
        auto doc = IniDocument::Parse("[S]\r\nk=old\r\n");
        doc.SetValue("S", "k", value);
        doc.SetValue("S", "new", value);
        const auto reread = IniDocument::Parse(doc.Serialize());
        EXPECT_EQ(reread.Value("S", "k"), value) << "value [" << value << "]";
        EXPECT_EQ(reread.Value("S", "new"), value) << "value [" << value << "]";
    }
}

TEST(IniDocumentWrite, RefusesWhatWouldNotReadBack)
{
    struct Case
    {
        std::string section, key, value;
    };
    const std::vector<Case> refused = {
        {"S", "k", "x\r\n[Evil]\r\nTn=1"},
        {"S", "k", "line\nbreak"},
        {"S", "k", "cr\ronly"},
        {"S", "k", std::string("nul\0", 4)},
        {"S\n", "k", "v"},
        {"S", "k\r", "v"},
        {std::string("S\0", 2), "k", "v"},
        {"S", "a=b", "v"},
        {"S", "[k", "v"},
        {"S", ";k", "v"},
        {"S]x", "k", "v"},
        {"", "k", "v"},
        {"S", "", "v"},
        {" S", "k", "v"},
        {"S\t", "k", "v"},
        {"S", " k", "v"},
        {"S", "k ", "v"},
    };
    const std::string text = "[S]\r\nk=old\r\n";
    for (const Case& c : refused) {
        auto doc = IniDocument::Parse(text);
        EXPECT_THROW(doc.SetValue(c.section, c.key, c.value), ProfileError)
            << "[" << c.section << "] " << c.key << "=" << c.value;
        EXPECT_EQ(doc.Serialize(), text);
    }
    try {
        IniDocument::ValidateWrite("S", "a=b", "v");
        FAIL() << "a key with = was accepted";
    } catch (const ProfileError& e) {
        EXPECT_STREQ(e.what(), "Název klíče nesmí obsahovat znak =");
    }
    EXPECT_NO_THROW(IniDocument::ValidateWrite("[Sekce s mezerou", "klíč ] s [", " ;hodnota= "));
}

TEST(IniDocumentWrite, RemovesOnlyTheLinesAsked)
{
    auto doc = IniDocument::Parse("[A]\na=1\r\n; keep\nb=2\n[B]\nc=3\n[a]\nd=4\n[C]\ne=5");
    EXPECT_TRUE(doc.RemoveKey("a", "B"));
    EXPECT_FALSE(doc.RemoveKey("A", "b"));
    EXPECT_FALSE(doc.RemoveKey("Missing", "a"));
    EXPECT_EQ(doc.Serialize(), "[A]\na=1\r\n; keep\n[B]\nc=3\n[a]\nd=4\n[C]\ne=5");

    EXPECT_TRUE(doc.RemoveSection("A"));
    EXPECT_FALSE(doc.HasSection("a")); // a hidden duplicate does not come back
    EXPECT_FALSE(doc.RemoveSection("A"));
    EXPECT_EQ(doc.Serialize(), "[B]\nc=3\n[C]\ne=5");
    EXPECT_EQ(doc.Value("C", "e"), "5");
}
