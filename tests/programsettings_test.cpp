#include "settings/programsettings.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

const QDate Today(2022, 10, 19);

struct ReadCase {
    const char* name;
    QByteArray ini;
    bool keepsOriginals;
    std::optional<QString> pole; // resumed today
    bool across = true; // measured across the crack unless norvel.ini turns it off
    QString said = {}; // a switch that cannot be used: part of the notice
};

class ProgramSettingsReadTest : public ::testing::TestWithParam<ReadCase> { };

TEST_P(ProgramSettingsReadTest, SwitchesReadOnOrOffWordsElseKeepTheirDefaultsSaidAndOnlyTodaysPoleResumes)
{
    const ReadCase& c = GetParam();
    const SwitchRead keep = keepsOriginals(c.ini);
    const SwitchRead across = measuresAcrossCrack(c.ini);
    EXPECT_EQ(keep.on, c.keepsOriginals);
    EXPECT_EQ(sessionPole(c.ini, Today), c.pole);
    EXPECT_EQ(across.on, c.across);
    const std::optional<UnusableSetting> said = keep.unusable ? keep.unusable : across.unusable;
    EXPECT_TRUE(said ? !c.said.isEmpty() && unusableNotice({ *said }).contains(c.said) : c.said.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Settings, ProgramSettingsReadTest,
    ::testing::Values(ReadCase { "empty", "", true, std::nullopt },
        ReadCase { "originalsOff", "[filing]\r\nkeepOriginals=false\r\n", false, std::nullopt },
        ReadCase { "noTurnsOriginalsOff", "[filing]\r\nkeepOriginals=no\r\n", false, std::nullopt },
        ReadCase { "keyInOtherSection", "[session]\r\nkeepOriginals=false\r\n", true, std::nullopt },
        ReadCase { "today", "[session]\r\npole=12\r\nday=20221019\r\n", true, QStringLiteral("12") },
        ReadCase { "yesterday", "[session]\r\npole=12\r\nday=20221018\r\n", true, std::nullopt },
        ReadCase { "noDay", "[session]\r\npole=12\r\n", true, std::nullopt },
        ReadCase { "noPole", "[session]\r\nday=20221019\r\n", true, std::nullopt },
        ReadCase { "acrossOn", "[analysis]\r\nacrossCrack=true\r\n", true, std::nullopt, true },
        ReadCase { "yesMeasuresAcross", "[analysis]\r\nacrossCrack=yes\r\n", true, std::nullopt, true },
        ReadCase { "acrossOff", "[analysis]\r\nacrossCrack=false\r\n", true, std::nullopt, false },
        ReadCase { "acrossInOtherSection", "[filing]\r\nacrossCrack=false\r\n", true, std::nullopt, true },
        ReadCase { "anyCaseAndWidth", "[analysis]\r\nacrossCrack=ＯＮ\r\n[filing]\r\nkeepOriginals= Off \r\n", false,
            std::nullopt, true },
        ReadCase {
            "digits", "[analysis]\r\nacrossCrack=1\r\n[filing]\r\nkeepOriginals=０\r\n", false, std::nullopt, true },
        ReadCase { "unusableKeepsItsDefault", "[filing]\r\nkeepOriginals=2\r\n", true, std::nullopt, true,
            "[filing] keepOriginals=2 は使えない値のため、既定値 true" },
        ReadCase { "emptyKeepsItsDefault", "[analysis]\r\nacrossCrack=\r\n", true, std::nullopt, true,
            "acrossCrack=（空） は使えない値のため、既定値 true" }),
    caseName<ReadCase>);

struct WriteCase {
    const char* name;
    std::optional<QByteArray> before; // nullopt: no file; "dir": a folder in its place
    QList<ProgramSetting> values;
    QByteArray after; // empty: the write is refused and nothing changes
};

class ProgramSettingsWriteTest : public ::testing::TestWithParam<WriteCase> { };

TEST_P(ProgramSettingsWriteTest, SetsValuesKeepingOtherLinesAndNeverOverwritesWhatItCannotRead)
{
    const WriteCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath(programSettingsName());
    if (c.before == QByteArray("dir"))
        ASSERT_TRUE(QDir().mkpath(path));
    else if (c.before) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(*c.before);
    }
    const QString problem = writeProgramSettings(path, c.values, QStringLiteral("今の調査柱No"));
    if (c.after.isEmpty()) {
        EXPECT_TRUE(problem.contains(QStringLiteral("今の調査柱No"))) << problem.toStdString();
        EXPECT_TRUE(QFileInfo(path).isDir());
        return;
    }
    EXPECT_EQ(problem, QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), c.after.toStdString());
    const ProgramSettingsRead read = readProgramSettings(path);
    ASSERT_TRUE(read.content);
    EXPECT_EQ(*read.content, c.after);
}

