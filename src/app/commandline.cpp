#include "app/commandline.h"

#include "core/dayfolder.h"
#include "files/folderlisting.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerdialog.h"
#include "ledger/previousinspection.h"
#include "settings/ledgersettings.h"
#include "settings/programsettings.h"
#include "settings/surveyheader.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <optional>

namespace norvel {

namespace {

// Qt's own options for the window, which QApplication takes out of the arguments: those followed by a value, those
// alone, and those joined to their value by "=". Qt takes each with "--" as well.
const QStringList WindowOptionsWithValue { QStringLiteral("platform"), QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"), QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"), QStringLiteral("session"), QStringLiteral("style"),
    QStringLiteral("stylesheet"), QStringLiteral("geometry"), QStringLiteral("title"), QStringLiteral("display"),
    QStringLiteral("name"), QStringLiteral("visual") };
const QStringList WindowFlags { QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
    QStringLiteral("dograb"), QStringLiteral("sync") };
const QStringList WindowOptionsJoined { QStringLiteral("style="), QStringLiteral("stylesheet="),
    QStringLiteral("qmljsdebugger=") };
const QStringList HelpOptions { QStringLiteral("-h"), QStringLiteral("-?"), QStringLiteral("--help"),
    QStringLiteral("--help-all") };

bool isWindowOption(const QString& name)
{
    return WindowFlags.contains(name)
        || std::any_of(WindowOptionsJoined.begin(), WindowOptionsJoined.end(),
            [&name](const QString& joined) { return name.startsWith(joined); });
}

std::optional<QString>* ledgerOption(CommandLineRequest& request, const QString& name)
{
    if (name == QLatin1String("ledger"))
        return &request.ledger;
    if (name == QLatin1String("out"))
        return &request.out;
    if (name == QLatin1String("past"))
        return &request.past;
    if (name == QLatin1String("form"))
        return &request.form;
    for (std::size_t i = 0; i < request.header.size(); ++i)
        if (name == QLatin1String(SurveyFields[i].key))
            return &request.header[i];
    return nullptr;
}

struct Failure {
    QString reason;
};

// norvel.ini's content. A settings file that cannot be read stops the ledger: one judged by lines nobody chose
// is wrong.
QByteArray programSettings(const QString& programFolder)
{
    const QString path = QDir(programFolder).filePath(programSettingsName());
    const ProgramSettingsRead ini = readProgramSettings(path);
    // The settings' own sentence speaks of the window's settings: the command line says its own.
    if (!ini.content)
        throw Failure {
            QStringLiteral("設定ファイル「%1」を読めません。\n%2").arg(QDir::toNativeSeparators(path), ini.reason)
        };
    return *ini.content;
}

// The lines the window would judge by, without taking ledger.ini's line over: the command line writes only the
// ledger. A line typed that cannot be used stops it, as nobody is there to be told the default judged instead.
JudgementLines judgementLines(const QString& programFolder, const QByteArray& settings)
{
    QString error;
    const JudgementRead read = judgementLinesInForce(programFolder, settings, &error);
    if (!error.isEmpty())
        throw Failure { error };
    QStringList unusable;
    for (const UnusableSetting& setting : read.unusable)
        unusable << unusableReason(setting);
    if (!unusable.isEmpty())
        throw Failure { unusable.join(u'\n') };
    return read.lines;
}

// --out names the ledger's file, or a folder to put it in under its usual name.
QString ledgerPath(const std::optional<QString>& out, const QString& dayFolder, LedgerForm form)
{
    if (!out)
        return {};
    if (out->isEmpty() || *out == QLatin1String("-"))
        throw Failure {
            QStringLiteral("--out にはファイルかフォルダーの名前を指定してください（「%1」は使えません）。").arg(*out)
        };
    const QString given = QDir::cleanPath(QDir::current().absoluteFilePath(*out));
    if (isFolder(given))
        return QDir(given).filePath(ledgerPdfFileName(QDir(dayFolder).dirName(), form));
    return given;
}

// Whether the file lies in a day folder: in it, in a pole folder, or in a pole folder's own folders (原画像, 取消).
bool inDayFolder(const QString& path, const QString& dayFolder)
{
    QDir folder = QFileInfo(path).dir();
    for (int level = 0; level < 3; ++level) {
        if (isDayFolderName(folder.dirName()) || sameFolder(folder.path(), dayFolder))
            return true;
        if (!folder.cdUp())
            break;
    }
    return false;
}

// A file the ledger may replace: nothing there, or a regular file (never a link, a device or a pipe), and in a day
// folder only the ledger's own files: the day's results are not the command line's to replace.
void checkReplaceable(const QString& path, const QString& dayFolder)
{
    const QString shown = QDir::toNativeSeparators(path);
    const PathType type = pathTypeOf(QFile::encodeName(path));
    if (type.error == 0 && type.type != EntryType::Regular)
        throw Failure { QStringLiteral(
            "「%1」は普通のファイルではありません（リンク、装置、パイプ、フォルダーなど）。置き換えません。")
                            .arg(shown) };
    if (inDayFolder(path, dayFolder) && !isLedgerFileName(QFileInfo(path).fileName()))
        throw Failure { QStringLiteral(
            "「%1」は日フォルダーの中の、写真台帳でも集計でもひび割れ一覧でもないファイルです。置き換えません。")
                            .arg(shown) };
}

// The day folder as given: there, a folder, and not the program folder (one level too high) whose day folders hold
// the poles: its ledger would be empty.
void checkDayFolder(const QString& day)
{
    const QString shown = QDir::toNativeSeparators(day);
    const PathType type = followedPathType(QFile::encodeName(day));
    if (type.error == ENOENT)
        throw Failure { QStringLiteral("日フォルダー「%1」がありません。").arg(shown) };
    if (type.error != 0)
        throw Failure {
            QStringLiteral("日フォルダー「%1」を開けません（%2）。").arg(shown, qt_error_string(type.error))
        };
    if (type.type != EntryType::Folder)
        throw Failure {
            QStringLiteral("「%1」はフォルダーではありません。日フォルダーを指定してください。").arg(shown)
        };
    QString unreadable; // said by the ledger itself
    QStringList days;
    for (const QByteArray& name : subfolderNames(QFile::encodeName(day), &unreadable)) {
        if (nameExists(QFile::encodeName(day) + '/' + name + '/' + resultFileName(name)))
            return; // a pole of its own
        if (isDayFolderName(QFile::decodeName(name)))
            days << QFile::decodeName(name);
    }
    days.sort();
    if (!days.isEmpty())
        throw Failure { QStringLiteral("日フォルダーを指定してください: ") + days.join(QStringLiteral(", ")) };
}

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Norvel: crack widths of concrete poles. Without options the window opens (Qt's own window options, such as\n"
        "-platform, -style, -stylesheet, -geometry, -reverse or -session, are taken; any other option or argument is\n"
        "refused with exit status 1).\n"
        "With --ledger the day's photo ledger (写真台帳_yyyymmdd.pdf, six a page 写真台帳6_yyyymmdd.pdf), its summary\n"
        "(集計_yyyymmdd.csv) and its cracks (ひび割れ_yyyymmdd.csv) are made without a window; the PDF's path is\n"
        "printed, the two lists are beside it. The judgement lines ([judgement]), the form and the past surveys'\n"
        "folder ([survey]) are those kept in norvel.ini of the program folder by the window's ledger dialog; --form\n"
        "and --past take the kept ones' place. The header is the day's own, kept in the day folder's 調査ヘッダ.ini "
        "by\n"
        "that dialog, else the last one kept in norvel.ini; --title, --inspector, --company, --weather, --equipment,\n"
        "--client and --contract take its texts' place. A text that cannot be used (over %1 characters, or holding\n"
        "control characters), given or kept and not given, stops the ledger. norvel.ini and 調査ヘッダ.ini are never\n"
        "written.\n"
        "Exit status: 0 when all three files were written, 1 otherwise (the reason on stderr, no file changed).")
                                         .arg(MaxHeaderTextLength));
    parser.addHelpOption();
    parser.addOption({ QStringLiteral("ledger"), QStringLiteral("Make the ledger of the day folder <DAYFOLDER>."),
        QStringLiteral("DAYFOLDER") });
    parser.addOption({ QStringLiteral("past"),
        QStringLiteral("Look up the previous inspections also in past surveys under <FOLDER> instead of the folder "
                       "kept in norvel.ini; an empty <FOLDER> looks in none. A folder that is not there, given or "
                       "kept, stops the ledger."),
        QStringLiteral("FOLDER") });
    parser.addOption({ QStringLiteral("out"),
        QStringLiteral("Write the ledger to <FILE> (or into <FILE> when it is a folder) instead of the day "
                       "folder; the summary and cracks CSV go beside it."),
        QStringLiteral("FILE") });
    parser.addOption({ QStringLiteral("form"),
        QStringLiteral("The ledger's form: 3 (three photos a page, each beside its facts) or 6 (six photos a page "
                       "after each pole's table, each with its facts below it). By default the form kept in "
                       "norvel.ini, else 3."),
        QStringLiteral("3|6") });
    const char* const headerOptions[][2] = { { "title", "The title (件名)" }, { "inspector", "The inspector (調査者)" },
        { "company", "The company (会社)" }, { "weather", "The weather (天候)" },
        { "equipment", "The equipment (使用機器)" }, { "client", "The client (発注者)" },
        { "contract", "The contract number (件名番号)" } };
    for (const auto& [name, what] : headerOptions)
        parser.addOption({ QLatin1String(name),
            QString::fromUtf8(what)
                + QStringLiteral(" on the ledger in place of the day's, for this run; \"\" leaves it "
                                 "empty."),
            QStringLiteral("TEXT") });
}

