#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

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
