#include "app/commandline.h"
#include "recoverylist.h"
#include "results/inspectionfacts.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace norvel;

namespace {

// The built program is copied into a folder of its own: that folder is the program folder, holding norvel.ini.
struct CommandCase {
    std::string name;
    QStringList arguments; // {day}, {program} and {out} stand for the folders
    QByteArray norvelIni; // empty: no file
    QByteArray ledgerIni;
    int exitCode;
    QString printed; // the path on stdout, with the same stand-ins; empty: nothing printed
    QString saidOnError; // part of stderr
    QStringList made; // files beyond the day's result file and the settings, relative to the program folder
    bool flagged = true; // the 0.25 mm row is 要注意
    bool pastSurvey = false; // the pole's plate in today's facts, and its earlier inspection under {program}/past
    bool previousFound = false; // the summary gives that inspection
    QByteArray recovery {}; // the window's list kept in the program folder; empty: none
    QString placed {}; // made first, relative to the program folder: "|name" a pipe, "@name" a link to nothing,
                       // "#name" a device node, "/name" a folder
    int runs = 1; // at once
};

const QString Day = QStringLiteral("20221019");
const QString Pdf = QStringLiteral("20221019/写真台帳_20221019.pdf");
const QString Pdf6 = QStringLiteral("20221019/写真台帳6_20221019.pdf");
const QString Csv = QStringLiteral("20221019/集計_20221019.csv");

const std::vector<CommandCase> Cases {
    { "IntoTheDayFolder", { "--ledger", "{day}" }, {}, {}, 0, "{program}/" + Pdf, {}, { Pdf, Csv } },
    { "FormSixIsMade", { "--form", "6", "--ledger", "{day}" }, {}, {}, 0, "{program}/" + Pdf6, {}, { Pdf6, Csv } },
    { "SixIntoOutFolderKeepsItsName", { "--form", "6", "--ledger", "{day}", "--out", "{out}" }, {}, {}, 0,
        "{out}/写真台帳6_20221019.pdf", {}, { "out/写真台帳6_20221019.pdf", "out/集計_20221019.csv" } },
    { "OutOntoTheDaysSixLedger", { "--ledger", "{day}", "--out", "{day}/写真台帳6_20221019.pdf" }, {}, {}, 0,
        "{day}/写真台帳6_20221019.pdf", {}, { Pdf6, Csv } },
    { "NorvelIniLineJudges", { "--ledger", "{day}" }, "[judgement]\r\nlongitudinal=0.30\r\n", {}, 0, "{program}/" + Pdf,
        {}, { Pdf, Csv }, false },
    { "NorvelIniBeforeLedgerIni", { "--ledger", "{day}" }, "[judgement]\r\nlongitudinal=0.20\r\n",
        "[ledger]\r\njudgementMm=0.30\r\n", 0, "{program}/" + Pdf, {}, { Pdf, Csv } },
    // Taken, but norvel.ini is not written: the command line changes no settings.
    { "LedgerIniLineWithoutNorvelIni", { "--ledger", "{day}" }, {}, "[ledger]\r\njudgementMm=0.30\r\n", 0,
        "{program}/" + Pdf, {}, { Pdf, Csv }, false },
    { "OutFileWithTheSummaryBesideIt", { "--ledger", "{day}", "--out", "{out}/台帳.pdf" }, {}, {}, 0, "{out}/台帳.pdf",
        {}, { "out/台帳.pdf", "out/集計_20221019.csv" } },
    { "OutFolderKeepsTheName", { "--ledger", "{day}", "--out", "{out}" }, {}, {}, 0, "{out}/写真台帳_20221019.pdf", {},
        { "out/写真台帳_20221019.pdf", "out/集計_20221019.csv" } },
    { "MissingDayFolder", { "--ledger", "{program}/20221020" }, {}, {}, 1, {}, "20221020", {} },
    { "OutIntoMissingFolder", { "--ledger", "{day}", "--out", "{program}/none/台帳.pdf" }, {}, {}, 1, {}, "台帳.pdf",
        {} },
    { "DamagedLedgerIni", { "--ledger", "{day}" }, {}, "[ledger]\r\njudgementMm=wide\r\n", 1, {}, "ledger.ini", {} },
    { "MissingPastFolder", { "--ledger", "{day}", "--past", "{program}/past" }, {}, {}, 1, {}, "過去の調査のフォルダー",
        {} },
    { "FormThreeIsMade", { "--ledger", "{day}", "--form", "3" }, {}, {}, 0, "{program}/" + Pdf, {}, { Pdf, Csv } },
    { "UnknownForm", { "--ledger", "{day}", "--form", "5" }, {}, {}, 1, {}, "5", {} },
    { "UnknownFormWhateverIsKept", { "--ledger", "{day}", "--form", "4" }, "[survey]\r\nform=6\r\n", {}, 1, {}, "「4」",
        {} },
    { "KeptPastFolderLooksUp", { "--ledger", "{day}" }, "[survey]\r\npast={program}/past\r\n", {}, 0,
        "{program}/" + Pdf, {}, { Pdf, Csv }, true, true, true },
    { "EmptyPastLooksInNone", { "--ledger", "{day}", "--past", "" }, "[survey]\r\npast={program}/past\r\n", {}, 0,
        "{program}/" + Pdf, {}, { Pdf, Csv }, true, true, false },
    // Told on stderr, and the ledger made all the same.
    { "UnsavedRowsSaid", { "--ledger", "{day}" }, {}, {}, 0, "{program}/" + Pdf,
        "未保存の測定があります\n調査柱No「3」の 1 行", { Pdf, Csv }, true, false, false,
        recoveryOfList("3", QDate(2022, 10, 19), { "0.25", "0.40" }) },
    { "DamagedRecoverySaid", { "--ledger", "{day}" }, {}, {}, 0, "{program}/" + Pdf, "../recovery.dat: 復元用ファイル",
        { Pdf, Csv }, true, false, false, "norvel-recovery 1\n" },
    { "NoDayFolder", { "--form", "6" }, {}, {}, 1, {}, "日フォルダーが指定されていません", {} },
    { "UnknownOption", { "--ledger", "{day}", "--colour" }, {}, {}, 1, {}, "colour", {} },
    { "Help", { "--help" }, {}, {}, 0, {}, {}, {} },
    { "OutOntoAPipe", { "--ledger", "{day}", "--out", "{out}/x.pdf" }, {}, {}, 1, {}, "普通のファイルではありません",
        {}, true, false, false, {}, "|out/x.pdf" },
    { "OutOntoADevice", { "--ledger", "{day}", "--out", "{out}/null" }, {}, {}, 1, {}, "普通のファイルではありません",
        {}, true, false, false, {}, "#out/null" },
    { "OutThroughALink", { "--ledger", "{day}", "--out", "{out}/x.pdf" }, {}, {}, 1, {}, "普通のファイルではありません",
        {}, true, false, false, {}, "@out/x.pdf" },
    { "SummaryBesideOntoAPipe", { "--ledger", "{day}", "--out", "{out}/x.pdf" }, {}, {}, 1, {}, "集計_20221019.csv", {},
        true, false, false, {}, "|out/集計_20221019.csv" },
    { "OutOntoTheResultFile", { "--ledger", "{day}", "--out", "{day}/3/No3CP.csv" }, {}, {}, 1, {}, "No3CP.csv", {} },
    { "OutIntoTheDayFolder", { "--ledger", "{day}", "--out", "{day}" }, {}, {}, 0, "{program}/" + Pdf, {},
        { Pdf, Csv } },
    { "OutOntoTheCrackList", { "--ledger", "{day}", "--out", "{day}/ひび割れ_20221019.csv" }, {}, {}, 1, {},
        "ひび割れ_20221019.csv", {} },
    { "OutOntoTheRecord", { "--ledger", "{day}", "--out", "{day}/測定記録.csv" }, {}, {}, 1, {}, "測定記録.csv", {} },
    { "ThreeAtOnceAllMakeIt", { "--ledger", "{day}" }, {}, {}, 0, "{program}/" + Pdf, {}, { Pdf, Csv }, true, false,
        false, {}, {}, 3 },
    { "MistypedOptionWithoutDisplay", { "--ledgr", "{day}" }, {}, {}, 1, {}, "「--ledgr」は知らないオプションです",
        {} },
    { "StrayArgument", { "--ledger", "{day}", "extra" }, {}, {}, 1, {}, "余分な引数「extra」", {} },
    { "DayFolderAlone", { "{day}" }, {}, {}, 1, {}, "余分な引数", {} },
    { "WindowOptionsBeside", { "-style", "fusion", "--ledger={day}", "-reverse" }, {}, {}, 0, "{program}/" + Pdf, {},
        { Pdf, Csv } },
    { "ProgramFolderInsteadOfTheDay", { "--ledger", "{program}" }, {}, {}, 1, {},
        "日フォルダーを指定してください: 20221018, 20221019", {}, true, false, false, {}, "/20221018" },
    { "DayFolderIsAFile", { "--ledger", "{day}/調査情報.csv" }, {}, {}, 1, {}, "フォルダーではありません", {} },
    { "UnreadableNorvelIni", { "--ledger", "{day}" }, {}, {}, 1, {}, "写真台帳を作成しませんでした: 設定ファイル「", {},
        true, false, false, {}, "|norvel.ini" },
    { "OutIsADash", { "--ledger", "{day}", "--out", "-" }, {}, {}, 1, {}, "--out", {} },
};

class CommandLine : public testing::TestWithParam<CommandCase> { };

QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

const QDateTime Now(QDate(2022, 10, 19), QTime(10, 0));

// Pole 3 of the day has the plate P-9, which pole 6 had on 2022/10/01 in the past surveys' folder "past" (not
// a day folder of the program folder's own). The files written, relative to the program folder.
QStringList writePastSurvey(const QTemporaryDir& program)
{
    const QString before = program.filePath("past/20221001");
    QDir().mkpath(before + "/6");
    writeFile(before + "/6/No6CP.csv", "1,0.10\r\n");
    writeFile(inspectionFactsPath(before),
        inspectionFactsHeader() + poleFactsLine(Now.addDays(-18), "6", { "P-9", "", "", "" }));
    const QDir root(program.path());
    return { root.relativeFilePath(before + "/6/No6CP.csv"), root.relativeFilePath(inspectionFactsPath(before)) };
}

TEST_P(CommandLine, ExitsPrintsAndWrites)
{
    const CommandCase& row = GetParam();
    QTemporaryDir program;
    const QString programPath = program.path();
    ASSERT_TRUE(QFile::copy(QStringLiteral(NORVEL_EXECUTABLE), program.filePath("norvel")));
    QDir().mkpath(program.filePath(Day + "/3"));
    QDir().mkpath(program.filePath("out"));
    writeFile(program.filePath(Day + "/3/No3CP.csv"), "1,0.25\r\n");
    // Its crack confirmed longitudinal, so that the line the settings give judges it.
    CrackFacts longitudinal;
    longitudinal.direction = CrackDirection::Longitudinal;
    writeFile(inspectionFactsPath(program.filePath(Day)),
        inspectionFactsHeader() + crackFactsLine(Now, "3", 1, longitudinal)
            + (row.pastSurvey ? poleFactsLine(Now, "3", { "P-9", "", "", "" }) : QByteArray()));
    QStringList expected { "norvel", Day + "/3/No3CP.csv", Day + "/調査情報.csv" };
    const auto place = [&programPath](QString text) {
        return text.replace("{day}", programPath + "/" + Day)
            .replace("{out}", programPath + "/out")
            .replace("{program}", programPath);
    };
    if (!row.norvelIni.isEmpty()) {
        writeFile(program.filePath("norvel.ini"), place(QString::fromUtf8(row.norvelIni)).toUtf8());
        expected << "norvel.ini";
    }
    if (!row.ledgerIni.isEmpty()) {
        writeFile(program.filePath("ledger.ini"), row.ledgerIni);
        expected << "ledger.ini";
    }
    if (row.pastSurvey) {
        expected << writePastSurvey(program);
    }
    if (!row.recovery.isEmpty()) {
        writeFile(program.filePath("recovery.dat"), row.recovery);
        expected << "recovery.dat";
    }
    const QByteArray placed = QFile::encodeName(program.filePath(row.placed.mid(1)));
    if (!row.placed.isEmpty()) {
        const QChar kind = row.placed.front();
        if ((kind == u'/'          ? ::mkdir(placed, 0755)
                    : kind == u'|' ? ::mkfifo(placed, 0600)
                    : kind == u'@' ? ::symlink("gone", placed)
                                   : ::mknod(placed, S_IFCHR | 0666, makedev(1, 3)))
            != 0)
            GTEST_SKIP() << "cannot be made here: " << row.placed.toStdString();
        expected << (kind == u'/' ? QStringList() : QStringList { row.placed.mid(1) });
    }
    struct stat before { };
    struct stat after { };
    ::lstat(placed, &before);
    const QByteArray facts = readWholeFile(inspectionFactsPath(program.filePath(Day)));
    QStringList arguments;
    for (const QString& argument : row.arguments)
        arguments << place(argument);

    // No display is given: the command line must choose one itself.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    std::vector<std::unique_ptr<QProcess>> runs(row.runs);
    for (auto& started : runs) {
        started = std::make_unique<QProcess>();
        started->setProcessEnvironment(environment);
        started->start(program.filePath("norvel"), arguments);
    }
    for (std::size_t r = 1; r < runs.size(); ++r)
        EXPECT_TRUE(runs[r]->waitForFinished(120000) && runs[r]->exitCode() == row.exitCode);
    QProcess& run = *runs.front();
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(run.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(run.readAllStandardError());

    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), row.exitCode) << err.toStdString();
    if (!row.printed.isEmpty()) {
        EXPECT_EQ(out, place(row.printed) + "\n");
    }
    if (row.exitCode != 0) {
        EXPECT_EQ(out, QString());
    }
    // What was not done, before why, at a line's start (Qt may have warned first).
    const bool ledgerAsked = !row.arguments.filter(QRegularExpression("^--(ledger|out|past|form)")).isEmpty();
    EXPECT_TRUE(row.exitCode == 0
        || ("\n" + err).contains(ledgerAsked ? "\n写真台帳を作成しませんでした: " : "\nNorvel を起動しませんでした: "))
        << err.toStdString();
    if (row.exitCode != 0 || !row.saidOnError.isEmpty()) {
        EXPECT_TRUE(err.contains(row.saidOnError)) << err.toStdString();
    }
    if (row.name == "Help") {
        EXPECT_TRUE(out.contains("--ledger") && out.contains("--out") && out.contains("--past")
            && out.contains("--form") && out.contains("norvel.ini"))
            << out.toStdString();
    }
    expected << row.made;
    // The cracks' list goes beside every summary.
    for (const QString& made : row.made)
        if (made.contains("集計_"))
            expected << QString(made).replace("集計_", "ひび割れ_");
    expected.sort();
    EXPECT_EQ(filesUnder(programPath), expected);
    EXPECT_EQ(::lstat(placed, &after) == 0 ? after.st_mode & S_IFMT : 0, before.st_mode & S_IFMT);
    EXPECT_EQ(readWholeFile(program.filePath(Day + "/3/No3CP.csv")), "1,0.25\r\n");
    EXPECT_EQ(readWholeFile(inspectionFactsPath(program.filePath(Day))), facts);
    const QString csv = [&row] {
        for (const QString& made : row.made)
            if (made.endsWith(".csv"))
                return made;
        return QString();
    }();
    if (!csv.isEmpty()) {
        EXPECT_TRUE(readWholeFile(program.filePath(row.made.constFirst())).startsWith("%PDF-"));
        const QByteArray summary = readWholeFile(program.filePath(csv));
        EXPECT_EQ(summary.contains("\r\n3,1,0.25,0.25,要注意,"), row.flagged) << summary.toStdString();
        EXPECT_TRUE(summary.contains("\r\n3,1,0.25,0.25,")) << summary.toStdString();
        // The previous inspection's day; its widest was of another direction, so nothing is set beside today's.
        EXPECT_EQ(summary.contains(",2022/10/01,,\r\n"), row.previousFound) << summary.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CommandLine, testing::ValuesIn(Cases), caseName<CommandCase>);

// The header always norvel.ini's; the form and the past folder given, else kept; a past folder that is not there, or
// an unknown form, refused.
struct ChoicesCase {
    std::string name;
    QByteArray ini; // {past}: an existing folder
    std::optional<QString> form; // nullopt: not given
    std::optional<QString> past;
    LedgerForm expectedForm;
    QString expectedPast; // {past}: that folder
    QString problem; // part of it; empty: none
};

class CommandLineChoicesTest : public testing::TestWithParam<ChoicesCase> { };

TEST_P(CommandLineChoicesTest, GivenBeforeKeptAndNoFolderThatIsNotThere)
{
    const ChoicesCase& row = GetParam();
    QTemporaryDir past;
    writeFile(past.filePath("file"), "x");
    const auto place = [&past](QString text) { return text.replace("{past}", past.path()); };
    const QByteArray ini = place(QString::fromUtf8(row.ini)).toUtf8();
    const CommandLineChoices chosen
        = commandLineChoices(ini, row.form, row.past ? std::optional(place(*row.past)) : std::nullopt);
    if (!row.problem.isEmpty()) {
        EXPECT_TRUE(chosen.problem.contains(place(row.problem))) << chosen.problem.toStdString();
        return;
    }
    EXPECT_EQ(chosen.problem, QString());
    EXPECT_EQ(chosen.choices.form, row.expectedForm);
    EXPECT_EQ(chosen.choices.pastFolder, place(row.expectedPast));
    EXPECT_TRUE(chosen.choices.header == ledgerChoices(ini).header);
}

INSTANTIATE_TEST_SUITE_P(Rows, CommandLineChoicesTest,
    testing::Values(ChoicesCase { "nothingKept", "", std::nullopt, std::nullopt, LedgerForm::ThreePerPage, "", "" },
        ChoicesCase { "keptSixWithItsHeader", "[survey]\r\ntitle=国道8号\r\nform=6\r\n", std::nullopt, std::nullopt,
            LedgerForm::SixPerPage, "", "" },
        ChoicesCase {
            "givenThreeOverKeptSix", "[survey]\r\nform=6\r\n", "3", std::nullopt, LedgerForm::ThreePerPage, "", "" },
        ChoicesCase { "givenSix", "", "6", std::nullopt, LedgerForm::SixPerPage, "", "" },
        ChoicesCase { "unknownGivenOverKeptSix", "[survey]\r\nform=6\r\n", "4", std::nullopt, LedgerForm::SixPerPage,
            "", "「4」はありません" },
        ChoicesCase { "unusableKeptFormStops", "[survey]\r\nform=7\r\n", std::nullopt, std::nullopt,
            LedgerForm::ThreePerPage, "", "[survey] form=7 は使えない値です" },
        ChoicesCase {
            "givenFormOverUnusableKept", "[survey]\r\nform=7\r\n", "6", std::nullopt, LedgerForm::SixPerPage, "", "" },
        ChoicesCase { "keptPastThere", "[survey]\r\npast={past}\r\n", std::nullopt, std::nullopt,
            LedgerForm::ThreePerPage, "{past}", "" },
        ChoicesCase { "keptPastMissing", "[survey]\r\npast={past}/gone\r\n", std::nullopt, std::nullopt,
            LedgerForm::ThreePerPage, "", "[survey] past にある過去の調査のフォルダー「{past}/gone」" },
        ChoicesCase { "givenPastInPlaceOfMissingKept", "[survey]\r\npast={past}/gone\r\n", std::nullopt, "{past}",
            LedgerForm::ThreePerPage, "{past}", "" },
        ChoicesCase { "emptyGivenPastLooksInNone", "[survey]\r\npast={past}\r\n", std::nullopt, "",
            LedgerForm::ThreePerPage, "", "" },
        ChoicesCase { "givenPastMissing", "", std::nullopt, "{past}/gone", LedgerForm::ThreePerPage, "",
            "「{past}/gone」（--past）がありません" },
        ChoicesCase { "givenPastIsAFile", "", std::nullopt, "{past}/file", LedgerForm::ThreePerPage, "",
            "「{past}/file」（--past）がありません" }),
    caseName<ChoicesCase>);

// What the arguments ask for, read before any application: Qt's own window options let through, anything else refused.
TEST(CommandLineRequestTest, WindowLedgerOrRefused)
{
    const struct {
        QStringList arguments; // after the program's name
        bool window;
        QString problem; // part of it; empty: none
    } rows[]
        = { { {}, true, {} }, { { "-platform", "xcb", "-style=fusion", "--reverse", "-geometry", "9x9" }, true, {} },
              { { "-platform" }, false, "「-platform」の後に値がありません" },
              { { "--ledger", "--form", "6" }, false, "「--ledger」の後に値がありません" },
              { { "--ledger", "a", "--ledger=b" }, false, "二度" },
              { { "--ledger", "a", "--title", "x", "--title=y" }, false, "「--title」が二度" },
              { { "--ledger", "a", "--client", "--weather=" }, false, "「--client」の後に値がありません" } };
    for (const auto& row : rows) {
        const CommandLineRequest request = readCommandLine(QStringList { "norvel" } + row.arguments);
        EXPECT_EQ(request.window, row.window) << row.arguments.join(' ').toStdString();
        EXPECT_TRUE(row.problem.isEmpty() ? request.problem.isEmpty() : request.problem.contains(row.problem))
            << request.problem.toStdString();
    }
}

// The day's own header, else norvel.ini's; a text given takes its place; one given or read (and not given) that cannot
// be used refused; a day's file that cannot be read a note.
TEST(CommandLineHeaderTest, GivenOverTheDaysOverTheProposal)
{
    const QByteArray tooLong(MaxHeaderTextLength + 1, 'x');
    const struct {
        std::optional<QByteArray> dayFile; // nullopt: none
        QByteArray ini;
        std::optional<QString> title, client; // given
        QString expectedTitle, expectedClient;
        QString said; // part of the problem or the note; empty: none
    } rows[] = { { "[header]\ntitle=その日", "[survey]\ntitle=前回\nclient=北陸", {}, " 東北 ", "その日", "東北", {} },
        { "[header]\ntitle=\xFF", "[survey]\ntitle=前回", {}, {}, "前回", "", "調査ヘッダ" },
        { std::nullopt, "[survey]\ntitle=" + tooLong, {}, {}, "", "", "--title で指定" },
        { "[header]\nclient=a\tb", "", {}, {}, "", "", "client=a\tb は使えない値です（" },
        { std::nullopt, "", QString(tooLong), {}, "", "", "--title の値は使えません" } };
    for (const auto& row : rows) {
        QTemporaryDir day;
        if (row.dayFile)
            writeFile(dayHeaderPath(day.path()), *row.dayFile);
        HeaderTexts given;
        given[0] = row.title;
        given[5] = row.client;
        const CommandLineHeader chosen = commandLineHeader(day.path(), row.ini, given);
        const QString said = chosen.problem + chosen.note;
        EXPECT_TRUE(row.said.isEmpty() ? said.isEmpty() : said.contains(row.said)) << said.toStdString();
        EXPECT_TRUE(!chosen.problem.isEmpty()
            || (chosen.header.title == row.expectedTitle && chosen.header.client == row.expectedClient));
    }
}

} // namespace

