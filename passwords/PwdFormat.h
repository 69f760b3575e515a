#pragma once

// The password file, as every installation reads and writes it:
//
//   offset 0    signed 32-bit little-endian: number of records minus one (-1 for none)
//   then        409 bytes per record, each scrambled by itself
//
// No magic, version or checksum. Scrambling: at record position i a byte 0 stays 0 and
// any other byte b becomes b ^ 0xFF ^ (i mod 256); reading applies the same rule.
//
// The rule turns the byte 0xFF ^ (i mod 256) into 0 as well, so a stored 0 is ambiguous.
// Two things mend that without changing the format:
//  - A value never holds byte 0, so a stored 0 inside a field's used length is the
//    colliding character and is read as such.
//  - Of the length bytes only the note's can collide: 102 stores as 0. For a note of 102
//    characters the writer puts a mark into the note's unused room (which no reader
//    interprets): "NVX" and the FNV-1a hash of the 102 characters as 8 hexadecimal digits.
//    A reader that sees length 0 and that mark reads the 102 characters. Other programs
//    see an empty note there, which is all the format can say.

#include "passwords/PwdRecords.h"

#include <QByteArray>

namespace nuvex {

inline constexpr qsizetype kPwdHeaderSize = 4;
inline constexpr qsizetype kPwdRecordSize = sizeof(TPwdRecord);

// The whole file for `records`.
QByteArray EncodePwdFile(const TPwdRecords& records);

// The records of a file's bytes: the records the header announces, whatever follows
// them ignored; a length byte above its field's room reads as the room. Throws
// EPwdFileError naming `path` for a file shorter than the header, a count below zero, or
// fewer bytes than the count needs.
TPwdRecords DecodePwdFile(QByteArrayView bytes, const QString& path);

// Makes a record read from a file one the record dialog can save again: lengths cut to
// their rooms, NUL bytes (which no text holds) dropped from the values.
void NormaliseRecord(TPwdRecord& record);

} // namespace nuvex
