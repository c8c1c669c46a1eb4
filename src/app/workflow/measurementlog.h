#pragma once

#include "files/backgroundfilewriter.h"
#include "results/measurementrecord.h"
#include "services/services.h"

#include <QDate>

#include <functional>
#include <optional>

class QTimer;

namespace norvel {

// The day's measurement record: a line for every change of the result list, saying what produced the figure,
// so that a width questioned later can be traced and drawn again. Lines are appended beside the window's
// work and waited for where they must be on disk; a day whose record cannot be written is said once.
class MeasurementLog {
public:
    // Whether lines are kept now (with automatic saving only, like the files they explain), the pole in force
    // and the day of the list; asked at every line.
    struct Context {
        bool recording = false;
        QString pole;
        QDate day;
    };
    // BesideTakeIn: the line goes to disk with the take-in's other files, which waits for it (onDisk).
    enum class Flush { Now, BesideTakeIn };

    // typingPause (single shot) is started by a typed correction; its timeout must call settleTyping.
    MeasurementLog(const Services& services, std::function<Context()> context, QTimer& typingPause);

    // Lines stand in the order of the changes: a correction still being typed is recorded first.
    void record(MeasurementEntry entry, int row, const QString& result, Flush flush = Flush::Now);
    // The width of the list's last row changed; row counts from 1, 0 when the list has no row to change.
    // Inside a take-in nothing is recorded (the take-in records its row once); a measurement handed on by
    // measuredBy is recorded at once; typing is recorded once it settles, as typedEntry.
    void widthChanged(int row, const QString& result, const MeasurementEntry& typedEntry);
    // The typed correction waiting for the typing to settle is recorded now, if there is one.
    void settleTyping(Flush flush = Flush::Now);
    // Waits for the lines on disk.
    void onDisk();

    // The measurement whose width is set while the returned scope lives; the first width change takes it.
    class Scope;
    [[nodiscard]] Scope measuredBy(const MeasurementEntry& entry);
    // A take-in is on while the returned scope lives.
    [[nodiscard]] Scope takingIn();
    // The kind of change a clear of the whole list is recorded as while the returned scope lives.
    [[nodiscard]] Scope clearedBy(RecordedChange cause);
    [[nodiscard]] RecordedChange clearCause() const { return m_clearCause.value_or(RecordedChange::AllCleared); }
    // What a handler half done meant to hand on is forgotten.
    void forgetCauses();

    // The analysis of the picture on screen, which a take-in records with its row.
    void noteAnalysis(const MeasurementEntry& entry) { m_lastAnalysis = entry; }
    [[nodiscard]] std::optional<MeasurementEntry> takeAnalysis() { return std::exchange(m_lastAnalysis, std::nullopt); }
    void forgetAnalysis() { m_lastAnalysis.reset(); }

private:
    struct TypedLine {
        MeasurementEntry entry;
        int row = 0;
        QString result;
    };

    Services m_services;
    std::function<Context()> m_context;
    QTimer& m_typingPause;
    BackgroundFileWriter m_writer;
    QString m_folder; // the day folder made last
    std::optional<QDate> m_failureDay;
    std::optional<TypedLine> m_typed;
    std::optional<MeasurementEntry> m_measured;
    std::optional<MeasurementEntry> m_lastAnalysis;
    std::optional<RecordedChange> m_clearCause;
    bool m_takingIn = false;
};

class MeasurementLog::Scope {
public:
    explicit Scope(std::function<void()> end)
        : m_end(std::move(end))
    {
    }
    ~Scope() { m_end(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    std::function<void()> m_end;
};

} // namespace norvel
