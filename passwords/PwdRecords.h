#pragma once

// The password manager's records: one fixed-size record per access (entry name, user
// name, password, note), kept in memory as an array in the order they were added and
// between runs in "nuvex.pwd" beside the program file. Export and import files have the
// same format (PwdFormat.h).

#include "platform/Error.h"

#include <QString>
#include <array>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace nuvex {

// A short string: a length byte followed by a fixed room for Windows-1250 characters.
// Only the first Length characters are the value; the bytes after them mean nothing.
// A value never holds byte 0 (text has no NUL), which is what lets the file format
// tell its stored zeros apart.
template <std::size_t Room> struct TShortString
{
    static constexpr std::size_t kRoom = Room;
    quint8 Length = 0;
    std::array<uchar, Room> Chars{};
};

struct TPwdRecord
{
    TShortString<50> Nazev;     // entry name
    TShortString<50> UzName;    // user name
    TShortString<50> Heslo;     // password, in clear in memory
    TShortString<255> Poznamka; // note; line breaks as CR LF
};

// The record is the file's record byte for byte.
static_assert(std::is_standard_layout_v<TPwdRecord> && std::is_trivially_copyable_v<TPwdRecord>);
static_assert(sizeof(TPwdRecord) == 409);
static_assert(offsetof(TPwdRecord, Nazev) == 0);
static_assert(offsetof(TPwdRecord, UzName) == 51);
static_assert(offsetof(TPwdRecord, Heslo) == 102);
static_assert(offsetof(TPwdRecord, Poznamka) == 153);

// Records are equal when their four values are; the bytes after a value do not count.
bool operator==(const TPwdRecord& a, const TPwdRecord& b);

using TPwdRecords = std::vector<TPwdRecord>;

enum class TPwdField
{
    Nazev,
    UzName,
    Heslo,
    Poznamka
};

// Text that a record field cannot hold. what() is UTF-8 and names the field.
class EPwdTextError : public Error
{
public:
    using Error::Error;
};

// A password file that cannot be read or written, or is damaged. what() is UTF-8 and
// names the file.
class EPwdFileError : public Error
{
public:
    using Error::Error;
};

// The room of a field in characters (bytes): 50, or 255 for the note.
qsizetype FieldRoom(TPwdField field);
// The field's name as the user knows it, for messages.
QString FieldCaption(TPwdField field);

QString GetField(const TPwdRecord& record, TPwdField field);
// Sets a field from user input, cut to the field's room. A character Windows-1250 cannot
// hold, or NUL, is refused with EPwdTextError (the field keeps its value) rather than
// replaced by "?": the message names the field and, except in the password, the character.
void SetField(TPwdRecord& record, TPwdField field, QStringView text);
TPwdRecord MakePwdRecord(QStringView nazev, QStringView uzName, QStringView heslo, QStringView poznamka);

// The record keeps the note's line breaks as CR LF (and the room counts both); a text
// editor hands over LF.
QString NoteToStored(QStringView text);
QString NoteFromStored(QStringView text);

void AppendRecord(TPwdRecords& records, const TPwdRecord& record);
// Both throw std::out_of_range for an index outside the array.
void ReplaceRecord(TPwdRecords& records, qsizetype index, const TPwdRecord& record);
void RemoveRecord(TPwdRecords& records, qsizetype index);

inline const QString kPwdFileName = QStringLiteral("nuvex.pwd");

// "nuvex.pwd" in the program's directory.
QString DefaultPwdFile();

// Replaces `records` by the records of the file at `path` (an import replaces, it does not
// merge). Returns false and changes nothing when no file exists there. Throws
// EPwdFileError when the file cannot be read or is damaged, or is a vault (which needs
// its key: PwdVault.h); `records` stay as they were.
bool LoadRecords(TPwdRecords& records, const QString& path);

// Writes the scrambled format. Replaces the file at `path` atomically (temporary file,
// flush, rename), so that a crash
// or a full disk never leaves half a password file. An existing file keeps its mode; a
// new one gets 0600. Throws EPwdFileError naming the file; the old file is then untouched.
void SaveRecords(const TPwdRecords& records, const QString& path);

// Renames a file that could not be loaded to "<name>.bak" (or ".bak2", ".bak3"... when
// taken; an older backup is never replaced), so that saving the list over it loses
// nothing. Returns the new path; throws EPwdFileError when the file cannot be renamed.
QString SetAsideDamagedFile(const QString& path);

} // namespace nuvex
