#include "results/resultlist.h"

#include <algorithm>
#include <utility>

namespace norvel {

ResultList::ResultList(std::function<QDate()> today)
    : m_today(std::move(today))
{
}

QDate ResultList::day() const
{
    return m_day.value_or(m_today());
}

QStringList ResultList::widths() const
{
    QStringList widths;
    widths.reserve(m_rows.size());
    for (const ResultRow& row : m_rows)
        widths << row.width;
    return widths;
}

bool ResultList::pictureBelongs() const
{
    return m_picture && m_picture->pole == m_pole && (m_picture->row == 0 || m_picture->row == count());
}

void ResultList::startDay()
{
    if (m_rows.isEmpty())
        m_day = m_today();
}

ResultChange ResultList::changeOf(ResultCause cause, int row, const MeasurementEntry& entry) const
{
    ResultChange change;
    change.cause = cause;
    change.pole = m_pole;
    change.row = row;
    change.countBefore = count();
    change.day = day();
    change.entry = entry;
    return change;
}

void ResultList::tell(const ResultChange& change)
{
    // By index: a listener may not add listeners, but must not invalidate the walk if it did.
    for (std::size_t i = 0; i < m_listeners.size(); ++i)
        m_listeners[i](change);
}

void ResultList::takeIn(const ResultRow& row, const MeasurementEntry& entry)
{
    ResultChange change = changeOf(ResultCause::TakeIn, count() + 1, entry);
    startDay();
    ResultRow added = row;
    // The analysis numbers the row it fills; a shot without a width keeps an empty number, as it always did.
    added.number = row.width.isEmpty() ? QString() : QString::number(count() + 1);
    m_rows.append(added);
    change.width = added.width;
    tell(change);
}

bool ResultList::measure(const ResultRow& measured, const MeasurementEntry& entry)
{
    if (!pictureBelongs())
        return false;
    ResultChange change = changeOf(ResultCause::Analysis, std::max(count(), 1), entry);
    if (m_rows.isEmpty()) {
        startDay();
        m_rows.append(ResultRow {});
    }
    ResultRow& last = m_rows.last();
    last.number = QString::number(count());
    last.width = measured.width;
    last.source = measured.source;
    last.acrossCrack = measured.acrossCrack;
    last.estimated = measured.estimated;
    change.width = last.width;
    tell(change);
    return true;
}

std::optional<QString> ResultList::handMeasuredReplacedBy(const QString& width) const
{
    if (m_rows.isEmpty())
        return std::nullopt;
    const ResultRow& last = m_rows.last();
    if (!isHandMeasured(last.source) || last.width == width)
        return std::nullopt;
    return last.width;
}

bool ResultList::setByHand(const QString& width, WidthSource source, const MeasurementEntry& entry)
{
    if (m_rows.isEmpty() || (source == WidthSource::DraggedLine && !pictureBelongs()))
        return false;
    ResultChange change
        = changeOf(source == WidthSource::Typed ? ResultCause::Typed : ResultCause::DraggedLine, count(), entry);
    m_rows.last().width = width;
    m_rows.last().source = source;
    // Measured by hand the width is no longer the one across the crack; the estimate of the crack's way stays.
    m_rows.last().acrossCrack = false;
    change.width = width;
    tell(change);
    return true;
}

QList<ResultRow> ResultList::clearLast(const MeasurementEntry& entry)
{
    ResultChange change = changeOf(ResultCause::ClearOne, count(), entry);
    if (!m_rows.isEmpty()) {
        change.removed.append(m_rows.takeLast());
        // The shot on screen was that row: nothing shown is left to measure into the list.
        if (m_picture && m_picture->pole == m_pole && m_picture->row == change.row) {
            m_picture.reset();
            change.pictureGone = true;
        }
        if (m_rows.isEmpty())
            m_day.reset();
    }
    tell(change);
    return change.removed;
}

QList<ResultRow> ResultList::clearAll(ResultCause cause, const MeasurementEntry& entry)
{
    ResultChange change = changeOf(cause, m_rows.isEmpty() ? 0 : 1, entry);
    change.removed = std::exchange(m_rows, {});
    m_day.reset();
    if (m_picture && m_picture->pole == m_pole && m_picture->row > 0) {
        m_picture.reset();
        change.pictureGone = true;
    }
    tell(change);
    return change.removed;
}

void ResultList::changePole(const QString& pole, bool keepRows, const MeasurementEntry& entry)
{
    ResultChange change = changeOf(ResultCause::PoleChange, 0, entry);
    change.enteredPole = pole;
    if (!keepRows) {
        change.removed = std::exchange(m_rows, {});
        m_day.reset();
    }
    m_pole = pole;
    change.pictureGone = m_picture.has_value();
    m_picture.reset();
    tell(change);
}

void ResultList::resume(const QList<ResultRow>& rows, const MeasurementEntry& entry)
{
    ResultChange change = changeOf(ResultCause::Resume, int(rows.size()), entry);
    m_rows = rows;
    m_day = m_today();
    tell(change);
}

void ResultList::restart(const QString& pole)
{
    m_pole = pole;
    tell(changeOf(ResultCause::Restart, 0, MeasurementEntry {}));
}

void ResultList::restore(const QString& pole, const QDate& day, const QList<ResultRow>& rows)
{
    m_pole = pole;
    ResultChange change = changeOf(ResultCause::Restore, int(rows.size()), MeasurementEntry {});
    m_rows = rows;
    m_day = rows.isEmpty() ? std::nullopt : std::optional<QDate>(day.isValid() ? day : m_today());
    change.day = this->day();
    tell(change);
}

bool ResultList::undo(const QList<ResultRow>& rows, int firstRow, const QDate& day, const MeasurementEntry& entry)
{
    if (!canUndo(firstRow) || rows.isEmpty())
        return false;
    ResultChange change = changeOf(ResultCause::Undo, firstRow, entry);
    if (m_rows.isEmpty())
        m_day = day;
    change.day = this->day();
    m_rows.append(rows);
    tell(change);
    return true;
}

QString copyText(const QStringList& widths, CopyLayout layout)
{
    const QString separator = layout == CopyLayout::OnePerLine ? QStringLiteral("\r\n") : QStringLiteral("\t");
    QString text;
    for (const QString& width : widths)
        text += width + separator;
    return text;
}

RecentResults recentResults(const QStringList& widths)
{
    constexpr int shown = 6;
    RecentResults recent;
    const auto count = static_cast<int>(widths.size());
    recent.firstRow = count > shown ? count - shown : 0;
    for (int row = recent.firstRow; row < count; ++row)
        recent.captions << QString::number(row + 1) + QStringLiteral(": ") + widths[row];
    return recent;
}

QString correctedCaption(const QString& width)
{
    return QStringLiteral("測定値:") + width + QStringLiteral("mm");
}

} // namespace norvel
