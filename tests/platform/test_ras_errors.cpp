// The Czech messages of the dial-up service's codes (Ras_errors.cpp) and of the system
// codes the dial-up services return.

#include "platform/Ras.h"
#include "platform/SysError.h"
#include "support/SandboxTest.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace ras = nuvex::platform::ras;

using RasStandinErrorText = nuvex::test::SandboxTest;

TEST_F(RasStandinErrorText, RasCodesHaveCzechMessagesCutBetweenCharacters)
{
    char text[512];
    ASSERT_EQ(ras::RasGetErrorStringA(603, text, sizeof(text)), ras::kSuccess);
    EXPECT_STREQ(text, "Vyrovnávací paměť je pro tuto operaci příliš malá.");
    ASSERT_EQ(ras::RasGetErrorStringA(623, text, sizeof(text)), ras::kSuccess);
    EXPECT_STREQ(text, "Systém nenalezl položku telefonního seznamu pro toto připojení.");
    ASSERT_EQ(ras::RasGetErrorStringA(632, text, sizeof(text)), ras::kSuccess);
    EXPECT_STREQ(text, "Byla zadána nesprávná velikost struktury.");
    ASSERT_EQ(ras::RasGetErrorStringA(668, text, sizeof(text)), ras::kSuccess);
    EXPECT_STREQ(text, "Připojení bylo ukončeno.");

    for (unsigned code = ras::RASBASE; code <= ras::RASBASEEND; ++code) {
        text[0] = '\0';
        ASSERT_EQ(ras::RasGetErrorStringA(code, text, sizeof(text)), ras::kSuccess) << code;
        EXPECT_GT(std::strlen(text), 5u) << code;
    }
    ASSERT_EQ(ras::RasGetErrorStringA(790, text, sizeof(text)), ras::kSuccess);
    EXPECT_STREQ(text, "Chyba vzdáleného přístupu číslo 790.");

    EXPECT_EQ(ras::RasGetErrorStringA(599, text, sizeof(text)), ras::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ras::RasGetErrorStringA(799, text, sizeof(text)), ras::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ras::RasGetErrorStringA(603, nullptr, 100), ras::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ras::RasGetErrorStringA(603, text, 0), ras::ERROR_INVALID_PARAMETER);

    // A short buffer is cut between characters: "Vyrovnávací" with seven bytes of room
    // ends in the middle of "á".
    char shortText[10];
    std::memset(shortText, 'X', sizeof(shortText));
    ASSERT_EQ(ras::RasGetErrorStringA(603, shortText, 8), ras::kSuccess);
    EXPECT_STREQ(shortText, "Vyrovn");
    EXPECT_EQ(shortText[8], 'X') << "nothing written past the given size";
}

TEST_F(RasStandinErrorText, SystemCodesOfTheStandInAreCzech)
{
    EXPECT_EQ(nuvex::platform::SystemErrorMessage(6), "Neplatný popisovač.");
    EXPECT_EQ(nuvex::platform::SystemErrorMessage(8), "Nedostatek paměti pro zpracování tohoto příkazu.");
    EXPECT_EQ(nuvex::platform::SystemErrorMessage(87), "Parametr není správný.");
    EXPECT_EQ(nuvex::platform::SystemErrorMessage(ENOENT), std::strerror(ENOENT));
    EXPECT_FALSE(nuvex::platform::SystemErrorMessage(123456).empty());
}