INSTANTIATE_TEST_SUITE_P(Settings, ProgramSettingsWriteTest,
    ::testing::Values(WriteCase { "sessionIntoNewFile", std::nullopt, sessionSettings(QStringLiteral("7"), Today),
                          "[session]\r\npole=7\r\nday=20221019\r\n" },
        WriteCase { "originalsKeepTheSession", QByteArray("[session]\r\npole=7\r\nday=20221019\r\n"),
            { keepOriginalsSetting(false) },
            "[session]\r\npole=7\r\nday=20221019\r\n\r\n[filing]\r\nkeepOriginals=false\r\n" },
        WriteCase { "sessionReplacedInPlace", QByteArray("; mine\r\n[session]\r\npole=7\r\nday=20221018\r\n"),
            sessionSettings(QStringLiteral("8"), Today), "; mine\r\n[session]\r\npole=8\r\nday=20221019\r\n" },
        WriteCase { "judgementLinesTakenOver", QByteArray("[session]\r\npole=7\r\n"),
            judgementSettings({ 0.05, 0.3, 0.3 }),
            "[session]\r\npole=7\r\n\r\n[judgement]\r\ntransverse=0.05\r\nlongitudinal=0.30\r\noblique=0.30\r\n" },
        WriteCase { "unreadableLeftAlone", QByteArray("dir"), sessionSettings(QStringLiteral("8"), Today), "" }),
    caseName<WriteCase>);

// The lines by direction in norvel.ini; without any yet, ledger.ini's single line taken over once.
struct JudgementCase {
    const char* name;
    QByteArray ini;
    std::optional<double> ledgerLine; // ledger.ini's, when the file is there
    JudgementLines lines;
    bool fromLedgerLine;
    QStringList unusable = {}; // the keys said, each with the default used
};

class JudgementLinesTest : public ::testing::TestWithParam<JudgementCase> { };

TEST_P(JudgementLinesTest, OwnLinesFirstElseTheLedgerLineForLongitudinalAndOblique)
{
    const JudgementCase& c = GetParam();
    const JudgementRead read = readJudgementLines(c.ini, c.ledgerLine);
    EXPECT_EQ(read.lines.transverse, c.lines.transverse);
    EXPECT_EQ(read.lines.longitudinal, c.lines.longitudinal);
    EXPECT_EQ(read.lines.oblique, c.lines.oblique);
    EXPECT_EQ(read.fromLedgerLine, c.fromLedgerLine);
    EXPECT_EQ(hasJudgementLines(c.ini), !c.fromLedgerLine && c.ini.contains("[judgement]"));
    QStringList unusable;
    for (const UnusableSetting& setting : read.unusable) {
        const QString typed = setting.key + u'=' + shownSettingText(setting.text);
        unusable << typed;
        EXPECT_TRUE(unusableReason(setting).contains(QStringLiteral("[judgement] ") + typed));
    }
    EXPECT_EQ(unusable, c.unusable);
    // Left as offered, a value that could not be used is not written over.
    EXPECT_EQ(settingsToWrite(judgementSettings(read.lines), judgementSettings(read.lines), read.unusable).size(),
        3 - read.unusable.size());
}

