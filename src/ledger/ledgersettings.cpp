#include "ledger/ledgersettings.h"

#include "platform/durablefile.h"
#include "platform/numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <optional>

namespace norvel {

namespace {

const QString Section = QStringLiteral("[ledger]");
const QString JudgementKey = QStringLiteral("judgementMm");

std::optional<double> judgementIn(const QString& text)
{
    bool inSection = false;
    std::optional<double> judgement;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inSection = line.compare(Section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inSection || equals < 0 || line.left(equals).trimmed() != JudgementKey)
            continue;
        bool ok = false;
        const double value = line.mid(equals + 1).trimmed().toDouble(&ok);
        judgement = ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
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
    const std::optional<double> judgement = judgementIn(QString::fromUtf8(content));
    // The spin box's range; what it cannot show was not written by the program.
    if (judgement && *judgement >= MinimumJudgementMm && *judgement <= MaximumJudgementMm)
        return { *judgement };
    if (error)
        *error = judgement ? QStringLiteral("判定線 %1mm は範囲外です").arg(fixedText(*judgement, 2))
                           : QStringLiteral("判定線 (judgementMm) がありません");
    return {};
}

LedgerSettings readLedgerSettings(const QString& programFolder, QString* error)
{
    const QString path = settingsPath(programFolder);
    if (!QFileInfo::exists(path))
        return {};
    QFile file(path);
    QString reason;
    LedgerSettings settings;
    if (file.open(QIODevice::ReadOnly))
        settings = parseLedgerSettings(file.readAll(), &reason);
    else
        reason = file.errorString();
    if (!reason.isEmpty() && error)
        *error = QStringLiteral("写真台帳の設定ファイル「%1」を読めません（%2）。判定線は %3mm にします。")
                     .arg(QDir::toNativeSeparators(path), reason, fixedText(DefaultJudgementMm, 2));
    return settings;
}

bool writeLedgerSettings(const QString& programFolder, const LedgerSettings& settings, QString* error)
{
    const QString path = settingsPath(programFolder);
    QString reason;
    if (writeFileDurably(path, ledgerSettingsContent(settings), &reason))
        return true;
    if (error)
        *error = QStringLiteral("写真台帳の設定ファイル「%1」を書き込めませんでした。\n%2")
                     .arg(QDir::toNativeSeparators(path), reason);
    return false;
}

} // namespace norvel
