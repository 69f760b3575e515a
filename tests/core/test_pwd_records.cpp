#include "passwords/PwdFormat.h"
#include "passwords/PwdRecords.h"
#include "passwords/Windows1250.h"
#include "support/FileBytes.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"
#include "ui/AppDir.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

// The format's rule as the program always applied it, without our mending: what another
// installation writes and expects to read.
QByteArray ScrambleAsEveryone(QByteArray plain)
{
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const auto b = static_cast<uchar>(plain[i]);
        plain[i] = static_cast<char>(b == 0 ? 0 : b ^ 0xFF ^ (i & 0xFF));
    }
    return plain;
}

QByteArray Header(qint32 value)
{
    QByteArray bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4); // the machine is little-endian, as the format
    return bytes;
}

// A plain record: each field's text, and `fill` in the room after it.
QByteArray PlainRecord(const QByteArray& nazev, const QByteArray& uzName, const QByteArray& heslo,
                       const QByteArray& poznamka, char fill = '\0')
{
    QByteArray plain;
    using Field = std::pair<QByteArray, qsizetype>;
    for (const auto& [text, room] :
         {Field{nazev, 50}, Field{uzName, 50}, Field{heslo, 50}, Field{poznamka, 255}}) {
        plain.append(static_cast<char>(text.size()));
        plain.append(text);
        plain.append(room - text.size(), fill);
    }
    return plain;
}

uchar Key(qsizetype position)
{
    return static_cast<uchar>(0xFF ^ (position & 0xFF));
}

class PwdRecords : public nuvex::test::SandboxTest
{
protected:
    PwdRecords() { SetAppDirForTesting(QString::fromStdString(sandbox.dir().string())); }
    ~PwdRecords() override { SetAppDirForTesting(QString()); }

    QString PathOf(const QString& name) const
    {
        return QString::fromStdString((sandbox.dir() / name.toStdString()).string());
    }

    static QByteArray ReadBytes(const QString& path) { return test::ReadBytes(path); }
    static void WriteBytes(const QString& path, const QByteArray& bytes) { test::WriteBytes(path, bytes); }
    static unsigned ModeOf(const QString& path) { return test::FileMode(path.toStdString()); }
    static TPwdRecords Three()
    {
        return {MakePwdRecord(u"Seznam"_s, u"jan"_s, u"Heslo1"_s, u"první\r\nřádek"_s),
                MakePwdRecord(u"Banka"_s, u"Jan Novák"_s, u"čŠ€"_s, QString()),
                MakePwdRecord(QString(), QString(), QString(), QString())};
    }
};

using PwdFile = PwdRecords;
using PwdFields = PwdRecords;

} // namespace

TEST_F(PwdFields, TextIsWindows1250CutToTheRoom)
{
    TPwdRecord record = MakePwdRecord(u"Účet"_s, u"ž"_s, u"€"_s, u"a\r\nb"_s);
    EXPECT_EQ(record.Nazev.Length, 4);
    EXPECT_EQ(record.Nazev.Chars[0], 0xDA); // Ú
    EXPECT_EQ(record.Heslo.Chars[0], 0x80); // €
    EXPECT_EQ(GetField(record, TPwdField::Nazev), u"Účet"_s);
    EXPECT_EQ(GetField(record, TPwdField::Poznamka), u"a\r\nb"_s);

    SetField(record, TPwdField::UzName, QString(60, u'č'));
    EXPECT_EQ(GetField(record, TPwdField::UzName), QString(50, u'č'));
    SetField(record, TPwdField::Poznamka, QString(300, u'x'));
    EXPECT_EQ(GetField(record, TPwdField::Poznamka).size(), 255);
    // A character beyond the room is cut off, not refused.
    SetField(record, TPwdField::Heslo, QString(QString(50, u'a') + u"Ж"_s));
    EXPECT_EQ(GetField(record, TPwdField::Heslo), QString(50, u'a'));

    EXPECT_EQ(NoteToStored(u"a\nb\r\nc\n"_s), u"a\r\nb\r\nc\r\n"_s);
    EXPECT_EQ(NoteFromStored(u"a\r\nb\r\n"_s), u"a\nb\n"_s);
}