QString makeFromOptions(const CommandLineRequest& request, const QString& programFolder, QTextStream& err)
{
    if (!request.ledger)
        throw Failure { QStringLiteral("日フォルダーが指定されていません（--ledger 日フォルダー）。") };
    const QString day = QDir::current().absoluteFilePath(*request.ledger);
    checkDayFolder(day);
    const QByteArray settings = programSettings(programFolder);
    const CommandLineChoices chosen = commandLineChoices(settings, request.form, request.past);
    if (!chosen.problem.isEmpty())
        throw Failure { chosen.problem };
    const CommandLineHeader header = commandLineHeader(day, settings, request.header);
    if (!header.problem.isEmpty())
        throw Failure { header.problem };
    const JudgementLines lines = judgementLines(programFolder, settings);
    const PreviousInspections previous(programFolder, chosen.choices.pastFolder);
    const LedgerJob job { day, ledgerPath(request.out, day, chosen.choices.form),
        LedgerOptions { lines, header.header, chosen.choices.form, &previous } };
    if (!job.pdfPath.isEmpty()) {
        // All looked at before any is written: the lists go beside the ledger.
        const QStringList paths = ledgerFilePaths(job.pdfPath, QDir(day).dirName());
        for (const QString& path : paths)
            checkReplaceable(path, day);
        // A list written over the ledger just made would leave neither.
        if (paths.indexOf(job.pdfPath, 1) > 0)
            throw Failure { QStringLiteral(
                "「%1」には集計かひび割れ一覧が書かれます。写真台帳には別の名前を指定してください。")
                                .arg(QDir::toNativeSeparators(job.pdfPath)) };
    }
    if (!header.note.isEmpty())
        err << header.note << '\n';
    QString pdfPath;
    QString error;
    QString notes;
    if (!makeLedgerFiles(
            job, [](int, int) { return true; }, &pdfPath, &error, &notes))
        throw Failure { error };
    // Told, but the ledger was made: the same notes the window shows after making it.
    if (!notes.isEmpty())
        err << notes << '\n';
    return pdfPath;
}

} // namespace

