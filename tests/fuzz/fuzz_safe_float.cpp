// FloatToSafeStr and SafeStrToFloat in every locale Qt knows: what the writer emits under
// one locale the reader accepts under it and under any other, as the same number to the
// 15 digits written, without the locale's decimal separator; and a text the reader
// accepts writes and reads back as the number it read.

#include "settings/qnOptions.h"
#include "tests/fuzz/FuzzInput.h"

#include <QLocale>
#include <cmath>

using namespace nuvex;
using nuvex::fuzz::FuzzInput;

namespace {

const QList<QLocale>& Locales()
{
    static const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    return locales;
}

const QLocale& Pick(FuzzInput& in)
{
    return Locales()[in.Integral<quint16>() % Locales().size()];
}

bool Close(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    if (std::isinf(a) || std::isinf(b))
        return a == b;
    return std::fabs(a - b) <= std::fabs(b) * 1e-14;
}

void CheckRoundTrip(double value, const QLocale& writer, const QLocale& reader)
{
    const QString text = FloatToSafeStr(value, writer);
    FUZZ_CHECK(!text.isEmpty());
    if (writer.decimalPoint() != u"?"_qs)
        FUZZ_CHECK(!text.contains(writer.decimalPoint()));
    double back = 0.0;
    try {
        back = SafeStrToFloat(text, writer);
    } catch (const EConvertError&) {
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(Close(back, value));
    FUZZ_CHECK(FloatToSafeStr(back, writer) == text);
    try {
        FUZZ_CHECK(Close(SafeStrToFloat(text, reader), value));
    } catch (const EConvertError&) {
        FUZZ_CHECK(false);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QLocale& writer = Pick(in);
    const QLocale& reader = Pick(in);
    const double value = in.Double();
    CheckRoundTrip(value, writer, reader);
    CheckRoundTrip(-value, writer, reader);

    // Any text: refused, or a number that then round-trips like any other.
    const QString text = QString::fromUtf8(in.Rest());
    try {
        const double read = SafeStrToFloat(text, writer);
        CheckRoundTrip(read, writer, reader);
    } catch (const EConvertError& e) {
        // The message quotes the text (up to a NUL, where the C string of what() ends).
        FUZZ_CHECK(QString::fromUtf8(e.what()).contains(text.left(text.indexOf(QChar(0)))));
    }
    return 0;
}
