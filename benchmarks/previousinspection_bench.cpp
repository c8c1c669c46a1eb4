// The previous inspection of a pole, looked up as the window and the ledger look it up: a year of survey days
// (NORVEL_PREVIOUS_BENCH_DAYS, default 300) of 50 poles each, every pole with its plate, five cracks with their
// directions and its result file. The target: the index built and a plate looked up in under a second.
// - BM_IndexAYearOfDays: every day's facts file read once into the index.
// - BM_IndexAndLookUpOnePole: the same and one plate looked up, its widths read: what a first lookup costs.
// - BM_LookUpEveryPoleOfADay: with the index kept, the 50 plates of a day's ledger.
#include "ledger/previousinspection.h"
#include "results/inspectionfacts.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace norvel;

namespace {

constexpr int PolesADay = 50;
constexpr int CracksAPole = 5;
const QDate FirstDay(2024, 1, 9);

int days()
{
    bool ok = false;
    const int asked = qEnvironmentVariableIntValue("NORVEL_PREVIOUS_BENCH_DAYS", &ok);
    return ok && asked > 0 ? asked : 300;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Every pole comes back each day under the same plate, as a route's poles are surveyed again.
struct Surveys {
    QTemporaryDir program;
    QDate dayInHand;
    Surveys()
    {
        const QList<CrackDirection> directions { CrackDirection::Transverse, CrackDirection::Longitudinal,
            CrackDirection::Oblique, CrackDirection::Unknown, CrackDirection::Longitudinal };
        for (int d = 0; d < days(); ++d) {
            const QDate day = FirstDay.addDays(d);
            const QString folder = program.filePath(day.toString(QStringLiteral("yyyyMMdd")));
            const QDateTime time(day, QTime(9, 0));
            QByteArray facts = inspectionFactsHeader();
            for (int p = 1; p <= PolesADay; ++p) {
                const QString pole = QString::number(p);
                facts += poleFactsLine(time, pole,
                    { QStringLiteral("幹線%1-%2").arg(d % 7).arg(p), QStringLiteral("本町"), QStringLiteral("RC"),
                        {} });
                QByteArray results;
                for (int r = 1; r <= CracksAPole; ++r) {
                    CrackFacts crack;
                    crack.direction = directions[r - 1];
                    crack.face = QStringLiteral("道路側");
                    facts += crackFactsLine(time, pole, r, crack);
                    results += QByteArray::number(r) + ',' + QByteArray::number(0.05 * r + 0.001 * d, 'f', 2) + "\r\n";
                }
                writeFile(folder + '/' + pole + "/No" + pole + "CP.csv", results);
            }
            writeFile(inspectionFactsPath(folder), facts);
        }
        dayInHand = FirstDay.addDays(days());
    }
};

const Surveys& surveys()
{
    static const Surveys made;
    return made;
}

void BM_IndexAYearOfDays(benchmark::State& state)
{
    const Surveys& made = surveys();
    for (auto _ : state) {
        const PreviousInspections previous(made.program.path());
        benchmark::DoNotOptimize(previous.unreadableFiles());
    }
    state.counters["days"] = days();
}
BENCHMARK(BM_IndexAYearOfDays)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IndexAndLookUpOnePole(benchmark::State& state)
{
    const Surveys& made = surveys();
    for (auto _ : state) {
        const PreviousInspections previous(made.program.path());
        const std::optional<PreviousInspection> found
            = previous.find(QStringLiteral("幹線3-17"), made.dayInHand, JudgementLines {});
        if (!found)
            state.SkipWithError("the plate was not found");
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_IndexAndLookUpOnePole)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LookUpEveryPoleOfADay(benchmark::State& state)
{
    const Surveys& made = surveys();
    const PreviousInspections previous(made.program.path());
    for (auto _ : state) {
        for (int p = 1; p <= PolesADay; ++p) {
            const std::optional<PreviousInspection> found
                = previous.find(QStringLiteral("幹線2-%1").arg(p), made.dayInHand, JudgementLines {});
            benchmark::DoNotOptimize(found);
        }
    }
}
BENCHMARK(BM_LookUpEveryPoleOfADay)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
