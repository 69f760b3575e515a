// Number text: what the three fields join into splits back into them, and a text that
// splits into fields joins into a text that splits the same way again.

#include "tests/fuzz/FuzzInput.h"
#include "watch/EntryNumber.h"

using namespace nuvex;
using nuvex::fuzz::FuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const quint32 country = in.Integral<quint32>();
    const QString area = QString::fromUtf8(in.Text(16));
    const QString local = QString::fromUtf8(in.UpToNul());

    const QString joined = FormatEntryNumber(country, area, local);
    const TEntryNumberParts parts = SplitEntryNumber(joined);
    if (!area.isEmpty() && !area.contains(u')')) {
        FUZZ_CHECK(ParseCountryCode(parts.CountryCode).value_or(0) == country);
        FUZZ_CHECK(parts.AreaCode == area);
        FUZZ_CHECK(parts.LocalNumber == local);
    } else if (area.isEmpty() && country == 0 && !local.contains(u'-')) {
        FUZZ_CHECK(parts.CountryCode == u"0");
        FUZZ_CHECK(parts.AreaCode.isEmpty());
        FUZZ_CHECK(parts.LocalNumber == local);
    }

    // Split any text; what it gives joins into a text that splits the same way.
    const QString text = QString::fromUtf8(in.Rest());
    const TEntryNumberParts split = SplitEntryNumber(text);
    const auto code = ParseCountryCode(split.CountryCode);
    if (code && !split.AreaCode.isEmpty()) {
        const TEntryNumberParts again =
            SplitEntryNumber(FormatEntryNumber(*code, split.AreaCode, split.LocalNumber));
        FUZZ_CHECK(ParseCountryCode(again.CountryCode).value_or(0) == *code);
        FUZZ_CHECK(again.AreaCode == split.AreaCode);
        FUZZ_CHECK(again.LocalNumber == split.LocalNumber);
    }
    if (const auto parsed = ParseCountryCode(QString::number(country)))
        FUZZ_CHECK(*parsed == country);
    else
        FUZZ_CHECK(false);
    return 0;
}
