#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The program's own settings file: "[section]" headers and "key=value" lines, UTF-8. Changing one value keeps
// every other line as it stands, so that settings another version or a person wrote are not lost.
namespace norvel {

// The value of key in section (names compared exactly, blanks around them ignored), or nullopt.
[[nodiscard]] std::optional<QString> iniValue(const QByteArray& content, const QString& section, const QString& key);

// The content with key in section set to value: the key's line replaced where it is, else added at the end of
// its section, else the section added at the end. Lines end in CR LF. value must not hold a line break.
[[nodiscard]] QByteArray withIniValue(
    const QByteArray& content, const QString& section, const QString& key, const QString& value);

} // namespace norvel
