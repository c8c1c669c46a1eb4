#pragma once

#include "settings/programsettings.h"

#include <QByteArray>
#include <QString>

// The photo ledger's own settings file in the program folder, "ledger.ini": the judgement line.
namespace norvel {

inline const QString LedgerSettingsFileName = QStringLiteral("ledger.ini");
// A settings file of a few lines; a larger one (or not a regular file) is not read.
inline constexpr qint64 LedgerSettingsFileLimitBytes = 64 * 1024;

constexpr double DefaultJudgementMm = 0.20;
constexpr double MinimumJudgementMm = 0.01;
constexpr double MaximumJudgementMm = 10.00;

struct LedgerSettings {
    double judgementMm = DefaultJudgementMm;
};

// "[ledger]\r\njudgementMm=0.20\r\n"
[[nodiscard]] QByteArray ledgerSettingsContent(const LedgerSettings& settings);

// The settings in a file's content; the defaults and a reason in error when the content is not such a file,
// or its judgement line (named by its line number) is not a number or outside
// MinimumJudgementMm..MaximumJudgementMm.
[[nodiscard]] LedgerSettings parseLedgerSettings(const QByteArray& content, QString* error);

// The program folder's settings: the defaults without a file, and also, with a message naming the file in
// error, when the file cannot be read (not a regular file, over LedgerSettingsFileLimitBytes) or is damaged.
[[nodiscard]] LedgerSettings readLedgerSettings(const QString& programFolder, QString* error);

// Replaces the file whole; false, with a message naming the file in error, when it could not be written.
[[nodiscard]] bool writeLedgerSettings(const QString& programFolder, const LedgerSettings& settings, QString* error);

// The judgement lines in force: norvel.ini's [judgement] (its content given), or ledger.ini's single line while
// norvel.ini names none; then fromLedgerLine tells a caller that keeps norvel.ini to take the line over. A ledger.ini
// that cannot be read leaves the defaults, with its problem in error.
[[nodiscard]] JudgementRead judgementLinesInForce(
    const QString& programFolder, const QByteArray& programSettings, QString* error);

} // namespace norvel
