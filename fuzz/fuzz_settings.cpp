// The settings record "set.bat", and its two numbers through their text boxes.
//
// For any bytes: decoding never fails and gives a finite width limit; the decoded record encodes to 16 bytes that
// decode to the same record and encode to the same bytes again; bytes that are already such a record (16 of them,
// switches 0 or 1, the unused bytes 0 and 9 zero, a finite width limit) encode back unchanged. Shown in its box and
// read back at the next save, the overwrite seconds stay the same, and the width limit keeps its text from
// the first start on (seven digits do not name every single).
#include "core/numbers.h"
#include "fuzzcheck.h"
#include "settings/settingsrecord.h"

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace norvel;
using norvel::fuzz::require;

namespace {

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

bool isCanonical(const QByteArray& bytes)
{
    if (bytes.size() != SettingsRecordSize || bytes[0] != 0 || bytes[9] != 0)
        return false;
    for (int i = 1; i <= 8; ++i) {
        if (bytes[i] != 0 && bytes[i] != 1)
            return false;
    }
    float limit = 0;
    std::memcpy(&limit, bytes.constData() + 12, sizeof limit);
    return std::isfinite(limit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const SettingsRecord record = decodeSettings(bytes);
    require(std::isfinite(record.widthLimit), "a damaged width limit is read as a number", hex(bytes));
    const QByteArray encoded = encodeSettings(record);
    require(encoded.size() == SettingsRecordSize, "a record encodes to 16 bytes");
    require(decodeSettings(encoded) == record, "an encoded record decodes to the same values", hex(bytes));
    require(encodeSettings(decodeSettings(encoded)) == encoded, "a record's bytes encode unchanged", hex(bytes));
    if (isCanonical(bytes))
        require(encoded == bytes, "a well-formed record encodes back to its bytes", hex(bytes));

    require(overwriteSecondsFromText(QString::number(record.overwriteSeconds)) == record.overwriteSeconds,
        "the overwrite seconds survive their box", hex(bytes));
    const QString shownLimit = singleText(record.widthLimit);
    const float savedLimit = widthLimitFromText(shownLimit);
    require(singleText(savedLimit) == shownLimit && widthLimitFromText(singleText(savedLimit)) == savedLimit,
        "the width limit keeps its text over starts", hex(bytes) + QStringLiteral(": ") + shownLimit);
    return 0;
}
