#include "results/recoveryrecord.h"

#include <QCryptographicHash>
#include <QStringDecoder>

#include <array>
#include <limits>
#include <utility>

// Every value has exactly one spelling in the file (texts escaped one way, numbers without sign or leading
// zeros, the camera path percent-encoded as Qt encodes it), and the reader refuses any other: what it
// accepts is what the writer would have written, byte for byte.
namespace norvel {

namespace {

constexpr QByteArrayView Header = "norvel-recovery 1";
constexpr QByteArrayView HeaderWord = "norvel-recovery ";
constexpr QByteArrayView EndWord = "end ";
constexpr QStringView DayFormat = u"yyyy-MM-dd";
constexpr qint64 Largest = std::numeric_limits<qint64>::max();

// The bytes written as a backslash and a letter, and those letters in the same order.
constexpr QByteArrayView EscapedBytes = "\\\t\n\r";
constexpr QByteArrayView EscapeLetters = "\\tnr";

// UTF-8 never uses an ASCII byte inside a longer character, so escaping byte by byte is safe.
QByteArray escaped(const QString& text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        const qsizetype e = EscapedBytes.indexOf(c);
        if (e >= 0)
            out += '\\';
        out += e >= 0 ? EscapeLetters[e] : c;
    }
    return out;
}

// Nothing for a stray backslash, a bare tab or carriage return, or bytes that are not UTF-8 as the writer
// makes it: each would be written back differently.
std::optional<QString> unescaped(QByteArrayView field)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\t' || c == '\r')
            return {};
        if (c == '\\') {
            const qsizetype e = ++i < field.size() ? EscapeLetters.indexOf(field[i]) : -1;
            if (e < 0)
                return {};
            c = EscapedBytes[e];
        }
        bytes += c;
    }
    // QString::fromUtf8 would drop a leading byte order mark, which belongs to the text.
    QStringDecoder decoder(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (text.toUtf8() != bytes)
        return {};
    return text;
}

// A count in [least, most] as plain decimal digits, without sign or leading zero.
std::optional<qint64> count(QByteArrayView text, qint64 least, qint64 most)
{
    if (text.isEmpty() || (text.size() > 1 && text[0] == '0'))
        return {};
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return {};
        const int digit = c - '0';
        if (value > (most - digit) / 10)
            return {};
        value = value * 10 + digit;
    }
    if (value < least)
        return {};
    return value;
}

std::optional<QDate> dayFrom(QByteArrayView text)
{
    if (text == "none")
        return QDate();
    // The spelling must be the one written, whatever Qt's parser would also take.
    const QString written = QString::fromLatin1(text);
    const QDate day = QDate::fromString(written, DayFormat);
    if (!day.isValid() || day.toString(DayFormat) != written)
        return {};
    return day;
}

// How each way a width came to be is spelled in the record.
constexpr std::array<std::pair<WidthSource, QByteArrayView>, 5> SourceWords { {
    { WidthSource::Unknown, "unknown" },
    { WidthSource::TakeIn, "takein" },
    { WidthSource::Analysis, "analysis" },
    { WidthSource::DraggedLine, "line" },
    { WidthSource::Typed, "typed" },
} };

QByteArray sourceWord(WidthSource source)
{
    for (const auto& [value, word] : SourceWords)
        if (value == source)
            return word.toByteArray();
    return {};
}

std::optional<WidthSource> sourceFrom(QByteArrayView word)
{
    for (const auto& [value, spelled] : SourceWords)
        if (spelled == word)
            return value;
    return {};
}

std::optional<bool> flagFrom(QByteArrayView text)
{
    if (text == "0" || text == "1")
        return text == "1";
    return {};
}

// Only its number and width, as records written before rows said more.
bool saysNoMore(const ResultRow& row)
{
    return row == ResultRow { row.number, row.width };
}

QByteArray rowLine(const ResultRow& row)
{
    QByteArray line = "row " + escaped(row.number) + '\t' + escaped(row.width);
    if (!saysNoMore(row))
        line += '\t' + sourceWord(row.source) + '\t' + (row.acrossCrack ? '1' : '0') + '\t' + escaped(row.picture)
            + '\t' + escaped(row.original) + '\t' + escaped(crackDirectionName(row.estimated));
    return line + '\n';
}

std::optional<ResultRow> rowFrom(const QByteArray& field)
{
    const QList<QByteArray> parts = field.split('\t');
    // Records written before a row kept how it was measured and its pictures have two fields.
    if (parts.size() != 2 && parts.size() != 7)
        return {};
    const auto number = unescaped(parts[0]);
    const auto width = unescaped(parts[1]);
    if (!number || !width)
        return {};
    ResultRow row { *number, *width };
    if (parts.size() == 2)
        return row;
    const auto source = sourceFrom(parts[2]);
    const auto across = flagFrom(parts[3]);
    const auto picture = unescaped(parts[4]);
    const auto original = unescaped(parts[5]);
    const auto estimatedName = unescaped(parts[6]);
    const auto estimated = estimatedName ? crackDirectionFromName(*estimatedName) : std::nullopt;
    if (!source || !across || !picture || !original || !estimated)
        return {};
    row.source = *source;
    row.acrossCrack = *across;
    row.picture = *picture;
    row.original = *original;
    row.estimated = *estimated;
    // One spelling a row: one that says no more is written short.
    if (saysNoMore(row))
        return {};
    return row;
}

