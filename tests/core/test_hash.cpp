#include "passwords/Windows1250.h"
#include "passwords/qnHash.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

using Hash = test::SandboxTest;
using Windows1250 = test::SandboxTest;

QByteArray AllBytes()
{
    QByteArray bytes(256, '\0');
    for (int b = 0; b < 256; ++b)
        bytes[b] = static_cast<char>(b);
    return bytes;
}

} // namespace

TEST_F(Hash, Ripemd160MatchesThePublishedVectors)
{
    const std::pair<QByteArray, const char*> vectors[] = {
        {"", "9C1185A5C5E9FC54612808977EE8F548B2258D31"},
        {"a", "0BDC9D2D256B3EE9DAAE347BE6F4DC835A467FFE"},
        {"abc", "8EB208F7E05D987A9B044A8E98C6B087F15A0BFC"},
        {"message digest", "5D0689EF49D2FAE572B881B123A85FFA21595F36"},
        {"abcdefghijklmnopqrstuvwxyz", "F71C27109C692C1B56BBDCEB5B9D2865B3708DBC"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "12A053384A9C0C88E405A06C27DCF49ADA62EB2B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "B0E20B6E3116640286ED3A87A5713079B21F5189"},
        {QByteArray("1234567890").repeated(8), "9B752E45573D4B39F4DBD3323CAB82BF63326BFB"},
        {QByteArray(1000000, 'a'), "52783243C1697BDBE16D37F97F68F08325DC1528"},
    };
    for (const auto& [message, digest] : vectors) {
        EXPECT_EQ(Ripemd160(message).toHex().toUpper(), QByteArray(digest)) << message.left(60).constData();
        EXPECT_EQ(HashString(QString::fromLatin1(message)), QString::fromLatin1(digest));
    }
}

TEST_F(Hash, DigestsTheWindows1250BytesWhateverTheSystemCodePageAndRefusesWhatItCannotHold)
{
    // "Žluťoučký kůň" in Windows-1250 (its UTF-8 bytes would give another digest).
    const QString czech = u"Žluťoučký kůň"_s;
    EXPECT_EQ(ToWindows1250(czech), QByteArray("\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2"));
    EXPECT_EQ(HashString(czech), u"362DF9B560F1E074288BF5E1FED00246603F979F"_s);
    EXPECT_TRUE(QRegularExpression(u"^[0-9A-F]{40}$"_s).match(HashString(u"heslo"_s)).hasMatch());
    EXPECT_NE(HashString(u"Heslo"_s), HashString(u"heslo"_s));
    // A character it cannot hold is refused, not digested as a question mark.
    EXPECT_THROW(HashString(u"парол"_s), EWindows1250Error);
    EXPECT_THROW(HashString(u"key🔑"_s), EWindows1250Error);
    EXPECT_NO_THROW(HashString(u"?"_s));
}

TEST_F(Windows1250, EveryByteComesBackUnchanged)
{
    const QByteArray bytes = AllBytes();
    const QString text = FromWindows1250(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(FindNonWindows1250(text), -1);
    EXPECT_EQ(ToWindows1250(text), bytes);
    // The undefined bytes read as the control characters of the same number.
    for (const int undefined : {0x81, 0x83, 0x88, 0x90, 0x98})
        EXPECT_EQ(text[undefined].unicode(), undefined);
}

TEST_F(Windows1250, AgreesWithTheSystemsTableWhereOneIsInstalled)
{
    QStringDecoder system("windows-1250");
    if (!system.isValid())
        GTEST_SKIP() << "Qt has no Windows-1250 converter here (no ICU)";
    const QByteArray bytes = AllBytes();
    const QString ours = FromWindows1250(bytes);
    for (int b = 0; b < 256; ++b) {
        if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98)
            continue;
        const QString theirs = system.decode(bytes.mid(b, 1));
        EXPECT_EQ(QString(ours[b]), theirs) << "byte " << b;
    }
}

TEST_F(Windows1250, FindsTheFirstCharacterItCannotHold)
{
    EXPECT_EQ(FindNonWindows1250(u"Příliš žluťoučký kůň úpěl ďábelské ódy €„“–"_s), -1);
    EXPECT_EQ(FindNonWindows1250(u"abЖc"_s), 2);
    EXPECT_EQ(FindNonWindows1250(u"x🙂"_s), 1); // either half of a surrogate pair
    EXPECT_EQ(FindNonWindows1250(u"ñ"_s), 0);     // Latin-1, but not in this code page
    const auto error = test::Thrown<EWindows1250Error>([] { ToWindows1250(u"abcŒ"_s); });
    ASSERT_TRUE(error) << "no exception";
    EXPECT_EQ(error->Position, 3);
    EXPECT_STREQ(error->what(), "Text obsahuje znak, který nelze zapsat v kódování Windows-1250.");
}
