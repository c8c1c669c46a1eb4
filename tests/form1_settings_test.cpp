#include "form1fixture.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>

using namespace norvel;

namespace {

class Form1SettingsTest : public Form1Fixture {
protected:
    // Ends the program as the user would and starts it again in the same program folder.
    void restart()
    {
        form->show();
        ASSERT_TRUE(form->close());
        form = std::make_unique<Form1>(fake.services());
        form->Form_Load();
    }

    QByteArray setBat()
    {
        QFile file(fake.programFolder.filePath(QStringLiteral("set.bat")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeSetBat(const QByteArray& bytes)
    {
        QFile file(fake.programFolder.filePath(QStringLiteral("set.bat")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QCheckBox* box(int number) { return get<QCheckBox>(QStringLiteral("Check%1").arg(number)); }
    QLineEdit* text(const char* name) { return get<QLineEdit>(QString::fromLatin1(name)); }
    std::array<bool, 6> boxes()
    {
        std::array<bool, 6> values {};
        for (int i = 0; i < 6; ++i)
            values[static_cast<std::size_t>(i)] = box(i + 1)->isChecked();
        return values;
    }
};

TEST_F(Form1SettingsTest, closing_writesTheDesignStatesAsTheRecord)
{
    restart();
    EXPECT_EQ(setBat().toHex(' '), QByteArray("00 01 00 00 01 01 00 00 00 00 1e 00 00 00 80 3f"));
}

TEST_F(Form1SettingsTest, everySwitchAndNumberSurvivesARestart)
{
    const std::array<bool, 6> changed { false, true, true, false, false, true };
    for (int i = 0; i < 6; ++i)
        box(i + 1)->setChecked(changed[static_cast<std::size_t>(i)]);
    text("Text5")->setText(QStringLiteral("3.5"));
    text("Text6")->setText(QStringLiteral("0.35"));
    menuItem(QStringLiteral("minDisp"))->trigger();
    menuItem(QStringLiteral("DspS(1)"))->trigger();

    restart();

    EXPECT_EQ(boxes(), changed);
    EXPECT_EQ(text("Text5")->text(), QStringLiteral("4")); // halves to even
    EXPECT_EQ(text("Text6")->text(), QStringLiteral("0.35"));
    EXPECT_TRUE(menuItem(QStringLiteral("minDisp"))->isChecked());
    EXPECT_TRUE(menuItem(QStringLiteral("DspS(1)"))->isChecked());
    EXPECT_FALSE(menuItem(QStringLiteral("DspS(0)"))->isChecked());
    // Restored before the window is sized: the narrower window of the smaller picture, reduced.
    EXPECT_EQ(form->outerWidthTwips(), 9930);
    EXPECT_EQ(form->outerHeightTwips(), 600);
    // Restoring Check2 ran its click: the threshold box is given over to the automatic threshold.
    EXPECT_FALSE(text("Text2")->isEnabled());
}

TEST_F(Form1SettingsTest, startUp_survivesDamagedRecordsAndKeepsTheFileTail)
{
    struct Row {
        const char* name;
        QByteArray bytes;
        std::array<bool, 6> boxes;
        const char* seconds;
        const char* limit;
    } rows[] = {
        { "empty", QByteArray(), { true, false, false, true, true, false }, "30", "1" },
        { "switches_only", QByteArray::fromHex("0000010100"), { false, true, true, false, true, false }, "30", "1" },
        { "grey_and_garbage_switches", QByteArray::fromHex("00020701000000000000"),
            { true, true, true, false, false, false }, "30", "1" },
        { "no_single", QByteArray::fromHex("000100000101000000000a00"), { true, false, false, true, true, false }, "10",
            "1" },
        { "nan_limit", QByteArray::fromHex("00010000010100000000f6ff0000c07f"),
            { true, false, false, true, true, false }, "-10", "1" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeSetBat(row.bytes);
        form = std::make_unique<Form1>(fake.services());
        form->Form_Load();
        EXPECT_EQ(boxes(), row.boxes);
        EXPECT_EQ(text("Text5")->text(), QString::fromLatin1(row.seconds));
        EXPECT_EQ(text("Text6")->text(), QString::fromLatin1(row.limit));
    }

    // Written over the first 16 bytes only: what followed stays.
    writeSetBat(QByteArray(16, '\x01') + "tail");
    form = std::make_unique<Form1>(fake.services());
    form->Form_Load();
    restart();
    EXPECT_EQ(setBat().size(), 20);
    EXPECT_TRUE(setBat().endsWith("tail"));
}

TEST_F(Form1SettingsTest, aWidthLimitShownWithAnExponent_survivesRestarts)
{
    for (const char* limit : { "1E-05", "2E+07", "3.402823E+38" }) {
        SCOPED_TRACE(limit);
        text("Text6")->setText(QString::fromLatin1(limit));
        restart();
        restart();
        EXPECT_EQ(text("Text6")->text(), QString::fromLatin1(limit));
    }
}

TEST_F(Form1SettingsTest, numbersTheRecordCannotHold_areClampedOnSaving)
{
    text("Text5")->setText(QStringLiteral("100000"));
    text("Text6")->setText(QStringLiteral("abc"));
    restart();
    EXPECT_EQ(text("Text5")->text(), QStringLiteral("32767"));
    EXPECT_EQ(text("Text6")->text(), QStringLiteral("0"));
}

TEST_F(Form1SettingsTest, aRecordThatCannotBeWritten_isReported)
{
    QDir(fake.programFolder.path()).mkdir(QStringLiteral("set.bat"));
    restart();
    // Said when it cannot be read at start-up, and when it cannot be written at the end.
    ASSERT_EQ(fake.errors.size(), 2);
    EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("set.bat")));
    EXPECT_TRUE(fake.errors[1].contains(QStringLiteral("set.bat")));
}

// A value typed in norvel.ini that cannot be used is said once a run, its default used, and left as typed.
TEST_F(Form1SettingsTest, unusableProgramSettings_saidOnceAndLeftAsTyped)
{
    const QByteArray ini = "[analysis]\r\nacrossCrack=maybe\r\n[filing]\r\nkeepOriginals=ｎｏ\r\n"
                           "[judgement]\r\nlongitudinal=0.50mm\r\n";
    ASSERT_TRUE(writeWholeFile(QFile::encodeName(fake.programFolder.filePath("norvel.ini")), ini));
    fake.errors.clear();
    form = std::make_unique<Form1>(fake.services());
    form->Form_Load();
    menuItem(QStringLiteral("Ledger"))->trigger(); // cancelled

    ASSERT_EQ(fake.errors.size(), 1) << fake.errors.join(u'\n').toStdString();
    EXPECT_TRUE(fake.errors[0].contains("acrossCrack=maybe は使えない値のため、既定値 true"));
    EXPECT_TRUE(fake.errors[0].contains("longitudinal=0.50mm は使えない値のため、既定値 0.20 mm"));
    EXPECT_FALSE(menuItem(QStringLiteral("KeepOriginals"))->isChecked());
    restart();
    EXPECT_TRUE(contents(fake.programFolder.filePath("norvel.ini")).startsWith(ini));
}

} // namespace
