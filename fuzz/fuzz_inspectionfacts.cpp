// The inspection facts: readInspectionFacts takes any bytes (a file cut short, edited by hand).
// - every fact it reads is written again as a line that reads back as the same fact;
// - facts made from the input (its text, on one line, in every text field; plate, place and pole type in
//   half width as the dialog keeps them) read back equal.
#include "core/numbers.h"
#include "fuzzcheck.h"
#include "results/inspectionfacts.h"

#include <QStringDecoder>

#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;
using norvel::fuzz::shown;

namespace {

const QDateTime At(QDate(2024, 5, 1), QTime(9, 30));

void checkFactsReadBack(const QByteArray& bytes)
{
    const InspectionFacts read = readInspectionFacts(bytes);
    for (auto it = read.poles.cbegin(); it != read.poles.cend(); ++it) {
        const InspectionFacts again = readInspectionFacts(inspectionFactsHeader() + poleFactsLine(At, it.key(), *it));
        require(again.unreadableLines == 0 && again.poles.size() == 1 && again.pole(it.key()) == *it,
            "pole facts read are written as a line that reads back the same", shown(it.key()));
    }
    for (auto it = read.cracks.cbegin(); it != read.cracks.cend(); ++it) {
        const auto& [pole, row] = it.key();
        const InspectionFacts again = readInspectionFacts(inspectionFactsHeader() + crackFactsLine(At, pole, row, *it));
        require(again.unreadableLines == 0 && again.cracks.size() == 1 && again.crack(pole, row) == *it,
            "crack facts read are written as a line that reads back the same", shown(pole));
    }
}

void checkMadeFacts(const QByteArray& bytes)
{
    // Text as UTF-8 decodes it, on one line as the file keeps it, no longer than a field may be.
    QString text = QString(QStringDecoder(QStringDecoder::Utf8).decode(bytes)).left(MaxFactLength);
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const int n = int(bytes.size());
    const QString identifier = halfWidthIdentifierText(text);
    const PoleFacts pole { identifier, identifier, identifier, text };
    const CrackFacts crack { CrackDirection(n % 4), n % 3 ? std::optional<double>((n % 1001) / 10.0) : std::nullopt,
        text, n % 5 ? std::optional<bool>(n % 2 == 0) : std::nullopt, text };
    const InspectionFacts read = readInspectionFacts(
        inspectionFactsHeader() + poleFactsLine(At, QStringLiteral("7"), pole) + crackFactsLine(At, "7", 1 + n, crack));
    require(read.unreadableLines == 0 && read.pole("7") == pole && read.crack("7", 1 + n) == crack,
        "facts made from the input read back equal", shown(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkFactsReadBack(bytes);
    checkMadeFacts(bytes);
    return 0;
}
