#include "core/dayfolder.h"
#include "core/resultfile.h"

#include "testsupport.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

TEST(DayFolder, ResultPathsAreUnderTheDayFolder)
{
    EXPECT_EQ(dayFolderName(QDate(2022, 10, 19)), "20221019");
    EXPECT_EQ(dayFolderName(QDate(2022, 5, 9)), "20220509");
    const QDate day(2022, 5, 19);
    EXPECT_EQ(poleFolderPath("/p", day, "12"), "/p/20220519/12");
    EXPECT_EQ(resultFilePath("/p", day, "12"), "/p/20220519/12/No12CP.csv");
    // Without a pole number the result file lies in the day folder itself.
    EXPECT_EQ(QDir::cleanPath(resultFilePath("/p", day, "")), "/p/20220519/NoCP.csv");
    // The ledger finds the file by the folder's bytes, which need not be UTF-8.
    EXPECT_EQ(resultFileName(QByteArray("\xff"
                                        "7")),
        QByteArray("No\xff"
                   "7CP.csv"));
}

TEST(ResultFile, NumbersTheLinesAndKeepsTheTexts)
{
    EXPECT_EQ(resultFileContent({ "0.35", "0.40" }), "1,0.35\r\n2,0.40\r\n");
    EXPECT_EQ(resultFileContent({}), "");
    EXPECT_EQ(resultFileContent({ "=1+1", "-0.02" }), "1,'=1+1\r\n2,-0.02\r\n");
    EXPECT_EQ(resultFileContent({ "", "abc", "1.5", "０.３" }), QByteArray("1,\r\n2,abc\r\n3,1.5\r\n4,") + "０.３\r\n");
}

struct ResultFileCase {
    const char* name;
    QByteArray content;
    std::optional<QStringList> widths; // as the window reads it back
    QList<int> rows; // as the ledger reads it
    QList<qint64> badLines;
};

class ResultFileTest : public ::testing::TestWithParam<ResultFileCase> { };

// The window brings back exactly what was written and nothing else; the ledger shows every row it can name
// and lists the lines it cannot.
TEST_P(ResultFileTest, WindowReadsStrictlyLedgerLeniently)
{
    const ResultFileCase& c = GetParam();
    EXPECT_EQ(parseResultFile(c.content), c.widths);
    const ResultFileRows read = readResultFileRows(c.content, 2);
    QList<int> rows;
    for (const ResultFileRow& row : read.rows)
        rows << row.row;
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(read.badLines, c.badLines.mid(0, 2));
    EXPECT_EQ(read.badCount, c.badLines.size());
    if (c.widths) {
        for (qsizetype i = 0; i < read.rows.size(); ++i)
            EXPECT_EQ(read.rows[i].width, c.widths->at(i));
    }
}

INSTANTIATE_TEST_SUITE_P(Contents, ResultFileTest,
    ::testing::Values(ResultFileCase { "empty", "", QStringList(), {}, {} },
        ResultFileCase { "asWritten", resultFileContent({ "0.44", "", "0,5", "調査" }),
            QStringList { "0.44", "", "0,5", "調査" }, { 1, 2, 3, 4 }, {} },
        ResultFileCase { "formulasKeptAsText", resultFileContent({ "=1+1", "-0.02", "'@A1" }),
            QStringList { "=1+1", "-0.02", "'@A1" }, { 1, 2, 3 }, {} },
        ResultFileCase { "crOnlyFromASpreadsheet", "1,0.44\r2,0.33\r", QStringList { "0.44", "0.33" }, { 1, 2 }, {} },
        ResultFileCase { "lineFeedsOnly", "1,0.44\n2,0.33\n", QStringList { "0.44", "0.33" }, { 1, 2 }, {} },
        ResultFileCase { "cutShort", "1,0.44\r\n2,0.3", std::nullopt, { 1, 2 }, {} },
        ResultFileCase { "rowMissing", "1,0.44\r\n3,0.33\r\n", std::nullopt, { 1, 3 }, {} },
        ResultFileCase { "noComma", "1 0.44\r\n", std::nullopt, {}, { 1 } },
        ResultFileCase { "leadingZero", "01,0.44\r\n", std::nullopt, { 1 }, {} },
        ResultFileCase { "signAndBlanks", "+1,0.44\r\n 2 ,0.33\r\n", std::nullopt, { 1, 2 }, {} },
        ResultFileCase { "notText", QByteArray("1,\xff\xfe\r\n"), std::nullopt, { 1 }, {} },
        ResultFileCase { "blankLine", "1,0.44\r\n\r\n", std::nullopt, { 1 }, {} },
        ResultFileCase {
            "badLinesListedUpToTheLimit", "0,a\r\nx,b\r\n\r\n-1,c\r\n2,d\r\n", std::nullopt, { 2 }, { 1, 2, 4 } }),
    caseName<ResultFileCase>);

} // namespace