namespace {

// A judgement line typed in norvel.ini that cannot be used stops the ledger, naming it; full-width digits are
// read. The switches are the window's: the command line goes on whatever they say.
const std::vector<CommandCase> UnusableSettingCases {
    { "NegativeLine", { "--ledger", "{day}" }, "[judgement]\r\ntransverse=-1\r\n", {}, 1, {},
        "norvel.ini の [judgement] transverse=-1 は使えない値です", {} },
    { "LineWithUnit", { "--ledger", "{day}" }, "[judgement]\r\nlongitudinal=0.50mm\r\n", {}, 1, {},
        "longitudinal=0.50mm は使えない値です", {} },
    { "EmptyLine", { "--ledger", "{day}" }, "[judgement]\r\nlongitudinal=\r\n", {}, 1, {}, "longitudinal=（空）", {} },
    { "FullWidthLineJudges", { "--ledger", "{day}" }, "[judgement]\r\nlongitudinal=０．３０\r\n", {}, 0,
        "{program}/" + Pdf, {}, { Pdf, Csv }, false },
    { "SwitchesNotUsedHere", { "--ledger", "{day}" },
        "[analysis]\r\nacrossCrack=maybe\r\n[filing]\r\nkeepOriginals=2\r\n", {}, 0, "{program}/" + Pdf, {},
        { Pdf, Csv } },
};

INSTANTIATE_TEST_SUITE_P(UnusableSettings, CommandLine, testing::ValuesIn(UnusableSettingCases), caseName<CommandCase>);

} // namespace
