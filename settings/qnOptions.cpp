#include "settings/qnOptions.h"

#include "platform/SystemPaths.h"
#include "ui/SysText.h"

#include <QFileInfo>
#include <cmath>
#include <cstring>

namespace nuvex {

namespace registry = platform::registry;

namespace {

QString RootName(registry::Root root)
{
    return root == registry::Root::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                                : QStringLiteral("HKEY_CURRENT_USER");
}

} // namespace

TOptions::TOptions(const QString& keyPath, TRootKey rootKey) : KeyPath(keyPath), RootKey(rootKey)
{
    CheckFirstRun();
}

TOptions::TOptions()
    : TOptions(QStringLiteral("Software\\Quorin Software\\") +
                   QFileInfo(FromSys(platform::ProgramFile())).completeBaseName(),
               registry::Root::CurrentUser)
{}

void TOptions::CheckFirstRun()
{
    if (!ReadBool(QStringLiteral("Installed"))) {
        InstallDefaults();
        WriteBool(QStringLiteral("Installed"), true);
    }
}

void TOptions::SetDamaged(const QString& problem, const QStringList& keptKeys)
{
    damaged_ = problem;
    keptKeys_ = keptKeys;
    kept_.clear();
}

std::optional<registry::Value> TOptions::ReadValue(const QString& key, registry::ValueType type,
                                                   const char* typeName)
{
    try {
        std::optional<registry::Value> value;
        if (damaged_) {
            if (const auto found = kept_.find(key.toCaseFolded()); found != kept_.end())
                value = found->second;
        } else {
            const auto opened = registry::Key::Open(RootKey, ToSys(KeyPath), registry::Access::Read, false);
            if (!opened)
                return std::nullopt;
            value = opened->Read(ToSys(key));
        }
        if (value && value->type != type)
            throw ERegistryException(
                QStringLiteral("Hodnota „%1“ v klíči %2\\%3 (soubor %4) má jiný typ, než je očekávaný %5.")
                    .arg(key, RootName(RootKey), KeyPath, FromSys(registry::RootFile(RootKey)),
                         QString::fromLatin1(typeName))
                    .toStdString());
        return value;
    } catch (const registry::RegistryError& error) {
        throw ERegistryException(error.what());
    }
}

void TOptions::WriteValue(const QString& key, const registry::Value& value)
{
    WriteValues({{ToSys(key), value}});
}

void TOptions::WriteValues(const std::vector<std::pair<std::string, registry::Value>>& values)
{
    if (damaged_) {
        // All or nothing: a value that may not be kept refuses the whole update.
        for (const auto& written : values) {
            const QString key = FromSys(written.first);
            if (!keptKeys_.contains(key, Qt::CaseInsensitive))
                throw ERegistryException(
                    QStringLiteral(
                        "Změnu nastavení „%1“ nelze uložit: soubor s nastavením %2 je poškozený a Nuvex jej "
                        "nepřepíše, aby se neztratilo nic, co v něm lze opravit. Opravte jej, nebo jej "
                        "smažte, a spusťte Nuvex znovu.\n\n%3")
                        .arg(key, FromSys(registry::RootFile(RootKey)), *damaged_)
                        .toStdString());
        }
        for (const auto& written : values)
            kept_[FromSys(written.first).toCaseFolded()] = written.second;
        return;
    }
    try {
        auto opened = registry::Key::Open(RootKey, ToSys(KeyPath), registry::Access::ReadWrite, true);
        if (!opened)
            throw ERegistryException(
                QStringLiteral("Do klíče %1\\%2 (soubor %3) nelze zapisovat.")
                    .arg(RootName(RootKey), KeyPath, FromSys(registry::RootFile(RootKey)))
                    .toStdString());
        opened->Write(values);
    } catch (const registry::RegistryError& error) {
        throw ERegistryException(error.what());
    }
}

bool TOptions::ReadBool(const QString& key)
{
    return ReadInteger(key) != 0;
}

void TOptions::WriteBool(const QString& key, bool value)
{
    WriteValue(key, registry::Value::FromDWord(value ? 1 : 0));
}

double TOptions::ReadFloat(const QString& key)
{
    const auto value = ReadValue(key, registry::ValueType::Binary, "REG_BINARY");
    if (!value)
        return 0.0;
    if (value->data.size() != sizeof(double))
        throw ERegistryException(
            QStringLiteral("Hodnota „%1“ v klíči %2\\%3 (soubor %4) má %5 bajtů místo 8 bajtů čísla.")
                .arg(key, RootName(RootKey), KeyPath, FromSys(registry::RootFile(RootKey)))
                .arg(value->data.size())
                .toStdString());
    // The stored bytes are little-endian, as on every machine this builds for.
    double result = 0.0;
    std::memcpy(&result, value->data.data(), sizeof result);
    return result;
}

namespace {

registry::Value FloatValue(double value)
{
    std::vector<std::uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return registry::Value::FromBinary(std::move(bytes));
}

} // namespace

void TOptions::WriteFloat(const QString& key, double value)
{
    WriteValue(key, FloatValue(value));
}

void TOptions::WriteFloats(const std::vector<std::pair<QString, double>>& values)
{
    std::vector<std::pair<std::string, registry::Value>> converted;
    for (const auto& [key, value] : values)
        converted.emplace_back(ToSys(key), FloatValue(value));
    WriteValues(converted);
}

qint32 TOptions::ReadInteger(const QString& key)
{
    const auto value = ReadValue(key, registry::ValueType::DWord, "REG_DWORD");
    if (!value)
        return 0;
    try {
        return static_cast<qint32>(value->AsDWord());
    } catch (const registry::RegistryError& error) {
        throw ERegistryException(error.what());
    }
}

void TOptions::WriteInteger(const QString& key, qint32 value)
{
    WriteValue(key, registry::Value::FromDWord(static_cast<std::uint32_t>(value)));
}

QString TOptions::ReadString(const QString& key)
{
    const auto value = ReadValue(key, registry::ValueType::String, "REG_SZ");
    return value ? FromSys(value->AsString()) : QString();
}

void TOptions::WriteString(const QString& key, const QString& value)
{
    QString stored = value;
    if (key == u"UrlForUpdate" && !value.startsWith(u"http://"))
        stored = u"http://" + value;
    WriteValue(key, registry::Value::FromString(ToSys(stored)));
}

// The text is written with ASCII digits, "-" and "e" whatever the locale: several locales
// write a minus sign with bidirectional marks, their own digits or an exponent that their
// own reader refuses, and a stored date must read back under any locale.
QString FloatToSafeStr(double value, const QLocale& locale)
{
    Q_UNUSED(locale);
    QString text = QLocale::c().toString(value, 'g', 15);
    // Rounded to 15 digits, the largest numbers would pass the range and never read back.
    bool ok = false;
    QLocale::c().toDouble(text, &ok);
    if (!ok && std::isfinite(value))
        text = QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest);
    if (const qsizetype at = text.indexOf(u'.'); at >= 0)
        text[at] = u'?';
    return text;
}

