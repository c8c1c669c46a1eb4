#include "settings/settingsrecord.h"

#include "core/numbers.h"
#include "files/durablefile.h"
#include "files/regularfile.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace norvel {

namespace {

constexpr int SecondsOffset = 10;
constexpr int LimitOffset = 12;

} // namespace

QByteArray encodeSettings(const SettingsRecord& record)
{
    QByteArray bytes(SettingsRecordSize, '\0');
    for (int i = 0; i < 6; ++i)
        bytes[1 + i] = record.checks[i] ? 1 : 0;
    bytes[7] = record.smallScreen ? 1 : 0;
    bytes[8] = record.smallPicture ? 1 : 0;
    qToLittleEndian<qint16>(record.overwriteSeconds, bytes.data() + SecondsOffset);
    quint32 limitBits = 0;
    std::memcpy(&limitBits, &record.widthLimit, sizeof limitBits);
    qToLittleEndian<quint32>(limitBits, bytes.data() + LimitOffset);
    return bytes;
}

SettingsRecord decodeSettings(QByteArrayView bytes)
{
    SettingsRecord record;
    const auto byteAt = [&](int offset) -> std::optional<quint8> {
        if (offset >= bytes.size())
            return std::nullopt;
        return static_cast<quint8>(bytes[offset]);
    };
    // A switch byte above 1 (the grey state a box was never saved in, or damage) counts as on.
    for (int i = 0; i < 6; ++i) {
        if (const std::optional<quint8> value = byteAt(1 + i))
            record.checks[i] = *value != 0;
    }
    if (const std::optional<quint8> value = byteAt(7))
        record.smallScreen = *value != 0;
    if (const std::optional<quint8> value = byteAt(8))
        record.smallPicture = *value != 0;
    if (bytes.size() >= SecondsOffset + 2)
        record.overwriteSeconds = qFromLittleEndian<qint16>(bytes.data() + SecondsOffset);
    if (bytes.size() >= LimitOffset + 4) {
        const quint32 limitBits = qFromLittleEndian<quint32>(bytes.data() + LimitOffset);
        float limit = 0;
        std::memcpy(&limit, &limitBits, sizeof limit);
        if (!std::isnan(limit))
            record.widthLimit
                = std::clamp(limit, -std::numeric_limits<float>::max(), std::numeric_limits<float>::max());
    }
    return record;
}

qint16 overwriteSecondsFromText(QStringView text)
{
    const double value = leadingNumber(text);
    if (const std::optional<qint16> seconds = tryNearest(value))
        return *seconds;
    return value < 0 ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint16>::max();
}

float widthLimitFromText(QStringView text)
{
    constexpr double largest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(leadingNumber(text), -largest, largest));
}

std::optional<SettingsRecord> readSettingsFile(const QString& path, QString* error)
{
    // Only the record's bytes are read, whatever follows them, so no limit on the file's size is needed; a
    // device or a pipe is still refused.
    const RegularFile file = openRegularFile(path, std::numeric_limits<qint64>::max());
    if (file.status == RegularFile::Status::Missing)
        return std::nullopt;
    QByteArray bytes;
    if (file.status == RegularFile::Status::Opened) {
        bytes = file.file->read(std::min<qint64>(file.size, SettingsRecordSize));
        if (bytes.size() == std::min<qint64>(file.size, SettingsRecordSize))
            return decodeSettings(bytes);
    }
    if (error)
        *error = QStringLiteral("設定ファイル「%1」を読めないため、既定の設定で始めます。\n%2")
                     .arg(QDir::toNativeSeparators(path),
                         file.status == RegularFile::Status::Opened ? file.file->errorString() : file.error);
    return std::nullopt;
}

bool writeSettingsFile(const QString& path, const SettingsRecord& record, QString* error)
{
    // In place, keeping whatever follows the record, as the record has always been written.
    QString reason;
    if (overwriteFileStart(path, encodeSettings(record), &reason))
        return true;
    if (error)
        *error = notWrittenMessage(QStringLiteral("設定ファイル"), path, reason);
    return false;
}

} // namespace norvel
