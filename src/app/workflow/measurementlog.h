#pragma once

#include "files/backgroundfilewriter.h"
#include "results/measurementrecord.h"
#include "services/services.h"

#include <QDate>

#include <functional>
#include <optional>

class QTimer;

namespace norvel {

class ResultList;
struct ResultChange;

// The day's measurement record: a line for every change of the result list, saying what produced the figure,
// so that a width questioned later can be traced and drawn again. Lines are appended beside the window's
// work and waited for where they must be on disk; a day whose record cannot be written is said once.
class MeasurementLog {
public:
    // BesideTakeIn: the line goes to disk with the take-in's other files, which waits for it (onDisk).
    enum class Flush { Now, BesideTakeIn };

    // Follows every change of list while recording() (automatic saving on, like the files the lines explain).
    // typingPause (single shot) is started by a typed correction; its timeout must call settleTyping.
    MeasurementLog(const Services& services, ResultList& list, std::function<bool()> recording, QTimer& typingPause);

    // A line for what changed no row: an analysis the inspector declined, the shut-down. row counts from 1, 0 for
    // the whole list. Lines stand in the order of the changes: a correction still being typed is recorded first.
    void record(MeasurementEntry entry, const QString& pole, const QDate& day, int row, const QString& result,
        Flush flush = Flush::Now);
    // The typed correction waiting for the typing to settle is recorded now, if there is one.
    void settleTyping(Flush flush = Flush::Now);
    // Waits for the lines on disk.
    void onDisk();

private:
    struct TypedLine {
        MeasurementEntry entry;
        QString pole;
        QDate day;
        int row = 0;
        QString result;
    };

    void listChanged(const ResultChange& change);

    Services m_services;
    std::function<bool()> m_recording;
    QTimer& m_typingPause;
    BackgroundFileWriter m_writer;
    QString m_folder; // the day folder made last
    QDate m_lastDay; // of the last line written
    std::optional<QDate> m_failureDay;
    std::optional<TypedLine> m_typed;
};

} // namespace norvel
