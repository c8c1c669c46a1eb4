#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The program's own settings file: "[section]" headers and "key=value" lines, UTF-8. Changing one value keeps
// every other line as it stands, so that settings another version or a person wrote are not lost.
namespace norvel {

// One line of an INI text: a section header, a "key=value" line (key and value without the blanks around them;
// the key may be empty when the line starts with "="), or neither (blank, a comment, anything else).
struct IniLine {
    QString text; // without its line end
    std::optional<QString> section;
    std::optional<QString> key;
    QString value;
};

// The lines of a text, CR LF or LF ended; nothing stands for what follows the last line end.
[[nodiscard]] QList<IniLine> iniLines(const QString& text);

// The value of key in section (names compared exactly, blanks around them ignored), or nullopt.
[[nodiscard]] std::optional<QString> iniValue(const QByteArray& content, const QString& section, const QString& key);

// The content with key in section set to value: the key's line replaced where it is, else added at the end of
// its section, else the section added at the end. Lines end in CR LF. value must not hold a line break.
[[nodiscard]] QByteArray withIniValue(
    const QByteArray& content, const QString& section, const QString& key, const QString& value);

} // namespace norvel
