#include "ledger/ledgerdialog.h"
#include "results/measurementrecord.h"

#include "testsupport.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

TEST(LedgerDialog, BrowsingFillsTheFolderAndCancellingKeepsIt)
{
    std::optional<QString> answer = QStringLiteral("/p/20221019");
    LedgerDialog dialog([&answer] { return answer; });
    auto* folder = dialog.findChild<QLineEdit*>("dayFolder");
    auto* ok = dialog.findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());

    dialog.findChild<QPushButton*>("browse")->click();
    EXPECT_EQ(dialog.dayFolder(), "/p/20221019");
    EXPECT_TRUE(ok->isEnabled());
    answer.reset();
    dialog.findChild<QPushButton*>("browse")->click();
    EXPECT_EQ(folder->text(), "/p/20221019");
}

TEST(LedgerDialog, MakesTheLedgerAndTheSummaryInTheDayFolder)
{
    QTemporaryDir program;
    const QString day = program.filePath("20221019");
    QDir().mkpath(day + "/3");
    QFile results(day + "/3/No3CP.csv");
    ASSERT_TRUE(results.open(QIODevice::WriteOnly));
    results.write("1,0.25\r\n");
    results.close();

    QString pdf;
    QString error;
    ASSERT_TRUE(makeLedger(nullptr, day, {}, std::nullopt, 0.2, &pdf, &error)) << error.toStdString();
    EXPECT_EQ(pdf, day + "/写真台帳_20221019.pdf");
    QFile ledger(pdf);
    ASSERT_TRUE(ledger.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ledger.read(5) == "%PDF-");
    QFile summary(day + "/集計_20221019.csv");
    ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
    EXPECT_TRUE(summary.readAll().endsWith("\r\n3,1,0.25,0.25,要注意\r\n"));
}

} // namespace
