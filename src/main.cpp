#include "app/commandline.h"
#include "app/form1.h"
#include "services/crackfactsbox.h"
#include "services/ledgerdialogbox.h"
#include "services/polefactsbox.h"
#include "services/qtservices.h"
#include "services/quitsignals.h"
#include "services/scalelengthbox.h"
#include "services/soleinstance.h"
#include "widgets/uifont.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QStringList>
#include <QTextStream>
#include <QTranslator>

namespace {

// The ledger is painted without a window: it must work where there is no display at all.
int runWithoutWindow(int argc, char** argv, const norvel::CommandLineRequest& request)
{
    bool platformChosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i)
        platformChosen = platformChosen || qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0;
    if (!platformChosen)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("norvel"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return norvel::runCommandLine(request, QCoreApplication::applicationDirPath(), out, err);
}

} // namespace

int main(int argc, char** argv)
{
    // Read before any application exists: a mistyped option is said, not met with a missing display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const norvel::CommandLineRequest request = norvel::readCommandLine(arguments);
    if (!request.problem.isEmpty()) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return norvel::runCommandLine(request, {}, out, err);
    }
    if (!request.window)
        return runWithoutWindow(argc, argv, request);
    QApplication app(argc, argv);
    // Installed first, so a request to end during start-up waits in the pipe for the event loop.
    norvel::QuitSignals quitSignals;
    QApplication::setApplicationName(QStringLiteral("Norvel"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    norvel::installUiFont();
    // The window speaks Japanese whatever the desktop's language, so Qt's own dialogs should too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    norvel::QtServices services(QCoreApplication::applicationDirPath());
    const norvel::SoleInstance sole(QCoreApplication::applicationDirPath());
    if (!sole.alone()) {
        // Nothing to shut down yet: a request to end closes the message too.
        // (quit would do nothing before the main event loop runs)
        QObject::connect(&quitSignals, &norvel::QuitSignals::received, &app, [] { QCoreApplication::exit(1); });
        services.showError(
            QStringLiteral("Norvelはこのフォルダ「%1」ですでに動いています。\n"
                           "二つ動くと同じカメラの画像と結果ファイルを取り合うため、こちらは起動しません。")
                .arg(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())));
        return 1;
    }
    norvel::QtLedgerDialogBox ledgerBox;
    norvel::QtScaleLengthBox lengthBox;
    norvel::QtPoleFactsBox poleFactsBox;
    norvel::QtCrackFactsBox crackFactsBox;
    norvel::Services given = services.services();
    given.ledger = &ledgerBox;
    given.scaleLength = &lengthBox;
    given.poleFacts = &poleFactsBox;
    given.crackFacts = &crackFactsBox;
    given.madeFile = &services;
    norvel::Form1 window(given);
    services.setParentWidget(&window);
    ledgerBox.setParentWidget(&window);
    lengthBox.setParentWidget(&window);
    poleFactsBox.setParentWidget(&window);
    crackFactsBox.setParentWidget(&window);
    QObject::connect(&quitSignals, &norvel::QuitSignals::received, &window, &norvel::Form1::endOnRequest);
    window.startUp();
    window.show();
    return QApplication::exec();
}