INSTANTIATE_TEST_SUITE_P(Settings, JudgementLinesTest,
    ::testing::Values(JudgementCase { "neither", "", std::nullopt, { 0.05, 0.20, 0.20 }, false },
        JudgementCase { "ledgerLineTakenOver", "[session]\r\npole=7\r\n", 0.30, { 0.05, 0.30, 0.30 }, true },
        JudgementCase { "alreadyTakenOver", "[judgement]\r\ntransverse=0.05\r\nlongitudinal=0.25\r\noblique=0.25\r\n",
            0.30, { 0.05, 0.25, 0.25 }, false },
        JudgementCase { "oneOwnLineIsEnough", "[judgement]\r\ntransverse=0.10\r\n", 0.30, { 0.10, 0.20, 0.20 }, false },
        JudgementCase { "ledgerLineOutOfRange", "", 20.0, { 0.05, 0.20, 0.20 }, false },
        JudgementCase { "damagedValueKeepsItsDefault", "[judgement]\r\ntransverse=abc\r\noblique=0.3\r\n", std::nullopt,
            { 0.05, 0.20, 0.30 }, false, { "transverse=abc" } },
        JudgementCase { "valuesOutOfRangeKeepTheirDefaults", "[judgement]\r\nlongitudinal=0\r\noblique=1e9\r\n", 0.30,
            { 0.05, 0.20, 0.20 }, false, { "longitudinal=0", "oblique=1e9" } },
        JudgementCase { "fullWidthDigitsAndPoint", "[judgement]\r\ntransverse=０．５０\r\noblique=　１．２　\r\n",
            std::nullopt, { 0.50, 0.20, 1.20 }, false },
        JudgementCase { "negativeAndHuge", "[judgement]\r\ntransverse=-1\r\nlongitudinal=1e308\r\n", std::nullopt,
            { 0.05, 0.20, 0.20 }, false, { "transverse=-1", "longitudinal=1e308" } },
        JudgementCase { "notANumberNorInfinite", "[judgement]\r\ntransverse=NaN\r\noblique=inf\r\n", std::nullopt,
            { 0.05, 0.20, 0.20 }, false, { "transverse=NaN", "oblique=inf" } },
        JudgementCase { "withUnit", "[judgement]\r\nlongitudinal=0.50mm\r\n", std::nullopt, { 0.05, 0.20, 0.20 }, false,
            { "longitudinal=0.50mm" } },
        JudgementCase {
            "empty", "[judgement]\r\noblique=\r\n", 0.30, { 0.05, 0.20, 0.20 }, false, { "oblique=（空）" } },
        JudgementCase { "justAboveTheRange", "[judgement]\r\ntransverse=10.01\r\nlongitudinal=10\r\n", std::nullopt,
            { 0.05, 10.0, 0.20 }, false, { "transverse=10.01" } },
        JudgementCase { "linesInOtherSection", "[ledger]\r\nlongitudinal=0.5\r\n", 0.30, { 0.05, 0.30, 0.30 }, true }),
    caseName<JudgementCase>);

TEST(ProgramSettingsRead, MissingFileIsEmptyAndUnreadableOneSaysSo)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(programSettingsName());
    const ProgramSettingsRead missing = readProgramSettings(path);
    ASSERT_TRUE(missing.content);
    EXPECT_TRUE(missing.content->isEmpty());
    ASSERT_TRUE(QDir().mkpath(path));
    const ProgramSettingsRead unreadable = readProgramSettings(path);
    EXPECT_FALSE(unreadable.content);
    EXPECT_TRUE(unreadable.problem.contains(QDir::toNativeSeparators(path)));
}

} // namespace

namespace {

TEST(JudgementLines, ARowWithoutADirectionIsHeldToTheStrictestLine)
{
    const JudgementLines lines { 0.05, 0.2, 0.3 };
    EXPECT_EQ(lines.lineFor(CrackDirection::Transverse), 0.05);
    EXPECT_EQ(lines.lineFor(CrackDirection::Longitudinal), 0.2);
    EXPECT_EQ(lines.lineFor(CrackDirection::Oblique), 0.3);
    EXPECT_EQ(lines.lineFor(CrackDirection::Unknown), 0.05);
    EXPECT_EQ((JudgementLines { 0.3, 0.25, 0.2 }).lineFor(CrackDirection::Unknown), 0.2);
}

} // namespace
