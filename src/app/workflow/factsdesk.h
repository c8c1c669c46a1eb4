#pragma once

#include "results/resultlist.h"
#include "services/services.h"

#include <QDate>

#include <functional>
#include <memory>

namespace norvel {

class PreviousInspections;

// The facts an inspection record names beside the widths: the pole's identity and each crack's direction and place,
// asked in their dialogs for the pole in force and its rows, and appended to the list's day folder's facts file.
// They are asked only when the inspector opens the dialogs, so a survey runs as it always did.
class FactsDesk {
public:
    // recordOnDisk brings the record lines still on their way to disk, so the record tells of the latest analyses.
    FactsDesk(const Services& services, const ResultList& list, std::function<void()> recordOnDisk);

    void askPoleFacts();
    // row counts from 1. An unconfirmed direction is offered as the analysis estimated it, never guessed.
    void askCrackFacts(int row);
    // The direction the row's analysis estimated: the list's, else the day's record's last analysis's.
    [[nodiscard]] CrackDirection estimatedDirection(int row);

    // The earlier days' facts as of today, indexed once a day (read again with pastFolder, which the ledger then
    // uses: surveys may have been copied in since).
    [[nodiscard]] const PreviousInspections& previousInspections();
    [[nodiscard]] const PreviousInspections& rereadPreviousInspections(const QString& pastFolder);

private:
    [[nodiscard]] std::optional<InspectionFacts> dayFacts() const;
    [[nodiscard]] QString previousInspectionOf(const QString& plate);
    // Appends the line; on a failure says so, with what was typed, which is then not kept.
    void store(const QByteArray& line, const QString& typed) const;

    Services m_services;
    const ResultList& m_list;
    std::function<void()> m_recordOnDisk;
    std::shared_ptr<const PreviousInspections> m_previous;
    QDate m_previousIndexed; // the day m_previous was built on
};

} // namespace norvel
