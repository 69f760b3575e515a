#include "passwords/PwdFormat.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace nuvex {

namespace {

using RecordBytes = std::array<uchar, sizeof(TPwdRecord)>;

constexpr std::size_t kNoteOffset = offsetof(TPwdRecord, Poznamka);
// The note length whose length byte collides: 0xFF ^ 153.
constexpr quint8 kCollidingNoteLength = 0xFF ^ kNoteOffset;
static_assert(kCollidingNoteLength == 102);
// The mark sits in the note's room right after those 102 characters.
constexpr std::size_t kMarkOffset = kNoteOffset + 1 + kCollidingNoteLength;
constexpr char kMarkTag[] = "NVX";
constexpr std::size_t kMarkTagSize = sizeof kMarkTag - 1;
constexpr std::size_t kMarkSize = kMarkTagSize + 8;
static_assert(kMarkOffset + kMarkSize <= sizeof(TPwdRecord));
// Positions from kMarkOffset on collide only with bytes 0x67 and above; the mark's
// letters and digits stay below, so they always read back as written.
static_assert(kMarkOffset % 256 == 0 && sizeof(TPwdRecord) - kMarkOffset <= 0x99);

constexpr uchar Key(std::size_t position)
{
    return static_cast<uchar>(0xFF ^ (position & 0xFF));
}

constexpr RecordBytes MakeKeys()
{
    RecordBytes keys{};
    for (std::size_t i = 0; i < keys.size(); ++i)
        keys[i] = Key(i);
    return keys;
}

constexpr RecordBytes kKeys = MakeKeys();

// Sixteen bytes as one value: GCC and Clang give the byte rules below whole SIMD
// registers on every target, so a record of 409 bytes is 26 steps instead of 409.
using Block = uchar __attribute__((vector_size(16)));
constexpr std::size_t kBlockSize = sizeof(Block);

Block LoadBlock(const uchar* bytes)
{
    Block block;
    std::memcpy(&block, bytes, kBlockSize);
    return block;
}

// Applies `Rule(bytes, keys)` to a record's bytes from `in`, written to `out`. The last
// block overlaps the one before it; as `in` and `out` never share memory, the bytes
// done twice come out the same both times.
template <Block (*Rule)(Block, Block)> void ForEachBlock(const uchar* in, uchar* out)
{
    constexpr std::size_t size = sizeof(TPwdRecord);
    static_assert(size > kBlockSize);
    const auto step = [&](std::size_t i) {
        const Block result = Rule(LoadBlock(in + i), LoadBlock(kKeys.data() + i));
        std::memcpy(out + i, &result, kBlockSize);
    };
    for (std::size_t i = 0; i + kBlockSize <= size; i += kBlockSize)
        step(i);
    step(size - kBlockSize);
}

// Scrambling and unscrambling are the same: 0 stays 0, any other byte is XORed with its
// position's key.
Block ScrambleBlock(Block bytes, Block keys)
{
    return bytes ^ (keys & ~static_cast<Block>(bytes == Block{}));
}

// Writes the scrambled form of a record's bytes to out (both sizeof(TPwdRecord) bytes,
// apart).
void ScrambleInto(const uchar* in, uchar* out)
{
    ForEachBlock<ScrambleBlock>(in, out);
}

RecordBytes Scrambled(const uchar* in)
{
    RecordBytes out;
    ScrambleInto(in, out.data());
    return out;
}

quint32 Fnv1a(const uchar* bytes, std::size_t size)
{
    quint32 hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

// The mark that says "the note has 102 characters", for the note's characters as they
// stand in `plain`.
std::array<uchar, kMarkSize> LongNoteMark(const RecordBytes& plain)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::array<uchar, kMarkSize> mark{};
    std::memcpy(mark.data(), kMarkTag, kMarkTagSize);
    const quint32 hash = Fnv1a(plain.data() + kNoteOffset + 1, kCollidingNoteLength);
    for (std::size_t i = 0; i < 8; ++i)
        mark[kMarkTagSize + i] = static_cast<uchar>(kHex[(hash >> (28 - 4 * i)) & 0xF]);
    return mark;
}

// A stored 0 inside a value is the character whose scrambled form collides with 0: puts
// that character back at every 0 among the `length` characters after `offset`.
void RestoreCollisions(uchar* plain, std::size_t offset, std::size_t length)
{
    for (std::size_t position = offset + 1; position <= offset + length; ++position)
        if (plain[position] == 0)
            plain[position] = Key(position);
}

// Cuts a field's length byte to its room and clears the room after the value.
template <std::size_t Room> void ClearAfterValue(uchar* plain, std::size_t offset)
{
    const std::size_t length = std::min<std::size_t>(plain[offset], Room);
    plain[offset] = static_cast<uchar>(length);
    std::memset(plain + offset + 1 + length, 0, Room - length);
}

void EncodeRecord(const TPwdRecord& record, uchar* out)
{
    // The record in memory is the plain record, except for what lies after the values.
    RecordBytes plain;
    std::memcpy(plain.data(), &record, sizeof record);
    ClearAfterValue<decltype(record.Nazev)::kRoom>(plain.data(), offsetof(TPwdRecord, Nazev));
    ClearAfterValue<decltype(record.UzName)::kRoom>(plain.data(), offsetof(TPwdRecord, UzName));
    ClearAfterValue<decltype(record.Heslo)::kRoom>(plain.data(), offsetof(TPwdRecord, Heslo));
    ClearAfterValue<decltype(record.Poznamka)::kRoom>(plain.data(), kNoteOffset);
    // A byte 0 inside a value (which text never holds) and the character that collides
    // with 0 both store as 0; only the mark's hash tells them apart, and it is taken over
    // the character.
    if (plain[kNoteOffset] == kCollidingNoteLength) {
        RestoreCollisions(plain.data(), kNoteOffset, kCollidingNoteLength);
        const auto mark = LongNoteMark(plain);
        std::memcpy(plain.data() + kMarkOffset, mark.data(), mark.size());
    }
    ScrambleInto(plain.data(), out);
}

class RecordDecoder
{
public:
    explicit RecordDecoder(const uchar* stored) : plain_(Scrambled(stored)) {}

