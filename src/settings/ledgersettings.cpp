#include "settings/ledgersettings.h"

#include "core/numbers.h"
#include "files/durablefile.h"
#include "files/folderlisting.h"
#include "files/inifile.h"
#include "files/regularfile.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <optional>

namespace norvel {

namespace {

const QString Section = QStringLiteral("[ledger]");
const QString JudgementKey = QStringLiteral("judgementMm");

// The last judgementMm line of the [ledger] section: its number from 1, its value text and the value when
// that is a finite number.
struct JudgementLine {
    int line = 0; // 0: none
    QString text;
    std::optional<double> value;
};

JudgementLine judgementIn(const QString& text)
{
    bool inSection = false;
    JudgementLine judgement;
    const QList<IniLine> lines = iniLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const IniLine& line = lines[i];
        const QString trimmed = line.text.trimmed();
        // Any line opening with "[" ends the section; only "[ledger]" as such, in any case, starts it.
        if (trimmed.startsWith(u'[')) {
            inSection = trimmed.compare(Section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection || !line.key || *line.key != JudgementKey)
            continue;
        judgement.line = static_cast<int>(i + 1);
        judgement.text = line.value;
        // Not exactNumber: a judgement line typed by hand as "+0.5" has always counted.
        bool ok = false;
        const double value = judgement.text.toDouble(&ok);
        judgement.value = ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
    }
    return judgement;
}

QString settingsPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(LedgerSettingsFileName);
}

} // namespace

QByteArray ledgerSettingsContent(const LedgerSettings& settings)
{
    return (Section + QStringLiteral("\r\n") + JudgementKey + u'=' + fixedText(settings.judgementMm, 2)
        + QStringLiteral("\r\n"))
        .toUtf8();
}

LedgerSettings parseLedgerSettings(const QByteArray& content, QString* error)
{
    const JudgementLine judgement = judgementIn(QString::fromUtf8(content));
    // The spin box's range; what it cannot show was not written by the program.
    if (judgement.value && *judgement.value >= MinimumJudgementMm && *judgement.value <= MaximumJudgementMm)
        return { *judgement.value };
    if (error) {
        const QString text = judgement.text.size() > 40 ? judgement.text.left(40) + QChar(0x2026) : judgement.text;
        if (judgement.line == 0)
            *error = QStringLiteral("判定線 (judgementMm) がありません");
        else if (!judgement.value)
            *error = QStringLiteral("%1 行目の判定線 (judgementMm) の値「%2」を数として読めません")
                         .arg(judgement.line)
                         .arg(text);
        else
            *error = QStringLiteral("%1 行目の判定線 %2mm は範囲外です（%3〜%4mm）")
                         .arg(judgement.line)
                         .arg(text, fixedText(MinimumJudgementMm, 2), fixedText(MaximumJudgementMm, 2));
    }
    return {};
}

LedgerSettings readLedgerSettings(const QString& programFolder, QString* error)
{
    const QString path = settingsPath(programFolder);
    const FileContent file = readRegularFile(path, LedgerSettingsFileLimitBytes);
    if (file.missing())
        return {};
    QString reason;
    LedgerSettings settings;
    if (file.read())
        settings = parseLedgerSettings(file.content, &reason);
    else
        reason = file.error;
    if (!reason.isEmpty() && error)
        *error = QStringLiteral("写真台帳の設定ファイル「%1」を読めません（%2）。判定線は %3mm にします。")
                     .arg(QDir::toNativeSeparators(path), reason, fixedText(DefaultJudgementMm, 2));
    return settings;
}

bool writeLedgerSettings(const QString& programFolder, const LedgerSettings& settings, QString* error)
{
    return writeFileNamed(
        settingsPath(programFolder), ledgerSettingsContent(settings), QStringLiteral("写真台帳の設定ファイル"), error);
}

JudgementRead judgementLinesInForce(const QString& programFolder, const QByteArray& programSettings, QString* error)
{
    error->clear();
    std::optional<double> ledgerLine;
    // Once norvel.ini has lines, ledger.ini is history: not even read, so a damaged one says nothing.
    if (!hasJudgementLines(programSettings)
        && followedPathType(QFile::encodeName(settingsPath(programFolder))).error == 0) {
        const LedgerSettings settings = readLedgerSettings(programFolder, error);
        if (error->isEmpty())
            ledgerLine = settings.judgementMm;
    }
    return readJudgementLines(programSettings, ledgerLine);
}

} // namespace norvel