TEST_F(PwdFields, RefusesWhatWindows1250CannotHoldAndKeepsTheOldValue)
{
    TPwdRecord record = MakePwdRecord(u"Pošta"_s, u"u"_s, u"tajné"_s, u"n"_s);
    const auto name = test::Thrown<EPwdTextError>([&] { SetField(record, TPwdField::Nazev, u"Почта"_s); });
    ASSERT_TRUE(name) << "no exception";
    EXPECT_TRUE(QString::fromUtf8(name->what()).contains(u"„Název“"_s)) << name->what();
    EXPECT_TRUE(QString::fromUtf8(name->what()).contains(u"„П“"_s)) << name->what();
    EXPECT_EQ(GetField(record, TPwdField::Nazev), u"Pošta"_s);

    // The password's characters never reach a message.
    const auto password = test::Thrown<EPwdTextError>([&] { SetField(record, TPwdField::Heslo, u"abc🔑"_s); });
    ASSERT_TRUE(password) << "no exception";
    const QString message = QString::fromUtf8(password->what());
    EXPECT_TRUE(message.contains(u"„Heslo“"_s)) << password->what();
    EXPECT_TRUE(message.contains(u"4. místě"_s)) << password->what();
    EXPECT_FALSE(message.contains(u"abc"_s) || message.contains(u"🔑"_s)) << password->what();
    EXPECT_EQ(GetField(record, TPwdField::Heslo), u"tajné"_s);

    // NUL would read back as another character.
    EXPECT_THROW(SetField(record, TPwdField::Poznamka, u"a\0b"_s), EPwdTextError);
}

TEST_F(PwdFields, AppendReplaceAndRemoveKeepTheOrder)
{
    TPwdRecords records;
    for (const QString& name : {u"A"_s, u"B"_s, u"C"_s, u"B"_s})
        AppendRecord(records, MakePwdRecord(name, {}, {}, {}));
    ReplaceRecord(records, 2, MakePwdRecord(u"X"_s, {}, {}, {}));
    RemoveRecord(records, 0);
    QStringList names;
    for (const TPwdRecord& record : records)
        names.append(GetField(record, TPwdField::Nazev));
    EXPECT_EQ(names, (QStringList{u"B"_s, u"X"_s, u"B"_s}));
    EXPECT_THROW(RemoveRecord(records, 3), std::out_of_range);
    EXPECT_THROW(ReplaceRecord(records, -1, {}), std::out_of_range);
    EXPECT_EQ(records.size(), 3u);
}

TEST_F(PwdFile, EmptyListIsFourBytesInANewPrivateFile)
{
    EXPECT_EQ(DefaultPwdFile(), PathOf(u"nuvex.pwd"_s));
    SaveRecords({}, DefaultPwdFile());
    EXPECT_EQ(ReadBytes(DefaultPwdFile()), QByteArray("\xFF\xFF\xFF\xFF"));
    EXPECT_EQ(ModeOf(DefaultPwdFile()), 0600u);
    TPwdRecords records = Three();
    EXPECT_TRUE(LoadRecords(records, DefaultPwdFile()));
    EXPECT_TRUE(records.empty());
}

TEST_F(PwdFile, WritesTheFormatOtherInstallationsRead)
{
    const TPwdRecords records = Three();
    const QByteArray expected = Header(2) +
                                ScrambleAsEveryone(PlainRecord("Seznam", "jan", "Heslo1",
                                                               "prvn\xED\r\n\xF8\xE1"
                                                               "dek")) +
                                ScrambleAsEveryone(PlainRecord("Banka", "Jan Nov\xE1k", "\xE8\x8A\x80", "")) +
                                ScrambleAsEveryone(PlainRecord("", "", "", ""));
    EXPECT_EQ(EncodePwdFile(records), expected);

    SaveRecords(records, DefaultPwdFile());
    TPwdRecords loaded;
    ASSERT_TRUE(LoadRecords(loaded, DefaultPwdFile()));
    EXPECT_EQ(loaded, records);
    EXPECT_EQ(GetField(loaded[1], TPwdField::UzName), u"Jan Novák"_s);
}

