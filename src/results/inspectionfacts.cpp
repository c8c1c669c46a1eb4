#include "results/inspectionfacts.h"

#include "core/numbers.h"
#include "files/csvfields.h"
#include "files/durablefile.h"
#include "files/regularfile.h"
#include "results/polenumber.h"
#include "results/recordcolumns.h"
#include "results/recordtext.h"

#include <QDir>
#include <QSet>
#include <QStringList>

#include <array>

namespace norvel {

// Made each time, not constants: lines may be made while other files' constants are still being built.
QString rustText(std::optional<bool> rust)
{
    if (!rust)
        return {};
    return *rust ? QStringLiteral("有") : QStringLiteral("無");
}

namespace {

enum Column { Time, Pole, Row, Plate, Place, Type, Direction, Height, Face, Rust, Remarks, Number, ColumnCount };
// Lines written before the crack number was kept end at the remarks.
constexpr qsizetype OlderColumnCount = Number;

// A typed text on one line, as the file keeps it.
QString oneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

QByteArray factsLine(
    const QDateTime& time, const QString& pole, const QString& row, const PoleFacts& poleFacts, const CrackFacts& crack)
{
    QStringList fields(ColumnCount);
    fields[Time] = time.toString(RecordTimeFormat);
    fields[Pole] = pole;
    fields[Row] = row;
    fields[Plate] = oneLine(poleFacts.plate);
    fields[Place] = oneLine(poleFacts.place);
    fields[Type] = oneLine(poleFacts.type);
    fields[Direction] = crackDirectionName(crack.direction);
    fields[Height] = crack.heightM ? exactText(*crack.heightM) : QString();
    fields[Face] = oneLine(crack.face);
    fields[Rust] = rustText(crack.rust);
    fields[Remarks] = oneLine(row.isEmpty() ? poleFacts.remarks : crack.remarks);
    fields[Number] = !row.isEmpty() && crack.number ? QString::number(*crack.number) : QString();
    return csvLine(fields);
}

// Whether a line's time is one. The form the program writes (RecordTimeFormat) is checked digit by digit: parsing a
// date and time costs more than the rest of the line, and the previous inspection reads a year of lines. Other
// forms are parsed.
bool isRecordedTime(const QString& text)
{
    static constexpr QStringView shape = u"0000-00-00 00:00:00.000";
    if (text.size() != shape.size())
        return recordedTime(text).isValid();
    std::array<int, 7> parts {};
    std::size_t part = 0;
    for (qsizetype i = 0; i < shape.size(); ++i) {
        if (shape[i] != u'0') {
            if (text[i] != shape[i])
                return recordedTime(text).isValid();
            ++part;
        } else if (text[i] >= u'0' && text[i] <= u'9') {
            parts[part] = parts[part] * 10 + (text[i].unicode() - u'0');
        } else {
            return recordedTime(text).isValid();
        }
    }
    return QDate(parts[0], parts[1], parts[2]).isValid() && QTime(parts[3], parts[4], parts[5], parts[6]).isValid();
}

// The facts of one line, or none when it is not a line the program writes: a pole line names no crack facts and
// a crack line no pole facts.
struct ReadLine {
    QString pole;
    int row = 0;
    PoleFacts poleFacts;
    CrackFacts crack;
};

std::optional<ReadLine> readLine(QStringList f)
{
    if (f.size() == OlderColumnCount)
        f.append(QString()); // a row without a number goes by its row
    if (f.size() != ColumnCount || !isRecordedTime(f[Time]) || !isUsablePoleNumber(f[Pole]))
        return std::nullopt;
    for (const QString& field : f)
        if (field.size() > MaxFactLength)
            return std::nullopt;
    ReadLine line;
    line.pole = f[Pole];
    if (f[Row].isEmpty()) {
        if (!f[Direction].isEmpty() || !f[Height].isEmpty() || !f[Face].isEmpty() || !f[Rust].isEmpty()
            || !f[Number].isEmpty())
            return std::nullopt;
        // Typed in full width before the dialog made it half width: the same plate all the same.
        line.poleFacts = { halfWidthIdentifierText(oneLine(f[Plate])), halfWidthIdentifierText(oneLine(f[Place])),
            halfWidthIdentifierText(oneLine(f[Type])), oneLine(f[Remarks]) };
        return line;
    }
    const std::optional<int> row = exactNumber<int>(f[Row]);
    const std::optional<CrackDirection> direction = crackDirectionFromName(f[Direction]);
    if (!row || *row < 1 || *row > 32767 || !direction || !f[Plate].isEmpty() || !f[Place].isEmpty()
        || !f[Type].isEmpty())
        return std::nullopt;
    line.row = *row;
    line.crack.direction = *direction;
    if (!f[Height].isEmpty()) {
        const std::optional<double> height = exactNumber<double>(f[Height]);
        if (!height || *height < 0 || *height > MaxHeightM)
            return std::nullopt;
        line.crack.heightM = height;
    }
    if (!f[Rust].isEmpty()) {
        if (f[Rust] != rustText(true) && f[Rust] != rustText(false))
            return std::nullopt;
        line.crack.rust = f[Rust] == rustText(true);
    }
    if (!f[Number].isEmpty()) {
        const std::optional<int> number = exactNumber<int>(f[Number]);
        if (!number || *number < 1 || *number > MaxCrackNumber)
            return std::nullopt;
        line.crack.number = number;
    }
    // A text holding a lone carriage return (edited by hand) reads as the program would have written it.
    line.crack.face = oneLine(f[Face]);
    line.crack.remarks = oneLine(f[Remarks]);
    return line;
}

} // namespace

int crackNumber(const CrackFacts& facts, int row)
{
    return facts.number.value_or(row);
}

int proposedCrackNumber(const InspectionFacts& facts, const QString& pole, int row)
{
    if (const auto own = facts.cracks.constFind({ pole, row }); own != facts.cracks.cend())
        return crackNumber(*own, row);
    QSet<int> taken;
    for (auto crack = facts.cracks.lowerBound({ pole, 0 }); crack != facts.cracks.cend() && crack.key().first == pole;
         ++crack)
        taken.insert(crackNumber(crack.value(), crack.key().second));
    int number = 1;
    while (taken.contains(number))
        ++number;
    return number;
}

QByteArray inspectionFactsHeader()
{
    static const QByteArray header = QByteArray("\xEF\xBB\xBF")
        + csvLine({ QStringLiteral("時刻"), QStringLiteral("調査柱No"), QStringLiteral("行"),
            QStringLiteral("電柱番号"), QStringLiteral("所在地・路線"), QStringLiteral("柱種"), QStringLiteral("方向"),
            QStringLiteral("地上高m"), QStringLiteral("面"), QStringLiteral("錆汁"), QStringLiteral("備考"),
            QStringLiteral("ひび割れNo") });
    return header;
}

QByteArray poleFactsLine(const QDateTime& time, const QString& pole, const PoleFacts& facts)
{
    return factsLine(time, pole, QString(), facts, {});
}

QByteArray crackFactsLine(const QDateTime& time, const QString& pole, int row, const CrackFacts& facts)
{
    return factsLine(time, pole, QString::number(row), {}, facts);
}

InspectionFacts readInspectionFacts(const QByteArray& content)
{
    InspectionFacts facts;
    LineDecoder decoder;
    const QList<QByteArray> lines = csvByteLines(content);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray bytes = lines[i];
        // The decoder keeps a BOM as a character, which would make the header a line it cannot read.
        if (i == 0 && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        if (bytes.isEmpty())
            continue;
        const std::optional<QString> text = decoder.decode(bytes);
        const QStringList fields = text ? csvFields(*text) : QStringList();
        if (i == 0 && !fields.isEmpty() && fields[0] == QStringLiteral("時刻"))
            continue; // the header
        const std::optional<ReadLine> line = readLine(fields);
        if (!line)
            ++facts.unreadableLines;
        else if (line->row == 0)
            facts.poles[line->pole] = line->poleFacts;
        else
            facts.cracks[{ line->pole, line->row }] = line->crack;
    }
    return facts;
}

QString inspectionFactsPath(const QString& dayFolder)
{
    return dayFolder + QLatin1Char('/') + InspectionFactsFileName;
}

InspectionFacts readInspectionFactsOf(const QString& dayFolder, QString* error)
{
    const QString path = inspectionFactsPath(dayFolder);
    const FileContent read = readRegularFile(path, InspectionFactsFileLimitBytes);
    if (read.missing())
        return {};
    if (!read.read()) {
        if (error)
            *error = QStringLiteral("調査情報「%1」を読めませんでした。\n%2")
                         .arg(QDir::toNativeSeparators(path), read.error);
        return {};
    }
    return readInspectionFacts(read.content);
}

bool appendInspectionFacts(const QString& dayFolder, const QByteArray& line, QString* error)
{
    const QString path = inspectionFactsPath(dayFolder);
    QString reason;
    if (appendFileDurably(path, inspectionFactsHeader(), line, &reason))
        return true;
    if (error)
        *error = notWrittenMessage(QStringLiteral("調査情報"), path, reason);
    return false;
}

} // namespace norvel
