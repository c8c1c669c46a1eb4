#include "form1fixture.h"
#include "results/polenumber.h"
#include "testsupport.h"
#include "widgets/clickablelabel.h"
#include "widgets/flexgrid.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <unistd.h>

using namespace norvel;

namespace {

const QString Question = QStringLiteral("同一ファイルがあります。上書きしますか？");

class Form1PoleTest : public Form1Fixture {
protected:
    FlexGrid* grid() { return get<FlexGrid>(QStringLiteral("MSFlexGrid2")); }
    QLineEdit* text4() { return get<QLineEdit>(QStringLiteral("Text4")); }
    QString caption() { return get<QMenu>(QStringLiteral("TyoNo"))->title(); }
    QString dayFolder() { return fake.programFolder.filePath(QStringLiteral("20221019")); }
    QString resultFile(const QString& pole) { return dayFolder() + "/" + pole + "/No" + pole + "CP.csv"; }

    void results(const QStringList& widths) { listUnsavedRows(widths); }
    static QByteArray content(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A result file of pole 1 written the given number of seconds before the clock's now.
    void existingResultFile(int ageSeconds)
    {
        ASSERT_TRUE(QDir().mkpath(dayFolder() + "/1"));
        QFile file(resultFile("1"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old\r\n");
        file.flush(); // a later flush would stamp the file with the real time
        ASSERT_TRUE(file.setFileTime(fake.clockNow.addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    }
};

TEST_F(Form1PoleTest, stepping_changesThePoleAndItsCaption)
{
    auto* minus = get<ClickableLabel>(QStringLiteral("Label4(0)"));
    const auto step = [](ClickableLabel* label) { QTest::mouseClick(label, Qt::LeftButton); };
    step(minus);
    EXPECT_EQ(text4()->text(), QStringLiteral("0"));
    step(minus);
    EXPECT_EQ(text4()->text(), QStringLiteral("-1"));
    menuItem(QStringLiteral("TyoNoPrs(1)"))->trigger();
    EXPECT_EQ(text4()->text(), QStringLiteral("-2"));
    EXPECT_EQ(form->resultList().pole(), QStringLiteral("-2"));
    EXPECT_EQ(caption(), QStringLiteral("調査柱No「-2」"));
    // Without results nothing is written, not even a folder.
    EXPECT_FALSE(QFileInfo::exists(dayFolder()));
}

TEST_F(Form1PoleTest, poleChange_writesTheOldPolesResultsAndStartsAnEmptyList)
{
    results({ "0.35", "0.40" });
    text4()->setText(QStringLiteral("2"));
    EXPECT_EQ(content(resultFile("1")), QByteArray("1,0.35\r\n2,0.40\r\n"));
    EXPECT_EQ(grid()->rows(), 0);
    EXPECT_FALSE(get<QPushButton>(QStringLiteral("Command4(0)"))->isEnabled());
    EXPECT_EQ(form->resultList().pole(), QStringLiteral("2"));
    EXPECT_EQ(caption(), QStringLiteral("調査柱No「2」"));

    // Rewritten whole on returning to the pole.
    results({ "0.12" });
    text4()->setText(QStringLiteral("1"));
    results({ "0.50" });
    text4()->setText(QStringLiteral("3"));
    EXPECT_EQ(content(resultFile("1")), QByteArray("1,0.50\r\n"));
}

TEST_F(Form1PoleTest, withoutAutoSave_theResultsMoveToTheNewPole)
{
    get<QCheckBox>(QStringLiteral("Check1"))->setChecked(false);
    results({ "0.35" });
    text4()->setText(QStringLiteral("2"));
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(form->resultList().pole(), QStringLiteral("2"));
    EXPECT_FALSE(QFileInfo::exists(dayFolder()));
}

TEST_F(Form1PoleTest, anOlderFile_isReplacedOnlyAfterTheQuestion)
{
    struct Row {
        const char* name;
        int age;
        bool confirm;
        const char* limit;
        bool asks;
    } rows[] = {
        { "younger_than_limit", 20, true, "30", false },
        { "at_the_limit", 30, true, "30", false },
        { "older_than_limit", 31, true, "30", true },
        { "not_confirming", 31, false, "30", false },
        { "limit_not_a_number", 1, true, "abc", true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        startAfresh();
        fake.questions.clear();
        existingResultFile(row.age);
        get<QCheckBox>(QStringLiteral("Check4"))->setChecked(row.confirm);
        get<QLineEdit>(QStringLiteral("Text5"))->setText(QString::fromLatin1(row.limit));
        results({ "0.35" });
        text4()->setText(QStringLiteral("2"));
        EXPECT_EQ(fake.questions, row.asks ? QStringList { Question } : QStringList());
        EXPECT_EQ(content(resultFile("1")), QByteArray("1,0.35\r\n"));
    }
}

TEST_F(Form1PoleTest, cancelAtPoleChange_keepsResultsAndPole_andTheNextChangeAsksAgain)
{
    existingResultFile(60);
    results({ "0.35" });
    fake.okAnswers = { false };
    text4()->setText(QStringLiteral("2"));
    EXPECT_EQ(content(resultFile("1")), QByteArray("old\r\n"));
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(form->resultList().pole(), QStringLiteral("1"));
    EXPECT_EQ(caption(), QStringLiteral("調査柱No.「1」"));
    // The box names the pole still in force, so that what is shown is what the next shot is filed under.
    EXPECT_EQ(text4()->text(), QStringLiteral("1"));

    text4()->setText(QStringLiteral("3"));
    EXPECT_EQ(fake.questions.size(), 2);
    EXPECT_EQ(content(resultFile("1")), QByteArray("1,0.35\r\n"));
    EXPECT_EQ(form->resultList().pole(), QStringLiteral("3"));
}

TEST_F(Form1PoleTest, cancelAtShutDown_keepsTheProgramOpenWithItsResults)
{
    existingResultFile(60);
    results({ "0.35" });
    form->show();
    fake.okAnswers = { false };
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_FALSE(QFileInfo::exists(fake.programFolder.filePath(QStringLiteral("set.bat"))));

    // Answered OK the second time, the results are written and the settings saved as the program ends.
    menuItem(QStringLiteral("EN"))->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(content(resultFile("1")), QByteArray("1,0.35\r\n"));
    EXPECT_TRUE(QFileInfo::exists(fake.programFolder.filePath(QStringLiteral("set.bat"))));
}

TEST_F(Form1PoleTest, aRequestToEnd_writesTheResultsLikeTheCloseBox)
{
    results({ "0.35" });
    form->show();
    form->endOnRequest();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(content(resultFile("1")), QByteArray("1,0.35\r\n"));
}

TEST_F(Form1PoleTest, aFileThatCannotBeWritten_isReportedAndNothingIsLost)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const QString poleFolder = dayFolder() + "/1";
    ASSERT_TRUE(QDir().mkpath(poleFolder));
    QFile::setPermissions(poleFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    results({ "0.35" });
    text4()->setText(QStringLiteral("2"));
    QFile::setPermissions(poleFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("No1CP.csv")));
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(form->resultList().pole(), QStringLiteral("1"));
    EXPECT_FALSE(QFileInfo::exists(resultFile("1")));
}

TEST_F(Form1PoleTest, aPoleNumberThatWouldLeaveTheDayFolder_isRefused)
{
    const QString tooLong(PoleNumberMaxLength + 1, u'7');
    for (const QString& unusable : { QString("."), QString(".."), QString("../x"), QString("a\\b"), QString("a\tb"),
             QString(".hidden"), tooLong }) {
        SCOPED_TRACE(unusable.toStdString());
        startAfresh();
        results({ "0.35" });
        text4()->setText(unusable);
        ASSERT_EQ(fake.errors.size(), 1);
        EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("使えません")));
        fake.errors.clear();
        EXPECT_EQ(grid()->rows(), 1);
        EXPECT_EQ(form->resultList().pole(), QStringLiteral("1"));
        EXPECT_EQ(caption(), QStringLiteral("調査柱No.「1」"));
        EXPECT_EQ(text4()->text(), QStringLiteral("1"));
        EXPECT_FALSE(QFileInfo::exists(dayFolder()));
    }
    // The next change goes on normally, for the pole still in force.
    text4()->setText(QStringLiteral("4"));
    EXPECT_EQ(content(resultFile("1")), QByteArray("1,0.35\r\n"));
    EXPECT_EQ(form->resultList().pole(), QStringLiteral("4"));
}

TEST_F(Form1PoleTest, anEmptyPoleNumber_isAllowedWhileRetyping)
{
    results({ "0.35" });
    text4()->setText(QString());
    EXPECT_TRUE(fake.errors.isEmpty());
    EXPECT_EQ(form->resultList().pole(), QString());
    results({ "0.40" });
    text4()->setText(QStringLiteral("5"));
    EXPECT_EQ(content(dayFolder() + "/NoCP.csv"), QByteArray("1,0.40\r\n"));
}

} // namespace
