#pragma once

#include "results/inspectionfacts.h"
#include "results/measurementrecord.h"
#include "results/resultlist.h"
#include "services/services.h"

#include <QDate>
#include <QList>

#include <functional>
#include <optional>
#include <utility>

namespace norvel {

class PoleResults;

// Clearing rows without losing anything: the rows leave the list (and so the result file), their filed pictures and
// kept originals move into the pole folder's 取消, their crack facts are cleared so that a later row of the same
// number does not inherit them, and the last clear can be undone with all of these back in place.
class RowClearing {
public:
    // finishFiling ends a filing under way first: its picture may be the one to move.
    RowClearing(const Services& services, ResultList& list, PoleResults& results, std::function<void()> finishFiling);

    // 1クリア: the last row. An empty list only hears the clear. False when nothing changed (said).
    bool clearLast(const MeasurementEntry& entry);
    // 全クリア and the clear after a copy: every row, after a question naming the count when the pole's result file
    // holds any. False when nothing changed (declined, or said).
    bool clearAll(ResultCause cause, const MeasurementEntry& entry);
    // The last clear's rows can come back: the list still ends where that clear left it, on its pole and day.
    [[nodiscard]] bool canUndo() const;
    bool undo(const MeasurementEntry& entry);

private:
    struct MovedFile {
        QString from;
        QString to;
    };
    struct Cleared {
        QString pole;
        QDate day;
        int firstRow = 0;
        QList<ResultRow> rows;
        QList<MovedFile> moved;
        QList<std::pair<int, CrackFacts>> facts; // the rows' facts before the clear
    };

    [[nodiscard]] std::optional<Cleared> setAside(int firstRow);
    void clearFacts(Cleared& cleared);
    void report(const QString& text) const { m_services.errors->showError(text); }

    Services m_services;
    ResultList& m_list;
    PoleResults& m_results;
    std::function<void()> m_finishFiling;
    std::optional<Cleared> m_last;
};

} // namespace norvel
