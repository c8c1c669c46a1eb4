// The recovery record: parseRecovery takes any bytes, and the format has one spelling for every record.
//
// For the input as it is, and again resealed (its last end line, if any, replaced by one with the right
// check sum, so that mutations reach the field rules instead of stopping at the sum):
// - a refusal, and only a refusal, gives a reason;
// - an accepted record written again gives back exactly the bytes read.
// The input also makes a record of its own (its text in every text field, its raw bytes as the camera path,
// numbers from its length), which must read back equal after writing.
#include "fuzzcheck.h"
#include "results/recoveryrecord.h"

#include <QCryptographicHash>
#include <QStringDecoder>

#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;
using norvel::fuzz::shown;

namespace {

QString shownBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toPercentEncoding(" /\t"));
}

void checkCanonical(const QByteArray& bytes)
{
    const RecoveryParse parsed = parseRecovery(bytes);
    require(parsed.record.has_value() == parsed.error.isEmpty(), "a refusal, and only a refusal, gives a reason",
        shownBytes(bytes) + QStringLiteral(" error ") + shown(parsed.error));
    if (!parsed.record)
        return;
    const QByteArray written = serializeRecovery(*parsed.record);
    require(written == bytes, "an accepted record is written back as the bytes read",
        shownBytes(bytes) + QStringLiteral(" written ") + shownBytes(written));
}

QByteArray resealed(const QByteArray& bytes)
{
    // With a line break put before, the last end line's break falls where that line starts in the input.
    const qsizetype endLine = ('\n' + bytes).lastIndexOf("\nend ");
    const QByteArray body = endLine < 0 ? bytes : bytes.left(endLine);
    return body + "end " + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() + '\n';
}

void checkRoundTrip(const QByteArray& bytes)
{
    // A leading byte order mark is kept as part of the text, as the record must keep it.
    QStringDecoder decoder(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(bytes);
    // Halves split between characters: half a surrogate pair has no UTF-8 form, so no record can keep one.
    qsizetype half = text.size() / 2;
    if (half > 0 && text[half - 1].isHighSurrogate())
        ++half;
    const auto size = static_cast<qint64>(bytes.size());
    RecoveryRecord record { text.left(half), text.mid(half), size == 0 ? QDate() : QDate(2000, 1, 1).addDays(size), {},
        std::nullopt };
    for (const QString& piece : text.split(QLatin1Char(';')))
        record.rows.append({ piece, text });
    if (size % 2 == 1)
        record.pending = PendingShot { bytes, size, size << 40, text, (size << 20) + 1, static_cast<int>(size), text };
    const RecoveryParse parsed = parseRecovery(serializeRecovery(record));
    require(parsed.record == record, "a written record reads back equal",
        shown(text) + QStringLiteral(" error ") + shown(parsed.error));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkCanonical(bytes);
    checkCanonical(resealed(bytes));
    checkRoundTrip(bytes);
    return 0;
}