namespace {

// A text in the locale's own symbols (as earlier versions wrote it) in ASCII ones.
QString PlainNumberText(const QString& text, const QLocale& locale)
{
    QString plain = text;
    // Marks that only steer the direction of a right-to-left text.
    for (const char16_t mark : {u'\u200E', u'\u200F', u'\u061C'})
        plain.remove(QChar(mark));
    const QString minus = locale.negativeSign();
    const QString plus = locale.positiveSign();
    const QString exponent = locale.exponential();
    for (const QString& sign : {minus, plus, exponent}) {
        QString bare = sign;
        for (const char16_t mark : {u'\u200E', u'\u200F', u'\u061C'})
            bare.remove(QChar(mark));
        if (bare.isEmpty())
            continue;
        const QString ascii = sign == minus  ? QStringLiteral("-")
                              : sign == plus ? QStringLiteral("+")
                                             : QStringLiteral("e");
        plain.replace(bare, ascii, Qt::CaseInsensitive);
    }
    plain.replace(QChar(0x2212), u'-'); // the typographic minus of many locales
    const QString zero = locale.zeroDigit();
    if (zero.size() == 1 && zero != u"0") {
        const char16_t first = zero.at(0).unicode();
        for (QChar& c : plain) {
            if (c.unicode() >= first && c.unicode() <= first + 9)
                c = QChar(u'0' + (c.unicode() - first));
        }
    }
    return plain;
}

} // namespace

double SafeStrToFloat(const QString& text, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    QString number = text;
    if (const qsizetype at = number.indexOf(u'?'); at >= 0)
        number.replace(at, 1, plain.decimalPoint());
    bool ok = false;
    double value = plain.toDouble(number, &ok);
    // Then what this version writes, and what a version that wrote the locale's own signs,
    // digits and exponent left behind. A "." was never written: it stays a fault.
    if (!ok && !text.contains(u'.')) {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        for (QString ascii : {text, PlainNumberText(text, locale)}) {
            if (const qsizetype at = ascii.indexOf(u'?'); at >= 0)
                ascii[at] = u'.';
            value = c.toDouble(ascii, &ok);
            if (ok)
                break;
        }
    }
    if (!ok)
        throw EConvertError(QStringLiteral("„%1“ není platné číslo.").arg(text).toStdString());
    return value;
}

} // namespace nuvex