CommandLineRequest readCommandLine(const QStringList& arguments)
{
    CommandLineRequest request;
    const auto refuse = [&request](const QString& problem) {
        if (request.problem.isEmpty())
            request.problem = problem;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool dashes = argument.startsWith(QLatin1String("--"));
        const QString name = argument.mid(dashes ? 2 : 1);
        if (HelpOptions.contains(argument)) {
            request.help = true;
        } else if (std::optional<QString>* value = dashes ? ledgerOption(request, name.section(u'=', 0, 0)) : nullptr) {
            request.ledgerAsked = true;
            if (*value)
                refuse(QStringLiteral("「--%1」が二度指定されています。").arg(name.section(u'=', 0, 0)));
            if (name.contains(u'='))
                *value = name.section(u'=', 1);
            else if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String("--")))
                *value = arguments[++i];
            else
                refuse(QStringLiteral("「%1」の後に値がありません。").arg(argument));
        } else if (!argument.startsWith(u'-') || argument.size() == 1) {
            refuse(QStringLiteral("余分な引数「%1」があります（使い方は --help）。").arg(argument));
        } else if (WindowOptionsWithValue.contains(name)) {
            if (++i >= arguments.size())
                refuse(QStringLiteral("「%1」の後に値がありません。").arg(argument));
        } else if (!isWindowOption(name)) {
            refuse(QStringLiteral("「%1」は知らないオプションです（使い方は --help）。").arg(argument));
        }
    }
    request.window = request.problem.isEmpty() && !request.ledgerAsked && !request.help;
    return request;
}

