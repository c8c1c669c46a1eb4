#include "app/workflow/factsdesk.h"

#include "core/dayfolder.h"
#include "core/numbers.h"
#include "files/durablefolder.h"
#include "files/regularfile.h"
#include "ledger/ledgerday.h"
#include "ledger/previousinspection.h"
#include "results/inspectionfacts.h"
#include "settings/surveyheader.h"

#include <QDir>

namespace norvel {

namespace {

bool isAnalysis(RecordedChange change)
{
    return change == RecordedChange::TakeInAnalysis || change == RecordedChange::Analysis;
}

QString poleFactsText(const PoleFacts& facts)
{
    return QStringLiteral("電柱番号：%1\n所在地・路線：%2\n柱種：%3\n備考：%4")
        .arg(facts.plate, facts.place, facts.type, facts.remarks);
}

QString crackFactsText(const CrackFacts& facts)
{
    return QStringLiteral("ひび割れNo：%1\n方向：%2\n地上高：%3 m\n面：%4\n錆汁：%5\n備考：%6")
        .arg(facts.number ? QString::number(*facts.number) : QString(), crackDirectionName(facts.direction),
            facts.heightM ? exactText(*facts.heightM) : QString(), facts.face, rustText(facts.rust), facts.remarks);
}

} // namespace

FactsDesk::FactsDesk(const Services& services, const ResultList& list, std::function<void()> recordOnDisk)
    : m_services(services)
    , m_list(list)
    , m_recordOnDisk(std::move(recordOnDisk))
{
}

std::optional<InspectionFacts> FactsDesk::dayFacts() const
{
    QString error;
    InspectionFacts facts = readInspectionFactsOf(dayFolderPath(m_services.programFolder, m_list.day()), &error);
    // Facts offered blank over a file that could not be read would look like none were ever typed.
    if (!error.isEmpty()) {
        m_services.errors->showError(error);
        return std::nullopt;
    }
    return facts;
}

void FactsDesk::askPoleFacts()
{
    if (!m_services.poleFacts)
        return;
    const std::optional<InspectionFacts> facts = dayFacts();
    if (!facts)
        return;
    const QString pole = m_list.pole();
    const PoleFacts current = facts->pole(pole);
    const std::optional<PoleFacts> typed = m_services.poleFacts->askPoleFacts(
        pole, current, previousInspections().knownPlates(m_list.day()),
        [this](const QString& plate) { return previousInspectionOf(plate); },
        [this](const QString& plate) { return previousInspections().knownFacts(plate, m_list.day()); });
    if (!typed || *typed == current)
        return;
    store(poleFactsLine(m_services.clock->now(), pole, *typed), poleFactsText(*typed));
}

void FactsDesk::askCrackFacts(int row)
{
    if (!m_services.crackFacts)
        return;
    const std::optional<InspectionFacts> facts = dayFacts();
    if (!facts)
        return;
    const QString pole = m_list.pole();
    CrackFacts offered = facts->crack(pole, row);
    // Every row offered a number, so that the next inspection finds the crack by it.
    offered.number = proposedCrackNumber(*facts, pole, row);
    // What the analysis saw is only offered: the inspector confirms it or says otherwise.
    if (offered.direction == CrackDirection::Unknown)
        offered.direction = estimatedDirection(row);
    const std::optional<CrackFacts> typed = m_services.crackFacts->askCrackFacts(pole, row, offered);
    if (!typed)
        return;
    store(crackFactsLine(m_services.clock->now(), pole, row, *typed), crackFactsText(*typed));
}

CrackDirection FactsDesk::estimatedDirection(int row)
{
    if (const CrackDirection listed = m_list.rows().value(row - 1).estimated; listed != CrackDirection::Unknown)
        return listed;
    // A row brought back from its file knows only its width: the record tells what its analysis saw.
    m_recordOnDisk();
    const RegularFile record
        = openRegularFile(measurementRecordPath(m_services.programFolder, m_list.day()), RecordFileLimitBytes);
    if (record.status != RegularFile::Status::Opened)
        return CrackDirection::Unknown;
    std::optional<MeasurementEntry> last;
    const QString pole = m_list.pole();
    // A record that cannot be read to its end proposes from what was read; the ledger is where it is said.
    static_cast<void>(readMeasurementRecord(*record.file, record.size, [&last, &pole, row](MeasurementEntry&& entry) {
        if (isAnalysis(entry.change) && entry.pole == pole && entry.row == row)
            last = std::move(entry);
    }));
    return last ? last->estimated : CrackDirection::Unknown;
}

const PreviousInspections& FactsDesk::previousInspections()
{
    // A new day makes the day before one of the earlier days.
    if (!m_previous || m_previousIndexed != m_services.clock->now().date()) {
        // The past surveys the ledger was last told of are earlier days too; a settings file that cannot be read
        // leaves them out, as the ledger's dialog says.
        const ProgramSettingsRead ini
            = readProgramSettings(QDir(m_services.programFolder).filePath(programSettingsName()));
        return rereadPreviousInspections(ledgerChoices(ini.content.value_or(QByteArray())).pastFolder);
    }
    return *m_previous;
}

const PreviousInspections& FactsDesk::rereadPreviousInspections(const QString& pastFolder)
{
    m_previous = std::make_shared<const PreviousInspections>(m_services.programFolder, pastFolder);
    m_previousIndexed = m_services.clock->now().date();
    return *m_previous;
}

QString FactsDesk::previousInspectionOf(const QString& plate)
{
    if (plate.trimmed().isEmpty())
        return {};
    // The lines only judge; the dialog's line names the widths.
    const std::optional<PreviousInspection> found
        = previousInspections().find(plate.trimmed(), m_list.day(), JudgementLines {});
    return found ? previousInspectionText(*found) : QString();
}

void FactsDesk::store(const QByteArray& line, const QString& typed) const
{
    const QString dayFolder = dayFolderPath(m_services.programFolder, m_list.day());
    QString error;
    // Facts may well come before the day's first shot.
    if (makeFolderDurably(dayFolder, &error) && appendInspectionFacts(dayFolder, line, &error))
        return;
    m_services.errors->showError(
        error + QStringLiteral("\n\n入力した次の内容は保存されていません。もう一度入力してください。\n") + typed);
}

} // namespace norvel
