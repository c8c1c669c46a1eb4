#pragma once

#include "ledger/ledgerwidths.h"
#include "results/inspectionfacts.h"
#include "settings/programsettings.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// The pole's last inspection before the day in hand, found by the number on its plate (電柱番号) in the day
// folders of the program folder and of a folder of past surveys, so that a crack can be told growing.
namespace norvel {

// A crack of that day, found again by its number.
struct PreviousCrack {
    CrackDirection direction = CrackDirection::Unknown; // from that day's facts
    double widthMm = 0; // the widest of its rows that day
};

struct PreviousInspection {
    QDate day;
    QString dayFolder;
    QString pole; // its pole number that day
    DirectionWidths widths; // from that day's result file, directions from that day's facts
    bool marked = false; // some crack at or above its direction's line
    QString problem; // why that day's result file gave no widths; empty when it was read
    QMap<int, PreviousCrack> cracks; // by crack number (see crackNumber), of the rows with a width
};

// A day's facts file that the index could not read, whole or in some lines, and why: a plate it gave is not found.
struct UnreadablePastFacts {
    QDate day;
    QString path;
    QString reason; // Japanese, saying what the lookup did without it
};

// The facts files of the day folders (named yyyyMMdd) read once, each plate indexed to the days and poles that
// gave it; asked per plate. Facts files that cannot be read are counted and left out, as are their lines that
// cannot be read; both are listed in unreadable() for the ledger to name.
class PreviousInspections {
public:
    explicit PreviousInspections(const QString& programFolder, const QString& pastFolder = {});

    // The latest day before before whose facts give plate (as typed, in half width: "Ｐ－７" is "P-7") to a pole, its
    // widths judged by lines; that pole's widths are read now. Of poles given the same plate on one day, the first in
    // pole order.
    [[nodiscard]] std::optional<PreviousInspection> find(
        const QString& plate, const QDate& before, const JudgementLines& lines) const;
    // The pole's facts that day, to fill in the rest when the plate is chosen again.
    [[nodiscard]] std::optional<PoleFacts> knownFacts(const QString& plate, const QDate& before) const;
    // Every plate given to a pole on a day before before, sorted.
    [[nodiscard]] QStringList knownPlates(const QDate& before) const;
    [[nodiscard]] int unreadableFiles() const { return m_unreadableFiles; }
    [[nodiscard]] const QList<UnreadablePastFacts>& unreadable() const { return m_unreadable; }

private:
    struct Seen {
        QDate day;
        QString dayFolder;
        QString pole;
        QHash<int, CrackFacts> cracks; // by row
        PoleFacts facts;
    };
    [[nodiscard]] const Seen* latestBefore(const QString& plate, const QDate& before) const;
    void addFolder(const QString& folder);
    void addDay(const QDate& day, const QString& dayFolder);

    QHash<QString, QList<Seen>> m_byPlate; // each list by day, earliest first
    int m_unreadableFiles = 0;
    QList<UnreadablePastFacts> m_unreadable; // by day, earliest first
};

// The pole dialog's line: "前回 2025/11/03 横 0.08mm 縦 0.22mm", the directions in the order 横, 縦, 斜め and then
// the cracks of no known direction as "方向なし"; "幅の記録なし" when that day has no width.
[[nodiscard]] QString previousInspectionText(const PreviousInspection& found);

} // namespace norvel