int runCommandLine(const CommandLineRequest& request, const QString& programFolder, QTextStream& out, QTextStream& err)
{
    // What was not done, said once for every reason: the ledger, or with none of its options given, the program.
    const QString notDone = request.ledgerAsked || request.help ? QStringLiteral("写真台帳を作成しませんでした: ")
                                                                : QStringLiteral("Norvel を起動しませんでした: ");
    try {
        if (!request.problem.isEmpty())
            throw Failure { request.problem };
        if (request.help) {
            QCommandLineParser parser;
            describe(parser);
            out << parser.helpText();
            return 0;
        }
        out << QDir::toNativeSeparators(makeFromOptions(request, programFolder, err)) << '\n';
        return 0;
    } catch (const Failure& failure) {
        err << notDone << failure.reason << '\n';
    } catch (const std::exception& e) {
        err << notDone << QStringLiteral("思いがけないエラーです（%1）。").arg(QString::fromLocal8Bit(e.what()))
            << '\n';
    }
    return 1;
}

CommandLineChoices commandLineChoices(
    const QByteArray& settings, const std::optional<QString>& form, const std::optional<QString>& past)
{
    CommandLineChoices chosen { ledgerChoices(settings), {} };
    if (form == QLatin1String("3"))
        chosen.choices.form = LedgerForm::ThreePerPage;
    else if (form == QLatin1String("6"))
        chosen.choices.form = LedgerForm::SixPerPage;
    else if (form) {
        chosen.problem
            = QStringLiteral("台帳の形式「%1」はありません。--form 3 か --form 6 を指定してください。").arg(*form);
        return chosen;
    } else if (const std::optional<UnusableSetting> kept = unusableLedgerForm(settings)) {
        // A form typed that cannot be used is not silently the other one: --form decides where nobody is told.
        chosen.problem = unusableReason(*kept) + QStringLiteral("--form 3 か --form 6 を指定してください。");
        return chosen;
    }
    QString& folder = chosen.choices.pastFolder;
    if (past)
        folder = *past;
    if (folder.isEmpty())
        return chosen;
    if (!isFolder(folder))
        chosen.problem = past
            ? QStringLiteral("過去の調査のフォルダー「%1」（--past）がありません。").arg(folder)
            : QStringLiteral("norvel.ini の [survey] past にある過去の調査のフォルダー「%1」がありません。"
                             "--past フォルダー で別のフォルダーを、--past \"\" でなしを指定してください。")
                  .arg(folder);
    else
        folder = QDir(folder).absolutePath();
    return chosen;
}

CommandLineHeader commandLineHeader(const QString& dayFolder, const QByteArray& settings, const HeaderTexts& given)
{
    const DayHeader day = readDayHeader(dayFolder, settings);
    CommandLineHeader chosen { day.header, {}, day.problem };
    const QList<UnusableSetting> kept = day.ownFile ? QList<UnusableSetting>() : unusableSurveyTexts(settings);
    QStringList problems;
    for (std::size_t i = 0; i < given.size(); ++i) {
        const QString key = QLatin1String(SurveyFields[i].key);
        if (given[i]) {
            const QString text = given[i]->trimmed();
            if (const QString problem = headerTextProblem(text); !problem.isEmpty())
                problems << QStringLiteral("--%1 の値は使えません（%2）。").arg(key, problem);
            else
                chosen.header.*SurveyFields[i].text = text;
            continue;
        }
        const QString instead = QStringLiteral("--%1 で指定してください。").arg(key);
        for (const auto& [unusableKey, sentence] : day.unusable)
            if (unusableKey == key)
                problems << sentence + instead;
        for (const UnusableSetting& setting : kept)
            if (setting.key == key)
                problems << unusableReason(setting) + instead;
    }
    chosen.problem = problems.join(u'\n');
    return chosen;
}

} // namespace norvel
