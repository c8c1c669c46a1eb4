#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// The CSV form of every table the program writes (the measurement record, the day's summary) and of the
// record it reads back: fields split by commas, a field quoted when it must be.
namespace norvel {

// A field as spreadsheet programs read it: quoted, with its quotes doubled, when it holds a comma, a quote
// or a line break.
[[nodiscard]] QString csvField(const QString& field);
// The field in quotes, its quotes doubled, whatever it holds.
[[nodiscard]] QString quotedCsvField(const QString& field);

// A text a person typed or another program gave, as a cell a spreadsheet shows as that text rather than working out
// a formula: a text beginning with "=", "+", "-", "@", a tab or a carriage return gets a leading "'" (which a
// spreadsheet does not show), as does one of leading "'"s before such a text, so that reading it back is exact. A plain
// decimal number ("-5", "+0.02") is left as it is: a spreadsheet reads it as that number, and runs nothing.
[[nodiscard]] QString spreadsheetSafe(const QString& text);
// The text spreadsheetSafe was given, from the cell it wrote.
[[nodiscard]] QString fromSpreadsheetSafe(const QString& cell);

// The fields as one line in UTF-8, ended by CR LF.
[[nodiscard]] QByteArray csvLine(const QStringList& fields);

// The fields of one line, its line end taken off; a quoted field may hold line breaks and, as spreadsheet
// programs read it, a quote in the middle of a field starts a quoted part.
[[nodiscard]] QStringList csvFields(QStringView text);

// The lines of a CSV file's bytes (UTF-8 or Shift_JIS, whose second bytes never fall below 0x40), each without its
// line end, split as QByteArray::split splits: the last is what follows the last line end. A line ends at LF, CR LF or
// a CR alone, as spreadsheet programs save them; a CR inside a quoted field is part of it, unless the quote is still
// open at the end of the file, where it can only be stray. A quoted field never holds a line feed here.
[[nodiscard]] QList<QByteArray> csvByteLines(QByteArrayView content);

} // namespace norvel