    TPwdRecord Decode()
    {
        TPwdRecord record;
        GetField(record.Nazev, offsetof(TPwdRecord, Nazev));
        GetField(record.UzName, offsetof(TPwdRecord, UzName));
        GetField(record.Heslo, offsetof(TPwdRecord, Heslo));
        if (plain_[kNoteOffset] == 0 && HasMarkTag()) {
            // Restore first: the mark was made over the characters as they were written.
            RestoreCollisions(plain_.data(), kNoteOffset, kCollidingNoteLength);
            if (HasLongNoteMark())
                plain_[kNoteOffset] = kCollidingNoteLength;
        }
        GetField(record.Poznamka, kNoteOffset);
        // At position 255 the key is 0, so a stored 0 there stays a NUL, which no text
        // holds and the record dialog could not save again.
        NormaliseRecord(record);
        return record;
    }

private:
    bool HasMarkTag() const { return std::memcmp(plain_.data() + kMarkOffset, kMarkTag, kMarkTagSize) == 0; }

    bool HasLongNoteMark() const
    {
        const auto mark = LongNoteMark(plain_);
        return std::memcmp(plain_.data() + kMarkOffset, mark.data(), mark.size()) == 0;
    }

    template <std::size_t Room> void GetField(TShortString<Room>& field, std::size_t offset)
    {
        // A length beyond the room (a foreign or damaged file) reads as the room.
        const std::size_t length = std::min<std::size_t>(plain_[offset], Room);
        RestoreCollisions(plain_.data(), offset, length);
        field.Length = static_cast<quint8>(length);
        std::memcpy(field.Chars.data(), plain_.data() + offset + 1, length);
    }

