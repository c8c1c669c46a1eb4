#pragma once

#include <QByteArray>
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

// The fields as one line in UTF-8, ended by CR LF.
[[nodiscard]] QByteArray csvLine(const QStringList& fields);

// The fields of one line, its line end taken off; a quoted field may hold line breaks and, as spreadsheet
// programs read it, a quote in the middle of a field starts a quoted part.
[[nodiscard]] QStringList csvFields(QStringView text);

} // namespace norvel
