#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include "core/crackdirection.h"

#include <optional>

// The program's own settings file, norvel.ini in the program folder: the pole in force at the last shut-down
// and its day, whether the camera's originals are kept and whether cracks are measured across. Messages are whole
// sentences for the window to say.
namespace norvel {

[[nodiscard]] QString programSettingsName();

struct ProgramSetting {
    QString section;
    QString key;
    QString value;
};

// Only a plain "false" turns the originals off: keeping them loses nothing.
[[nodiscard]] bool keepsOriginals(const QByteArray& settings);
[[nodiscard]] ProgramSetting keepOriginalsSetting(bool keep);

// The judgement lines by the crack's direction, in mm: a row at or above its line is "要注意". A row whose
// direction is not known is held to the strictest line: it may well be the crack that line is for.
struct JudgementLines {
    double transverse = 0.05; // 横: the pole standard's limit for a crack left after the test load
    double longitudinal = 0.20; // 縦: the general recording limit
    double oblique = 0.20; // 斜め
    [[nodiscard]] double lineFor(CrackDirection direction) const;
    friend bool operator==(const JudgementLines&, const JudgementLines&) = default;
};

// The lines in norvel.ini's [judgement]. Where it has none yet, the single line of the ledger's own settings
// file, when given, becomes the longitudinal and oblique lines, and fromLedgerLine says they should be written
// to norvel.ini once, after which that file's line is left alone. A value that is not a number within the
// ledger's judgement range keeps its default.
struct JudgementRead {
    JudgementLines lines;
    bool fromLedgerLine = false;
};
[[nodiscard]] JudgementRead readJudgementLines(const QByteArray& settings, std::optional<double> ledgerLine);
// Whether [judgement] names a line of its own: then the ledger's settings file need not be read.
[[nodiscard]] bool hasJudgementLines(const QByteArray& settings);
[[nodiscard]] QList<ProgramSetting> judgementSettings(const JudgementLines& lines);

// Only a plain "true" measures across the crack: off, the analysis is the one every earlier width was made by.
[[nodiscard]] bool measuresAcrossCrack(const QByteArray& settings);
[[nodiscard]] ProgramSetting acrossCrackSetting(bool across);

// The pole saved at the last shut-down when that was on today, unchecked: the caller decides if it is usable.
[[nodiscard]] std::optional<QString> sessionPole(const QByteArray& settings, const QDate& today);
[[nodiscard]] QList<ProgramSetting> sessionSettings(const QString& pole, const QDate& today);

struct ProgramSettingsRead {
    std::optional<QByteArray> content; // empty when there is no file yet
    QString problem; // when content is nullopt
};
[[nodiscard]] ProgramSettingsRead readProgramSettings(const QString& path);

// Sets the values in the file, keeping every other line, through the durable writer. A file that cannot be
// read is not written over: it may hold more than these values. Returns the problem naming what (the values'
// description) was not kept, or an empty string.
[[nodiscard]] QString writeProgramSettings(
    const QString& path, const QList<ProgramSetting>& values, const QString& what);

} // namespace norvel
