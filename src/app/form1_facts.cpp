#include "app/form1.h"

#include "core/dayfolder.h"
#include "core/numbers.h"
#include "files/durablefolder.h"
#include "files/regularfile.h"
#include "ledger/ledgerday.h"
#include "ledger/previousinspection.h"
#include "results/inspectionfacts.h"
#include "settings/surveyheader.h"
#include "widgets/flexgrid.h"

#include <QDir>


// What an inspection record names beside the widths: the pole's identity and each crack's direction and place.
// They are asked only when the inspector opens their dialogs, so a survey runs as it always did.
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
    return QStringLiteral("方向：%1\n地上高：%2 m\n面：%3\n錆汁：%4\n備考：%5")
        .arg(crackDirectionName(facts.direction), facts.heightM ? exactText(*facts.heightM) : QString(), facts.face,
            rustText(facts.rust), facts.remarks);
}

} // namespace

QString Form1::listDayFolder() const
{
    return dayFolderPath(m_services.programFolder, m_list.day());
}

std::optional<InspectionFacts> Form1::listDayFacts()
{
    QString error;
    InspectionFacts facts = readInspectionFactsOf(listDayFolder(), &error);
    // Facts offered blank over a file that could not be read would look like none were ever typed.
    if (!error.isEmpty()) {
        report(error);
        return std::nullopt;
    }
    return facts;
}

void Form1::PoleInfo_Click()
{
    if (!m_services.poleFacts)
        return;
    const std::optional<InspectionFacts> facts = listDayFacts();
    if (!facts)
        return;
    const QString pole = m_list.pole();
    const PoleFacts current = facts->pole(pole);
    const std::optional<PoleFacts> typed = m_services.poleFacts->askPoleFacts(
        pole, current, knownPlates(), [this](const QString& plate) { return previousInspectionOf(plate); });
    if (!typed || *typed == current)
        return;
    storeFacts(poleFactsLine(m_services.clock->now(), pole, *typed), poleFactsText(*typed));
}

void Form1::Label3_DblClick()
{
    PoleInfo_Click();
}

void Form1::CrackInfo_Click()
{
    if (m_list.count() > 0)
        askCrackFacts(m_list.count());
}

void Form1::ResultRow_DblClick(int Row)
{
    if (Row >= 0 && Row < m_list.count())
        askCrackFacts(Row + 1);
}

void Form1::askCrackFacts(int row)
{
    if (!m_services.crackFacts)
        return;
    const std::optional<InspectionFacts> facts = listDayFacts();
    if (!facts)
        return;
    const QString pole = m_list.pole();
    CrackFacts offered = facts->crack(pole, row);
    // What the analysis saw is only offered: the inspector confirms it or says otherwise.
    if (offered.direction == CrackDirection::Unknown)
        offered.direction = analysedDirection(row);
    const std::optional<CrackFacts> typed = m_services.crackFacts->askCrackFacts(pole, row, offered);
    if (!typed)
        return;
    storeFacts(crackFactsLine(m_services.clock->now(), pole, row, *typed), crackFactsText(*typed));
}

CrackDirection Form1::analysedDirection(int row)
{
    if (const CrackDirection listed = m_list.rows().value(row - 1).estimated; listed != CrackDirection::Unknown)
        return listed;
    // Lines still on their way to the record tell of the latest analyses.
    m_log.onDisk();
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

const PreviousInspections& Form1::previousInspections() const
{
    // A new day makes the day before one of the earlier days.
    const QDate today = m_services.clock->now().date();
    if (!m_previous || m_previousIndexed != today) {
        // The past surveys the ledger was last told of are earlier days too; a settings file that cannot be read
        // leaves them out, as the ledger's dialog says.
        const ProgramSettingsRead ini
            = norvel::readProgramSettings(QDir(m_services.programFolder).filePath(programSettingsName()));
        m_previous = std::make_shared<const PreviousInspections>(
            m_services.programFolder, ledgerChoices(ini.content.value_or(QByteArray())).pastFolder);
        m_previousIndexed = today;
    }
    return *m_previous;
}

QStringList Form1::knownPlates() const
{
    return previousInspections().knownPlates(m_list.day());
}

QString Form1::previousInspectionOf(const QString& plate) const
{
    if (plate.trimmed().isEmpty())
        return {};
    // The lines only judge; the dialog's line names the widths.
    const std::optional<PreviousInspection> found
        = previousInspections().find(plate.trimmed(), m_list.day(), JudgementLines {});
    return found ? previousInspectionText(*found) : QString();
}

void Form1::storeFacts(const QByteArray& line, const QString& typed)
{
    const QString dayFolder = listDayFolder();
    QString error;
    // Facts may well come before the day's first shot.
    if (makeFolderDurably(dayFolder, &error) && appendInspectionFacts(dayFolder, line, &error))
        return;
    report(error + QStringLiteral("\n\n入力した次の内容は保存されていません。もう一度入力してください。\n") + typed);
}

} // namespace norvel
