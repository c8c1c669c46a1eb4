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

// A value typed in norvel.ini that the program cannot use: where it stands, its text as typed, what it could be,
// and the default the program goes on with in its place.
struct UnusableSetting {
    QString section;
    QString key;
    QString text;
    QString usable; // "0.01〜10.00 の数"
    QString used; // "0.05 mm"
    friend bool operator==(const UnusableSetting&, const UnusableSetting&) = default;
};
// "norvel.ini の [judgement] transverse=0.50mm は使えない値です（…）": why a run that cannot go on by a default stops.
[[nodiscard]] QString unusableReason(const UnusableSetting& setting);
// The same, said once by the window, naming the default it goes on with.
[[nodiscard]] QString unusableNotice(const QList<UnusableSetting>& settings);
// The value as a message shows it: shortened, and "（空）" for nothing.
[[nodiscard]] QString shownSettingText(const QString& text);

// A switch: 1/yes/on/true and 0/no/off/false in any case, full width too. Anything else keeps its default and is
// said, since a switch read wrong changes what every shot gets.
struct SwitchRead {
    bool on = false;
    std::optional<UnusableSetting> unusable;
};

// Kept unless the file says otherwise: keeping them loses nothing.
[[nodiscard]] SwitchRead keepsOriginals(const QByteArray& settings);
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
// to norvel.ini once, after which that file's line is left alone. A value is read with full-width digits as
// half-width; one that is not then a number within the ledger's judgement range keeps its default and is in
// unusable. The three lines are for different cracks, so any three usable lines agree with one another.
struct JudgementRead {
    JudgementLines lines;
    bool fromLedgerLine = false;
    QList<UnusableSetting> unusable;
};
[[nodiscard]] JudgementRead readJudgementLines(const QByteArray& settings, std::optional<double> ledgerLine);
// Whether [judgement] names a line of its own: then the ledger's settings file need not be read.
[[nodiscard]] bool hasJudgementLines(const QByteArray& settings);
[[nodiscard]] QList<ProgramSetting> judgementSettings(const JudgementLines& lines);
// Those of read's unusable lines whose default is still the line in chosen (the user did not set another).
[[nodiscard]] QList<UnusableSetting> replacedLinesInForce(const JudgementRead& read, const JudgementLines& chosen);

// On unless the file says otherwise: the width across the crack is the right one for a crack at any angle; off, the
// analysis is the one every earlier width was made by.
[[nodiscard]] SwitchRead measuresAcrossCrack(const QByteArray& settings);
[[nodiscard]] ProgramSetting acrossCrackSetting(bool across);

// The pole saved at the last shut-down when that was on today, unchecked: the caller decides if it is usable.
[[nodiscard]] std::optional<QString> sessionPole(const QByteArray& settings, const QDate& today);
[[nodiscard]] QList<ProgramSetting> sessionSettings(const QString& pole, const QDate& today);

struct ProgramSettingsRead {
    std::optional<QByteArray> content; // empty when there is no file yet
    QString problem; // when content is nullopt: the window's sentence
    QString reason; // when content is nullopt: the system's reason alone
};
[[nodiscard]] ProgramSettingsRead readProgramSettings(const QString& path);

// chosen, less each unusable setting whose value the user left as offered (both lists of the same settings): the
// default that stood in for it is not written over the text the user typed.
[[nodiscard]] QList<ProgramSetting> settingsToWrite(
    const QList<ProgramSetting>& offered, const QList<ProgramSetting>& chosen, const QList<UnusableSetting>& unusable);

// Sets the values in the file, keeping every other line, through the durable writer. A file that cannot be
// read is not written over: it may hold more than these values. Returns the problem naming what (the values'
// description) was not kept, or an empty string.
[[nodiscard]] QString writeProgramSettings(
    const QString& path, const QList<ProgramSetting>& values, const QString& what);

} // namespace norvel
