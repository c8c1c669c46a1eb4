#include "settings/programsettings.h"

#include "core/numbers.h"
#include "files/durablefile.h"
#include "files/inifile.h"
#include "files/regularfile.h"
#include "settings/ledgersettings.h"

#include <QDir>

#include <algorithm>

namespace norvel {

namespace {
// A few sections of a few keys each.
constexpr qint64 ProgramSettingsLimit = 256 * 1024;
const QString SessionSection = QStringLiteral("session");
const QString FilingSection = QStringLiteral("filing");
const QString KeepOriginalsKey = QStringLiteral("keepOriginals");
const QString JudgementSection = QStringLiteral("judgement");
const QString TransverseKey = QStringLiteral("transverse");
const QString LongitudinalKey = QStringLiteral("longitudinal");
const QString ObliqueKey = QStringLiteral("oblique");
const QString AnalysisSection = QStringLiteral("analysis");
const QString AcrossCrackKey = QStringLiteral("acrossCrack");
const QString DayFormat = QStringLiteral("yyyyMMdd");
} // namespace

QString programSettingsName()
{
    return QStringLiteral("norvel.ini");
}

bool keepsOriginals(const QByteArray& settings)
{
    return iniValue(settings, FilingSection, KeepOriginalsKey) != QStringLiteral("false");
}

ProgramSetting keepOriginalsSetting(bool keep)
{
    return { FilingSection, KeepOriginalsKey, keep ? QStringLiteral("true") : QStringLiteral("false") };
}

double JudgementLines::lineFor(CrackDirection direction) const
{
    switch (direction) {
    case CrackDirection::Transverse:
        return transverse;
    case CrackDirection::Oblique:
        return oblique;
    case CrackDirection::Longitudinal:
        return longitudinal;
    case CrackDirection::Unknown:
        break;
    }
    return std::min({ transverse, longitudinal, oblique });
}

bool hasJudgementLines(const QByteArray& settings)
{
    return iniValue(settings, JudgementSection, TransverseKey) || iniValue(settings, JudgementSection, LongitudinalKey)
        || iniValue(settings, JudgementSection, ObliqueKey);
}

JudgementRead readJudgementLines(const QByteArray& settings, std::optional<double> ledgerLine)
{
    JudgementRead read;
    const auto value = [&settings](const QString& key) { return iniValue(settings, JudgementSection, key); };
    if (!hasJudgementLines(settings)) {
        if (ledgerLine && *ledgerLine >= MinimumJudgementMm && *ledgerLine <= MaximumJudgementMm) {
            read.lines.longitudinal = *ledgerLine;
            read.lines.oblique = *ledgerLine;
            read.fromLedgerLine = true;
        }
        return read;
    }
    const auto take = [&value](const QString& key, double& line) {
        const std::optional<QString> text = value(key);
        const std::optional<double> mm = text ? exactNumber<double>(*text) : std::nullopt;
        if (mm && *mm >= MinimumJudgementMm && *mm <= MaximumJudgementMm)
            line = *mm;
    };
    take(TransverseKey, read.lines.transverse);
    take(LongitudinalKey, read.lines.longitudinal);
    take(ObliqueKey, read.lines.oblique);
    return read;
}

QList<ProgramSetting> judgementSettings(const JudgementLines& lines)
{
    return { { JudgementSection, TransverseKey, fixedText(lines.transverse, 2) },
        { JudgementSection, LongitudinalKey, fixedText(lines.longitudinal, 2) },
        { JudgementSection, ObliqueKey, fixedText(lines.oblique, 2) } };
}

bool measuresAcrossCrack(const QByteArray& settings)
{
    return iniValue(settings, AnalysisSection, AcrossCrackKey) == QStringLiteral("true");
}

ProgramSetting acrossCrackSetting(bool across)
{
    return { AnalysisSection, AcrossCrackKey, across ? QStringLiteral("true") : QStringLiteral("false") };
}

std::optional<QString> sessionPole(const QByteArray& settings, const QDate& today)
{
    const std::optional<QString> pole = iniValue(settings, SessionSection, QStringLiteral("pole"));
    const std::optional<QString> day = iniValue(settings, SessionSection, QStringLiteral("day"));
    if (!pole || !day || *day != today.toString(DayFormat))
        return std::nullopt;
    return pole;
}

QList<ProgramSetting> sessionSettings(const QString& pole, const QDate& today)
{
    return { { SessionSection, QStringLiteral("pole"), pole },
        { SessionSection, QStringLiteral("day"), today.toString(DayFormat) } };
}

ProgramSettingsRead readProgramSettings(const QString& path)
{
    const FileContent file = readRegularFile(path, ProgramSettingsLimit);
    if (file.read() || file.missing())
        return { file.content, {} };
    return { std::nullopt,
        QStringLiteral("設定ファイル「%1」を読めないため、前回の調査柱Noと「原画像を保存」の設定は使いません。\n%2")
            .arg(QDir::toNativeSeparators(path), file.error) };
}

QString writeProgramSettings(const QString& path, const QList<ProgramSetting>& values, const QString& what)
{
    const FileContent old = readRegularFile(path, ProgramSettingsLimit);
    if (!old.read() && !old.missing())
        return QStringLiteral("設定ファイル「%1」を読めないため、%2を残せませんでした。\n%3")
            .arg(QDir::toNativeSeparators(path), what, old.error);
    QByteArray content = old.content;
    for (const ProgramSetting& value : values)
        content = withIniValue(content, value.section, value.key, value.value);
    QString error;
    if (!writeFileNamed(path, content, QStringLiteral("設定ファイル"), &error))
        return error;
    return {};
}

} // namespace norvel
