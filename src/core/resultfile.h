#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A pole's result file "No<pole>CP.csv": one line "i,width" ended by CR LF per result, i counted from 1, in the
// system's code page. The width is written as shown, unquoted, kept from a spreadsheet's formulas (spreadsheetSafe).
// Written by the window; read back strictly by the window when a pole is entered again, and leniently by the ledger,
// which shows what it can of a file a person edited.
namespace norvel {

// The most bytes read of a result file: some ten bytes a row, a few hundred rows at the most.
inline constexpr qint64 ResultFileLimitBytes = 1024 * 1024;

[[nodiscard]] QByteArray resultFileContent(const QStringList& widths);

// The widths of a result file as resultFileContent wrote them (LF or a CR alone read as line ends too, as spreadsheet
// programs save them), or nullopt when it is not one: a line without its number and comma, numbers out of order, text
// that is not in the system's code page, more rows than a list can count.
[[nodiscard]] std::optional<QStringList> parseResultFile(const QByteArray& content);

struct ResultFileRow {
    int row = 0; // as the line numbers it, from 1
    QString width; // the text after the first comma, read as UTF-8
};

struct ResultFileRows {
    QList<ResultFileRow> rows; // in file order
    QList<qint64> badLines; // numbers (from 1) of the first listedLimit lines that are not "i,width"
    int badCount = 0;
};

// The rows of a result file however they are numbered: blank lines are left out, a line whose part before its
// first comma is not a whole number from 1 (blanks around it and a sign allowed) is counted as bad.
[[nodiscard]] ResultFileRows readResultFileRows(const QByteArray& content, qsizetype listedLimit);

} // namespace norvel
