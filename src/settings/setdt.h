#pragma once

#include <QByteArray>
#include <QString>

namespace norvel {

// The first field of a settings text: leading blanks skipped, ending at the first comma or line end; a
// field in double quotation marks is taken without them and whole, commas included, with a doubled
// quotation mark read as one.
[[nodiscard]] QString firstField(const QByteArray& fileContent);

// The field that firstField reads back as the same text: quoted, with its quotation marks doubled, only
// when a comma, a quotation mark, a line break or blanks at either end would otherwise change it.
[[nodiscard]] QString fieldText(const QString& value);

} // namespace norvel
