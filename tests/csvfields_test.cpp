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

// A quote inside an unquoted field starts a quoted part, as spreadsheet programs read it.
TEST(CsvFields, QuoteInsideAFieldQuotesWhatFollows)
{
    EXPECT_EQ(csvFields(u"a\"b,c\"d,e"), QStringList({ "ab,cd", "e" }));
    EXPECT_EQ(csvFields(u""), QStringList({ "" }));
    EXPECT_EQ(quotedCsvField("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(quotedCsvField(""), "\"\"");
}

} // namespace
