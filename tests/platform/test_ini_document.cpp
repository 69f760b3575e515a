#include "platform/IniDocument.h"
#include "platform/TextFold.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>
#include <string>

using nuvex::platform::EqualsIgnoreCase;
using nuvex::platform::FoldCase;
using nuvex::platform::FoldedEquals;
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
    const std::pair<std::string, std::string> folds[] = {
        {"Άlfa", "άlfa"},                 // Greek with tonos
        {"\u212Aarel", "karel"},          // the Kelvin sign is a K
        {"ΣΊΣΥΦΟΣ", "σίσυφοσ"},           // final sigma folds like sigma
        {"ǅ", "ǆ"},                       // title-case digraph
        {"ՀԱՅ", "հայ"},                   // Armenian
        {"\u052E\u0531", "\u052F\u0561"}, // the last Cyrillic pair, the first Armenian
        {"\U00010400", "\U00010428"},     // Deseret, four bytes
        {"ẞ", "ß"},                       // simple folding: one letter stays one
        {"ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ", "áčďéěíňóřšťúůýž"},
        {"áčďéěíňóřšťúůýž", "áčďéěíňóřšťúůýž"},
        // The irregular runs of Latin Extended-A.
        {"ĀĮĲĶ", "āįĳķ"}, // even upper
        {"ĹĽŁŇ", "ĺľłň"}, // odd upper from U+0139
        {"ŊŒŠŶ", "ŋœšŷ"}, // even upper again from U+014A
        {"ŹŻŽ", "źżž"},   // odd upper from U+0179
        {"Ÿ", "ÿ"},
        // Capital I with dot has only a full folding (two code points), so it stays;
        // long s folds to s; lower-case and caseless letters stay.
        {"İ", "İ"},
        {"ıĸŉſ", "ıĸŉs"},
        {"ÀÆÞ", "àæþ"},
        {"×", "×"}, // the multiplication sign is no letter
        {"ΑΒΓΩ", "αβγω"},
        {"АЖЯ", "ажя"},
        {"ЁЂЏ", "ёђџ"},
        {"€ Ω", "€ ω"}, // three-byte sequences are left alone
        // Bytes that are not UTF-8 are kept and never swallow the letters after them.
        {"\xC3(\xE2\x82"
         "A\xF0\x9F\x98",
         "\xC3(\xE2\x82"
         "a\xF0\x9F\x98"},
        {"\xC0\xC1\xED\xA0\x80Z", "\xC0\xC1\xED\xA0\x80z"}, // overlong, surrogate
        {std::string("A\xC3") + "B\xFF\x80" + "\xC4", std::string("a\xC3") + "b\xFF\x80" + "\xC4"},
    };
    for (const auto& [text, folded] : folds)
        EXPECT_EQ(FoldCase(text), folded) << text;
    EXPECT_TRUE(EqualsIgnoreCase("ΆLFA", "άlfa"));
    EXPECT_TRUE(EqualsIgnoreCase("PŘIPOJENÍ", "připojení"));
    EXPECT_FALSE(EqualsIgnoreCase("připojení", "pripojeni"));
}

TEST(TextFold, ComparesWithAFoldedNameExactlyAsFoldingWould)
{
    // Long ASCII runs, letters whose folding is longer in UTF-8 (U+023A, two bytes, folds
    // to U+2C65, three), bytes that are no text, and names that are prefixes of each other.
    const std::string texts[] = {"",
                                 "A",
                                 "Připojení č. 12 – PŘEDPLACENÉ",
                                 "připojení č. 12 – předplacené",
                                 "připojení č. 1",
                                 "\u023Aa",
                                 "\u2C65A",
                                 "\u2C65",
                                 "\xC3(\xE2\x82"
                                 "A\xF0\x9F\x98",
                                 "\xC3(\xE2\x82"
                                 "a\xF0\x9F\x98",
                                 "\xC3(\xE2\x82"
                                 "a\xF0\x9F",
                                 std::string(300, 'X') + "Ž",
                                 std::string(300, 'x') + "ž"};
    for (const std::string& text : texts)
        for (const std::string& other : texts) {
            const std::string folded = FoldCase(other);
            EXPECT_EQ(FoldedEquals(text, folded), FoldCase(text) == folded) << text << " / " << other;
            EXPECT_EQ(EqualsIgnoreCase(text, other), FoldCase(text) == folded) << text << " / " << other;
        }
    EXPECT_TRUE(FoldedEquals("\u023A", "\u2C65"));
    EXPECT_FALSE(FoldedEquals("\u023A", "\u023A"));
    EXPECT_EQ(FoldCase(std::string(300, 'Q') + "Ř" + std::string(300, 'W')),
              std::string(300, 'q') + "ř" + std::string(300, 'w'));
}

