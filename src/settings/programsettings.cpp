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

struct LineKey {
    const QString& key;
    double JudgementLines::*mm;
};
const LineKey LineKeys[] = { { TransverseKey, &JudgementLines::transverse },
    { LongitudinalKey, &JudgementLines::longitudinal }, { ObliqueKey, &JudgementLines::oblique } };

QString switchText(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

SwitchRead readSwitch(const QByteArray& settings, const QString& section, const QString& key, bool byDefault)
{
    const std::optional<QString> text = iniValue(settings, section, key);
    if (!text)
        return { byDefault, std::nullopt };
    // Full-width letters and digits as an input method types them.
    const QString word = text->normalized(QString::NormalizationForm_KC).trimmed().toLower();
    static const QStringList onWords { QStringLiteral("1"), QStringLiteral("yes"), QStringLiteral("on"),
        QStringLiteral("true") };
    static const QStringList offWords { QStringLiteral("0"), QStringLiteral("no"), QStringLiteral("off"),
        QStringLiteral("false") };
    if (onWords.contains(word))
        return { true, std::nullopt };
    if (offWords.contains(word))
        return { false, std::nullopt };
    return { byDefault,
        UnusableSetting { section, key, *text, QStringLiteral("true / false（1・0、yes・no、on・off も可）"),
            switchText(byDefault) } };
}
} // namespace

QString shownSettingText(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("（空）");
    return text.size() > 40 ? text.left(40) + QChar(0x2026) : text;
}

QString unusableReason(const UnusableSetting& setting)
{
    return QStringLiteral("%1 の [%2] %3=%4 は使えない値です（使えるのは %5）。")
        .arg(programSettingsName(), setting.section, setting.key, shownSettingText(setting.text), setting.usable);
}

QString unusableNotice(const QList<UnusableSetting>& settings)
{
    QStringList lines;
    for (const UnusableSetting& setting : settings)
        lines << QStringLiteral("%1 の [%2] %3=%4 は使えない値のため、既定値 %5 を使います（使えるのは %6）。")
                     .arg(programSettingsName(), setting.section, setting.key, shownSettingText(setting.text),
                         setting.used, setting.usable);
    return lines.join(u'\n');
}

QString programSettingsName()
{
    return QStringLiteral("norvel.ini");
}

SwitchRead keepsOriginals(const QByteArray& settings)
{
    return readSwitch(settings, FilingSection, KeepOriginalsKey, true);
}

ProgramSetting keepOriginalsSetting(bool keep)
{
    return { FilingSection, KeepOriginalsKey, switchText(keep) };
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
    for (const LineKey& line : LineKeys) {
        const std::optional<QString> text = value(line.key);
        if (!text)
            continue;
        // As the window's number boxes take them: "０．３０" is 0.30.
        const std::optional<double> mm = exactNumber<double>(halfWidthNumberText(*text).trimmed());
        if (mm && *mm >= MinimumJudgementMm && *mm <= MaximumJudgementMm)
            read.lines.*line.mm = *mm;
        else
            read.unusable.append({ JudgementSection, line.key, *text,
                QStringLiteral("%1〜%2 の数").arg(fixedText(MinimumJudgementMm, 2), fixedText(MaximumJudgementMm, 2)),
                fixedText(read.lines.*line.mm, 2) + QStringLiteral(" mm") });
    }
    return read;
}

QList<UnusableSetting> replacedLinesInForce(const JudgementRead& read, const JudgementLines& chosen)
{
    QList<UnusableSetting> replaced;
    for (const UnusableSetting& setting : read.unusable) {
        for (const LineKey& line : LineKeys) {
            if (line.key == setting.key && chosen.*line.mm == read.lines.*line.mm)
                replaced.append(setting);
        }
    }
    return replaced;
}

QList<ProgramSetting> judgementSettings(const JudgementLines& lines)
{
    return { { JudgementSection, TransverseKey, fixedText(lines.transverse, 2) },
        { JudgementSection, LongitudinalKey, fixedText(lines.longitudinal, 2) },
        { JudgementSection, ObliqueKey, fixedText(lines.oblique, 2) } };
}

SwitchRead measuresAcrossCrack(const QByteArray& settings)
{
    return readSwitch(settings, AnalysisSection, AcrossCrackKey, true);
}

ProgramSetting acrossCrackSetting(bool across)
{
    return { AnalysisSection, AcrossCrackKey, switchText(across) };
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
        return { file.content, {}, {} };
    return { std::nullopt,
        QStringLiteral("設定ファイル「%1」を読めないため、前回の調査柱Noと「原画像を保存」の設定は使いません。\n%2")
            .arg(QDir::toNativeSeparators(path), file.error),
        file.error };
}

QList<ProgramSetting> settingsToWrite(
    const QList<ProgramSetting>& offered, const QList<ProgramSetting>& chosen, const QList<UnusableSetting>& unusable)
{
    QList<ProgramSetting> kept;
    for (qsizetype i = 0; i < chosen.size(); ++i) {
        const ProgramSetting& value = chosen[i];
        const bool typed = std::any_of(unusable.begin(), unusable.end(), [&value](const UnusableSetting& setting) {
            return setting.section == value.section && setting.key == value.key;
        });
        if (!typed || i >= offered.size() || offered[i].value != value.value)
            kept.append(value);
    }
    return kept;
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
