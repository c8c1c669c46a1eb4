#include "app/commandline.h"

#include "ledger/ledgerdialog.h"
#include "ledger/previousinspection.h"
#include "settings/ledgersettings.h"
#include "settings/programsettings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
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

// The lines the window would judge by, without taking ledger.ini's line over: the command line writes only the
// ledger. A settings file that cannot be read stops it: a ledger judged by lines nobody chose is wrong.
JudgementLines judgementLines(const QString& programFolder)
{
    const ProgramSettingsRead ini = readProgramSettings(QDir(programFolder).filePath(programSettingsName()));
    if (!ini.content)
        throw Failure { ini.problem };
    QString error;
    const JudgementRead read = judgementLinesInForce(programFolder, *ini.content, &error);
    if (!error.isEmpty())
        throw Failure { error };
    return read.lines;
}

// --out names the ledger's file, or a folder to put it in under its usual name.
QString ledgerPath(const QString& out, const QString& dayFolder)
{
    if (out.isEmpty())
        return {};
    const QFileInfo given(QDir::current().absoluteFilePath(out));
    if (given.isDir())
        return QDir(given.absoluteFilePath()).filePath(ledgerPdfFileName(QDir(dayFolder).dirName()));
    return given.absoluteFilePath();
}

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Norvel: crack widths of concrete poles. Without options the window opens.\n"
        "With --ledger the day's photo ledger (写真台帳_yyyymmdd.pdf) and its summary (集計_yyyymmdd.csv) are made\n"
        "without a window; the PDF's path is printed. The judgement lines are norvel.ini's of the program folder.\n"
        "Exit status: 0 when both files were written, 1 otherwise (the reason on stderr, no file changed)."));
    parser.addHelpOption();
    parser.addOption({ QStringLiteral("ledger"), QStringLiteral("Make the ledger of the day folder <DAYFOLDER>."),
        QStringLiteral("DAYFOLDER") });
    parser.addOption({ QStringLiteral("past"),
        QStringLiteral("Also look up the previous inspections in past surveys under <FOLDER>."),
        QStringLiteral("FOLDER") });
    parser.addOption({ QStringLiteral("out"),
        QStringLiteral("Write the ledger to <FILE> (or into <FILE> when it is a folder) instead of the day "
                       "folder; the summary CSV goes beside it."),
        QStringLiteral("FILE") });
    parser.addOption(
        { QStringLiteral("form"), QStringLiteral("The ledger's form: 6 (the default); 3 cannot be made yet."),
            QStringLiteral("3|6"), QStringLiteral("6") });
}

QString makeFromOptions(const QCommandLineParser& parser, const QString& programFolder, QTextStream& err)
{
    if (!parser.positionalArguments().isEmpty())
        throw Failure { QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().constFirst()) };
    const QString form = parser.value(QStringLiteral("form"));
    if (form == QLatin1String("3"))
        throw Failure { QStringLiteral("The ledger of form 3 cannot be made yet; use --form 6.") };
    if (form != QLatin1String("6"))
        throw Failure { QStringLiteral("Unknown form \"%1\": use --form 6.").arg(form) };
    if (!parser.isSet(QStringLiteral("ledger")))
        throw Failure { QStringLiteral("--ledger DAYFOLDER is needed.") };
    const QString day = QDir::current().absoluteFilePath(parser.value(QStringLiteral("ledger")));
    const QString past = parser.value(QStringLiteral("past"));
    if (parser.isSet(QStringLiteral("past")) && !QFileInfo(past).isDir())
        throw Failure { QStringLiteral("The past surveys' folder \"%1\" is not there.").arg(past) };
    const JudgementLines lines = judgementLines(programFolder);
    const PreviousInspections previous(programFolder, past.isEmpty() ? QString() : QDir(past).absolutePath());
    const LedgerJob job { day, ledgerPath(parser.value(QStringLiteral("out")), day), std::nullopt,
        LedgerOptions { lines, {}, LedgerForm::SixPerPage, &previous } };
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

} // namespace norvel