std::optional<PendingShot> pendingFrom(const QByteArray& field)
{
    const QList<QByteArray> parts = field.split('\t');
    // Records written before originals were kept have six fields.
    if (parts.size() != 6 && parts.size() != 7)
        return {};
    const QByteArray cameraPath = QByteArray::fromPercentEncoding(parts[0]);
    const auto size = count(parts[1], 0, Largest);
    const auto modifiedMs = count(parts[2], 0, Largest);
    const auto filedPath = unescaped(parts[3]);
    const auto takenInMs = count(parts[4], 0, Largest);
    const auto row = count(parts[5], 1, std::numeric_limits<int>::max());
    const auto originalPath = parts.size() == 7 ? unescaped(parts[6]) : std::optional<QString>(QString());
    if (cameraPath.toPercentEncoding() != parts[0] || !size || !modifiedMs || !filedPath || !takenInMs || !row
        || !originalPath)
        return {};
    return PendingShot { cameraPath, *size, *modifiedMs, *filedPath, *takenInMs, static_cast<int>(*row),
        *originalPath };
}

RecoveryParse refused(const QString& reason)
{
    return { std::nullopt, QStringLiteral("復元用ファイルの形式が正しくありません（%1）。").arg(reason) };
}

} // namespace

QByteArray serializeRecovery(const RecoveryRecord& record)
{
    QByteArray out = Header.toByteArray() + '\n';
    out += "pole " + escaped(record.pole) + '\n';
    out += "poletext " + escaped(record.poleText) + '\n';
    // A year outside 1..9999 would not read back; a survey day never has one.
    out += "day " + (record.day.isValid() ? record.day.toString(DayFormat).toLatin1() : QByteArray("none")) + '\n';
    for (const ResultRow& row : record.rows)
        out += rowLine(row);
    if (const auto& p = record.pending) {
        out += "pending " + p->cameraPath.toPercentEncoding() + '\t' + QByteArray::number(p->size) + '\t'
            + QByteArray::number(p->modifiedMs) + '\t' + escaped(p->filedPath) + '\t' + QByteArray::number(p->takenInMs)
            + '\t' + QByteArray::number(p->row);
        if (!p->originalPath.isEmpty())
            out += '\t' + escaped(p->originalPath);
        out += '\n';
    }
    const QByteArray sum = QCryptographicHash::hash(out, QCryptographicHash::Sha1).toHex();
    return out.append(EndWord).append(sum).append('\n');
}

namespace {

// Why the record's frame is not as written (its header, its end line and the checksum there), or nullopt when
// it is: lines then hold the record's lines from the header on, without the end line.
std::optional<RecoveryParse> frameProblem(const QByteArray& bytes, QList<QByteArray>& lines)
{
    if (bytes.isEmpty())
        return refused(QStringLiteral("空のファイル"));
    lines = bytes.split('\n');
    // After the final line break split leaves one empty part; anything else there is a line cut short.
    if (!lines.takeLast().isEmpty())
        return refused(QStringLiteral("途中で切れています"));
    if (lines.first() != Header) {
        const QByteArray& first = lines.first();
        if (first.startsWith(HeaderWord) && count(QByteArrayView(first).sliced(HeaderWord.size()), 0, Largest))
            return RecoveryParse { std::nullopt,
                QStringLiteral("復元用ファイルは別の版のプログラムが書いたもので、読めません。") };
        return refused(QStringLiteral("見出しがありません"));
    }
    const QByteArray last = lines.takeLast();
    if (!last.startsWith(EndWord)) {
        for (const QByteArray& line : lines) {
            if (line.startsWith(EndWord))
                return refused(QStringLiteral("end の行の後に続きがあります"));
        }
        return refused(QStringLiteral("end の行がありません"));
    }
    const QByteArrayView body = QByteArrayView(bytes).first(bytes.size() - last.size() - 1);
    if (last.sliced(EndWord.size()) != QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex())
        return refused(QStringLiteral("チェックサムが合いません"));
    return std::nullopt;
}

} // namespace

RecoveryParse parseRecovery(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    if (std::optional<RecoveryParse> problem = frameProblem(bytes, lines))
        return *std::move(problem);
    qsizetype at = 1; // lines[0] is the header
    // The rest of the next line when it is the given field.
    const auto take = [&](const char* word) -> std::optional<QByteArray> {
        const QByteArray key = QByteArray(word) + ' ';
        if (at == lines.size() || !lines[at].startsWith(key))
            return {};
        return lines[at++].sliced(key.size());
    };
    const auto read = [&](const char* word, auto parse) -> decltype(parse(QByteArray())) {
        const auto field = take(word);
        if (!field)
            return {};
        return parse(*field);
    };
    const auto line = [](const char* word) { return QStringLiteral("%1 の行").arg(QLatin1String(word)); };

    RecoveryRecord record;
    const auto pole = read("pole", unescaped);
    if (!pole)
        return refused(line("pole"));
    const auto poleText = read("poletext", unescaped);
    if (!poleText)
        return refused(line("poletext"));
    const auto day = read("day", dayFrom);
    if (!day)
        return refused(line("day"));
    record.pole = *pole;
    record.poleText = *poleText;
    record.day = *day;
    while (const auto field = take("row")) {
        const auto row = rowFrom(*field);
        if (!row)
            return refused(line("row"));
        record.rows.append(*row);
    }
    if (const auto field = take("pending")) {
        record.pending = pendingFrom(*field);
        if (!record.pending)
            return refused(line("pending"));
    }
    if (at != lines.size())
        return refused(QStringLiteral("%1 行目が余分か順序違いです").arg(at + 1));
    return { record, {} };
}

} // namespace norvel
