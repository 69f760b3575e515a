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

void StoreBlock(uchar* bytes, Block block)
{
    std::memcpy(bytes, &block, kBlockSize);
}

Block KeysAt(std::size_t position)
{
    return LoadBlock(kKeys.data() + position);
}

// Writes `Size` bytes to `out`, `make(i)` giving the block at i. The last block overlaps
// the one before it: `make` reads other memory than `out`, so the bytes done twice come
// out the same both times. Plain moves, unlike memcpy and memset, have no start-up cost,
// which for a few hundred bytes is most of the time.
template <std::size_t Size = sizeof(TPwdRecord), class Make> void ForEachBlock(uchar* out, Make make)
{
    static_assert(Size >= kBlockSize);
    for (std::size_t i = 0; i + kBlockSize <= Size; i += kBlockSize)
        StoreBlock(out + i, make(i));
    StoreBlock(out + Size - kBlockSize, make(Size - kBlockSize));
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
    ForEachBlock(out, [in](std::size_t i) { return ScrambleBlock(LoadBlock(in + i), KeysAt(i)); });
}

// 256 bytes 0xFF, then 256 bytes 0: the bytes from kRamp + 256 - n begin with n of 0xFF.
constexpr std::array<uchar, 512> MakeRamp()
{
    std::array<uchar, 512> ramp{};
    for (std::size_t i = 0; i < 256; ++i)
        ramp[i] = 0xFF;
    return ramp;
}

constexpr std::array<uchar, 512> kRamp = MakeRamp();

// The four lengths of a record, each cut to its room.
struct TLengths
{
    std::size_t Nazev, UzName, Heslo, Poznamka;
};

// A field's first `length` characters kept, its length byte and the rest of its room not.
template <std::size_t Room> void MarkValue(RecordBytes& used, std::size_t offset, std::size_t length)
{
    used[offset] = 0;
    ForEachBlock<Room>(used.data() + offset + 1,
                       [&](std::size_t i) { return LoadBlock(kRamp.data() + 256 - length + i); });
}

// 0xFF at the characters of the values, 0 at the length bytes and the rooms after the
// values: what to keep of a record's bytes.
RecordBytes ValueBytes(const TLengths& lengths)
{
    RecordBytes used;
    MarkValue<decltype(TPwdRecord::Nazev)::kRoom>(used, offsetof(TPwdRecord, Nazev), lengths.Nazev);
    MarkValue<decltype(TPwdRecord::UzName)::kRoom>(used, offsetof(TPwdRecord, UzName), lengths.UzName);
    MarkValue<decltype(TPwdRecord::Heslo)::kRoom>(used, offsetof(TPwdRecord, Heslo), lengths.Heslo);
    MarkValue<decltype(TPwdRecord::Poznamka)::kRoom>(used, kNoteOffset, lengths.Poznamka);
    return used;
}

// Puts the length bytes into a record's bytes, through `put(offset, length)`.
template <class Put> void PutLengths(const TLengths& lengths, Put put)
{
    put(offsetof(TPwdRecord, Nazev), lengths.Nazev);
    put(offsetof(TPwdRecord, UzName), lengths.UzName);
    put(offsetof(TPwdRecord, Heslo), lengths.Heslo);
    put(kNoteOffset, lengths.Poznamka);
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

template <std::size_t Room> std::size_t CutToRoom(const TShortString<Room>& field)
{
    return std::min<std::size_t>(field.Length, Room);
}

void EncodeRecord(const TPwdRecord& record, uchar* out)
{
    // The record in memory is the plain record, except for what lies after the values.
    const TLengths lengths{CutToRoom(record.Nazev), CutToRoom(record.UzName), CutToRoom(record.Heslo),
                           CutToRoom(record.Poznamka)};
    const RecordBytes used = ValueBytes(lengths);
    const auto* memory = reinterpret_cast<const uchar*>(&record);
    const auto plainAt = [&](std::size_t i) {
        return LoadBlock(memory + i) & LoadBlock(used.data() + i);
    };
    if (lengths.Poznamka != kCollidingNoteLength) {
        ForEachBlock(out, [&](std::size_t i) { return ScrambleBlock(plainAt(i), KeysAt(i)); });
        PutLengths(lengths, [out](std::size_t offset, std::size_t length) {
            out[offset] = length == 0 ? 0 : static_cast<uchar>(length ^ Key(offset));
        });
        return;
    }
    // A note of 102 characters gets its mark, written into the plain record first.
    RecordBytes plain;
    ForEachBlock(plain.data(), plainAt);
    PutLengths(lengths, [&plain](std::size_t offset, std::size_t length) {
        plain[offset] = static_cast<uchar>(length);
    });
    // A byte 0 inside a value (which text never holds) and the character that collides
    // with 0 both store as 0; only the mark's hash tells them apart, and it is taken over
    // the character.
    RestoreCollisions(plain.data(), kNoteOffset, kCollidingNoteLength);
    const auto mark = LongNoteMark(plain);
    std::memcpy(plain.data() + kMarkOffset, mark.data(), mark.size());
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

// A field's length as stored, unscrambled and cut to the room.
template <std::size_t Room> std::size_t StoredLength(const uchar* stored, std::size_t offset)
{
    const uchar byte = stored[offset];
    return std::min<std::size_t>(byte == 0 ? 0 : byte ^ Key(offset), Room);
}

// Decodes a record as RecordDecoder does, but a whole block of bytes at a time and
// straight into `record`. Returns false, with `record` untouched, for the records only
// RecordDecoder reads: a note that may be a long one with its mark, or one holding a NUL.
bool DecodeCommonRecord(const uchar* stored, TPwdRecord& record)
{
    if (stored[kNoteOffset] == 0 &&
        std::memcmp(stored + kMarkOffset, kStoredMarkTag.data(), kStoredMarkTag.size()) == 0)
        return false;
    const TLengths lengths{StoredLength<decltype(record.Nazev)::kRoom>(stored, offsetof(TPwdRecord, Nazev)),
                           StoredLength<decltype(record.UzName)::kRoom>(stored, offsetof(TPwdRecord, UzName)),
                           StoredLength<decltype(record.Heslo)::kRoom>(stored, offsetof(TPwdRecord, Heslo)),
                           StoredLength<decltype(record.Poznamka)::kRoom>(stored, kNoteOffset)};
    if (lengths.Poznamka > kNulPosition - kNoteOffset - 1 && stored[kNulPosition] == 0)
        return false;
    const RecordBytes used = ValueBytes(lengths);
    auto* plain = reinterpret_cast<uchar*>(&record);
    ForEachBlock(plain, [&](std::size_t i) {
        return RestoreBlock(LoadBlock(stored + i), KeysAt(i)) & LoadBlock(used.data() + i);
    });
    PutLengths(lengths, [plain](std::size_t offset, std::size_t length) {
        plain[offset] = static_cast<uchar>(length);
    });
    return true;
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
