#pragma once

#include "results/measurementrecord.h"
#include "results/resultrow.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The result list of the pole in force: the one owner of its rows, which the grid, the correction box and the
// measured-values menu show, and which the result file, the recovery record and the measurement record follow.
// Rows are added and removed only at the end. Every change names its cause and is told to the listeners.
namespace norvel {

enum class ResultCause {
    TakeIn, // a shot taken in adds its row, with the width its analysis found or none
    Analysis, // the analysis of the picture on screen sets the last row (a first row on an empty list)
    DraggedLine, // a line dragged across the crack sets the last row
    Typed, // a correction typed into the box sets the last row
    ClearOne, // the last row removed
    ClearAll, // every row removed
    ClearAfterCopy, // every row removed after they were copied
    PoleChange, // another pole in force: the list empties, or stays as the new pole's without automatic saving
    Resume, // the pole's rows of today brought back from its result file
    Restore, // the list as a run that ended without its shut-down left it
    Restart, // the pole in force at the last shut-down of today, again in force at the start, the list empty
    Undo, // the rows of the last clear brought back at their numbers
};

struct ResultChange {
    ResultCause cause = ResultCause::Analysis;
    QString pole; // whose list changed; a pole change names the pole left
    QString enteredPole; // a pole change: the pole in force now
    QString width; // the text of the row set or added, after the change
    QDate day; // the day of the rows concerned: those removed, else those in the list after the change
    int row = 0; // the row set or added, or the first removed or brought back, from 1; 0 when none
    int countBefore = 0;
    QList<ResultRow> removed; // what a clear took out of the list, or a pole change out of view
    bool pictureGone = false; // the picture on screen no longer belongs to any row of the list
    MeasurementEntry entry; // what produced the change: settings, lines, scale, the picture
};

class ResultList {
public:
    using Listener = std::function<void(const ResultChange&)>;

    // today gives the day a first row starts the list on.
    explicit ResultList(std::function<QDate()> today);

    // Listeners hear every change, in the order they were added, after the list has changed.
    void listen(Listener listener) { m_listeners.push_back(std::move(listener)); }

    [[nodiscard]] const QString& pole() const { return m_pole; }
    // The day of the list's first row, across midnight or a restart on a later day; today while it is empty.
    [[nodiscard]] QDate day() const;
    [[nodiscard]] bool hasDay() const { return m_day.has_value(); }
    [[nodiscard]] const QList<ResultRow>& rows() const { return m_rows; }
    [[nodiscard]] int count() const { return int(m_rows.size()); }
    [[nodiscard]] QStringList widths() const;

    // The picture on screen and whose it is: the pole in force when it was taken in or opened, and the row a
    // shot was taken in as (0 for a picture opened from a file).
    struct Picture {
        QString pole;
        int row = 0;
        friend bool operator==(const Picture&, const Picture&) = default;
    };
    void showPicture(const Picture& picture) { m_picture = picture; }
    void forgetPicture() { m_picture.reset(); }
    [[nodiscard]] const std::optional<Picture>& picture() const { return m_picture; }
    // A width measured on the picture on screen may go into the list: the picture is the pole's in force and, for
    // a shot, its row is still the last.
    [[nodiscard]] bool pictureBelongs() const;

    // A shot's row, with its analysis's width or none; numbered when the analysis found a width.
    void takeIn(const ResultRow& row, const MeasurementEntry& entry);
    // The analysis of the picture on screen: the last row's width (a first row on an empty list), numbered.
    // False, changing nothing, when the picture does not belong to the list.
    bool measure(const ResultRow& measured, const MeasurementEntry& entry);
    // The typed or dragged width an analysis giving width would replace in the last row, if any.
    [[nodiscard]] std::optional<QString> handMeasuredReplacedBy(const QString& width) const;
    // A width measured along a dragged line (the picture must belong) or typed: the last row's. False, changing
    // nothing, on an empty list.
    bool setByHand(const QString& width, WidthSource source, const MeasurementEntry& entry);
    // The last row, or every row (cause ClearAll or ClearAfterCopy), out of the list; what went is returned.
    QList<ResultRow> clearLast(const MeasurementEntry& entry);
    QList<ResultRow> clearAll(ResultCause cause, const MeasurementEntry& entry);
    // Another pole in force. keepRows: the rows stay and belong to it, else the list empties. The picture on
    // screen is the old pole's and goes.
    void changePole(const QString& pole, bool keepRows, const MeasurementEntry& entry);
    // The pole's rows of today from its result file into the empty list.
    void resume(const QList<ResultRow>& rows, const MeasurementEntry& entry);
    // At the start, the pole in force when the program last ended today; the list is empty.
    void restart(const QString& pole);
    // The list as a record kept it: the pole, the day of its rows (invalid: none) and the rows.
    void restore(const QString& pole, const QDate& day, const QList<ResultRow>& rows);
    // Rows a clear took out, back at their numbers: only while the list ends where that clear left it.
    [[nodiscard]] bool canUndo(int firstRow) const { return count() == firstRow - 1; }
    bool undo(const QList<ResultRow>& rows, int firstRow, const QDate& day, const MeasurementEntry& entry);

private:
    void tell(const ResultChange& change);
    [[nodiscard]] ResultChange changeOf(ResultCause cause, int row, const MeasurementEntry& entry) const;
    void startDay();

    std::function<QDate()> m_today;
    std::vector<Listener> m_listeners;
    QString m_pole = QStringLiteral("1");
    std::optional<QDate> m_day;
    QList<ResultRow> m_rows;
    std::optional<Picture> m_picture;
};

enum class CopyLayout { OnePerLine, TabSeparated };

// Each width followed by its separator (CR LF or TAB), so the text ends with one; empty for no rows.
[[nodiscard]] QString copyText(const QStringList& widths, CopyLayout layout);

// The menu lists at most the last six results, each as its row number, ": " and the width ("7: 0.35").
struct RecentResults {
    int firstRow = 0; // counted from 0
    QStringList captions;
};
[[nodiscard]] RecentResults recentResults(const QStringList& widths);

// Caption of the measured-values menu after a correction: "測定値:0.35mm".
[[nodiscard]] QString correctedCaption(const QString& width);

} // namespace norvel