TEST_F(PwdFile, ReadsCollidingCharactersOtherWritersStoredAsZero)
{
    // 'e' opens every note, 'z' is the 31st character of a password, and "ý" as the name's
    // second character: each stores as 0. The rooms hold leftovers of longer old values.
    const QByteArray heslo = QByteArray(30, 'p') + 'z';
    const QByteArray file =
        Header(0) + ScrambleAsEveryone(PlainRecord("K\xFD", "u", heslo, "ePozn\xE1mka", 'q'));
    ASSERT_EQ(file[4 + 2], '\0');
    ASSERT_EQ(file[4 + 102 + 31], '\0');
    ASSERT_EQ(file[4 + 154], '\0');
    WriteBytes(DefaultPwdFile(), file);
    TPwdRecords records;
    ASSERT_TRUE(LoadRecords(records, DefaultPwdFile()));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(GetField(records[0], TPwdField::Nazev), u"Ký"_s);
    EXPECT_EQ(GetField(records[0], TPwdField::Heslo), QString::fromLatin1(heslo));
    EXPECT_EQ(GetField(records[0], TPwdField::Poznamka), FromWindows1250("ePozn\xE1mka"));
}

TEST_F(PwdFile, ANoteOf102CharactersSurvivesItsCollidingLengthByte)
{
    const QString note = u"e"_s + QString(101, u'ř');
    const TPwdRecords records{MakePwdRecord(u"n"_s, {}, {}, note)};
    const QByteArray bytes = EncodePwdFile(records);
    EXPECT_EQ(bytes[4 + 153], '\0'); // as the format must store it; others read an empty note
    WriteBytes(DefaultPwdFile(), bytes);
    TPwdRecords loaded;
    ASSERT_TRUE(LoadRecords(loaded, DefaultPwdFile()));
    EXPECT_EQ(GetField(loaded.at(0), TPwdField::Poznamka), note);

    // An empty note whose room holds leftovers is still empty, even leftovers that begin
    // like our mark but do not carry the characters' hash.
    QByteArray plain = PlainRecord("n", "", "", QByteArray(102, 'x') + "NVX00000000", 'x');
    plain[153] = 0;
    WriteBytes(DefaultPwdFile(), Header(0) + ScrambleAsEveryone(plain));
    ASSERT_TRUE(LoadRecords(loaded, DefaultPwdFile()));
    EXPECT_EQ(GetField(loaded.at(0), TPwdField::Poznamka), QString());
}

TEST_F(PwdFile, EverySavedRecordLoadsBackIdentical)
{
    const unsigned seed = 20250611;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> character(1, 255);
    std::uniform_int_distribution<int> anyByte(0, 255);
    auto randomText = [&](qsizetype length) {
        QByteArray bytes(length, '\0');
        for (char& b : bytes)
            b = static_cast<char>(character(random));
        return bytes;
    };
    // Every field at every position holding the one value that stores as 0 (at position
    // 255 that would be 0 itself, which text never holds).
    auto collidingText = [](qsizetype offset, qsizetype length) {
        QByteArray bytes(length, '\0');
        for (qsizetype k = 0; k < length; ++k)
            bytes[k] = static_cast<char>(std::max<uchar>(Key(offset + 1 + k), 1));
        return bytes;
    };

    TPwdRecords records;
    QList<std::array<QString, 4>> texts;
    for (int noteLength = 0; noteLength <= 255; ++noteLength) {
        for (int round = 0; round < 4; ++round) {
            std::uniform_int_distribution<int> shortLength(0, 50);
            std::array<QByteArray, 4> bytes;
            if (round == 0) {
                bytes = {collidingText(0, 50), collidingText(51, 50), collidingText(102, 50),
                         collidingText(153, noteLength)};
            } else {
                bytes = {randomText(shortLength(random)), randomText(shortLength(random)),
                         randomText(shortLength(random)), randomText(noteLength)};
            }
            std::array<QString, 4> text;
            TPwdRecord record;
            for (int f = 0; f < 4; ++f) {
                text[f] = FromWindows1250(bytes[f]);
                SetField(record, static_cast<TPwdField>(f), text[f]);
            }
            // Whatever lies after the values in memory must not matter.
            auto* raw = reinterpret_cast<uchar*>(&record);
            using Span = std::pair<int, int>;
            for (const auto& [offset, length] :
                 {Span{0, record.Nazev.Length}, Span{51, record.UzName.Length},
                  Span{102, record.Heslo.Length}, Span{153, record.Poznamka.Length}}) {
                const int room = offset == 153 ? 255 : 50;
                for (int k = length; k < room; ++k)
                    raw[offset + 1 + k] = static_cast<uchar>(anyByte(random));
            }
            records.push_back(record);
            texts.append(text);
        }
    }

    SaveRecords(records, DefaultPwdFile());
    TPwdRecords loaded;
    ASSERT_TRUE(LoadRecords(loaded, DefaultPwdFile()));
    ASSERT_EQ(loaded.size(), records.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        ASSERT_EQ(loaded[i], records[i]) << "record " << i << ", seed " << seed;
        for (int f = 0; f < 4; ++f)
            ASSERT_EQ(GetField(loaded[i], static_cast<TPwdField>(f)), texts[qsizetype(i)][f])
                << "record " << i << " field " << f << ", seed " << seed;
    }
    // And apart from the long notes' mark, the bytes are what any installation writes.
    const QByteArray file = ReadBytes(DefaultPwdFile());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const auto& text = texts[i];
        if (text[3].size() == 102)
            continue;
        ASSERT_EQ(file.mid(4 + i * 409, 409),
                  ScrambleAsEveryone(PlainRecord(ToWindows1250(text[0]), ToWindows1250(text[1]),
                                                 ToWindows1250(text[2]), ToWindows1250(text[3]))))
            << "record " << i << ", seed " << seed;
    }
}

