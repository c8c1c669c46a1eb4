#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <optional>

// The switches and two numbers carried from one run to the next in "set.bat": a 16-byte little-endian
// record of ten bytes, a 16-bit integer at offset 10 and a single at offset 12.
namespace norvel {

struct SettingsRecord {
    // Check1 to Check6, with the window's design states.
    std::array<bool, 6> checks { true, false, false, true, true, false };
    bool smallScreen = false; // "小型画面"
    bool smallPicture = false; // "560*420" rather than "640*480"
    qint16 overwriteSeconds = 30; // Text5
    float widthLimit = 1.0f; // Text6, mm

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

inline constexpr int SettingsRecordSize = 16;

[[nodiscard]] QByteArray encodeSettings(const SettingsRecord& record);

// A damaged record never stops the program: a field the bytes do not reach and a width limit that is not a
// number keep their defaults, a switch or picture-size byte above 1 counts as 1 and an infinite width limit
// as the largest single. Bytes after the record are ignored.
[[nodiscard]] SettingsRecord decodeSettings(QByteArrayView bytes);

// The numbers of the two text boxes as the record holds them: the leading number of the text (0 for none),
// the seconds rounded halves to even, both clamped to what their fields can hold.
[[nodiscard]] qint16 overwriteSecondsFromText(QStringView text);
[[nodiscard]] float widthLimitFromText(QStringView text);

// nullopt when the file is missing or cannot be read; error then says why, unless it is missing.
[[nodiscard]] std::optional<SettingsRecord> readSettingsFile(const QString& path, QString* error = nullptr);

// Writes the record over the first 16 bytes of the file, creating it if missing; a longer file keeps its
// tail. False, with the reason in error, when the file cannot be written.
[[nodiscard]] bool writeSettingsFile(const QString& path, const SettingsRecord& record, QString* error = nullptr);

} // namespace norvel
