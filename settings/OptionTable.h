#pragma once

// Every value the program keeps under its options key, declared once: the stored name, the
// stored type, what a missing value reads as, whose it is, and what it means as stored.
// Code reaches a value only through the typed accessors of TOptions, so that a misspelt
// name does not compile. The stored names, types and meanings are what files written by
// every earlier version hold: never rename one or turn its meaning round.

#include <QString>
#include <QtGlobal>
#include <array>
#include <string_view>

namespace nuvex {

// Whose a value is. The program's own bookkeeping lives in memory for the run when the
// options file is damaged; a setting is then refused, so that the user repairs the file.
enum class OptionRole
{
    Setting,
    Bookkeeping
};

// The stored type: REG_DWORD for bool and qint32, an 8-byte REG_BINARY double for a
// date-time (OLE date: days since 30 December 1899), REG_SZ for text.
enum class OptionType
{
    Bool,
    Integer,
    DateTime,
    Text
};

// clang-format off
// X(stored name, C++ type, what a missing value reads as, role, meaning of the stored value)
#define NUVEX_OPTION_TABLE(X)                                                                        \
    X(Installed, bool, false, Bookkeeping,                                                             \
      "1 once the first start has run; a store without it runs the first-run hook")                   \
    X(AppHideAfterStart, bool, false, Setting,                                                         \
      "inverted: 1 = the main window stays on screen at start, 0 = it hides into the tray")            \
    X(AskBeforeQuit, bool, false, Setting,                                                             \
      "inverted: 1 = quit without asking, 0 = ask before quitting")                                    \
    X(AskBeforeDeletePwd, bool, false, Setting,                                                        \
      "inverted: 1 = delete a password record without asking, 0 = ask first")                          \
    X(WhatShowInStatusBar, qint32, 0, Setting,                                                         \
      "the figure in the status bar during a connection: 0 bytes, 1 speed, 2 connected time")          \
    X(ShowNews, bool, false, Bookkeeping,                                                              \
      "1 = the news window was not acknowledged: show it again at the next start")                    \
    X(LastWhatsNew, QString, u"", Bookkeeping,                                                         \
      "the version whose news the last start showed")                                                  \
    X(UrlForUpdate, QString, u"", Setting,                                                             \
      "where updates are looked for; always stored with the prefix http://")                          \
    X(StartSession, double, 0.0, Bookkeeping,                                                          \
      "date-time the open dial-up session began; 0 = none open")                                       \
    X(EndSession, double, 0.0, Bookkeeping,                                                            \
      "date-time the open session was last seen connected; 0 = none open")                             \
    X(AutoPwd, QString, u"", Setting,                                                                  \
      "the master password typed for automatic login (kept in the per-user file); empty = none")       \
    X(Diggest, QString, u"", Setting,                                                                  \
      "older RIPEMD-160 digest of the prepared master password; accepted once, then emptied")          \
    X(PwdVerifier, QString, u"", Setting,                                                              \
      "the salted, slow verifier of the master password; empty = none set")                            \
    X(HostTrustAsked, bool, false, Setting,                                                            \
      "1 = the first start on this computer has asked whether its numbers are trusted")               \
    X(AutoStartOffered, bool, false, Setting,                                                          \
      "1 = the first start has switched on starting after login once; the user's choice stands")
// clang-format on

// What a missing value of type T reads as, in a form a constant can hold.
template <typename T> struct OptionDefault
{
    using Type = T;
};
template <> struct OptionDefault<QString>
{
    using Type = std::u16string_view;
};

// One entry of the table, typed by its stored type.
template <typename T> struct Option
{
    std::string_view name;
    typename OptionDefault<T>::Type missing;
    OptionRole role;
    std::string_view meaning;
};

// One entry of the table without its C++ type: for code that walks every option.
struct OptionInfo
{
    std::string_view name;
    OptionType type;
    OptionRole role;
    std::string_view meaning;
};

template <typename T> constexpr OptionType OptionTypeOf();
template <> constexpr OptionType OptionTypeOf<bool>()
{
    return OptionType::Bool;
}
template <> constexpr OptionType OptionTypeOf<qint32>()
{
    return OptionType::Integer;
}
template <> constexpr OptionType OptionTypeOf<double>()
{
    return OptionType::DateTime;
}
template <> constexpr OptionType OptionTypeOf<QString>()
{
    return OptionType::Text;
}

// The entries by their stored names: option::AskBeforeQuit.
namespace option {
#define NUVEX_DECLARE_OPTION(Name, Type, Missing, Role, Meaning)                                             \
    inline constexpr Option<Type> Name{#Name, Missing, OptionRole::Role, Meaning};
NUVEX_OPTION_TABLE(NUVEX_DECLARE_OPTION)
#undef NUVEX_DECLARE_OPTION
} // namespace option

// The whole table, in the order above.
inline constexpr auto kOptionTable = std::to_array<OptionInfo>({
#define NUVEX_LIST_OPTION(Name, Type, Missing, Role, Meaning)                                                \
    {#Name, OptionTypeOf<Type>(), OptionRole::Role, Meaning},
    NUVEX_OPTION_TABLE(NUVEX_LIST_OPTION)
#undef NUVEX_LIST_OPTION
});

namespace detail {

constexpr char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

template <std::size_t N> constexpr bool NamesAreDistinct(const std::array<OptionInfo, N>& table)
{
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = i + 1; j < N; ++j)
            if (SameNameIgnoringCase(table[i].name, table[j].name))
                return false;
    return true;
}

} // namespace detail

// The store matches names ignoring case: two entries differing only in case would be one value.
static_assert(detail::NamesAreDistinct(kOptionTable), "two options share a stored name");

} // namespace nuvex
