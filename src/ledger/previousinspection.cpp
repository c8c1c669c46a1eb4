#include "ledger/previousinspection.h"

#include "core/dayfolder.h"
#include "core/numbers.h"
#include "core/resultfile.h"
#include "files/folderlisting.h"
#include "files/regularfile.h"
#include "results/inspectionfacts.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace norvel {

namespace {

const QString DayFormat = QStringLiteral("yyyyMMdd");

QString resultFilePathOf(const QString& dayFolder, const QString& pole)
{
    return pole.isEmpty() ? dayFolder + u'/' + resultFileName(pole)
                          : dayFolder + u'/' + pole + u'/' + resultFileName(pole);
}

} // namespace

PreviousInspections::PreviousInspections(const QString& programFolder, const QString& pastFolder)
{
    addFolder(programFolder);
    if (!pastFolder.isEmpty() && !sameFolder(pastFolder, programFolder))
        addFolder(pastFolder);
    std::stable_sort(m_unreadable.begin(), m_unreadable.end(),
        [](const UnreadablePastFacts& a, const UnreadablePastFacts& b) { return a.day < b.day; });
    // Of one day, the program folder's poles came first and stay first among equals.
    for (QList<Seen>& seen : m_byPlate)
        std::stable_sort(seen.begin(), seen.end(),
            [](const Seen& a, const Seen& b) { return a.day != b.day ? a.day < b.day : poleBefore(a.pole, b.pole); });
}

void PreviousInspections::addFolder(const QString& folder)
{
    static const QRegularExpression dayName(QStringLiteral("^[0-9]{8}$"));
    const QDir root(folder);
    QString unreadable; // a folder that cannot be read holds no earlier day
    for (const QByteArray& native : subfolderNames(QFile::encodeName(folder), &unreadable)) {
        const QString name = QFile::decodeName(native);
        const QDate day = QDate::fromString(name, DayFormat);
        if (dayName.match(name).hasMatch() && day.isValid())
            addDay(day, root.filePath(name));
    }
}

void PreviousInspections::addDay(const QDate& day, const QString& dayFolder)
{
    const QString path = inspectionFactsPath(dayFolder);
    const FileContent file = readRegularFile(path, InspectionFactsFileLimitBytes);
    if (file.missing())
        return;
    if (!file.read()) {
        ++m_unreadableFiles;
        m_unreadable.append({ day, path, file.error + QStringLiteral("前回の点検はこの日を除いて探しています。") });
        return;
    }
    const InspectionFacts facts = readInspectionFacts(file.content);
    if (facts.unreadableLines > 0)
        m_unreadable.append({ day, path,
            QStringLiteral("読めない行が %1 行あります。その行は前回の点検を探すのに使っていません。")
                .arg(facts.unreadableLines) });
    QHash<QString, QHash<int, CrackFacts>> cracks;
    for (auto crack = facts.cracks.cbegin(); crack != facts.cracks.cend(); ++crack)
        cracks[crack.key().first].insert(crack.key().second, crack.value());
    for (auto pole = facts.poles.cbegin(); pole != facts.poles.cend(); ++pole) {
        if (!pole.value().plate.isEmpty())
            m_byPlate[pole.value().plate].append(
                { day, dayFolder, pole.key(), cracks.value(pole.key()), pole.value() });
    }
}

const PreviousInspections::Seen* PreviousInspections::latestBefore(const QString& plate, const QDate& before) const
{
    // The index holds plates as the facts file reads them, in half width.
    const auto found = m_byPlate.constFind(halfWidthIdentifierText(plate));
    if (found == m_byPlate.constEnd())
        return nullptr;
    const auto earlier = [](const Seen& seen, const QDate& day) { return seen.day < day; };
    const auto after = std::lower_bound(found->cbegin(), found->cend(), before, earlier);
    if (after == found->cbegin())
        return nullptr;
    return &*std::lower_bound(found->cbegin(), after, std::prev(after)->day, earlier);
}

std::optional<PoleFacts> PreviousInspections::knownFacts(const QString& plate, const QDate& before) const
{
    const Seen* seen = latestBefore(plate, before);
    return seen ? std::optional(seen->facts) : std::nullopt;
}

std::optional<PreviousInspection> PreviousInspections::find(
    const QString& plate, const QDate& before, const JudgementLines& lines) const
{
    const Seen* found = latestBefore(plate, before);
    if (!found)
        return std::nullopt;
    const Seen& seen = *found;

    PreviousInspection previous { seen.day, seen.dayFolder, seen.pole, {}, false, {}, {} };
    const QString path = resultFilePathOf(seen.dayFolder, seen.pole);
    const FileContent content = readRegularFile(QFile::encodeName(path), ResultFileLimitBytes);
    if (content.missing()) {
        previous.problem = QStringLiteral("結果ファイル「%1」がありません。").arg(QDir::toNativeSeparators(path));
    } else if (!content.read()) {
        previous.problem
            = QStringLiteral("結果ファイル「%1」を読めません。%2").arg(QDir::toNativeSeparators(path), content.error);
    } else {
        for (const ResultFileRow& row : readResultFileRows(content.content, 0).rows) {
            const std::optional<double> width = rowWidth(row.width);
            if (!width)
                continue;
            const CrackFacts crack = seen.cracks.value(row.row);
            previous.widths.add(crack.direction, *width);
            // Rows that measured one crack again: the crack was as wide as the widest of them.
            const int number = crackNumber(crack, row.row);
            if (!previous.cracks.contains(number) || previous.cracks[number].widthMm < *width)
                previous.cracks[number] = { crack.direction, *width };
        }
    }
    previous.marked = previous.widths.marked(lines);
    return previous;
}

QStringList PreviousInspections::knownPlates(const QDate& before) const
{
    QStringList plates;
    for (auto plate = m_byPlate.cbegin(); plate != m_byPlate.cend(); ++plate) {
        // The earliest day decides: a plate known once is known.
        if (!plate.value().isEmpty() && plate.value().front().day < before)
            plates << plate.key();
    }
    plates.sort();
    return plates;
}

QString previousInspectionText(const PreviousInspection& found)
{
    QString text = QStringLiteral("前回 ") + found.day.toString(QStringLiteral("yyyy/MM/dd"));
    bool any = false;
    for (const CrackDirection direction : { CrackDirection::Transverse, CrackDirection::Longitudinal,
             CrackDirection::Oblique, CrackDirection::Unknown }) {
        if (const std::optional<double> width = found.widths.of(direction)) {
            const QString name
                = direction == CrackDirection::Unknown ? QStringLiteral("方向なし") : crackDirectionName(direction);
            text += u' ' + name + u' ' + fixedText(*width, 2) + QStringLiteral("mm");
            any = true;
        }
    }
    return any ? text : text + QStringLiteral(" 幅の記録なし");
}

} // namespace norvel
