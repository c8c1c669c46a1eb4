#pragma once

#include "ledger/ledgerwidths.h"
#include "ledger/previousinspection.h"
#include "settings/programsettings.h"

#include <QByteArray>
#include <QDate>
#include <QString>

// The judgement of a day's rows and poles by the crack's direction, and the day's summary CSV.
namespace norvel {

struct LedgerDay;
struct LedgerPole;
struct LedgerRow;
class PreviousInspections;

// The direction a row is judged by: the one confirmed in its crack facts, else the one its last analysis
// estimated; Unknown when neither says, and then the strictest line judges it.
struct JudgedDirection {
    CrackDirection direction = CrackDirection::Unknown;
    bool estimated = false;
};
[[nodiscard]] JudgedDirection judgedDirection(const LedgerRow& row);
// As the ledger prints it: "横", "横（推定）", or "方向未確認".
[[nodiscard]] QString directionText(JudgedDirection judged);

// "要注意" for a row at or above its judged direction's line, else empty (also for no width).
[[nodiscard]] QString rowJudgement(const LedgerRow& row, const JudgementLines& lines);
// The pole's widest crack in each judged direction.
[[nodiscard]] DirectionWidths poleWidths(const LedgerPole& pole);
// Rows with a width whose direction the facts do not confirm: judged by an estimate, and by none.
struct UnconfirmedRows {
    int estimated = 0;
    int unknown = 0;
};
[[nodiscard]] UnconfirmedRows unconfirmedRows(const LedgerDay& day);
// The worst of its rows: "要注意" when one is; "-" when it has widths and none is; empty without a width.
[[nodiscard]] QString poleJudgement(const LedgerPole& pole, const JudgementLines& lines);

// The pole's previous inspection, by its plate, as of a day before the day folder's date; none without a plate, a
// dated day folder or previous.
[[nodiscard]] std::optional<PreviousInspection> previousOf(
    const LedgerDay& day, const LedgerPole& pole, const JudgementLines& lines, const PreviousInspections* previous);
// "+0.05", "-0.02", "0.00": a crack that grew reads as one at a glance. Empty when either is unknown.
[[nodiscard]] QString widthChange(std::optional<double> now, std::optional<double> before);

// A crack's previous inspection, found by its crack number in its pole's: the day, its width then and the change
// since; newCrack when that day had no crack of the number. A crack whose direction then and now are both known
// and differ is not the same crack renumbered by mistake but is not compared either: otherDirection, no change.
struct CrackBefore {
    QDate day;
    bool newCrack = false;
    std::optional<double> widthMm;
    CrackDirection direction = CrackDirection::Unknown; // then
    bool otherDirection = false;
    QString change; // widthChange, or empty
};
// None when the pole has no previous inspection.
[[nodiscard]] std::optional<CrackBefore> crackBefore(
    const LedgerRow& row, const std::optional<PreviousInspection>& before);
// "2025/11/03 0.04mm（変化 +0.02）", "2025/11/03 横 0.04mm（方向が異なる）", "新規", or "-" without a previous
// inspection.
[[nodiscard]] QString crackBeforeText(const std::optional<CrackBefore>& before);

// The pole's widest crack now against the widest of the same direction at its previous inspection, never a crack
// of another direction: direction is that of the widest now (judged; Unknown when none is known).
struct PoleBefore {
    JudgedDirection direction;
    std::optional<double> nowMm;
    std::optional<double> beforeMm;
    QString change; // widthChange
};
[[nodiscard]] PoleBefore poleBefore(const LedgerPole& pole, const PreviousInspection& before);
// "横 最大 0.04 → 0.06"; "-" for a width not known.
[[nodiscard]] QString poleBeforeText(const PoleBefore& compared);

// The day's summary: UTF-8 with a BOM, CR LF, the header row 調査柱No,行数,最大幅mm,平均幅mm,判定,電柱番号,
// 所在地・路線,柱種,横最大,縦最大,斜め最大,前回日,前回最大,変化 and one line per pole in ledger order, widths as
// "0.00" (empty for none); 判定 and the widest per direction by each row's judged direction, estimates included.
// The previous inspection of a pole with a plate comes from previous, when given, as of a day before the day
// folder's date: its day as yyyy/MM/dd, its widest crack of the direction of today's widest (its widest of any
// direction when today has no width), and the change since, signed.
[[nodiscard]] QByteArray summaryCsv(
    const LedgerDay& day, const JudgementLines& lines, const PreviousInspections* previous = nullptr);

// The day's cracks, in the summary's encoding and line ends, the header row
// 調査日,調査柱No,電柱番号,ひび割れNo,行,幅mm,
// 測定方法,方向,地上高m,面,錆汁,判定,判定線mm,前回日,前回幅mm,変化,写真,原画像,備考 and one line per row of each pole
// in ledger order: its crack number, its width as "0.00" (a text that is no width as it is), its judged direction and
// that direction's line, and its crack's previous inspection (crackBefore: 変化 "新規" for a crack not there then,
// "方向が異なる" for one of another direction then). Texts typed or read from files are written spreadsheetSafe.
[[nodiscard]] QByteArray crackCsv(
    const LedgerDay& day, const JudgementLines& lines, const PreviousInspections* previous = nullptr);

} // namespace norvel
