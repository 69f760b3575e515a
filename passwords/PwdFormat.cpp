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

// Scrambling and unscrambling are the same: 0 stays 0, any other byte is XORed with its
// position's key. Done eight bytes at a time: 10,000 records are 4 MB.
// Writes the scrambled form of a record's bytes to out (both sizeof(TPwdRecord) bytes).
void ScrambleInto(const uchar* in, uchar* out)
{
    constexpr quint64 kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr quint64 kHigh = 0x8080808080808080ull;
    constexpr std::size_t size = sizeof(TPwdRecord);
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word, key;
        std::memcpy(&word, in + i, 8);
        std::memcpy(&key, kKeys.data() + i, 8);
        // The high bit of each byte that is not 0, spread over the byte.
        const quint64 nonZero = (((word & kLow7) + kLow7) | word) & kHigh;
        word ^= key & ((nonZero >> 7) * 0xFF);
        std::memcpy(out + i, &word, 8);
    }
    for (; i < size; ++i)
        out[i] = in[i] == 0 ? 0 : static_cast<uchar>(in[i] ^ kKeys[i]);
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

// Writes one field into the plain record: its used characters, zeros after them. A byte
// 0 inside the value (which text never holds) becomes the value it would be read as.
template <std::size_t Room>
void PutField(RecordBytes& plain, std::size_t offset, const TShortString<Room>& field)
{
    const std::size_t length = std::min<std::size_t>(field.Length, Room);
    plain[offset] = static_cast<uchar>(length);
    std::memcpy(plain.data() + offset + 1, field.Chars.data(), length);
    for (std::size_t position = offset + 1; position <= offset + length; ++position)
        if (plain[position] == 0)
            plain[position] = Key(position);
}

void EncodeRecord(const TPwdRecord& record, uchar* out)
{
    RecordBytes plain{};
    PutField(plain, offsetof(TPwdRecord, Nazev), record.Nazev);
    PutField(plain, offsetof(TPwdRecord, UzName), record.UzName);
    PutField(plain, offsetof(TPwdRecord, Heslo), record.Heslo);
    PutField(plain, kNoteOffset, record.Poznamka);
    if (plain[kNoteOffset] == kCollidingNoteLength) {
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
            RestoreCollisions(kNoteOffset, kCollidingNoteLength);
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
    void RestoreCollisions(std::size_t offset, std::size_t length)
    {
        for (std::size_t position = offset + 1; position <= offset + length; ++position)
            if (plain_[position] == 0)
                plain_[position] = Key(position);
    }

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
        RestoreCollisions(offset, length);
        field.Length = static_cast<quint8>(length);
        std::memcpy(field.Chars.data(), plain_.data() + offset + 1, length);
    }

    RecordBytes plain_;
};

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
    TPwdRecords records;
    records.reserve(static_cast<std::size_t>(count));
    in += kPwdHeaderSize;
    for (qsizetype k = 0; k < count; ++k, in += kPwdRecordSize)
        records.push_back(RecordDecoder(in).Decode());
    return records;
}

} // namespace nuvex
