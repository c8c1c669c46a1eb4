#include "ledger/ledgersummary.h"

#include "core/numbers.h"
#include "files/csvfields.h"
#include "ledger/ledgerday.h"
#include "ledger/previousinspection.h"

#include <QDate>

#include <cmath>

namespace norvel {

namespace {

QString csvWidth(std::optional<double> width)
{
    return width ? fixedText(*width, 2) : QString();
}

} // namespace

QString widthChange(std::optional<double> now, std::optional<double> before)
{
    if (!now || !before)
        return {};
    const double change = *now - *before;
    const QString size = fixedText(std::abs(change), 2);
    if (size == fixedText(0, 2))
        return size;
    return (change < 0 ? QStringLiteral("-") : QStringLiteral("+")) + size;
}

std::optional<CrackBefore> crackBefore(const LedgerRow& row, const std::optional<PreviousInspection>& before)
{
    if (!before)
        return std::nullopt;
    CrackBefore crack;
    crack.day = before->day;
    const auto then = before->cracks.constFind(crackNumber(row.facts, row.row));
    if (then == before->cracks.cend()) {
        crack.newCrack = true;
        return crack;
    }
    crack.widthMm = then->widthMm;
    crack.direction = then->direction;
    const CrackDirection now = judgedDirection(row).direction;
    crack.otherDirection
        = now != CrackDirection::Unknown && then->direction != CrackDirection::Unknown && now != then->direction;
    if (!crack.otherDirection)
        crack.change = widthChange(row.widthMm, crack.widthMm);
    return crack;
}

QString crackBeforeText(const std::optional<CrackBefore>& before)
{
    if (!before)
        return QStringLiteral("-");
    if (before->newCrack)
        return QStringLiteral("新規");
    QString text = before->day.toString(QStringLiteral("yyyy/MM/dd")) + u' ';
    if (before->otherDirection)
        text += crackDirectionName(before->direction) + u' ';
    text += fixedText(*before->widthMm, 2) + QStringLiteral("mm");
    if (before->otherDirection)
        return text + QStringLiteral("（方向が異なる）");
    return before->change.isEmpty() ? text : text + QStringLiteral("（変化 ") + before->change + QStringLiteral("）");
}

PoleBefore poleBefore(const LedgerPole& pole, const PreviousInspection& before)
{
    PoleBefore compared;
    for (const LedgerRow& row : pole.rows) {
        if (row.widthMm && (!compared.nowMm || *row.widthMm > *compared.nowMm)) {
            compared.nowMm = row.widthMm;
            compared.direction = judgedDirection(row);
        }
    }
    compared.beforeMm = compared.nowMm ? before.widths.of(compared.direction.direction) : before.widths.overall();
    compared.change = widthChange(compared.nowMm, compared.beforeMm);
    return compared;
}

QString poleBeforeText(const PoleBefore& compared)
{
    const auto width = [](std::optional<double> mm) { return mm ? fixedText(*mm, 2) : QStringLiteral("-"); };
    QString text;
    if (compared.nowMm)
        text = directionText(compared.direction) + u' ';
    return text + QStringLiteral("最大 ") + width(compared.beforeMm) + QStringLiteral(" → ") + width(compared.nowMm);
}

std::optional<PreviousInspection> previousOf(
    const LedgerDay& day, const LedgerPole& pole, const JudgementLines& lines, const PreviousInspections* previous)
{
    const QDate date = QDate::fromString(day.day, QStringLiteral("yyyyMMdd"));
    if (!previous || !date.isValid() || pole.facts.plate.isEmpty())
        return std::nullopt;
    return previous->find(pole.facts.plate, date, lines);
}

JudgedDirection judgedDirection(const LedgerRow& row)
{
    if (row.facts.direction != CrackDirection::Unknown)
        return { row.facts.direction, false };
    return { row.estimated, row.estimated != CrackDirection::Unknown };
}

QString directionText(JudgedDirection judged)
{
    if (judged.direction == CrackDirection::Unknown)
        return QStringLiteral("方向未確認");
    return crackDirectionName(judged.direction) + (judged.estimated ? QStringLiteral("（推定）") : QString());
}

QString rowJudgement(const LedgerRow& row, const JudgementLines& lines)
{
    return judgementText(row.widthMm, lines.lineFor(judgedDirection(row).direction));
}

DirectionWidths poleWidths(const LedgerPole& pole)
{
    DirectionWidths widths;
    for (const LedgerRow& row : pole.rows) {
        if (row.widthMm)
            widths.add(judgedDirection(row).direction, *row.widthMm);
    }
    return widths;
}

UnconfirmedRows unconfirmedRows(const LedgerDay& day)
{
    UnconfirmedRows rows;
    for (const LedgerPole& pole : day.poles) {
        for (const LedgerRow& row : pole.rows) {
            if (!row.widthMm || row.facts.direction != CrackDirection::Unknown)
                continue;
            ++(row.estimated == CrackDirection::Unknown ? rows.unknown : rows.estimated);
        }
    }
    return rows;
}

QString poleJudgement(const LedgerPole& pole, const JudgementLines& lines)
{
    const DirectionWidths widths = poleWidths(pole);
    if (!widths.overall())
        return {};
    return widths.marked(lines) ? QStringLiteral("要注意") : QStringLiteral("-");
}

QByteArray summaryCsv(const LedgerDay& day, const JudgementLines& lines, const PreviousInspections* previous)
{
    QByteArray csv("\xEF\xBB\xBF");
    csv += csvLine({ QStringLiteral("調査柱No"), QStringLiteral("行数"), QStringLiteral("最大幅mm"),
        QStringLiteral("平均幅mm"), QStringLiteral("判定"), QStringLiteral("電柱番号"), QStringLiteral("所在地・路線"),
        QStringLiteral("柱種"), QStringLiteral("横最大"), QStringLiteral("縦最大"), QStringLiteral("斜め最大"),
        QStringLiteral("前回日"), QStringLiteral("前回最大"), QStringLiteral("変化") });
    for (const LedgerPole& pole : day.poles) {
        const DirectionWidths widths = poleWidths(pole);
        const std::optional<PreviousInspection> before = previousOf(day, pole, lines, previous);
        // Set beside the widest of the same direction then, as on the pages: a 縦 crack now is no growth of a 横 one.
        const std::optional<PoleBefore> compared = before ? std::optional(poleBefore(pole, *before)) : std::nullopt;
        // The pole (a folder's name) and its facts are typed or come from other files, and are written as text;
        // the rest is the program's own words and numbers, such as a change of "-0.02", and stays as it is.
        csv += csvLine({ spreadsheetSafe(pole.pole), QString::number(pole.rows.size()), csvWidth(pole.widestMm),
            csvWidth(pole.meanMm), poleJudgement(pole, lines), spreadsheetSafe(pole.facts.plate),
            spreadsheetSafe(pole.facts.place), spreadsheetSafe(pole.facts.type),
            csvWidth(widths.of(CrackDirection::Transverse)), csvWidth(widths.of(CrackDirection::Longitudinal)),
            csvWidth(widths.of(CrackDirection::Oblique)),
            before ? before->day.toString(QStringLiteral("yyyy/MM/dd")) : QString(),
            csvWidth(compared ? compared->beforeMm : std::nullopt), compared ? compared->change : QString() });
    }
    return csv;
}

QByteArray crackCsv(const LedgerDay& day, const JudgementLines& lines, const PreviousInspections* previous)
{
    QByteArray csv("\xEF\xBB\xBF");
    csv += csvLine({ QStringLiteral("調査日"), QStringLiteral("調査柱No"), QStringLiteral("電柱番号"),
        QStringLiteral("ひび割れNo"), QStringLiteral("行"), QStringLiteral("幅mm"), QStringLiteral("測定方法"),
        QStringLiteral("方向"), QStringLiteral("地上高m"), QStringLiteral("面"), QStringLiteral("錆汁"),
        QStringLiteral("判定"), QStringLiteral("判定線mm"), QStringLiteral("前回日"), QStringLiteral("前回幅mm"),
        QStringLiteral("変化"), QStringLiteral("写真"), QStringLiteral("原画像"), QStringLiteral("備考") });
    const QDate date = QDate::fromString(day.day, QStringLiteral("yyyyMMdd"));
    const QString dayText = date.isValid() ? date.toString(QStringLiteral("yyyy/MM/dd")) : spreadsheetSafe(day.day);
    for (const LedgerPole& pole : day.poles) {
        const std::optional<PreviousInspection> then = previousOf(day, pole, lines, previous);
        for (const LedgerRow& row : pole.rows) {
            const JudgedDirection judged = judgedDirection(row);
            const std::optional<CrackBefore> before = crackBefore(row, then);
            QString change;
            if (before)
                change = before->newCrack    ? QStringLiteral("新規")
                    : before->otherDirection ? QStringLiteral("方向が異なる")
                                             : before->change;
            csv += csvLine({ dayText, spreadsheetSafe(pole.pole), spreadsheetSafe(pole.facts.plate),
                QString::number(crackNumber(row.facts, row.row)), QString::number(row.row),
                row.widthMm ? fixedText(*row.widthMm, 2) : spreadsheetSafe(row.width), measuredHowText(row.how),
                directionText(judged), row.facts.heightM ? fixedText(*row.facts.heightM, 2) : QString(),
                spreadsheetSafe(row.facts.face), rustText(row.facts.rust),
                row.outOfRange ? QStringLiteral("範囲外") : rowJudgement(row, lines),
                fixedText(lines.lineFor(judged.direction), 2),
                before ? before->day.toString(QStringLiteral("yyyy/MM/dd")) : QString(),
                csvWidth(before ? before->widthMm : std::nullopt), change, spreadsheetSafe(row.pictureName),
                spreadsheetSafe(row.originalName), spreadsheetSafe(row.facts.remarks) });
        }
    }
    return csv;
}

} // namespace norvel
