#include "form1fixture.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace norvel;

namespace {

// A ledger made from the window where one may already be: what is asked, what is written, what is opened.
struct LedgerCase {
    std::string name;
    bool pdfThere;
    std::optional<bool> replace; // the answer to the question, when one is expected
    std::optional<bool> open; // 開く in the notice; nullopt: no notice
    bool viewerStarts = true;
    bool made = true;
    bool viewerMissingSaid = false;
};

const std::vector<LedgerCase> Cases {
    { "NewAndClosed", false, std::nullopt, false },
    { "NewAndOpened", false, std::nullopt, true },
    { "NoViewer", false, std::nullopt, true, false, true, true },
    { "ReplacedAfterYes", true, true, false },
    { "KeptAfterCancel", true, false, std::nullopt, true, false },
};

class LedgerTest : public Form1Fixture, public ::testing::WithParamInterface<LedgerCase> { };

TEST_P(LedgerTest, AsksBeforeReplacingAndOffersToOpen)
{
    const LedgerCase& row = GetParam();
    const QString day = fake.programFolder.filePath(QStringLiteral("20221019"));
    const QString pdf = day + QStringLiteral("/写真台帳_20221019.pdf");
    const QString csv = day + QStringLiteral("/集計_20221019.csv");
    ASSERT_TRUE(QDir().mkpath(day + QStringLiteral("/3")));
    QFile results(day + QStringLiteral("/3/No3CP.csv"));
    ASSERT_TRUE(results.open(QIODevice::WriteOnly));
    results.write("1,0.25\r\n");
    results.close();
    if (row.pdfThere) {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    if (row.replace)
        fake.okAnswers.push_back(*row.replace);
    if (row.open)
        fake.openAnswers.push_back(*row.open);
    fake.viewerStarts = row.viewerStarts;
    fake.ledgerAnswers.push_back(LedgerRequest { day, 0.35 });

    menuItem(QStringLiteral("Ledger"))->trigger();

    EXPECT_EQ(fake.questions.size(), row.replace ? 1 : 0) << fake.questions.join(u'\n').toStdString();
    if (row.replace && !fake.questions.isEmpty()) {
        EXPECT_TRUE(fake.questions[0].contains(QStringLiteral("写真台帳_20221019.pdf")));
    }
    EXPECT_EQ(contents(pdf).startsWith("%PDF"), row.made);
    EXPECT_EQ(QFile::exists(csv), row.made);
    if (row.pdfThere && !row.made) {
        EXPECT_EQ(contents(pdf), "old");
    }
    EXPECT_EQ(fake.notices.size(), row.open ? 1 : 0);
    EXPECT_EQ(fake.opened, row.open.value_or(false) ? QStringList { pdf } : QStringList {});
    EXPECT_EQ(fake.errors.size(), row.viewerMissingSaid ? 1 : 0) << fake.errors.join(u'\n').toStdString();
    // Cancelled, the line typed in the dialog is not kept either.
    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_EQ(fake.ledgerOffers.back().judgementMm, row.made ? 0.35 : 0.20);
}

INSTANTIATE_TEST_SUITE_P(Rows, LedgerTest, testing::ValuesIn(Cases), caseName<LedgerCase>);

} // namespace
