// The password file: bytes that load save into bytes that load as the same records, and
// saving those again changes nothing; the real file functions agree with the codec.

#include "passwords/PwdFormat.h"
#include "passwords/PwdRecords.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/Sandbox.h"

#include <QFile>
#include <memory>

using namespace nuvex;

namespace {

const QString kPath = QStringLiteral("nuvex.pwd");

std::unique_ptr<test::Sandbox>& Folder()
{
    static std::unique_ptr<test::Sandbox> folder = std::make_unique<test::Sandbox>();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    TPwdRecords records;
    try {
        records = DecodePwdFile(bytes, kPath);
    } catch (const EPwdFileError& e) {
        FUZZ_CHECK(QString::fromUtf8(e.what()).contains(kPath));
        return 0;
    }
    // The records the header announces; whatever follows them is not part of the file.
    const auto wanted =
        static_cast<std::size_t>(kPwdHeaderSize + kPwdRecordSize * static_cast<qsizetype>(records.size()));
    FUZZ_CHECK(size >= wanted);

    const QByteArray saved = EncodePwdFile(records);
    FUZZ_CHECK(static_cast<std::size_t>(saved.size()) == wanted);
    const TPwdRecords again = DecodePwdFile(saved, kPath);
    FUZZ_CHECK(again == records);
    FUZZ_CHECK(EncodePwdFile(again) == saved);

    // The file itself: load what was saved, save and load again.
    const QString file = QString::fromStdString((Folder()->dir() / "nuvex.pwd").string());
    SaveRecords(records, file);
    TPwdRecords loaded;
    FUZZ_CHECK(LoadRecords(loaded, file));
    FUZZ_CHECK(loaded == records);
    SaveRecords(loaded, file);
    QFile reread(file);
    FUZZ_CHECK(reread.open(QIODevice::ReadOnly));
    FUZZ_CHECK(reread.readAll() == saved);
    return 0;
}
