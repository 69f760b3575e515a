// The password file's codec works on whole blocks of bytes and takes shortcuts for the
// common record. Here it must agree, byte for byte, with the format read and written one
// byte at a time, on records made to hit every rule: stored zeros, bytes equal to their
// key, lengths beyond the room, long notes with a right or a wrong mark, the NUL that
// only a damaged file holds, and leftovers after the values.

#include "passwords/PwdFormat.h"
#include "passwords/PwdRecords.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace nuvex;

namespace {

using Plain = std::array<uchar, sizeof(TPwdRecord)>;

constexpr int kNoteOffset = 153;
constexpr int kMarkOffset = 256;

uchar Key(int position)
{
    return static_cast<uchar>(0xFF ^ (position & 0xFF));
}

uchar Scramble(uchar b, int position)
{
    return b == 0 ? 0 : static_cast<uchar>(b ^ Key(position));
}

struct Field
{
    int offset;
    int room;
};
constexpr Field kFields[] = {{0, 50}, {51, 50}, {102, 50}, {kNoteOffset, 255}};

void Restore(Plain& plain, int offset, int length)
{
    for (int p = offset + 1; p <= offset + length; ++p)
        if (plain[p] == 0)
            plain[p] = Key(p);
}

// "NVX" and the FNV-1a hash of the note's 102 characters as 8 hexadecimal digits.
QByteArray MarkOf(const Plain& plain)
{
    quint32 hash = 2166136261u;
    for (int p = kNoteOffset + 1; p <= kNoteOffset + 102; ++p)
        hash = (hash ^ plain[p]) * 16777619u;
    return "NVX" + QByteArray::number(hash, 16).toUpper().rightJustified(8, '0');
}

TPwdRecord ReadByteByByte(const uchar* stored)
{
    Plain plain;
    for (int p = 0; p < int(plain.size()); ++p)
        plain[p] = Scramble(stored[p], p);
    if (plain[kNoteOffset] == 0 && std::memcmp(plain.data() + kMarkOffset, "NVX", 3) == 0) {
        Plain restored = plain;
        Restore(restored, kNoteOffset, 102);
        const QByteArray mark = MarkOf(restored);
        if (std::memcmp(plain.data() + kMarkOffset, mark.constData(), 11) == 0) {
            plain = restored;
            plain[kNoteOffset] = 102;
        }
    }
    Plain record{};
    for (const auto& [offset, room] : kFields) {
        const int length = std::min<int>(plain[offset], room);
        Restore(plain, offset, length);
        int kept = 0;
        for (int p = offset + 1; p <= offset + length; ++p)
            if (plain[p] != 0)
                record[offset + 1 + kept++] = plain[p];
        record[offset] = static_cast<uchar>(kept);
    }
    TPwdRecord result;
    std::memcpy(&result, record.data(), sizeof result);
    return result;
}

QByteArray WriteByteByByte(const TPwdRecord& record)
{
    const auto* memory = reinterpret_cast<const uchar*>(&record);
    Plain plain{};
    for (const auto& [offset, room] : kFields) {
        const int length = std::min<int>(memory[offset], room);
        plain[offset] = static_cast<uchar>(length);
        for (int p = offset + 1; p <= offset + length; ++p)
            plain[p] = memory[p] == 0 ? Key(p) : memory[p];
    }
    if (plain[kNoteOffset] == 102) {
        const QByteArray mark = MarkOf(plain);
        std::memcpy(plain.data() + kMarkOffset, mark.constData(), 11);
    }
    QByteArray stored(int(plain.size()), '\0');
    for (int p = 0; p < int(plain.size()); ++p)
        stored[p] = static_cast<char>(Scramble(plain[p], p));
    return stored;
}

class Bytes
{
public:
    explicit Bytes(unsigned seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // Mostly text, often the bytes the rules treat apart: 0 and the position's key.
    uchar At(int position)
    {
        switch (Below(6)) {
        case 0:
            return 0;
        case 1:
            return Key(position);
        default:
            return static_cast<uchar>(Below(256));
        }
    }

    // Stored bytes of a record, as this program, another installation or damage left them.
    Plain StoredRecord()
    {
        // A stored 0 reads as 0, a stored key as 0 too: a value no writer of ours stores.
        Plain stored;
        for (int p = 0; p < int(stored.size()); ++p)
            stored[p] = At(p);
        for (const auto& [offset, room] : kFields)
            stored[offset] =
                Scramble(static_cast<uchar>(Below(3) == 0 ? Below(256) : Below(room + 1)), offset);
        Plain plain;
        for (int p = 0; p < int(plain.size()); ++p)
            plain[p] = Scramble(stored[p], p);
        switch (Below(5)) {
        case 0: // a long note with its mark, right or spoilt
            stored[kNoteOffset] = 0;
            {
                Plain restored = plain;
                Restore(restored, kNoteOffset, 102);
                QByteArray mark = MarkOf(restored);
                if (Below(3) == 0)
                    mark[3 + Below(8)] ^= 1;
                for (int i = 0; i < 11; ++i)
                    stored[kMarkOffset + i] = Scramble(static_cast<uchar>(mark[i]), kMarkOffset + i);
            }
            break;
        case 1: // the NUL at the position whose key is 0
            stored[255] = 0;
            break;
        default:
            break;
        }
        return stored;
    }

    // A record in memory: any length byte, bytes 0 inside the values, leftovers after them.
    TPwdRecord MemoryRecord()
    {
        Plain memory;
        for (int p = 0; p < int(memory.size()); ++p)
            memory[p] = At(p);
        for (const auto& [offset, room] : kFields)
            memory[offset] = static_cast<uchar>(Below(4) == 0 ? Below(256) : Below(room + 1));
        if (Below(4) == 0)
            memory[kNoteOffset] = 102;
        TPwdRecord record;
        std::memcpy(&record, memory.data(), sizeof record);
        return record;
    }

private:
    std::mt19937 random_;
};

} // namespace

TEST(PwdFormat, ReadsEveryRecordAsTheFormatReadByteByByte)
{
    const unsigned seed = 20261209;
    Bytes bytes(seed);
    constexpr int kCount = 4000;
    QByteArray file(4, '\0');
    const qint32 header = kCount - 1;
    std::memcpy(file.data(), &header, 4); // the machine is little-endian, as the format
    std::vector<Plain> stored;
    for (int i = 0; i < kCount; ++i) {
        stored.push_back(bytes.StoredRecord());
        file.append(reinterpret_cast<const char*>(stored.back().data()), qsizetype(stored.back().size()));
    }
    const TPwdRecords records = DecodePwdFile(file, QStringLiteral("nuvex.pwd"));
    ASSERT_EQ(records.size(), std::size_t(kCount));
    int longNotes = 0, nuls = 0;
    for (int i = 0; i < kCount; ++i) {
        const TPwdRecord expected = ReadByteByByte(stored[i].data());
        // Byte for byte, the room after each value included.
        ASSERT_EQ(std::memcmp(&records[i], &expected, sizeof expected), 0)
            << "record " << i << ", seed " << seed;
        longNotes += expected.Poznamka.Length == 102 && stored[i][kNoteOffset] == 0;
        nuls += Scramble(stored[i][kNoteOffset], kNoteOffset) >= 102 && stored[i][255] == 0;
    }
    // The rare records were there to be read.
    EXPECT_GT(longNotes, 100);
    EXPECT_GT(nuls, 100);
}

TEST(PwdFormat, WritesEveryRecordAsTheFormatWrittenByteByByte)
{
    const unsigned seed = 20261210;
    Bytes bytes(seed);
    TPwdRecords records;
    QByteArray expected(4, '\0');
    for (int i = 0; i < 4000; ++i) {
        records.push_back(bytes.MemoryRecord());
        expected += WriteByteByByte(records.back());
    }
    const qint32 header = qint32(records.size()) - 1;
    std::memcpy(expected.data(), &header, 4);
    const QByteArray file = EncodePwdFile(records);
    ASSERT_EQ(file.size(), expected.size());
    for (qsizetype i = 0; i < qsizetype(records.size()); ++i)
        ASSERT_EQ(file.mid(4 + i * kPwdRecordSize, kPwdRecordSize),
                  expected.mid(4 + i * kPwdRecordSize, kPwdRecordSize))
            << "record " << i << ", seed " << seed;
    EXPECT_EQ(file.left(4), expected.left(4));
}
