#include "app/commandline.h"

#include "files/folderlisting.h"
#include "ledger/ledgerdialog.h"
#include "ledger/previousinspection.h"
#include "settings/ledgersettings.h"
#include "settings/programsettings.h"
#include "settings/surveyheader.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

#include <exception>
#include <optional>

namespace norvel {

namespace {

const QStringList CommandLineOptions { QStringLiteral("ledger"), QStringLiteral("past"), QStringLiteral("out"),
    QStringLiteral("form"), QStringLiteral("help"), QStringLiteral("help-all"), QStringLiteral("h"),
    QStringLiteral("?") };

struct Failure {
    QString reason;
};

// norvel.ini's content. A settings file that cannot be read stops the ledger: one judged by lines nobody chose
// is wrong.
QByteArray programSettings(const QString& programFolder)
{
    const ProgramSettingsRead ini = readProgramSettings(QDir(programFolder).filePath(programSettingsName()));
    if (!ini.content)
        throw Failure { ini.problem };
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

std::optional<QString> given(const QCommandLineParser& parser, const QString& name)
{
    return parser.isSet(name) ? std::optional(parser.value(name)) : std::nullopt;
}

// --out names the ledger's file, or a folder to put it in under its usual name.
QString ledgerPath(const QString& out, const QString& dayFolder)
{
    if (out.isEmpty())
        return {};
    const QString given = QDir::current().absoluteFilePath(out);
    if (isFolder(given))
        return QDir(given).filePath(ledgerPdfFileName(QDir(dayFolder).dirName()));
    return given;
}

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Norvel: crack widths of concrete poles. Without options the window opens.\n"
        "With --ledger the day's photo ledger (写真台帳_yyyymmdd.pdf) and its summary (集計_yyyymmdd.csv) are made\n"
        "without a window; the PDF's path is printed. The judgement lines ([judgement]), the header, the form and the\n"
        "past surveys' folder ([survey]) are those kept in norvel.ini of the program folder by the window's ledger\n"
        "dialog; --form and --past take the kept ones' place. norvel.ini is never written.\n"
        "Exit status: 0 when both files were written, 1 otherwise (the reason on stderr, no file changed)."));
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
                       "folder; the summary CSV goes beside it."),
        QStringLiteral("FILE") });
    parser.addOption({ QStringLiteral("form"),
        QStringLiteral("The ledger's form: 3 (three photos a page, each beside its facts) or 6 (six photos a page "
                       "after each pole's table). By default the form kept in norvel.ini, else 3."),
        QStringLiteral("3|6") });
}

QString makeFromOptions(const QCommandLineParser& parser, const QString& programFolder, QTextStream& err)
{
    if (!parser.positionalArguments().isEmpty())
        throw Failure { QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().constFirst()) };
    if (!parser.isSet(QStringLiteral("ledger")))
        throw Failure { QStringLiteral("--ledger DAYFOLDER is needed.") };
    const QString day = QDir::current().absoluteFilePath(parser.value(QStringLiteral("ledger")));
    const QByteArray settings = programSettings(programFolder);
    const CommandLineChoices chosen
        = commandLineChoices(settings, given(parser, QStringLiteral("form")), given(parser, QStringLiteral("past")));
    if (!chosen.problem.isEmpty())
        throw Failure { chosen.problem };
    const JudgementLines lines = judgementLines(programFolder, settings);
    const PreviousInspections previous(programFolder, chosen.choices.pastFolder);
    const LedgerJob job { day, ledgerPath(parser.value(QStringLiteral("out")), day),
        LedgerOptions { lines, chosen.choices.header, chosen.choices.form, &previous } };
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

bool wantsCommandLine(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        QString name = QString::fromLocal8Bit(argv[i]);
        if (!name.startsWith(QLatin1Char('-')))
            continue;
        name = name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
        if (CommandLineOptions.contains(name))
            return true;
    }
    return false;
}

int runCommandLine(const QStringList& arguments, const QString& programFolder, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments)) {
        err << parser.errorText() << '\n';
        return 1;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        return 0;
    }
    try {
        out << QDir::toNativeSeparators(makeFromOptions(parser, programFolder, err)) << '\n';
        return 0;
    } catch (const Failure& failure) {
        err << failure.reason << '\n';
    } catch (const std::exception& e) {
        err << QString::fromLocal8Bit(e.what()) << '\n';
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
        chosen.problem = QStringLiteral("Unknown form \"%1\": use --form 3 or --form 6.").arg(*form);
        return chosen;
    }
    QString& folder = chosen.choices.pastFolder;
    if (past)
        folder = *past;
    if (folder.isEmpty())
        return chosen;
    if (!isFolder(folder))
        chosen.problem = past
            ? QStringLiteral("The past surveys' folder \"%1\" is not there.").arg(folder)
            : QStringLiteral("The past surveys' folder \"%1\" kept in norvel.ini ([survey] past) is not there; "
                             "give --past FOLDER, or --past \"\" to look in none.")
                  .arg(folder);
    else
        folder = QDir(folder).absolutePath();
    return chosen;
}

} // namespace norvel
