#include "form1fixture.h"
#include "ledger/ledgerday.h"
#include "results/inspectionfacts.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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
    LedgerForm form = LedgerForm::ThreePerPage; // the three-a-page ledger is the one already there
};

const std::vector<LedgerCase> Cases {
    { "NewAndClosed", false, std::nullopt, false },
    { "NewAndOpened", false, std::nullopt, true },
    { "NoViewer", false, std::nullopt, true, false, true, true },
    { "ReplacedAfterYes", true, true, false },
    { "KeptAfterCancel", true, false, std::nullopt, true, false },
    { "SixBesideTheThreeUnasked", true, std::nullopt, false, true, true, false, LedgerForm::SixPerPage },
};

class LedgerTest : public Form1Fixture, public ::testing::WithParamInterface<LedgerCase> { };

TEST_P(LedgerTest, AsksBeforeReplacingAndOffersToOpen)
{
    const LedgerCase& row = GetParam();
    const QString day = fake.programFolder.filePath(QStringLiteral("20221019"));
    const QString three = day + QStringLiteral("/写真台帳_20221019.pdf");
    const QString pdf = day + u'/' + ledgerPdfFileName(QStringLiteral("20221019"), row.form);
    const QString csv = day + QStringLiteral("/集計_20221019.csv");
    ASSERT_TRUE(QDir().mkpath(day + QStringLiteral("/3")));
    QFile results(day + QStringLiteral("/3/No3CP.csv"));
    ASSERT_TRUE(results.open(QIODevice::WriteOnly));
    results.write("1,0.25\r\n");
    results.close();
    if (row.pdfThere) {
        QFile old(three);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    if (row.replace)
        fake.okAnswers.push_back(*row.replace);
    if (row.open)
        fake.openAnswers.push_back(*row.open);
    fake.viewerStarts = row.viewerStarts;
    LedgerChoices choices;
    choices.form = row.form;
    fake.ledgerAnswers.push_back(LedgerRequest { day, { 0.05, 0.35, 0.35 }, choices });

    menuItem(QStringLiteral("Ledger"))->trigger();

    EXPECT_EQ(fake.questions.size(), row.replace ? 1 : 0) << fake.questions.join(u'\n').toStdString();
    if (row.replace && !fake.questions.isEmpty()) {
        EXPECT_TRUE(fake.questions[0].contains(QStringLiteral("写真台帳_20221019.pdf")));
    }
    EXPECT_EQ(contents(pdf).startsWith("%PDF"), row.made);
    EXPECT_EQ(QFile::exists(csv), row.made);
    if (row.pdfThere && (!row.made || pdf != three)) {
        EXPECT_EQ(contents(three), "old");
    }
    EXPECT_EQ(fake.notices.size(), row.open ? 1 : 0);
    EXPECT_EQ(fake.opened, row.open.value_or(false) ? QStringList { pdf } : QStringList {});
    EXPECT_EQ(fake.errors.size(), row.viewerMissingSaid ? 1 : 0) << fake.errors.join(u'\n').toStdString();
    // Cancelled, the line typed in the dialog is not kept either.
    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_EQ(fake.ledgerOffers.back().lines.longitudinal, row.made ? 0.35 : 0.20);
}

INSTANTIATE_TEST_SUITE_P(Rows, LedgerTest, testing::ValuesIn(Cases), caseName<LedgerCase>);

// A day of pole 3, plate P-9, with a 0.25 mm crack.
QString writeDay(const QTemporaryDir& program, const QDateTime& now)
{
    const QString day = program.filePath(QStringLiteral("20221019"));
    EXPECT_TRUE(writeWholeFile(day + QStringLiteral("/3/No3CP.csv"), "1,0.25\r\n"));
    EXPECT_TRUE(writeWholeFile(
        inspectionFactsPath(day), inspectionFactsHeader() + poleFactsLine(now, "3", { "P-9", "", "", "" })));
    return day;
}

const SurveyHeader Header { "国道8号 電柱調査", "山田 太郎", "北陸電柱", "曇り", "KM-100", "北陸電力", "R4-77" };
const QByteArray HeaderIni = "title=国道8号 電柱調査\r\ninspector=山田 太郎\r\ncompany=北陸電柱\r\nweather=曇り\r\n"
                             "equipment=KM-100\r\nclient=北陸電力\r\ncontract=R4-77\r\n";

// The dialog offers norvel.ini's lines and choices, and what is changed there is written back to it; a settings
// file that cannot be written is said, and the ledger is made all the same.
struct KeptCase {
    std::string name;
    std::optional<QByteArray> before; // norvel.ini; nullopt: none; "dir": a folder in its place
    JudgementLines offeredLines;
    LedgerChoices offered;
    JudgementLines chosenLines;
    LedgerChoices chosen;
    std::optional<QByteArray> after; // nullopt: no file
    QString said; // part of the last error; empty: none
};

const std::vector<KeptCase> KeptCases {
    { "NothingKeptNothingChanged", std::nullopt, {}, {}, {}, {}, std::nullopt, {} },
    { "OfferedFromNorvelIniAndLeftAlone",
        "[judgement]\r\ntransverse=0.10\r\nlongitudinal=0.30\r\noblique=0.40\r\n[survey]\r\n" + HeaderIni
            + "form=6\r\npast=\r\n",
        { 0.10, 0.30, 0.40 }, { Header, LedgerForm::SixPerPage, "" }, { 0.10, 0.30, 0.40 },
        { Header, LedgerForm::SixPerPage, "" },
        "[judgement]\r\ntransverse=0.10\r\nlongitudinal=0.30\r\noblique=0.40\r\n[survey]\r\n" + HeaderIni
            + "form=6\r\npast=\r\n",
        {} },
    { "LinesAndChoicesWrittenBack", "[session]\r\npole=7\r\n", {}, {}, { 0.10, 0.25, 0.30 },
        { Header, LedgerForm::SixPerPage, "" },
        "[session]\r\npole=7\r\n\r\n[judgement]\r\ntransverse=0.10\r\nlongitudinal=0.25\r\noblique=0.30\r\n\r\n"
        "[survey]\r\n"
            + HeaderIni + "form=6\r\npast=\r\n",
        {} },
    { "OnlyTheChoicesWrittenBack", std::nullopt, {}, {}, {},
        { { "国道8号", "", "", "", "", "", "" }, LedgerForm::ThreePerPage, "" },
        "[survey]\r\ntitle=国道8号\r\ninspector=\r\ncompany=\r\nweather=\r\nequipment=\r\nclient=\r\ncontract=\r\n"
        "form=3\r\npast=\r\n",
        {} },
    { "UnwritableSaidAndLedgerMade", "dir", {}, {}, { 0.10, 0.25, 0.30 }, {}, std::nullopt,
        "判定線を残せませんでした" },
    { "UnusableLineSaidAndLeftAsTyped", "[judgement]\r\ntransverse=0.10\r\nlongitudinal=0.50mm\r\n",
        { 0.10, 0.20, 0.20 }, {}, { 0.15, 0.20, 0.20 }, {},
        "[judgement]\r\ntransverse=0.15\r\nlongitudinal=0.50mm\r\noblique=0.20\r\n",
        "longitudinal=0.50mm は使えない値のため、既定値 0.20 mm" },
};

class LedgerKeptTest : public Form1Fixture, public ::testing::WithParamInterface<KeptCase> { };

TEST_P(LedgerKeptTest, OffersNorvelIniAndWritesBackWhatChanged)
{
    const KeptCase& row = GetParam();
    const QString ini = fake.programFolder.filePath(QStringLiteral("norvel.ini"));
    if (row.before == "dir") {
        ASSERT_TRUE(QDir().mkpath(ini));
    } else if (row.before) {
        ASSERT_TRUE(writeWholeFile(ini, *row.before));
    }
    const QString day = writeDay(fake.programFolder, fake.clockNow);
    fake.errors.clear();
    fake.ledgerAnswers.push_back(LedgerRequest { day, row.chosenLines, row.chosen });

    menuItem(QStringLiteral("Ledger"))->trigger();

    ASSERT_EQ(fake.ledgerOffers.size(), 1u);
    EXPECT_EQ(fake.ledgerOffers[0].lines, row.offeredLines);
    EXPECT_TRUE(fake.ledgerOffers[0].choices == row.offered);
    EXPECT_TRUE(
        contents(day + u'/' + ledgerPdfFileName(QStringLiteral("20221019"), row.chosen.form)).startsWith("%PDF"));
    if (row.said.isEmpty()) {
        EXPECT_TRUE(fake.errors.isEmpty()) << fake.errors.join(u'\n').toStdString();
    } else {
        EXPECT_TRUE(!fake.errors.isEmpty() && fake.errors.last().contains(row.said))
            << fake.errors.join(u'\n').toStdString();
    }
    if (row.before != "dir") {
        EXPECT_EQ(QFileInfo::exists(ini) ? contents(ini).toStdString() : "(none)",
            row.after ? row.after->toStdString() : "(none)");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, LedgerKeptTest, testing::ValuesIn(KeptCases), caseName<KeptCase>);

// The day's own header is offered over norvel.ini's; the one confirmed is kept for the day and proposed next.
TEST_F(Form1Fixture, LedgerOffersAndKeepsTheDaysHeader)
{
    const QString day = writeDay(fake.programFolder, fake.clockNow);
    ASSERT_TRUE(writeWholeFile(dayHeaderPath(day), "[header]\r\ntitle=その日\r\n"));
    ASSERT_TRUE(writeWholeFile(fake.programFolder.filePath("norvel.ini"), "[survey]\r\ntitle=前回\r\n"));
    fake.ledgerAnswers.push_back(LedgerRequest { day, {}, { Header, LedgerForm::ThreePerPage, "" } });
    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_TRUE(fake.ledgerOffers.size() == 1 && fake.ledgerOffers[0].choices.header.title == "その日");
    EXPECT_TRUE(readDayHeader(day, {}).header == Header);
    EXPECT_TRUE(ledgerChoices(contents(fake.programFolder.filePath("norvel.ini"))).header == Header);
}

// The plate's earlier inspection is found in the past surveys' folder chosen, and only there.
struct PastCase {
    std::string name;
    bool pastChosen;
    bool previousFound;
};

class LedgerPastTest : public Form1Fixture, public ::testing::WithParamInterface<PastCase> { };

TEST_P(LedgerPastTest, ThePastFolderChosenGivesThePreviousInspection)
{
    const PastCase& row = GetParam();
    QTemporaryDir past;
    const QString before = past.filePath(QStringLiteral("20221001"));
    ASSERT_TRUE(writeWholeFile(before + QStringLiteral("/6/No6CP.csv"), "1,0.10\r\n"));
    ASSERT_TRUE(writeWholeFile(inspectionFactsPath(before),
        inspectionFactsHeader() + poleFactsLine(fake.clockNow.addDays(-18), "6", { "P-9", "", "", "" })));
    const QString day = writeDay(fake.programFolder, fake.clockNow);
    fake.ledgerAnswers.push_back(
        LedgerRequest { day, {}, { {}, LedgerForm::ThreePerPage, row.pastChosen ? past.path() : QString() } });

    menuItem(QStringLiteral("Ledger"))->trigger();

    const QByteArray summary = contents(day + QStringLiteral("/集計_20221019.csv"));
    EXPECT_TRUE(summary.contains("\r\n3,1,0.25,0.25,要注意,P-9,")) << summary.toStdString();
    EXPECT_EQ(summary.contains(",2022/10/01,0.10,+0.15\r\n"), row.previousFound) << summary.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, LedgerPastTest,
    testing::Values(PastCase { "Chosen", true, true }, PastCase { "NoneChosen", false, false }), caseName<PastCase>);

} // namespace
