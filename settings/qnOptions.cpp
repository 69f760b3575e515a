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
    if (!Read(option::Installed)) {
        InstallDefaults();
        Write(option::Installed, true);
    }
}

void TOptions::SetDamaged(const QString& problem)
{
    damaged_ = problem;
    kept_.clear();
}

namespace {

QString NameText(std::string_view name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

const OptionInfo& Entry(std::string_view name)
{
    for (const OptionInfo& entry : kOptionTable)
        if (entry.name == name)
            return entry;
    // The names come from the table's own constants.
    Q_UNREACHABLE();
}

} // namespace

std::optional<registry::Value> TOptions::ReadValue(std::string_view name, registry::ValueType type,
                                                   const char* typeName)
{
    try {
        std::optional<registry::Value> value;
        if (damaged_) {
            if (const auto found = kept_.find(name); found != kept_.end())
                value = found->second;
        } else {
            const auto opened = registry::Key::Open(RootKey, ToSys(KeyPath), registry::Access::Read, false);
            if (!opened)
                return std::nullopt;
            value = opened->Read(std::string(name));
        }
        if (value && value->type != type)
            throw ERegistryException(
                QStringLiteral("Hodnota „%1“ v klíči %2\\%3 (soubor %4) má jiný typ, než je očekávaný %5.")
                    .arg(NameText(name), RootName(RootKey), KeyPath, FromSys(registry::RootFile(RootKey)),
                         QString::fromLatin1(typeName))
                    .toStdString());
        return value;
    } catch (const registry::RegistryError& error) {
        throw ERegistryException(error.what());
    }
}

void TOptions::WriteValues(const std::vector<std::pair<std::string_view, registry::Value>>& values)
{
    if (damaged_) {
        // All or nothing: a value that may not be kept refuses the whole update.
        for (const auto& written : values) {
            if (Entry(written.first).role != OptionRole::Bookkeeping)
                throw ERegistryException(
                    QStringLiteral(
                        "Změnu nastavení „%1“ nelze uložit: soubor s nastavením %2 je poškozený a Nuvex jej "
                        "nepřepíše, aby se neztratilo nic, co v něm lze opravit. Opravte jej, nebo jej "
                        "smažte, a spusťte Nuvex znovu.\n\n%3")
                        .arg(NameText(written.first), FromSys(registry::RootFile(RootKey)), *damaged_)
                        .toStdString());
        }
        for (const auto& written : values)
            kept_[written.first] = written.second;
        return;
    }
    std::vector<std::pair<std::string, registry::Value>> named;
    for (const auto& [name, value] : values)
        named.emplace_back(std::string(name), value);
    try {
        auto opened = registry::Key::Open(RootKey, ToSys(KeyPath), registry::Access::ReadWrite, true);
        if (!opened)
            throw ERegistryException(
                QStringLiteral("Do klíče %1\\%2 (soubor %3) nelze zapisovat.")
                    .arg(RootName(RootKey), KeyPath, FromSys(registry::RootFile(RootKey)))
                    .toStdString());
        opened->Write(named);
    } catch (const registry::RegistryError& error) {
        throw ERegistryException(error.what());
    }
}

bool TOptions::Read(const Option<bool>& option)
{
    const auto value = ReadValue(option.name, registry::ValueType::DWord, "REG_DWORD");
    if (!value)
        return option.missing;
    try {
        return value->AsDWord() != 0;
    } catch (const registry::RegistryError& error) {
        throw ERegistryException(error.what());
    }
}

void TOptions::Write(const Option<bool>& option, bool value)
{
    WriteValues({{option.name, registry::Value::FromDWord(value ? 1 : 0)}});
}

qint32 TOptions::Read(const Option<qint32>& option)
{
    const auto value = ReadValue(option.name, registry::ValueType::DWord, "REG_DWORD");
    if (!value)
        return option.missing;
    try {
        return static_cast<qint32>(value->AsDWord());
    } catch (const registry::RegistryError& error) {
        throw ERegistryException(error.what());
    }
}

void TOptions::Write(const Option<qint32>& option, qint32 value)
{
    WriteValues({{option.name, registry::Value::FromDWord(static_cast<std::uint32_t>(value))}});
}

namespace {

registry::Value FloatValue(double value)
{
    std::vector<std::uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return registry::Value::FromBinary(std::move(bytes));
}

} // namespace

double TOptions::Read(const Option<double>& option)
{
    const auto value = ReadValue(option.name, registry::ValueType::Binary, "REG_BINARY");
    if (!value)
        return option.missing;
    if (value->data.size() != sizeof(double))
        throw ERegistryException(
            QStringLiteral("Hodnota „%1“ v klíči %2\\%3 (soubor %4) má %5 bajtů místo 8 bajtů čísla.")
                .arg(NameText(option.name), RootName(RootKey), KeyPath, FromSys(registry::RootFile(RootKey)))
                .arg(value->data.size())
                .toStdString());
    // The stored bytes are little-endian, as on every machine this builds for.
    double result = 0.0;
    std::memcpy(&result, value->data.data(), sizeof result);
    return result;
}

void TOptions::Write(const Option<double>& option, double value)
{
    WriteValues({{option.name, FloatValue(value)}});
}

QString TOptions::Read(const Option<QString>& option)
{
    const auto value = ReadValue(option.name, registry::ValueType::String, "REG_SZ");
    return value ? FromSys(value->AsString())
                 : QString::fromUtf16(option.missing.data(), option.missing.size());
}

void TOptions::Write(const Option<QString>& option, const QString& value)
{
    WriteValues({{option.name, registry::Value::FromString(ToSys(value))}});
}

bool TOptions::Installed()
{
    return Read(option::Installed);
}

bool TOptions::HideAtStart()
{
    return !Read(option::AppHideAfterStart);
}

void TOptions::SetHideAtStart(bool hide)
{
    Write(option::AppHideAfterStart, !hide);
}

bool TOptions::ConfirmQuit()
{
    return !Read(option::AskBeforeQuit);
}

void TOptions::SetConfirmQuit(bool confirm)
{
    Write(option::AskBeforeQuit, !confirm);
}

bool TOptions::ConfirmPasswordDelete()
{
    return !Read(option::AskBeforeDeletePwd);
}

void TOptions::SetConfirmPasswordDelete(bool confirm)
{
    Write(option::AskBeforeDeletePwd, !confirm);
}

qint32 TOptions::StatusBarFigure()
{
    return Read(option::WhatShowInStatusBar);
}

void TOptions::SetStatusBarFigure(qint32 figure)
{
    Write(option::WhatShowInStatusBar, figure);
}

bool TOptions::NewsPending()
{
    return Read(option::ShowNews);
}

void TOptions::SetNewsPending(bool pending)
{
    Write(option::ShowNews, pending);
}

QString TOptions::LastNewsVersion()
{
    return Read(option::LastWhatsNew);
}

void TOptions::SetLastNewsVersion(const QString& version)
{
    Write(option::LastWhatsNew, version);
}

QString TOptions::UpdateUrl()
{
    return Read(option::UrlForUpdate);
}

void TOptions::SetUpdateUrl(const QString& url)
{
    Write(option::UrlForUpdate, url.startsWith(u"http://") ? url : u"http://" + url);
}

double TOptions::SessionStartStamp()
{
    return Read(option::StartSession);
}

double TOptions::SessionEndStamp()
{
    return Read(option::EndSession);
}

void TOptions::SetSessionStamps(double start, double end)
{
    WriteValues({{option::StartSession.name, FloatValue(start)}, {option::EndSession.name, FloatValue(end)}});
}

void TOptions::SetSessionEndStamp(double end)
{
    Write(option::EndSession, end);
}

QString TOptions::AutoPassword()
{
    return Read(option::AutoPwd);
}

void TOptions::SetAutoPassword(const QString& password)
{
    Write(option::AutoPwd, password);
}

QString TOptions::OlderPasswordDigest()
{
    return Read(option::Diggest);
}

void TOptions::SetOlderPasswordDigest(const QString& digest)
{
    Write(option::Diggest, digest);
}

QString TOptions::PasswordVerifier()
{
    return Read(option::PwdVerifier);
}

void TOptions::SetPasswordVerifier(const QString& verifier)
{
    Write(option::PwdVerifier, verifier);
}

bool TOptions::HostTrustAsked()
{
    return Read(option::HostTrustAsked);
}

void TOptions::SetHostTrustAsked(bool asked)
{
    Write(option::HostTrustAsked, asked);
}

bool TOptions::AutoStartOffered()
{
    return Read(option::AutoStartOffered);
}

void TOptions::SetAutoStartOffered(bool offered)
{
    Write(option::AutoStartOffered, offered);
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