TEST(IniDocumentRead, MatchesCzechNamesWithoutRegardToCaseAndTheFirstOfDuplicatesWins)
{
    const auto doc = IniDocument::Parse("[PŘIPOJENÍ]\r\nČÍSLO=123\r\n");
    EXPECT_TRUE(doc.HasSection("připojení"));
    EXPECT_EQ(doc.SectionSpelling("připojení"), "PŘIPOJENÍ");
    EXPECT_EQ(doc.Value("připojení", "číslo"), "123");
    EXPECT_EQ(doc.Value("Připojení", "Číslo"), "123");
    EXPECT_FALSE(doc.Value("pripojeni", "cislo"));

    const auto twice = IniDocument::Parse("[A]\nk=first\nK=second\n[B]\nb=1\n[a]\nk=third\nonly=later\n");
    EXPECT_EQ(twice.SectionNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(twice.Value("a", "k"), "first");
    EXPECT_FALSE(twice.Value("A", "only")); // the later duplicate section is ignored entirely
    EXPECT_EQ(twice.Entries("A"), (std::vector<std::pair<std::string, std::string>>{{"k", "first"}}));
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

// A section's name runs to the last bracket. "[Internet" is no header: the entry stays
// unauthorised, and a write of that section makes a proper one instead of writing under
// the broken line.
TEST(IniDocumentRead, ASectionNameRunsToTheLastBracketAndWithoutOneItIsAnOrdinaryLine)
{
    const auto brackets = IniDocument::Parse("[a]b] ; note\n"
                                             "K=1\n");
    EXPECT_EQ(brackets.SectionNames(), (std::vector<std::string>{"a]b"}));
    EXPECT_EQ(brackets.Value("a]b", "K"), "1");

    const std::string text = "[A]\nK=1\n[Internet\nTn=420-(2)-1\n";
    const auto doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"A"}));
    EXPECT_FALSE(doc.HasSection("Internet"));
    EXPECT_EQ(doc.Value("A", "Tn"), "420-(2)-1"); // still the section before it
    EXPECT_EQ(Set(text, "Internet", "Tn", "5"), text + "[Internet]\r\nTn=5\r\n");
}

TEST(IniDocumentRead, AcceptsEveryKindOfLineEndAndTrimsEveryBlankTheProfileFunctionsSkip)
{
    const std::string text = "[A]\rx=1\n[B]\r\ny=2\r\r\nz=3";
    const auto ends = IniDocument::Parse(text);
    EXPECT_EQ(ends.Value("A", "x"), "1");
    EXPECT_EQ(ends.Value("B", "y"), "2");
    EXPECT_EQ(ends.Value("B", "z"), "3");
    EXPECT_EQ(ends.Serialize(), text);

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

TEST(IniDocumentEncoding, AUtf8ByteOrderMarkIsSkippedAndKeptAndUnicodeTextStaysUnicode)
{
    const std::string bom = "\xEF\xBB\xBF";
    const auto marked = IniDocument::Parse(bom + "[Internet]\r\nTn=1\r\n");
    EXPECT_EQ(marked.SectionNames(), (std::vector<std::string>{"Internet"}));
    EXPECT_EQ(marked.Value("internet", "Tn"), "1");
    EXPECT_EQ(Set(bom + "[Internet]\r\nTn=1\r\n", "Internet", "Tn", "2"), bom + "[Internet]\r\nTn=2\r\n");
    EXPECT_EQ(Set(bom, "Nové", "Tn", "3"), bom + "[Nové]\r\nTn=3\r\n");

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
    auto doc = IniDocument::Parse("[Připojení]\nČíslo = 1 \nDalší=2\n");
    doc.SetValue("PŘIPOJENÍ", "ČÍSLO", "3");
    EXPECT_EQ(doc.Serialize(), "[Připojení]\nČíslo=3\nDalší=2\n");
    EXPECT_EQ(doc.Entries("připojení").size(), 2u);
}

TEST(IniDocumentWrite, AddsANewKeyAfterTheLastKeyOfItsSectionOrAMissingSectionAtTheEnd)
{
    EXPECT_EQ(Set("[A]\na=1\n; about B\n\n[B]\nb=1\n", "a", "new", "2"),
              "[A]\na=1\nnew=2\r\n; about B\n\n[B]\nb=1\n");
    EXPECT_EQ(Set("[A]\n; no keys yet\n[B]\n", "A", "k", "v"), "[A]\nk=v\r\n; no keys yet\n[B]\n");
    EXPECT_EQ(Set("[A]\na=1", "A", "b", "2"), "[A]\na=1\r\nb=2\r\n");
    // The keys of a later duplicate section are not the section's keys.
    EXPECT_EQ(Set("[A]\na=1\n[A]\nb=1\n", "A", "b", "2"), "[A]\na=1\nb=2\r\n[A]\nb=1\n");
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
    const auto error = nuvex::test::Thrown<ProfileError>([] { IniDocument::ValidateWrite("S", "a=b", "v"); });
    ASSERT_TRUE(error) << "a key with = was accepted";
    EXPECT_STREQ(error->what(), "Název klíče nesmí obsahovat znak =");
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