    RecordBytes plain_;
};

// The mark's tag as a file stores it.
constexpr std::array<uchar, kMarkTagSize> MakeStoredMarkTag()
{
    std::array<uchar, kMarkTagSize> stored{};
    for (std::size_t i = 0; i < kMarkTagSize; ++i)
        stored[i] = static_cast<uchar>(kMarkTag[i]) ^ Key(kMarkOffset + i);
    return stored;
}

constexpr auto kStoredMarkTag = MakeStoredMarkTag();

// The one position whose key is 0: a stored 0 there is a NUL, not a collision.
constexpr std::size_t kNulPosition = 255;
static_assert(Key(kNulPosition) == 0 && kNulPosition > kNoteOffset);

// Unscrambles, reading every 0 as the character that collides with 0: a stored 0, or a
// byte a foreign writer stored equal to its key. Right for the characters of a value.
Block RestoreBlock(Block stored, Block keys)
{
    const Block plain = stored ^ keys;
    return plain | (keys & static_cast<Block>(plain == Block{}));
}

// Unscrambles a field's length byte into `plain`, cut to the room, and clears the room
// after the value. Returns the length.
template <std::size_t Room> std::size_t PlaceLength(const uchar* stored, uchar* plain, std::size_t offset)
{
    const uchar byte = stored[offset];
    plain[offset] = byte == 0 ? 0 : byte ^ Key(offset);
    ClearAfterValue<Room>(plain, offset);
    return plain[offset];
}

// Decodes a record the way RecordDecoder does, but a whole block of bytes at a time and
// straight into `record`. Returns false, with `record` unfinished, for the records only
// RecordDecoder reads: a note that may be a long one with its mark, or one holding a NUL.
bool DecodeCommonRecord(const uchar* stored, TPwdRecord& record)
{
    if (stored[kNoteOffset] == 0 &&
        std::memcmp(stored + kMarkOffset, kStoredMarkTag.data(), kStoredMarkTag.size()) == 0)
        return false;
    auto* plain = reinterpret_cast<uchar*>(&record);
    ForEachBlock<RestoreBlock>(stored, plain);
    PlaceLength<decltype(record.Nazev)::kRoom>(stored, plain, offsetof(TPwdRecord, Nazev));
    PlaceLength<decltype(record.UzName)::kRoom>(stored, plain, offsetof(TPwdRecord, UzName));
    PlaceLength<decltype(record.Heslo)::kRoom>(stored, plain, offsetof(TPwdRecord, Heslo));
    const std::size_t noteLength = PlaceLength<decltype(record.Poznamka)::kRoom>(stored, plain, kNoteOffset);
    return noteLength < kNulPosition - kNoteOffset || stored[kNulPosition] != 0;
}

template <std::size_t Room> void NormaliseField(TShortString<Room>& field)
{
    const std::size_t length = std::min<std::size_t>(field.Length, Room);
    const auto end = std::remove(field.Chars.begin(), field.Chars.begin() + length, uchar(0));
    const auto kept = static_cast<std::size_t>(end - field.Chars.begin());
    std::fill(end, field.Chars.end(), uchar(0));
    field.Length = static_cast<quint8>(kept);
}

[[noreturn]] void ThrowDamaged(const QString& path, const QString& why)
{
    throw EPwdFileError(QStringLiteral("Soubor hesel „%1“ je poškozený: %2").arg(path, why).toStdString());
}

} // namespace

void NormaliseRecord(TPwdRecord& record)
{
    NormaliseField(record.Nazev);
    NormaliseField(record.UzName);
    NormaliseField(record.Heslo);
    NormaliseField(record.Poznamka);
}

QByteArray EncodePwdFile(const TPwdRecords& records)
{
    const auto count = static_cast<qsizetype>(records.size());
    QByteArray bytes(kPwdHeaderSize + count * kPwdRecordSize, Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(bytes.data());
    qToLittleEndian<qint32>(static_cast<qint32>(count - 1), out);
    out += kPwdHeaderSize;
    for (const TPwdRecord& record : records) {
        EncodeRecord(record, out);
        out += kPwdRecordSize;
    }
    return bytes;
}

TPwdRecords DecodePwdFile(QByteArrayView bytes, const QString& path)
{
    if (bytes.size() < kPwdHeaderSize)
        ThrowDamaged(path, QStringLiteral("je kratší než 4 bajty."));
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    const qint32 header = qFromLittleEndian<qint32>(in);
    if (header < -1)
        ThrowDamaged(path,
                     QStringLiteral("záhlaví udává záporný počet záznamů (%1).").arg(qint64(header) + 1));
    const qint64 count = qint64(header) + 1;
    // Bytes after the announced records are ignored, as every reader of the format does.
    if (bytes.size() < kPwdHeaderSize + count * kPwdRecordSize)
        ThrowDamaged(path, QStringLiteral("jeho délka (%1 B) nestačí na počet záznamů v záhlaví (%2).")
                               .arg(bytes.size())
                               .arg(count));
    TPwdRecords records(static_cast<std::size_t>(count));
    in += kPwdHeaderSize;
    for (TPwdRecord& record : records) {
        if (!DecodeCommonRecord(in, record))
            record = RecordDecoder(in).Decode();
        in += kPwdRecordSize;
    }
    return records;
}

} // namespace nuvex