TEST_F(PwdFile, ADamagedFileIsReportedByNameAndChangesNothing)
{
    const QByteArray good = EncodePwdFile(Three());
    const std::pair<const char*, QByteArray> damaged[] = {
        {"empty", QByteArray()},
        {"three bytes", QByteArray("\xFF\xFF\xFF")},
        {"count below zero", Header(-2)},
        {"count the file cannot hold", Header(1000) + good.mid(4)},
        {"huge count", Header(0x7FFFFFFF)},
        {"short record", good.left(good.size() - 1)},
    };
    const QString path = PathOf(u"import.pwd"_s);
    for (const auto& [what, bytes] : damaged) {
        WriteBytes(path, bytes);
        TPwdRecords records = Three();
        try {
            LoadRecords(records, path);
            ADD_FAILURE() << what << ": loaded";
        } catch (const EPwdFileError& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).contains(u"„"_s + path + u"“"_s)) << error.what();
            EXPECT_TRUE(QString::fromUtf8(error.what()).contains(u"poškozený"_s)) << error.what();
        }
        EXPECT_EQ(records, Three()) << what;
        EXPECT_EQ(ReadBytes(path), bytes) << what;
    }
}

TEST_F(PwdFile, TheHeaderIsTrustedAndLengthsAreCutToTheirRoom)
{
    // Stray bytes or whole records after the announced ones are not read.
    const QString path = PathOf(u"import.pwd"_s);
    const QByteArray good = EncodePwdFile(Three());
    for (const QByteArray& tail : {QByteArray("\x0D\x0A"), good.mid(4, kPwdRecordSize)}) {
        WriteBytes(path, good + tail);
        TPwdRecords records;
        ASSERT_NO_THROW(LoadRecords(records, path));
        EXPECT_EQ(records, Three());
    }
    WriteBytes(path, Header(0) + good.mid(4));
    TPwdRecords records;
    ASSERT_NO_THROW(LoadRecords(records, path));
    EXPECT_EQ(records, TPwdRecords{Three()[0]});

    // A length byte beyond its room reads as the room's size.
    QByteArray plain = PlainRecord(QByteArray(50, 'N'), "u", "h", QByteArray(255, 'p'));
    plain[0] = char(51);
    plain[153] = char(255); // the note's room is 255: fine as it is
    plain[51] = char(200);
    WriteBytes(path, Header(0) + ScrambleAsEveryone(plain));
    ASSERT_NO_THROW(LoadRecords(records, path));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(GetField(records[0], TPwdField::Nazev), QString(50, u'N'));
    EXPECT_EQ(GetField(records[0], TPwdField::UzName).size(), 50);
    EXPECT_TRUE(GetField(records[0], TPwdField::UzName).startsWith(u'u'));
    EXPECT_EQ(GetField(records[0], TPwdField::Heslo), u"h"_s);
    EXPECT_EQ(records[0].Nazev.Length, 50);
    EXPECT_EQ(records[0].UzName.Length, 50);
}

