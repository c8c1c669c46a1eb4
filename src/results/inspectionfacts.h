#pragma once

#include "core/crackdirection.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>
#include <utility>

// The facts an inspection record names beside the widths: the pole's identity and each crack's direction and
// place. One file per day folder, "調査情報.csv" (UTF-8 with a BOM, CR LF, one header row), only ever appended
// to: the last line for a pole, or for a pole and row, holds, and a field left empty in it is cleared. The crack
// number came last as a column of its own, so lines and files written before it still read. The plate, place and
// kind of pole read in half width (halfWidthIdentifierText), as the dialog now keeps them.
namespace norvel {

inline const QString InspectionFactsFileName = QStringLiteral("調査情報.csv");
// A day of facts is a few hundred short lines; a larger file is not read.
inline constexpr qint64 InspectionFactsFileLimitBytes = 16 * 1024 * 1024;
// The longest text a field keeps; a longer one is not a fact someone typed.
inline constexpr int MaxFactLength = 1000;

struct PoleFacts {
    QString plate; // 電柱番号, the number on the pole's plate
    QString place; // 所在地・路線
    QString type; // 柱種
    QString remarks; // 備考
    [[nodiscard]] bool isEmpty() const
    {
        return plate.isEmpty() && place.isEmpty() && type.isEmpty() && remarks.isEmpty();
    }
    friend bool operator==(const PoleFacts&, const PoleFacts&) = default;
};

struct CrackFacts {
    CrackDirection direction = CrackDirection::Unknown;
    std::optional<double> heightM; // 地上高, metres above the ground
    QString face; // 面: 道路側, 民地側, 北, ... or any text
    std::optional<bool> rust; // 錆汁: 有 / 無, or not said
    QString remarks; // 備考
    // ひび割れNo: which crack of the pole the row measures, the same crack keeping its number from one inspection
    // to the next. None in lines written before the number was kept: such a row's number is its row.
    std::optional<int> number {};
    friend bool operator==(const CrackFacts&, const CrackFacts&) = default;
};

// The crack number a row goes by: the one its facts give, else the row itself.
[[nodiscard]] int crackNumber(const CrackFacts& facts, int row);
// The highest crack number kept, as for rows.
inline constexpr int MaxCrackNumber = 32767;

// "有", "無", or empty when not said: the words the file, the dialog and the ledger use.
[[nodiscard]] QString rustText(std::optional<bool> rust);

// A height above the ground a pole can have, in metres.
inline constexpr double MaxHeightM = 100;

// The BOM and the header row, CR LF included.
[[nodiscard]] QByteArray inspectionFactsHeader();
// One line, ended by CR LF. Line breaks in a text become spaces: a line is one fact.
[[nodiscard]] QByteArray poleFactsLine(const QDateTime& time, const QString& pole, const PoleFacts& facts);
[[nodiscard]] QByteArray crackFactsLine(const QDateTime& time, const QString& pole, int row, const CrackFacts& facts);

// A day's facts as the last lines hold them. Lines that cannot be read (cut short, edited into nonsense) are
// counted and left out.
struct InspectionFacts {
    QMap<QString, PoleFacts> poles;
    QMap<std::pair<QString, int>, CrackFacts> cracks; // by pole and row, counted from 1
    int unreadableLines = 0;

    [[nodiscard]] PoleFacts pole(const QString& pole) const { return poles.value(pole); }
    [[nodiscard]] CrackFacts crack(const QString& pole, int row) const { return cracks.value({ pole, row }); }
};

// The crack number offered for a row: the one it goes by when it has facts, else the smallest number no other row
// of the pole has facts under (1, 2, ...).
[[nodiscard]] int proposedCrackNumber(const InspectionFacts& facts, const QString& pole, int row);
[[nodiscard]] InspectionFacts readInspectionFacts(const QByteArray& content);

[[nodiscard]] QString inspectionFactsPath(const QString& dayFolder);

// The day folder's facts; none without a file. A file that cannot be read (not a regular file, too large) gives
// none and a message naming it in error.
[[nodiscard]] InspectionFacts readInspectionFactsOf(const QString& dayFolder, QString* error);

// Appends a line through the durable writer, a new file starting with the header; false, with a message naming the
// file in error, when it could not be written.
[[nodiscard]] bool appendInspectionFacts(const QString& dayFolder, const QByteArray& line, QString* error);

} // namespace norvel