TEST_F(PwdFile, ANulWhereTheKeyIsZeroIsDroppedSoTheRecordCanBeSavedAgain)
{
    // Position 255 is the note's 102nd character; its scrambling key is 0, so a stored 0
    // there can only mean NUL, which a damaged or foreign file may hold.
    ASSERT_EQ(Key(255), 0);
    QByteArray note(120, 'a');
    QByteArray plain = PlainRecord("Mail", "jan", "heslo", note);
    QByteArray stored = ScrambleAsEveryone(plain);
    stored[255] = 0;
    const QString path = PathOf(u"import.pwd"_s);
    WriteBytes(path, Header(0) + stored);
    TPwdRecords records;
    ASSERT_NO_THROW(LoadRecords(records, path));
    ASSERT_EQ(records.size(), 1u);
    const QString read = GetField(records[0], TPwdField::Poznamka);
    EXPECT_FALSE(read.contains(QChar(0)));
    EXPECT_EQ(read, QString(119, u'a'));
    EXPECT_EQ(GetField(records[0], TPwdField::Nazev), u"Mail"_s);
    // What the record dialog does with the unchanged note: it must be accepted.
    TPwdRecord again = records[0];
    EXPECT_NO_THROW(SetField(again, TPwdField::Poznamka, read));
    EXPECT_EQ(again, records[0]);
}

TEST_F(PwdFile, MissingOrUnreadableFiles)
{
    TPwdRecords records = Three();
    EXPECT_FALSE(LoadRecords(records, DefaultPwdFile()));
    EXPECT_FALSE(LoadRecords(records, PathOf(u"no/such/folder/x.pwd"_s)));
    EXPECT_EQ(records, Three());

    ASSERT_TRUE(QDir(PathOf(QString())).mkdir(u"folder.pwd"_s));
    EXPECT_THROW(LoadRecords(records, PathOf(u"folder.pwd"_s)), EPwdFileError);
    EXPECT_THROW(SaveRecords(records, PathOf(u"folder.pwd"_s)), EPwdFileError);
    EXPECT_EQ(records, Three());
}

TEST_F(PwdFile, ImportReplacesTheRecordsAndExportReplacesTheFile)
{
    const QString exported = PathOf(u"export.pwd"_s);
    WriteBytes(exported, QByteArray(5000, 'x'));
    SaveRecords({Three()[0], Three()[1]}, exported);
    EXPECT_EQ(ReadBytes(exported).size(), 4 + 2 * 409);

    TPwdRecords records(5, MakePwdRecord(u"starý"_s, {}, {}, {}));
    ASSERT_TRUE(LoadRecords(records, exported));
    EXPECT_EQ(records, (TPwdRecords{Three()[0], Three()[1]}));
}

TEST_F(PwdFile, SavingKeepsTheModeAndLeavesNoTemporaryFile)
{
    SaveRecords(Three(), DefaultPwdFile());
    ASSERT_EQ(::chmod(DefaultPwdFile().toLocal8Bit().constData(), 0640), 0);
    SaveRecords({}, DefaultPwdFile());
    EXPECT_EQ(ModeOf(DefaultPwdFile()), 0640u);
    EXPECT_EQ(QDir(PathOf(QString())).entryList(QDir::Files | QDir::Hidden), QStringList{u"nuvex.pwd"_s});
}

TEST_F(PwdFile, AFailedSaveLeavesTheOldFileWhole)
{
    SaveRecords(Three(), DefaultPwdFile());
    const QByteArray before = ReadBytes(DefaultPwdFile());

    // A disk that fills up after 100 bytes.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto error = test::Thrown<EPwdFileError>([] { SaveRecords(TPwdRecords(3), DefaultPwdFile()); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_TRUE(error);
    EXPECT_TRUE(QString::fromUtf8(error->what()).contains(DefaultPwdFile())) << error->what();
    EXPECT_EQ(ReadBytes(DefaultPwdFile()), before);
    EXPECT_EQ(QDir(PathOf(QString())).entryList(QDir::Files | QDir::Hidden), QStringList{u"nuvex.pwd"_s});
}

TEST_F(PwdFile, ADamagedFileIsSetAsideNeverOverAnOlderBackup)
{
    WriteBytes(DefaultPwdFile(), "first");
    EXPECT_EQ(SetAsideDamagedFile(DefaultPwdFile()), DefaultPwdFile() + u".bak"_s);
    WriteBytes(DefaultPwdFile(), "second");
    EXPECT_EQ(SetAsideDamagedFile(DefaultPwdFile()), DefaultPwdFile() + u".bak2"_s);
    EXPECT_FALSE(QFile::exists(DefaultPwdFile()));
    EXPECT_EQ(ReadBytes(DefaultPwdFile() + u".bak"_s), QByteArray("first"));
    EXPECT_EQ(ReadBytes(DefaultPwdFile() + u".bak2"_s), QByteArray("second"));
    EXPECT_THROW(SetAsideDamagedFile(PathOf(u"missing.pwd"_s)), EPwdFileError);
}
